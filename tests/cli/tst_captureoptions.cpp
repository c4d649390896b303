// logic-capture's command line: the port, the base address, the lines and the output file,
// and the one message for what it does not accept.

#include "cli/captureoptions.h"
#include "cli/porttable.h"

#include <QtTest>

using namespace la;

Q_DECLARE_METATYPE(la::CaptureOptions::Action)
Q_DECLARE_METATYPE(la::CaptureOptions::Length)
Q_DECLARE_METATYPE(la::CaptureOptions::Format)

class TstCaptureOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void helpListsEveryOption();
    void longAndTriggered_data();
    void longAndTriggered();
    void lengthFormatAndLines_data();
    void lengthFormatAndLines();
    void portTableSaysWhatCanBeUsed();
};

void TstCaptureOptions::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<CaptureOptions::Action>("action");
    QTest::addColumn<QString>("library"); // the path used with library dir "/opt/la"
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    using A = CaptureOptions::Action;
    const QString hw = "/opt/la/libport-hardware.so";
    const QString sim = "/opt/la/libport-simulated.so";
    const QString badBase = "'%1' is not a parallel port base address: use the base of a port "
                            "found here (0x378 or 0xD010) or a legacy base (0x378, 0x3BC or "
                            "0x278); logic-capture --list-ports lists the ports";

    // clang-format off
    QTest::newRow("no options: hardware, 0x378, stdout") << QStringList{} << A::Run << hw << 0x378 << "" << "";
    QTest::newRow("--simulate")             << QStringList{"--simulate"} << A::Run << sim << 0x378 << "" << "";
    QTest::newRow("--port-library=PATH")    << QStringList{"--port-library=/x/../y/my.so"} << A::Run << "/y/my.so" << 0x378 << "" << "";
    QTest::newRow("--base 0x3BC")           << QStringList{"--base", "0x3BC"} << A::Run << hw << 0x3BC << "" << "";
    QTest::newRow("--base lower case")      << QStringList{"--base", "0x3bc"} << A::Run << hw << 0x3BC << "" << "";
    QTest::newRow("--base=0X278")           << QStringList{"--base=0X278"} << A::Run << hw << 0x278 << "" << "";
    QTest::newRow("--base without prefix")  << QStringList{"--base", "278"} << A::Run << hw << 0x278 << "" << "";
    QTest::newRow("--base leading zero")    << QStringList{"--base", "0x0378"} << A::Run << hw << 0x378 << "" << "";
    QTest::newRow("--output FILE")          << QStringList{"--simulate", "--output", "c.vcd"} << A::Run << sim << 0x378 << "c.vcd" << "";
    QTest::newRow("--output=FILE")          << QStringList{"--output=/tmp/c.vcd", "--base", "0x278"} << A::Run << hw << 0x278 << "/tmp/c.vcd" << "";
    QTest::newRow("--help wins")            << QStringList{"--base", "0x378", "--help"} << A::Help << "" << 0 << "" << "";
    QTest::newRow("--version")              << QStringList{"--version"} << A::Version << "" << 0 << "" << "";

    QTest::newRow("status register, not a base") << QStringList{"--base", "0x379"} << A::Error << "" << 0 << "" << badBase.arg("0x379");
    QTest::newRow("decimal 888")            << QStringList{"--base", "888"} << A::Error << "" << 0 << "" << badBase.arg("888");
    QTest::newRow("not hex")                << QStringList{"--base", "0xZZZ"} << A::Error << "" << 0 << "" << badBase.arg("0xZZZ");
    QTest::newRow("too many digits")        << QStringList{"--base", "0x10378"} << A::Error << "" << 0 << "" << badBase.arg("0x10378");
    QTest::newRow("bare 0x")                << QStringList{"--base", "0x"} << A::Error << "" << 0 << "" << badBase.arg("0x");
    QTest::newRow("base missing")           << QStringList{"--base"} << A::Error << "" << 0 << ""
        << "--base needs the port's base address: use the base of a port found here (0x378 or "
           "0xD010) or a legacy base (0x378, 0x3BC or 0x278); logic-capture --list-ports lists "
           "the ports";
    QTest::newRow("--list-ports")           << QStringList{"--list-ports"} << A::Run << hw << 0x378 << "" << "";
    QTest::newRow("output missing")         << QStringList{"--output"} << A::Error << "" << 0 << ""
        << "--output needs the name of the file to write (- for standard output)";
    QTest::newRow("output empty")           << QStringList{"--output="} << A::Error << "" << 0 << ""
        << "--output needs the name of the file to write (- for standard output)";
    QTest::newRow("unknown option")         << QStringList{"--fast"} << A::Error << "" << 0 << "" << "unknown option '--fast'";
    QTest::newRow("prefix of an option")    << QStringList{"--basex=0x378"} << A::Error << "" << 0 << "" << "unknown option '--basex=0x378'";
    QTest::newRow("library path missing")   << QStringList{"--port-library"} << A::Error << "" << 0 << ""
        << "--port-library needs the path of a port library file";
    QTest::newRow("both sources")           << QStringList{"--port-library", "/x.so", "--simulate"} << A::Error << "" << 0 << ""
        << "--simulate and --port-library exclude each other: choose one";
    // clang-format on
}

