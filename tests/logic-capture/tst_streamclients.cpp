// logic-capture's streamed captures as a user meets them: each way a capture ends, with what
// is left in the file and the one message; a pipe that nobody reads; a file of 10^8 reads
// read by GTKWave's converters and sigrok-cli; the CSV read by sigrok-cli.

#include "runprogram.h"
#include "vcdfixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace la::test;

namespace {

std::string readFile(const QString &path)
{
    std::ifstream in(path.toStdString());
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Why the test cannot run, or empty when every tool it needs is installed.
QString missing(const QStringList &tools)
{
    for (const QString &tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool + " is not installed (scripts/install-deps.sh test installs it)";
    }
    return {};
}

// The test port library, fast, going wrong as `setting` says ("AT=5000 DO=fail").
QProcessEnvironment lateFault(const QString &setting, const QString &firstRead)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &pair : setting.split(' ', Qt::SkipEmptyParts))
        environment.insert("LA_TEST_" + pair.section('=', 0, 0), pair.section('=', 1));
    environment.insert("LA_TEST_FIRST_READ", firstRead);
    return environment;
}

const QString Library = LA_TEST_LATEFAULT_LIB;

} // namespace

class TstStreamClients : public QObject
{
    Q_OBJECT

private slots:
    void endings_data();
    void endings();
    void unreadPipe();
    void redirectedStandardOutput_data();
    void redirectedStandardOutput();
    void hundredMillionReads();
    void csvInSigrok();
};

void TstStreamClients::endings_data()
{
    QTest::addColumn<QString>("fault"); // what the test library does
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QList<int>>("sent"); // sent once the capture has begun
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // the last line on standard error, as a pattern
    QTest::addColumn<int>("reads");       // in the file; 0: the old file stays
    QTest::addColumn<QString>("ending");  // the header's comment of what ended it
    const QString check = ". Check the port library " + Library + " and the port.";
    auto exactly = [](const QString &line) { return QRegularExpression::escape(line); };
    // Reads of 0.1 µs at least, so that the ring holds 0.2 s of them: a keeping side held
    // back by a busy machine for less than that never loses a read.
    QTest::newRow("--continuous ended by Ctrl-C")
        << "READ_NS=100" << QStringList{"--continuous"} << QList<int>{SIGINT} << 0
        << "capture: \\d+ reads in .*; ended by SIGINT \\(Ctrl-C\\)" << -1
        << "This capture ended by SIGINT (Ctrl-C).";
    QTest::newRow("a second signal abandons it")
        << "AT=2000 DO=block" << QStringList{"--continuous"} << QList<int>{SIGINT, SIGTERM} << 143
        << "" << 0 << "";
    QTest::newRow("a read that does not return")
        << "AT=5000 DO=block" << QStringList{"--samples", "100k"} << QList<int>{} << 1
        << exactly("logic-capture: a read of the port did not return within 2 s and was given "
                   "up; the file holds the capture up to the read before it" +
                   check)
        << 5000 << "This capture ended early: a read of the port did not return within 2 s.";
    QTest::newRow("a read that fails")
        << "AT=5000 DO=fail" << QStringList{"--time", "1h"} << QList<int>{} << 1
        << exactly("logic-capture: Cannot read the test port: its cable came loose. The file "
                   "holds the capture up to the read before the one that failed.")
        << 5000 << "This capture ended early: a read of the port failed.";
    QTest::newRow("--timeout while a read blocks")
        << "AT=10 DO=block" << QStringList{"--trigger", "ch2:high", "--timeout", "0.5"}
        << QList<int>{} << 3
        << "logic-capture: the trigger ch2:high did not hold within 0\\.5 s \\(10 reads\\); "
           "nothing was written\\. .*"
        << 0 << "";
}

void TstStreamClients::endings()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, args);
    QFETCH(QList<int>, sent);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(int, reads);
    QFETCH(QString, ending);
    QTemporaryDir dir, marks;
    const QString file = dir.filePath("x.vcd");
    std::ofstream(file.toStdString()) << "old\n";
    const QString begun = marks.filePath("first-read");
    QProcess process;
    process.setProcessEnvironment(lateFault(fault, begun));
    process.start(LA_LOGIC_CAPTURE, QStringList{"--port-library", Library, "-o", file} + args);
    QVERIFY(process.waitForStarted());
    if (!sent.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(begun), 20000);
        for (const int signal : sent)
            QVERIFY(sendSignal(process, signal));
    }
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    const QStringList lines =
        QString::fromUtf8(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    if (!message.isEmpty()) {
        QVERIFY(!lines.isEmpty());
        QVERIFY2(QRegularExpression("^" + message + "$").match(lines.last()).hasMatch(),
                 qPrintable(lines.join('\n')));
    }
    if (reads == 0) {
        QCOMPARE(readFile(file), std::string("old\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.vcd"});
        return;
    }
    // Complete up to where it ended, and saying why.
    const ParsedVcd vcd = parseVcd(readFile(file));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QVERIFY(vcd.times.size() >= 2);
    QVERIFY2(std::find(vcd.comments.begin(), vcd.comments.end(), ending.toStdString()) !=
                 vcd.comments.end(),
             qPrintable(ending));
    if (reads > 0)
        QVERIFY(vcd.comments.front().rfind(std::to_string(reads) + " reads ", 0) == 0);
}

