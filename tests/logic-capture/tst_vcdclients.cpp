// The VCD files read by the tools people open them with (sigrok-cli, GTKWave's converters),
// and logic-capture run as a user runs it.

#include "output/vcdwriter.h"
#include "readpriority.h"
#include "runprogram.h"
#include "vcdfixture.h"
#include "version.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <memory>
#include <tuple>
#include <unistd.h>

using namespace la;
using namespace la::test;

namespace {

QString writeVcd(const QTemporaryDir &dir, double elapsed, const QString &name = "c.vcd")
{
    const QString path = dir.filePath(name);
    saveCaptureAsVcd(path.toStdString(), captured(staggered, elapsed));
    return path;
}

std::string readFile(const QString &path)
{
    std::ifstream in(path.toStdString());
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A capture file of the past, "old\n", at `path` and, by a hard link, at `other`.
bool oldCaptureWithTwoNames(const QString &path, const QString &other)
{
    std::ofstream(path.toStdString()) << "old\n";
    return ::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) == 0;
}

// What `sigrok-cli --show` says of an input file.
struct Shown
{
    qint64 samplerate = -1;
    qint64 samples = -1;
    QStringList channels;
};

Shown sigrokShow(const QString &file)
{
    const Run r = run("sigrok-cli", {"-I", "vcd", "-i", file, "--show"});
    Shown shown;
    for (const QString &line : r.out.split('\n')) {
        if (line.startsWith("Samplerate: "))
            shown.samplerate = line.mid(12).toLongLong();
        else if (line.startsWith("Logic sample count: "))
            shown.samples = line.mid(20).toLongLong();
        else if (line.startsWith("- ") && line.endsWith(": logic"))
            shown.channels << line.mid(2, line.size() - 9);
    }
    return shown;
}

const QStringList FiveChannels{"ch1", "ch2", "ch3", "ch4", "ch5"};

void requireTool(const char *tool)
{
    if (QStandardPaths::findExecutable(tool).isEmpty())
        QSKIP(qPrintable(
            QString("%1 is not installed (scripts/install-deps.sh test installs it)").arg(tool)));
}

} // namespace

class TstVcdClients : public QObject
{
    Q_OBJECT

private slots:
    void sigrokTimeBase_data();
    void sigrokTimeBase();
    void sigrokLevels_data();
    void sigrokLevels();
    void gtkwaveRoundTrip();
    void logicCaptureToFile();
    void logicCaptureToStandardOutput_data();
    void logicCaptureToStandardOutput();
    void logicCaptureToFullStandardOutput();
    void logicCaptureHelpAndVersion();
    void logicCaptureListsPorts();
    void logicCaptureFailures_data();
    void logicCaptureFailures();
    void triggerThatNeverHoldsWritesNothing();
    void endedMidwayLeavesTheOldFile_data();
    void endedMidwayLeavesTheOldFile();
    void fileSizeLimitLeavesBothNames();
    void writersAtOnceLeaveOneWholeFile();
    void outputIsNeverThePortLibrary_data();
    void outputIsNeverThePortLibrary();
    void standardOutputCarriesTheVcdAlone();
    void progressOnATerminalOnly();
    void portSetUpAndPutBack_data();
    void portSetUpAndPutBack();
    void simulatedDataCounterDecoded();
};

void TstVcdClients::sigrokTimeBase_data()
{
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<qint64>("samplerate"); // 1 / timescale
    QTest::addColumn<qint64>("samples");    // the whole capture in ticks
    // About ten ticks a read, so that sigrok's samples stay few.
    QTest::newRow("10 ms") << 0.010 << qint64(10000000) << qint64(100000);
    QTest::newRow("0.5 ms") << 0.0005 << qint64(1000000000) << qint64(500000);
    QTest::newRow("2 s") << 2.0 << qint64(100000) << qint64(200000);
    QTest::newRow("no counter: a microsecond a read") << -1.0 << qint64(10000000) << qint64(99990);
}

