// The scope screen's right-click menu: offered after a capture only, and a save that either
// writes the whole file or says why it could not.

#include "ui/capturemenu.h"
#include "ui/pulseviewhandoff.h"
#include "uirig.h"

#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace la;
using la::test::fakePort;
using la::test::UiRig;

class TstCaptureMenu : public QObject
{
    Q_OBJECT

private slots:
    void offeredOnlyAfterCapture();
    void savesLastCapture();
    void savesCaptureNotScreenAfterPowerCycle();
    void failedSaveSaysWhy();
    void readOnlyFileIsNotReplaced();
    void pulseViewMissingSaysHowToGetIt();
    void handsTheCaptureToPulseView();
    void handOffFolderMustBePrivate_data();
    void handOffFolderMustBePrivate();
};

void TstCaptureMenu::offeredOnlyAfterCapture()
{
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    auto saveEnabled = [&] {
        std::unique_ptr<QMenu> m(menu.buildMenu());
        return m->actions().value(0)->isEnabled();
    };
    QCOMPARE(rig.control("Picture1")->contextMenuPolicy(), Qt::CustomContextMenu);
    QVERIFY(!saveEnabled());
    rig.powerOn(); // idle traces are no capture
    QVERIFY(!saveEnabled());
    rig.capture();
    QVERIFY(saveEnabled());
    QVERIFY(fakePort().calls.size() == 9999); // opening the menu touched nothing
}