void TstStreamClients::unreadPipe()
{
    // The capture goes into a pipe that nobody reads until logic-capture says it could not
    // keep up: then the pipe is read, and holds a whole file up to the last read kept.
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    QProcess process;
    process.setStandardOutputFile(fifo);
    process.setReadChannel(QProcess::StandardError);
    process.start(LA_LOGIC_CAPTURE, {"--port-library", Library, "--continuous"});
    QVERIFY(process.waitForStarted());
    QString err;
    while (!err.contains("could not keep up") && process.state() == QProcess::Running &&
           process.waitForReadyRead(60000))
        err += QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.startsWith("logic-capture: the output could not keep up with the reads (a slow "
                            "disk, or a pipe not read fast enough), so they stopped after "),
             qPrintable(err));
    ::fcntl(reader, F_SETFL, 0);
    std::string text;
    char piece[65536];
    for (ssize_t n; (n = ::read(reader, piece, sizeof piece)) != 0;) {
        if (n > 0)
            text.append(piece, std::size_t(n));
        else if (errno != EINTR)
            break;
    }
    ::close(reader);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    err += QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.endsWith("; ended early: the output could not keep up with the reads\n"),
             qPrintable(err));
    const ParsedVcd vcd = parseVcd(text);
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QVERIFY(vcd.changes.size() > 1000);
    // The end of the capture, a period after its last read, follows the last change.
    QVERIFY(vcd.times.back() > vcd.changes.back().time);
}

void TstStreamClients::redirectedStandardOutput_data()
{
    QTest::addColumn<QString>("redirect");
    QTest::addColumn<QString>("says"); // the header's first comment
    QTest::newRow("a file: the figures in the header")
        << ">"
        << "1000 reads of the status register at 0x379 (port 0x378); 1 = line high.";
    // Appended to, a file cannot be written in place.
    QTest::newRow("a file appended to: the figures on standard error")
        << ">>"
        << "Reads of the status register at 0x379 (port 0x378); 1 = line high.";
}

void TstStreamClients::redirectedStandardOutput()
{
    // Standard output redirected to a file by the shell: written directly, and rewritten in
    // place where it can be.
    QFETCH(QString, redirect);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString file = dir.filePath("x.vcd");
    const Run r =
        run("/bin/sh",
            {"-c", "exec \"$0\" --port-library \"$1\" --samples 1000 " + redirect + " \"$2\"",
             LA_LOGIC_CAPTURE, Library, file});
    QCOMPARE(r.status, 0);
    const ParsedVcd vcd = parseVcd(readFile(file));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QCOMPARE(QString::fromStdString(vcd.comments.front()), says);
    QCOMPARE(vcd.changes.size(), std::size_t(9));
}

void TstStreamClients::hundredMillionReads()
{
    if (const QString why = missing({"vcd2fst", "fst2vcd", "sigrok-cli"}); !why.isEmpty())
        QSKIP(qPrintable(why));
    // 10^8 reads of 0.1 µs, a change every 100: a million changes and times past 2^32 ticks.
    // The ring holds 0.2 s of them; should the keeping side still fall behind on a busy
    // machine (the program then says so, and that is right), the capture is taken again.
    QTemporaryDir dir;
    const QString file = dir.filePath("big.vcd");
    Run capture;
    qputenv("LA_TEST_READ_NS", "100");
    for (int attempt = 0; attempt < 3; ++attempt) {
        capture =
            run(LA_LOGIC_CAPTURE, {"--port-library", Library, "--samples", "100M", "-o", file});
        if (capture.status != 1 || !capture.err.contains("could not keep up"))
            break;
    }
    qunsetenv("LA_TEST_READ_NS");
    QCOMPARE(capture.status, 0);
    const ParsedVcd vcd = parseVcd(readFile(file));
    QVERIFY2(vcd.problem.empty(), vcd.problem.c_str());
    QVERIFY(vcd.comments.front().rfind("100000000 reads ", 0) == 0);
    QCOMPARE(vcd.changes.size(), std::size_t(999'999));

    const QString fst = dir.filePath("big.fst");
    QCOMPARE(run("vcd2fst", {file, fst}).status, 0);
    const Run back = run("fst2vcd", {fst});
    QCOMPARE(back.status, 0);
    const ParsedVcd converted = parseVcd(back.out.toStdString());
    QVERIFY2(converted.problem.empty(), converted.problem.c_str());
    QCOMPARE(converted.changes.size(), vcd.changes.size());
    QCOMPARE(converted.times.back(), vcd.times.back());

    // sigrok-cli samples the file at its unit; a thousand units a sample keep it quick.
    const Run shown = run("sigrok-cli", {"-I", "vcd:downsample=1000", "-i", file, "--show"});
    QCOMPARE(shown.status, 0);
    QVERIFY2(shown.out.contains(
                 QString("Logic sample count: %1\n").arg(qulonglong(vcd.times.back() / 1000))),
             qPrintable(shown.out));
    QVERIFY(shown.out.contains("- ch5: logic"));
}

void TstStreamClients::csvInSigrok()
{
    if (const QString why = missing({"sigrok-cli"}); !why.isEmpty())
        QSKIP(qPrintable(why));
    QTemporaryDir dir;
    const QString file = dir.filePath("x.csv");
    const Run capture = run(LA_LOGIC_CAPTURE, {"--port-library", Library, "--samples", "1000", "-O",
                                               "csv", "-o", file});
    QCOMPARE(capture.status, 0);
    const QStringList rows = QString::fromStdString(readFile(file)).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + 1 + 9 + 1); // the header, the first read, 9 changes, the end
    // As the README and the help say to open it: each row one sample.
    const Run shown = run("sigrok-cli", {"-I", "csv:column_formats=t,5l", "-i", file, "-O", "csv"});
    QCOMPARE(shown.status, 0);
    QVERIFY2(shown.out.contains("; Channels (5/5): ch1, ch2, ch3, ch4, ch5\n"),
             qPrintable(shown.out));
    QVERIFY(shown.out.contains("\n0,0,0,0,0\n1,0,0,0,0\n0,0,0,0,0\n"));
}

QTEST_APPLESS_MAIN(TstStreamClients)
#include "tst_streamclients.moc"
