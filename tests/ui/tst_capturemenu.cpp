// The scope screen's right-click menu: offered after a capture only, and a save that either
// writes the whole file or says why it could not.

#include "ui/capturemenu.h"
#include "ui/pulseviewhandoff.h"
#include "uirig.h"

#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

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
    {
        QFile script(bin.filePath("pulseview"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QString("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > %1.part\n"
                             "mv %1.part %1\n")
                         .arg(argsFile)
                         .toLocal8Bit());
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
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

QTEST_MAIN(TstCaptureMenu)
#include "tst_capturemenu.moc"