void TstCaptureMenu::savesLastCapture()
{
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    rig.powerOn();
    fakePort().readValue = [](int n) { return std::int16_t(n < 5000 ? 0x10 : 0x00); };
    rig.counter.advancePerRead = 10'000; // 10 ms at 1 MHz
    rig.capture();
    QTemporaryDir dir;
    const QString path = dir.filePath("run.vcd");
    QVERIFY(menu.saveTo(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray vcd = file.readAll();
    QCOMPARE(vcd.count("$var wire 1 "), 5);
    QVERIFY(vcd.contains("ch1"));
    QVERIFY(rig.platform.events.empty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"run.vcd"});
}

void TstCaptureMenu::savesCaptureNotScreenAfterPowerCycle()
{
    // Power off and on again puts idle traces on the screen; the file must still hold what
    // the port was read as, not a flat line with the old capture's time.
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    QTemporaryDir dir;
    QVERIFY(!menu.saveTo(dir.filePath("early.vcd"))); // nothing captured yet: nothing written
    QVERIFY(QDir(dir.path()).isEmpty());

    rig.powerOn();
    fakePort().readValue = [](int n) { return std::int16_t(n < 5000 ? 0x10 : 0x00); };
    rig.capture();
    rig.powerOn(); // off
    rig.powerOn(); // on: idle traces
    QCOMPARE(int(rig.inst.data.trace1[10]), 65);

    const QString path = dir.filePath("run.vcd");
    QVERIFY(menu.saveTo(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray vcd = file.readAll();
    // ch1 ('!') starts high and falls once, at read 5001.
    QVERIFY2(vcd.contains("$dumpvars\n1!"), vcd.left(900).constData());
    QCOMPARE(vcd.count("\n0!\n"), 1);
}

void TstCaptureMenu::failedSaveSaysWhy()
{
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    rig.powerOn();
    rig.capture();
    QTemporaryDir dir;
    const QString path = dir.filePath("no-such-folder/run.vcd");
    QVERIFY(!menu.saveTo(path));
    QCOMPARE(int(rig.platform.events.size()), 1);
    QVERIFY(QString::fromStdString(rig.platform.events[0])
                .startsWith("message: Save capture: Cannot write"));
    QVERIFY(!rig.inst.gate.ended()); // the instrument goes on
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

void TstCaptureMenu::readOnlyFileIsNotReplaced()
{
    // The file dialog asked "replace?" and the user said yes: a file they may not write is
    // still refused, with one message, and stays as it was.
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    rig.powerOn();
    rig.capture();
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.vcd");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me\n");
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QVERIFY(!menu.saveTo(path));
    QCOMPARE(int(rig.platform.events.size()), 1);
    QVERIFY(QString::fromStdString(rig.platform.events[0]).contains("read-only for you"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.vcd"});
}

namespace {

// PATH holding only `dir` (with a stand-in pulseview, or none) for the test's length.
struct PathOnly
{
    QByteArray saved = qgetenv("PATH");
    QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    explicit PathOnly(const QString &dir, const QString &runtimeDir)
    {
        qputenv("PATH", dir.toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", runtimeDir.toLocal8Bit());
    }
    ~PathOnly()
    {
        qputenv("PATH", saved);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
};

// A stand-in pulseview in `bin` that says something on each of its outputs, then writes down
// how it was started, one argument a line, in `argsFile`.
bool makeStandInPulseView(const QString &bin, const QString &argsFile)
{
    QFile script(QDir(bin).filePath("pulseview"));
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write(QString("#!/bin/sh\necho \"pulseview: started with $*\"\n"
                         "echo \"pulseview: an X error\" >&2\n"
                         "for a in \"$@\"; do echo \"$a\"; done > %1.part\n"
                         "mv %1.part %1\n")
                     .arg(argsFile)
                     .toLocal8Bit());
    return script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
}

} // namespace

void TstCaptureMenu::pulseViewMissingSaysHowToGetIt()
{
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    rig.powerOn();
    rig.capture();
    QTemporaryDir empty;
    const PathOnly path(empty.path(), empty.path());
    std::unique_ptr<QMenu> m(menu.buildMenu());
    QCOMPARE(m->actions().size(), 2);
    QCOMPARE(m->actions()[1]->text(),
             QString("Open in PulseView (not installed: sudo apt install pulseview)"));
    QVERIFY(!m->actions()[1]->isEnabled());
}

void TstCaptureMenu::handsTheCaptureToPulseView()
{
    // A stand-in pulseview that writes down how it was started, then sigrok-cli reads the
    // file it was given.
    QTemporaryDir bin, runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString argsFile = bin.filePath("args");
    QVERIFY(makeStandInPulseView(bin.path(), argsFile));
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    rig.powerOn();
    fakePort().readValue = [](int n) { return std::int16_t(n < 5000 ? 0x10 : 0x00); };
    rig.counter.advancePerRead = 10'000;
    rig.capture();
    const QString sigrok = QStandardPaths::findExecutable("sigrok-cli");
    QString pulseviewFolder;
    {
        const PathOnly path(bin.path() + ":/usr/bin:/bin", runtime.path());
        std::unique_ptr<QMenu> m(menu.buildMenu());
        QCOMPARE(m->actions()[1]->text(), QString("Open in PulseView"));
        QVERIFY(m->actions()[1]->isEnabled());
        for (int i = 0; i < PulseViewHandoff::FilesKept + 2; ++i) {
            QFile::remove(argsFile);
            QVERIFY(menu.openInPulseView());
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(argsFile), 30000);
        }
        pulseviewFolder = PulseViewHandoff::folder();
    }
    QVERIFY(rig.platform.events.empty());
    QFile args(argsFile);
    QVERIFY(args.open(QIODevice::ReadOnly));
    const QStringList given =
        QString::fromLocal8Bit(args.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(given.size(), 4);
    QCOMPARE(given.mid(0, 3), (QStringList{"-I", "vcd", "-i"}));
    const QString handedOver = given[3];
    QCOMPARE(QFileInfo(handedOver).absolutePath(), runtime.filePath("logic-analyzer"));
    QCOMPARE(QFileInfo(pulseviewFolder).permissions() & (QFile::ReadGroup | QFile::ReadOther),
             QFile::Permissions());
    // Only the newest hand-off files stay.
    QCOMPARE(QDir(pulseviewFolder).entryList({"capture-*.vcd"}, QDir::Files).size(),
             PulseViewHandoff::FilesKept);
    QVERIFY(QFileInfo::exists(handedOver));
    // What it said is in the log, from the last hand-off alone.
    QFile log(QDir(pulseviewFolder).filePath(PulseViewHandoff::LogName));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(log.readAll()),
             "pulseview: started with -I vcd -i " + handedOver + "\npulseview: an X error\n");

    if (sigrok.isEmpty())
        QSKIP("sigrok-cli is not installed (scripts/install-deps.sh test installs it)");
    QProcess reader;
    reader.start(sigrok, {"-I", "vcd:downsample=10", "-i", handedOver, "-O", "csv"});
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(reader.exitCode(), 0);
    // ch1 (the first column) is high for the first 5000 reads, low for the rest.
    QStringList rows;
    for (const QString &line : QString::fromUtf8(reader.readAllStandardOutput()).split('\n')) {
        if (!line.isEmpty() && (line[0] == '0' || line[0] == '1'))
            rows << line;
    }
    QCOMPARE(rows.size(), 9999);
    QCOMPARE(rows.count("1,0,1,0,0"), 5000); // ch3 reads high: Busy is 0 in 0x10
    QCOMPARE(rows.count("0,0,1,0,0"), 4999);
}

void TstCaptureMenu::handOffFolderMustBePrivate_data()
{
    // What stands at the hand-off folder's name in the runtime folder; %1 is that name.
    QTest::addColumn<QString>("found");
    QTest::addColumn<QString>("message");
    const QString instead = " and try again, or save the capture as VCD instead.";
    QTest::newRow("a symbolic link to someone's folder")
        << "link"
        << "The hand-off folder %1 is a symbolic link, which is not followed. Remove it" + instead;
    QTest::newRow("a folder open to others")
        << "open"
        << "The hand-off folder %1 is open to other users. Make it private (chmod 700 %1)" +
               instead;
    QTest::newRow("someone else's folder")
        << "theirs"
        << "The hand-off folder %1 belongs to someone else. Remove it" + instead;
}

void TstCaptureMenu::handOffFolderMustBePrivate()
{
    QFETCH(QString, found);
    QFETCH(QString, message);
    if (found == "theirs" && geteuid() != 0)
        QSKIP("only root can make a folder that belongs to someone else");
    QTemporaryDir bin, runtime, elsewhere;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(makeStandInPulseView(bin.path(), bin.filePath("args")));
    const QString name = runtime.filePath("logic-analyzer");
    const QByteArray elsewhereName = QFile::encodeName(elsewhere.path());
    chmod(elsewhereName.constData(), 0755);
    if (found == "link") {
        QVERIFY(QFile::link(elsewhere.path(), name));
    } else {
        QVERIFY(QDir().mkdir(name));
        chmod(QFile::encodeName(name).constData(), found == "open" ? 0755 : 0700);
        if (found == "theirs")
            QVERIFY(chown(QFile::encodeName(name).constData(), 65534, 65534) == 0);
    }
    UiRig rig;
    CaptureMenu menu(*rig.control("Picture1"), rig.inst);
    rig.powerOn();
    rig.capture();
    {
        const PathOnly path(bin.path() + ":/usr/bin:/bin", runtime.path());
        QVERIFY(!menu.openInPulseView());
    }
    QCOMPARE(rig.platform.events, std::vector<std::string>{"message: Open in PulseView: " +
                                                           message.arg(name).toStdString()});
    // Nothing was written, made or changed where the link led, nor in the folder refused.
    QVERIFY(QDir(elsewhere.path()).isEmpty());
    struct stat info;
    QVERIFY(stat(elsewhereName.constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0755));
    QVERIFY(QDir(name).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

QTEST_MAIN(TstCaptureMenu)
#include "tst_capturemenu.moc"