void TstCaptureOptions::parse()
{
    QFETCH(QStringList, args);
    QFETCH(CaptureOptions::Action, action);
    QFETCH(QString, library);
    QFETCH(int, base);
    QFETCH(QString, output);
    QFETCH(QString, error);
    std::vector<std::string> argv;
    for (const QString &a : args)
        argv.push_back(a.toStdString());
    // The machine's ports, as the kernel might list them.
    const auto ports = [] {
        return std::vector<ParportDevice>{{0, 0x378, "/dev/parport0", "PCSPP", true, ""},
                                          {1, 0xD010, "/dev/parport1", "PCSPP", true, ""}};
    };
    const CaptureOptions options = CaptureOptions::parse(argv, ports);
    QCOMPARE(options.action, action);
    QCOMPARE(QString::fromStdString(options.error), error);
    if (action != CaptureOptions::Action::Run)
        return;
    QCOMPARE(QString::fromStdString(options.portLibraryPath("/opt/la")), library);
    QCOMPARE(int(options.portBase()), base);
    QCOMPARE(options.listPorts, args.contains("--list-ports"));
    QCOMPARE(QString::fromStdString(options.output), output);
}

void TstCaptureOptions::helpListsEveryOption()
{
    const QStringList lines =
        QString::fromStdString(CaptureOptions::usage("logic-capture")).split('\n');
    QVERIFY(lines.first().startsWith("Usage: logic-capture "));
    for (const char *option :
         {"--simulate", "--port-library PATH", "--base ADDRESS", "--list-ports", "--samples N",
          "--channels LIST", "--trigger COND", "--pretrigger P", "--timeout S", "-o, --output FILE",
          "-O, --output-format F", "--time TIME", "--continuous", "--help", "--version"}) {
        const auto described = std::count_if(lines.begin(), lines.end(), [&](const QString &l) {
            return l.startsWith(QString("  ") + option + " ");
        });
        QVERIFY2(described == 1, option);
    }
}

void TstCaptureOptions::longAndTriggered_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<qlonglong>("samples");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("pretrigger");
    QTest::addColumn<double>("timeout");
    QTest::addColumn<bool>("toStandardOutput");
    // clang-format off
    QTest::newRow("defaults")         << QStringList{} << 9999LL << "" << 10 << 10.0 << true;
    QTest::newRow("many reads")       << QStringList{"--samples", "100000000"} << 100000000LL << "" << 10 << 10.0 << true;
    QTest::newRow("one read")         << QStringList{"--samples=1"} << 1LL << "" << 10 << 10.0 << true;
    QTest::newRow("a trigger")        << QStringList{"--trigger", "ch5:fall"} << 9999LL << "ch5:fall" << 10 << 10.0 << true;
    QTest::newRow("all of it")        << QStringList{"--samples", "200000", "--trigger=ch1:high,ch5:fall", "--pretrigger", "0", "--timeout", "2.5", "--output", "x.vcd"}
                                      << 200000LL << "ch1:high,ch5:fall" << 0 << 2.5 << false;
    QTest::newRow("- is standard output") << QStringList{"--output", "-"} << 9999LL << "" << 10 << 10.0 << true;
    // clang-format on
}