void TstVcdClients::sigrokTimeBase()
{
    requireTool("sigrok-cli");
    QFETCH(double, elapsed);
    QFETCH(qint64, samplerate);
    QFETCH(qint64, samples);
    QTemporaryDir dir;
    const Shown shown = sigrokShow(writeVcd(dir, elapsed));
    QCOMPARE(shown.channels, FiveChannels);
    QCOMPARE(shown.samplerate, samplerate);
    QCOMPARE(shown.samples, samples);
    if (elapsed > 0) {
        // The period sigrok sees is the one measured.
        const double period = double(shown.samples) / double(shown.samplerate) / SampleCount;
        QVERIFY(qAbs(period - elapsed / SampleCount) < 1e-6 * elapsed / SampleCount);
    }
}

void TstVcdClients::sigrokLevels_data()
{
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<QString>("format");
    QTest::newRow("1 us period: 10 ticks a read, read at 1 MHz") << 0.009999 << "vcd:downsample=10";
    QTest::newRow("no counter: a microsecond a read") << -1.0 << "vcd:downsample=10";
}

void TstVcdClients::sigrokLevels()
{
    requireTool("sigrok-cli");
    QFETCH(double, elapsed);
    QFETCH(QString, format);
    QTemporaryDir dir;
    const Run r = run("sigrok-cli", {"-I", format, "-i", writeVcd(dir, elapsed), "-O", "csv"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains("; Channels (5/5): ch1, ch2, ch3, ch4, ch5"),
             qPrintable(r.out.left(400)));
    QVERIFY2(r.out.contains("META samplerate: 1000000\n"), qPrintable(r.out.left(400)));
    std::vector<unsigned> levels;
    for (const QString &line : r.out.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(';') || line.startsWith("META") || line.startsWith("logic"))
            continue;
        const QStringList values = line.split(',');
        QCOMPARE(values.size(), 5);
        unsigned bits = 0;
        for (int k = 0; k < 5; ++k)
            bits |= (values[k] == "1" ? 1u : 0u) << k;
        levels.push_back(bits);
    }
    QCOMPARE(levels.size(), std::size_t(SampleCount));
    for (int i = FirstSample; i <= LastSample; ++i) {
        if (levels[std::size_t(i - 1)] != staggered(i))
            QFAIL(qPrintable(QString("sample %1 reads %2, written %3")
                                 .arg(i)
                                 .arg(levels[std::size_t(i - 1)])
                                 .arg(staggered(i))));
    }
}

void TstVcdClients::gtkwaveRoundTrip()
{
    // vcd2fst accepts almost anything, so the converted file is turned back into VCD and
    // must carry the same changes.
    requireTool("vcd2fst");
    requireTool("fst2vcd");
    QTemporaryDir dir;
    const QString vcd = writeVcd(dir, 0.010);
    const QString fst = dir.filePath("c.fst");
    const Run convert = run("vcd2fst", {vcd, fst});
    QCOMPARE(convert.status, 0);
    const Run back = run("fst2vcd", {fst});
    QCOMPARE(back.status, 0);

    const ParsedVcd original = parseVcd(readFile(vcd));
    const ParsedVcd converted = parseVcd(back.out.toStdString());
    QVERIFY2(converted.problem.empty(), converted.problem.c_str());
    QCOMPARE(QString::fromStdString(converted.header.at("$timescale")).remove(' '),
             QString("100ns"));
    QCOMPARE(converted.vars, original.vars);
    QCOMPARE(converted.initial, original.initial);
    QCOMPARE(converted.changes.size(), original.changes.size());
    auto key = [](const VcdChange &c) { return std::make_tuple(c.time, c.id, c.value); };
    std::vector<std::tuple<std::uint64_t, char, char>> a, b;
    for (const VcdChange &c : original.changes)
        a.push_back(key(c));
    for (const VcdChange &c : converted.changes)
        b.push_back(key(c));
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    QVERIFY(a == b);
}

