// The analyzer's command line: what it accepts and the one message for what it does not.

#include "control/commandline.h"

#include <QDir>
#include <QtTest>

#include <filesystem>

using namespace la;

Q_DECLARE_METATYPE(la::CommandLine::Action)

class TstCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void relativeLibraryTakenFromWorkingDirectory();
};

void TstCommandLine::parse_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("library"); // the path used with library dir "/opt/la"
    QTest::addColumn<QString>("error");
    using A = CommandLine::Action;
    QTest::newRow("no options: the hardware library") << QStringList{} << A::Run
        << "/opt/la/libport-hardware.so" << "";
    QTest::newRow("--simulate") << QStringList{"--simulate"} << A::Run
        << "/opt/la/libport-simulated.so" << "";
    QTest::newRow("--port-library PATH") << QStringList{"--port-library", "/x/my.so"} << A::Run
        << "/x/my.so" << "";
    QTest::newRow("--port-library=PATH") << QStringList{"--port-library=/x/../y/my.so"} << A::Run
        << "/y/my.so" << "";
    QTest::newRow("unknown option before --help") << QStringList{"--bogus", "--help"} << A::Error << "" << "unknown option '--bogus'";
    QTest::newRow("--help") << QStringList{"--help"} << A::Help << "" << "";
    QTest::newRow("-h") << QStringList{"-h"} << A::Help << "" << "";
    QTest::newRow("--version") << QStringList{"--version"} << A::Version << "" << "";
    QTest::newRow("unknown option") << QStringList{"--fast"} << A::Error << "" << "unknown option '--fast'";
    QTest::newRow("stray argument") << QStringList{"0x378"} << A::Error << "" << "unknown option '0x378'";
    QTest::newRow("library path missing") << QStringList{"--port-library"} << A::Error << ""
        << "--port-library needs the path of a port library file";
    QTest::newRow("library path empty") << QStringList{"--port-library="} << A::Error << ""
        << "--port-library needs the path of a port library file";
    QTest::newRow("a bare name is no path") << QStringList{"--port-library", "libport.so"} << A::Error << ""
        << "--port-library takes a path, and 'libport.so' is a bare name: write ./libport.so for "
           "the file in the current folder";
    QTest::newRow("./NAME is the current folder's") << QStringList{"--port-library", "./my.so"} << A::Run
        << (QDir::currentPath() + "/my.so") << "";
    QTest::newRow("both sources") << QStringList{"--simulate", "--port-library", "/x.so"} << A::Error << ""
        << "--simulate and --port-library exclude each other: choose one";
    // clang-format on
}

void TstCommandLine::parse()
{
    QFETCH(QStringList, args);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, library);
    QFETCH(QString, error);
    std::vector<std::string> argv;
    for (const QString &a : args)
        argv.push_back(a.toStdString());
    const CommandLine line = CommandLine::parse(argv);
    QCOMPARE(line.action, action);
    QCOMPARE(QString::fromStdString(line.error), error);
    if (action == CommandLine::Action::Run)
        QCOMPARE(QString::fromStdString(line.portLibraryPath("/opt/la")), library);
}

void TstCommandLine::relativeLibraryTakenFromWorkingDirectory()
{
    const CommandLine line = CommandLine::parse({"--port-library", "sub/my.so"});
    QCOMPARE(QString::fromStdString(line.portLibrary),
             QString::fromStdString((std::filesystem::current_path() / "sub/my.so").string()));
}

QTEST_APPLESS_MAIN(TstCommandLine)
#include "tst_commandline.moc"