void TstCaptureOptions::longAndTriggered()
{
    QFETCH(QStringList, args);
    QFETCH(qlonglong, samples);
    QFETCH(QString, trigger);
    QFETCH(int, pretrigger);
    QFETCH(double, timeout);
    QFETCH(bool, toStandardOutput);
    std::vector<std::string> argv;
    for (const QString &a : args)
        argv.push_back(a.toStdString());
    const CaptureOptions options = CaptureOptions::parse(argv);
    QCOMPARE(QString::fromStdString(options.error), QString());
    QCOMPARE(qlonglong(options.samples), samples);
    QCOMPARE(QString::fromStdString(options.trigger ? options.trigger->text() : ""), trigger);
    QCOMPARE(options.pretrigger, pretrigger);
    QCOMPARE(options.timeoutSeconds, timeout);
    QCOMPARE(options.toStandardOutput(), toStandardOutput);
}

void TstCaptureOptions::lengthFormatAndLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<CaptureOptions::Length>("length");
    QTest::addColumn<qlonglong>("samples");
    QTest::addColumn<qlonglong>("timeNs");
    QTest::addColumn<CaptureOptions::Format>("format");
    QTest::addColumn<QString>("wires"); // the lines' names in order
    QTest::addColumn<QString>("error");
    using L = CaptureOptions::Length;
    using F = CaptureOptions::Format;
    const QString five = "ch1 ch2 ch3 ch4 ch5";
    const QString data = "d0 d1 d2 d3 d4 d5 d6 d7";
    const QString samples = "--samples takes a whole number of reads from 1 to 1000000000000, "
                            "with k, M or G for thousands, millions or billions (200k, 5M), not ";
    const QString time = "--time takes a length of time with its unit, above 0 and at most "
                         "1000h, such as 500ms, 30s, 10m or 2h, not ";
    const QString twoLengths = "%1 and %2 each say how long to capture: give one of --samples, "
                               "--time and --continuous";
    // clang-format off
    QTest::newRow("thousands")         << QStringList{"--samples", "200k"} << L::Samples << 200'000LL << 0LL << F::Vcd << five << "";
    QTest::newRow("the most")          << QStringList{"--samples", "1000G"} << L::Samples << 1'000'000'000'000LL << 0LL << F::Vcd << five << "";
    QTest::newRow("milliseconds")      << QStringList{"--time", "500ms"} << L::Time << 9999LL << 500'000'000LL << F::Vcd << five << "";
    QTest::newRow("seconds, a fraction") << QStringList{"--time", "1.5s"} << L::Time << 9999LL << 1'500'000'000LL << F::Vcd << five << "";
    QTest::newRow("minutes")           << QStringList{"--time=10m"} << L::Time << 9999LL << 600'000'000'000LL << F::Vcd << five << "";
    QTest::newRow("hours, as CSV")     << QStringList{"--time", "2h", "-O", "csv"} << L::Time << 9999LL << 7'200'000'000'000LL << F::Csv << five << "";
    QTest::newRow("without end")       << QStringList{"--continuous", "--output-format=vcd"} << L::Continuous << 9999LL << 0LL << F::Vcd << five << "";
    QTest::newRow("-C")                << QStringList{"-C", "ch5=RX,d0-d7"} << L::Samples << 9999LL << 0LL << F::Vcd << "RX " + data << "";
    QTest::newRow("a trigger on a chosen line, given first")
        << QStringList{"--trigger", "d3:rise,c0:low", "-C", "c0,d0-d7"} << L::Samples << 9999LL << 0LL << F::Vcd << "c0 " + data << "";
    QTest::newRow("a suffix alone")    << QStringList{"--samples", "k"} << L::Samples << 0LL << 0LL << F::Vcd << "" << samples + "'k'";
    QTest::newRow("a fraction of reads") << QStringList{"--samples", "1.5M"} << L::Samples << 0LL << 0LL << F::Vcd << "" << samples + "'1.5M'";
    QTest::newRow("time without unit") << QStringList{"--time", "30"} << L::Time << 0LL << 0LL << F::Vcd << "" << time + "'30'";
    QTest::newRow("time of nothing")   << QStringList{"--time", "0s"} << L::Time << 0LL << 0LL << F::Vcd << "" << time + "'0s'";
    QTest::newRow("time beyond")       << QStringList{"--time", "1001h"} << L::Time << 0LL << 0LL << F::Vcd << "" << time + "'1001h'";
    QTest::newRow("time unknown unit") << QStringList{"--time", "3d"} << L::Time << 0LL << 0LL << F::Vcd << "" << time + "'3d'";
    QTest::newRow("two lengths")       << QStringList{"--time", "1s", "--continuous"} << L::Time << 0LL << 0LL << F::Vcd << "" << twoLengths.arg("--time", "--continuous");
    QTest::newRow("the same twice")    << QStringList{"--samples", "5", "--samples", "6"} << L::Time << 0LL << 0LL << F::Vcd << "" << twoLengths.arg("--samples", "--samples");
    QTest::newRow("unknown format")    << QStringList{"-O", "json"} << L::Samples << 0LL << 0LL << F::Vcd << "" << "--output-format takes vcd or csv, not 'json'";
    QTest::newRow("a trigger on a line not chosen") << QStringList{"--trigger", "d3:rise"} << L::Samples << 0LL << 0LL << F::Vcd << ""
        << "the trigger 'd3:rise' watches d3, which is not among the lines --channels chooses: "
           "add it there, or trigger on a chosen line";
    QTest::newRow("-C without its list") << QStringList{"-C"} << L::Samples << 0LL << 0LL << F::Vcd << ""
        << "--channels needs a list of lines: list lines from ch1..ch5 (status), d0..d7 (data) "
           "and c0..c3 (control), alone or as ranges such as d0-d7, each at most once, a line "
           "named if you like, joined by commas, e.g. ch5=RX,d0-d7,c0=CS";
    // clang-format on
}