void TstVcdClients::logicCaptureToFile()
{
    requireTool("sigrok-cli");
    QTemporaryDir dir;
    const QString file = dir.filePath("x.vcd");
    const Run r = run(LA_LOGIC_CAPTURE, {"--simulate", "--output", file});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString());
    const QRegularExpressionMatch line =
        QRegularExpression("^capture: 9999 reads in (\\d+\\.\\d\\d) ms, (\\d+\\.\\d\\d) µs each; "
                           "(no pauses|1 pause of .* after read \\d+|\\d+ pauses, the longest .* "
                           "after read \\d+); " +
                           QRegularExpression::escape(QString::fromStdString(priorityWords())) +
                           "; from the simulated probe\\n$")
            .match(r.err);
    QVERIFY2(line.hasMatch(), qPrintable(r.err));

    const ParsedVcd vcd = parseVcd(readFile(file));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    const Shown shown = sigrokShow(file);
    QCOMPARE(shown.channels, FiveChannels);
    // The file spans the time printed, less the first read: it runs from the end of the
    // first read to one period after the last, where the measured time runs from the start
    // of the first read. The first read of a fresh process can take a while (its code is
    // not yet in memory), so it may fall short by up to a millisecond, never run over.
    const double ms = line.captured(1).toDouble();
    const double spanned = 1000.0 * double(shown.samples) / double(shown.samplerate);
    QVERIFY2(spanned <= ms + 0.01 && spanned >= ms - 1.0,
             qPrintable(QString("%1 ms spanned, %2 ms measured").arg(spanned).arg(ms)));
}

void TstVcdClients::logicCaptureToStandardOutput_data()
{
    QTest::addColumn<QStringList>("output");
    QTest::addColumn<bool>("onError"); // the VCD, then the capture line on standard error
    QTest::newRow("standard output, by default") << QStringList() << false;
    QTest::newRow("--output /dev/stdout") << QStringList{"--output", "/dev/stdout"} << false;
    QTest::newRow("--output /dev/stderr, a pipe") << QStringList{"--output", "/dev/stderr"} << true;
}

void TstVcdClients::logicCaptureToStandardOutput()
{
    QFETCH(QStringList, output);
    QFETCH(bool, onError);
    const Run r = run(LA_LOGIC_CAPTURE, QStringList{"--simulate", "--base", "0x278"} + output);
    QCOMPARE(r.status, 0);
    // The VCD is written as the capture runs, and the capture line follows its end.
    const qsizetype line = r.err.lastIndexOf('\n', -2) + 1;
    QVERIFY2(r.err.mid(line).startsWith("capture: 9999 reads in "), qPrintable(r.err.right(200)));
    QCOMPARE(onError ? r.out : r.err.left(line), QString());
    const ParsedVcd vcd = parseVcd((onError ? r.err.left(line) : r.out).toStdString());
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(vcd.vars.size(), std::size_t(5));
    QVERIFY(vcd.times.size() >= 2);
}

void TstVcdClients::logicCaptureToFullStandardOutput()
{
    if (!QFileInfo::exists("/dev/full"))
        QSKIP("this system has no /dev/full");
    QProcess process;
    process.setStandardOutputFile("/dev/full");
    process.start(LA_LOGIC_CAPTURE, {"--simulate"});
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), 1);
    const QStringList lines =
        QString::fromUtf8(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2); // the capture time, then the failure
    QCOMPARE(lines.last(), QString("logic-capture: Cannot write to standard output: No space "
                                   "left on device."));
}

void TstVcdClients::logicCaptureHelpAndVersion()
{
    const Run help = run(LA_LOGIC_CAPTURE, {"--help"});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.startsWith("Usage: logic-capture "));
    QCOMPARE(help.err, QString());
    const Run version = run(LA_LOGIC_CAPTURE, {"--version"});
    QCOMPARE(version.status, 0);
    QCOMPARE(version.out, QString("logic-capture " LA_VERSION "\n"));
}

