// The scope screen's right-click menu: offered after a capture only, and a save that either
// writes the whole file or says why it could not.

#include "ui/capturemenu.h"
#include "uirig.h"

#include <QMenu>
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

QTEST_MAIN(TstCaptureMenu)
#include "tst_capturemenu.moc"