void TstCaptureOptions::lengthFormatAndLines()
{
    QFETCH(QStringList, args);
    QFETCH(CaptureOptions::Length, length);
    QFETCH(qlonglong, samples);
    QFETCH(qlonglong, timeNs);
    QFETCH(CaptureOptions::Format, format);
    QFETCH(QString, wires);
    QFETCH(QString, error);
    std::vector<std::string> argv;
    for (const QString &a : args)
        argv.push_back(a.toStdString());
    const CaptureOptions options = CaptureOptions::parse(argv);
    QCOMPARE(QString::fromStdString(options.error), error);
    if (!error.isEmpty())
        return;
    QCOMPARE(options.length, length);
    QCOMPARE(qlonglong(options.samples), samples);
    QCOMPARE(qlonglong(options.timeNs), timeNs);
    QCOMPARE(options.format, format);
    QStringList names;
    for (const ChosenLine &line : options.channels.lines())
        names << QString::fromStdString(line.name);
    QCOMPARE(names.join(' '), wires);
}

void TstCaptureOptions::portTableSaysWhatCanBeUsed()
{
    QCOMPARE(QString::fromStdString(portTable({})),
             QString("No parallel port found: the kernel lists none in /proc/sys/dev/parport (are "
                     "its drivers loaded? sudo modprobe -a parport_pc ppdev). A USB printer "
                     "adapter has no port to read; --simulate reads the simulated probe.\n"));
    const std::vector<ParportDevice> ports{
        {0, 0x378, "/dev/parport0", "PCSPP,TRISTATE,EPP", true, ""},
        {1, 0xD010, "/dev/parport1", "", false,
         "/dev/parport1: Permission denied (add yourself to group lp: sudo adduser $USER lp, "
         "then log in again)"}};
    QCOMPARE(QString::fromStdString(portTable(ports)),
             QString("base    device         modes               usable\n"
                     "0x378   /dev/parport0  PCSPP,TRISTATE,EPP  yes\n"
                     "0xD010  /dev/parport1  ?                   no: Permission denied (add "
                     "yourself to group lp: sudo adduser $USER lp, then log in again)\n"));
}

QTEST_APPLESS_MAIN(TstCaptureOptions)
#include "tst_captureoptions.moc"