void TstVcdClients::logicCaptureListsPorts()
{
    // What this machine has: a table, or the one line that says there is no port.
    const Run r = run(LA_LOGIC_CAPTURE, {"--list-ports"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QString());
    const bool listed =
        !QDir("/proc/sys/dev/parport").entryList({"parport*"}, QDir::Dirs).isEmpty();
    QVERIFY2(r.out.startsWith(listed ? "base " : "No parallel port found: ") &&
                 r.out.endsWith('\n'),
             qPrintable(r.out));
}

void TstVcdClients::logicCaptureFailures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // the last line on stderr
    const QString seeHelp = " (logic-capture --help lists the options)";
    QTest::newRow("unknown option")
        << QStringList{"--fast"} << 2 << "logic-capture: unknown option '--fast'" + seeHelp;
    QTest::newRow("bad base")
        << QStringList{"--simulate", "--base", "0x379"} << 2
        << "logic-capture: --simulate reads the simulated probe, which answers only at 0x378, "
           "0x3BC or 0x278, not at 0x379: choose one of these, or leave out --simulate for a "
           "real port" +
               seeHelp;
    QTest::newRow("both sources")
        << QStringList{"--simulate", "--port-library", "/x.so"} << 2
        << "logic-capture: --simulate and --port-library exclude each other: choose one" + seeHelp;
    QTest::newRow("missing library")
        << QStringList{"--port-library", "/nonexistent/libport.so"} << 1
        << "logic-capture: Cannot load the port library /nonexistent/libport.so: the file does "
           "not exist. Give the path of a port library file with --port-library PATH, or start "
           "with --simulate to use the simulated probe.";
    QTest::newRow("port fails") << QStringList{"--port-library", LA_TEST_FAILING_LIB} << 1
                                << "logic-capture: Cannot read the test port: it is unplugged.";
    // Wrong options are said before the port is touched: this library's port fails at the
    // first read, so any read would end in its message instead.
    const QString failing = LA_TEST_FAILING_LIB;
    auto usage = [&](QStringList args, const QString &what) {
        QTest::newRow(qPrintable(args.join(' '))) << (QStringList{"--port-library", failing} + args)
                                                  << 2 << "logic-capture: " + what + seeHelp;
    };
    const QString samples = "--samples takes a whole number of reads from 1 to 1000000000000, "
                            "with k, M or G for thousands, millions or billions (200k, 5M), not ";
    usage({"--samples", "0"}, samples + "'0'");
    usage({"--samples", "1000000000001"}, samples + "'1000000000001'");
    usage({"--samples", "1001G"}, samples + "'1001G'");
    usage({"--samples", "1e6"}, samples + "'1e6'");
    usage({"--samples", "-5"}, samples + "'-5'");
    usage({"--samples="}, samples + "''");
    usage({"--trigger", "ch6:rise"},
          "there is no channel 6 in 'ch6:rise': the channels are ch1 to ch5");
    usage({"--trigger", "ch1:rise,ch5:fall"},
          "the trigger 'ch1:rise,ch5:fall' has two edge terms (ch1:rise, ch5:fall): it can wait "
          "for one edge at a time");
    usage({"--trigger", "ch5:fall", "--pretrigger", "100"},
          "--pretrigger takes a whole percentage from 0 to 99, not '100'");
    usage({"--trigger", "ch5:fall", "--timeout", "0"},
          "--timeout takes a number of seconds above 0 and at most 86400, not '0'");
    usage({"--trigger", "ch5:fall", "--timeout", "soon"},
          "--timeout takes a number of seconds above 0 and at most 86400, not 'soon'");
    usage({"--pretrigger", "20"},
          "--pretrigger belongs to a trigger: give one with --trigger, e.g. --trigger ch5:fall");
    QTest::newRow("output folder missing")
        << QStringList{"--simulate", "--output", "/nonexistent/x.vcd"} << 1
        << "logic-capture: Cannot write /nonexistent/x.vcd: No such file or directory. Choose a "
           "folder that exists.";
}

void TstVcdClients::logicCaptureFailures()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    const Run r = run(LA_LOGIC_CAPTURE, args);
    QCOMPARE(r.status, status);
    QCOMPARE(r.out, QString()); // no half a VCD on standard output
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.last(), message);
    QCOMPARE(lines.filter(QRegularExpression("^logic-capture: ")).size(), 1);
}

void TstVcdClients::triggerThatNeverHoldsWritesNothing()
{
    // The stalling test library drives ch1 and ch5 only: ch2 never goes high.
    QTemporaryDir dir;
    const Run r =
        run(LA_LOGIC_CAPTURE, {"--port-library", LA_TEST_STALLING_LIB, "--trigger", "ch2:high",
                               "--timeout", "0.2", "--output", dir.filePath("x.vcd")});
    QCOMPARE(r.status, 3);
    QVERIFY2(QRegularExpression("^logic-capture: the trigger ch2:high did not hold within 0.2 s "
                                "\\(\\d+ reads\\); nothing was written. Check the probe's "
                                "wiring and the condition, or wait longer with --timeout.\\n$")
                 .match(r.err)
                 .hasMatch(),
             qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QVERIFY(QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty());
}

void TstVcdClients::endedMidwayLeavesTheOldFile_data()
{
    // The test library's first read says the capture has begun; then it hangs, crashes, ...
    QTest::addColumn<QString>("then");
    QTest::addColumn<int>("signal"); // sent once the capture has begun; 0: none
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status"); // -1: any failure, a crash too
    const QStringList longCapture{"--samples", "20000000"};
    const QStringList waiting{"--trigger", "ch2:high", "--timeout", "60"}; // ch2 reads low
    QTest::newRow("Ctrl-C during a long capture") << "hang" << int(SIGINT) << longCapture << 130;
    QTest::newRow("SIGTERM while waiting for the trigger") << "" << int(SIGTERM) << waiting << 143;
    QTest::newRow("SIGHUP during a long capture") << "hang" << int(SIGHUP) << longCapture << 129;
    QTest::newRow("the port library crashes") << "crash" << 0 << QStringList() << -1;
    QTest::newRow("the port library aborts") << "abort" << 0 << QStringList() << -1;
    QTest::newRow("the port library calls exit()") << "exit" << 0 << QStringList() << -1;
}

void TstVcdClients::endedMidwayLeavesTheOldFile()
{
    QFETCH(QString, then);
    QFETCH(int, signal);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QTemporaryDir dir, marks;
    const QString file = dir.filePath("x.vcd");
    std::ofstream(file.toStdString()) << "old\n";
    const QString begun = marks.filePath("first-read");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LA_TEST_FIRST_READ", begun);
    environment.insert("LA_TEST_THEN", then);
    process.setProcessEnvironment(environment);
    process.start(LA_LOGIC_CAPTURE,
                  QStringList{"--port-library", LA_TEST_TELLTALE_LIB, "--output", file} + args);
    QVERIFY(process.waitForStarted());
    if (signal != 0) {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(begun), 20000);
        QVERIFY(sendSignal(process, signal));
    }
    QVERIFY(process.waitForFinished(20000));
    if (status >= 0) {
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
    } else {
        QVERIFY(process.exitStatus() == QProcess::CrashExit || process.exitCode() != 0);
    }
    QVERIFY(QFileInfo::exists(begun));
    QCOMPARE(readFile(file), std::string("old\n"));
    QCOMPARE(entries(dir.path()), QStringList{"x.vcd"});
}

void TstVcdClients::fileSizeLimitLeavesBothNames()
{
    // A full disk as the program meets it, ulimit -f, under a capture with two names: said,
    // status 1, and both names still hold the old capture, whole.
    QTemporaryDir dir;
    const QString file = dir.filePath("x.vcd");
    QVERIFY(oldCaptureWithTwoNames(file, dir.filePath("y.vcd")));
    const Run r = run("/bin/sh", {"-c", "ulimit -f 1 && exec \"$0\" \"$@\"", LA_LOGIC_CAPTURE,
                                  "--simulate", "--output", file});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err.split('\n', Qt::SkipEmptyParts).last(),
             "logic-capture: Cannot write " + file +
                 ": File too large. Free some space or choose another disk.");
    QCOMPARE(readFile(file), std::string("old\n"));
    QCOMPARE(readFile(dir.filePath("y.vcd")), std::string("old\n"));
    QCOMPARE(entries(dir.path()), QStringList({"x.vcd", "y.vcd"}));
}

void TstVcdClients::writersAtOnceLeaveOneWholeFile()
{
    // Four captures written to one name with a second one at once: the name holds one of
    // them, whole; the other name keeps the old capture.
    QTemporaryDir dir;
    const QString file = dir.filePath("x.vcd");
    QVERIFY(oldCaptureWithTwoNames(file, dir.filePath("y.vcd")));
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < 4; ++i) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->start(LA_LOGIC_CAPTURE,
                              {"--simulate", "--samples", "200000", "--output", file});
    }
    for (const auto &writer : writers) {
        QVERIFY(writer->waitForFinished(120000));
        QCOMPARE(writer->exitCode(), 0);
    }
    const ParsedVcd vcd = parseVcd(readFile(file));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(vcd.header.count("$date"), std::size_t(1));
    QVERIFY(!vcd.comments.empty() && vcd.comments[0].rfind("200000 reads ", 0) == 0);
    QCOMPARE(readFile(dir.filePath("y.vcd")), std::string("old\n"));
    QCOMPARE(entries(dir.path()), QStringList({"x.vcd", "y.vcd"}));
}

void TstVcdClients::outputIsNeverThePortLibrary_data()
{
    QTest::addColumn<bool>("throughALink");
    QTest::newRow("the library's own name") << false;
    QTest::newRow("a symbolic link to the library") << true;
}

void TstVcdClients::outputIsNeverThePortLibrary()
{
    // A library whose reads work: were the file written, the library would be a VCD now.
    QFETCH(bool, throughALink);
    QTemporaryDir dir;
    const QString library = dir.filePath("libport-own.so");
    QVERIFY(QFile::copy(LA_TEST_CHATTY_LIB, library));
    const std::string before = readFile(library);
    const QString output = throughALink ? dir.filePath("capture.vcd") : library;
    if (throughALink)
        QVERIFY(QFile::link(library, output));
    const Run r = run(LA_LOGIC_CAPTURE, {"--port-library", library, "--output", output});
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err, "logic-capture: --output " + output + " would replace the port library " +
                        library +
                        ": give the VCD file another name (logic-capture --help lists the "
                        "options)\n");
    QVERIFY(readFile(library) == before);
}

void TstVcdClients::standardOutputCarriesTheVcdAlone()
{
    const Run r = run(LA_LOGIC_CAPTURE, {"--port-library", LA_TEST_CHATTY_LIB});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("$date "), qPrintable(r.out.left(200)));
    const ParsedVcd vcd = parseVcd(r.out.toStdString());
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    // What the library printed went to standard error instead.
    QVERIFY(r.err.contains("chatty port library loaded\n"));
    QVERIFY(r.err.contains("chatty port library: first read\n"));
}

void TstVcdClients::progressOnATerminalOnly()
{
    // Two seconds of reads: on a terminal a progress line, in a pipe none.
    if (QStandardPaths::findExecutable("script").isEmpty())
        QSKIP("script (util-linux) is not installed: no terminal to run on");
    QTemporaryDir dir;
    const QString command = QString("%1 --simulate --samples 2000000 --output %2")
                                .arg(LA_LOGIC_CAPTURE, dir.filePath("x.vcd"));
    const Run onTerminal = run("script", {"-q", "-e", "-c", command, "/dev/null"});
    QCOMPARE(onTerminal.status, 0);
    QVERIFY2(onTerminal.out.contains(QRegularExpression(
                 "\\rreading: \\d+\\.\\d s, \\d+ of 2000000 reads \\(\\d+ %\\), \\d+ changes?, "
                 "(no pauses|1 pause|\\d+ pauses)\\033\\[K")),
             qPrintable(onTerminal.out.left(300)));
    QVERIFY(onTerminal.out.contains("capture: 2000000 reads in "));

    const Run inPipe = run(LA_LOGIC_CAPTURE, {"--simulate", "--samples", "2000000", "--output",
                                              dir.filePath("y.vcd")});
    QCOMPARE(inPipe.status, 0);
    QVERIFY(inPipe.err.startsWith("capture: 2000000 reads in "));
    QCOMPARE(inPipe.err.count('\n'), 1);
    QVERIFY(!inPipe.err.contains('\r'));
}

void TstVcdClients::portSetUpAndPutBack_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("knob"); // a setting of the test library
    QTest::addColumn<int>("signal");   // sent once the reads have begun; 0: none
    QTest::addColumn<int>("status");
    const QStringList counted{"--samples", "100000"};
    QTest::newRow("done") << counted << "" << 0 << 0;
    QTest::newRow("a read fails") << counted << "LA_E2E_FAIL_AT=5000" << 0 << 1;
    QTest::newRow("a read given up") << counted << "LA_E2E_HANG_AT=5000" << 0 << 1;
    QTest::newRow("the trigger times out") // d0 reads 0
        << QStringList{"--trigger", "d0:high", "--timeout", "0.3"} << "" << 0 << 3;
    QTest::newRow("SIGINT ends a capture without end")
        << QStringList{"--continuous"} << "" << int(SIGINT) << 0;
    QTest::newRow("SIGTERM abandons")
        << QStringList{"--samples", "1G"} << "" << int(SIGTERM) << 143;
}

void TstVcdClients::portSetUpAndPutBack()
{
    // The control register read, then written once (0x50 | 0x20 turns the data pins to input;
    // c0, inverted, is released by bit 0 clear, as it is) before the first sample of status,
    // data and control; written back as read after the last, whatever ends the capture.
    QFETCH(QStringList, args);
    QFETCH(QString, knob);
    QFETCH(int, signal);
    QFETCH(int, status);
    QTemporaryDir dir;
    const QString log = dir.filePath("port.log");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LA_E2E_PORT_LOG", log);
    environment.insert(knob.section('=', 0, 0), knob.section('=', 1));
    process.setProcessEnvironment(environment);
    process.start(LA_LOGIC_CAPTURE, QStringList{"--port-library", LA_E2E_PORT_LIB, "-C",
                                                "ch1,d0-d7,c0", "-o", dir.filePath("c.vcd")} +
                                        args);
    QVERIFY(process.waitForStarted());
    if (signal != 0) {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() > 10000, 20000);
        QVERIFY(sendSignal(process, signal));
    }
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    const QStringList calls = QString::fromStdString(readFile(log)).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(calls.mid(0, 5), QStringList({"r 890", "w 890 112", "r 889", "r 888", "r 890"}));
    QCOMPARE(calls.last(), QString("w 890 80"));
    QCOMPARE(calls.filter(QRegularExpression("^w ")).size(), 2);
}

void TstVcdClients::simulatedDataCounterDecoded()
{
    // All seventeen lines, one named; sigrok's parallel decoder, clocked by ch1, reads the
    // data pins as a counter: each word one more than the last, but where a pause of the
    // reads hid some (few: more than half must be so).
    requireTool("sigrok-cli");
    QTemporaryDir dir;
    const QString file = dir.filePath("bus.vcd");
    QCOMPARE(run(LA_LOGIC_CAPTURE, {"--simulate", "-C", "ch1-ch4,ch5=RX,d0-d7,c0-c3", "--samples",
                                    "200k", "-o", file})
                 .status,
             0);
    QVERIFY(readFile(file).find("$comment RX: ch5, status bit 3, connector pin 15 $end\n"
                                "$var wire 1 % RX $end") != std::string::npos);
    QString bus = "parallel:clk=ch1";
    for (int k = 0; k < 8; ++k)
        bus += QString(":d%1=d%1").arg(k);
    QProcess decoder;
    decoder.start("sigrok-cli", {"-i", file, "-I", "vcd", "-P", bus, "-A", "parallel=items"});
    QVERIFY(decoder.waitForFinished(120000));
    // Debian 12's libsigrokdecode aborts as it ends after this decoder: what came before is
    // whole.
    const QStringList lines =
        QString(decoder.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() > 200, qPrintable(decoder.readAllStandardError()));
    auto word = [&lines](qsizetype i) { return lines[i].section(' ', -1).toInt(nullptr, 16); };
    int steps = 0;
    for (qsizetype i = 1; i < lines.size(); ++i)
        steps += (word(i) - word(i - 1) + 256) % 256 == 1;
    QVERIFY2(steps > lines.size() / 2, qPrintable(lines.mid(0, 20).join(' ')));
}

QTEST_APPLESS_MAIN(TstVcdClients)
#include "tst_vcdclients.moc"
