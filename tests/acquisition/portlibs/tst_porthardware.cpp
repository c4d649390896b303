#include "acquisition/channels.h"
#include "hardwarefakes.h"

#include <QtTest>

#include <unistd.h>

using namespace la;
using namespace la::test;

class PortHardwareTest : public QObject
{
    Q_OBJECT

private slots:
    void portsAreListed();
    void portsAreDescribed();
    void deviceIsFoundByBase_data();
    void deviceIsFoundByBase();
    void unreachablePortIsExplained_data();
    void unreachablePortIsExplained();
    void failureLatchesUntilTheMessageIsRead();
    void directAccessIsTheFallback();
    void deviceTurnsTheDataPins_data();
    void deviceTurnsTheDataPins();
    void routeSaysWhatItReads_data();
    void routeSaysWhatItReads();
};

void PortHardwareTest::portsAreListed()
{
    FakeSystem system;
    system.addPort(10, "632\t0\n");
    system.addPort(2, "888\t0\n");
    system.addPort(3, "garbage\n");
    system.addPort(5, "0x378\t0\n");
    system.addPort(6, "70000\t0\n");
    system.addPort(7, "53264\t53248\n");
    QDir(system.dir.path()).mkpath("proc/sys/dev/parport/default");
    QDir(system.dir.path()).mkpath("proc/sys/dev/parport/parport4");

    QStringList listed;
    for (const ParportDevice &port : system.list())
        listed
            << QString("%1@%2").arg(port.number).arg(QString::fromStdString(hexAddress(port.base)));
    QCOMPARE(listed, QStringList({"2@0x378", "7@0xD010", "10@0x278"}));
}

void PortHardwareTest::portsAreDescribed()
{
    FakeSystem system;
    system.addPort(0, "888\t0\n", true, "PCSPP,TRISTATE,EPP\n");
    system.addPort(1, "632\t0", true);               // no modes file
    system.addPort(2, {}, true, "PCSPP\n");          // no base-addr file: not listed
    system.addPort(3, "956\t0\n", false, "PCSPP\n"); // no device node

    QStringList listed;
    for (const ParportDevice &port : system.list()) {
        QCOMPARE(QString::fromStdString(port.device), system.device(port.number));
        QCOMPARE(port.usable, port.problem.empty());
        listed << QString("%1 parport%2 %3 %4")
                      .arg(QString::fromStdString(hexAddress(port.base)))
                      .arg(port.number)
                      .arg(QString::fromStdString(port.modes))
                      .arg(port.usable ? "usable"
                                       : QString::fromStdString(port.problem)
                                             .replace(system.dir.filePath("dev"), "DEV"));
    }
    QCOMPARE(listed,
             QStringList({"0x378 parport0 PCSPP,TRISTATE,EPP usable", "0x278 parport1  usable",
                          "0x3BC parport3 PCSPP DEV/parport3: No such file or directory "
                          "(is the ppdev module loaded? sudo modprobe ppdev)"}));
}

void PortHardwareTest::deviceIsFoundByBase_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("device");
    QTest::addColumn<QStringList>("grants"); // direct access asked for after the device failed

    QTest::newRow("data of the second port") << 0x378 << 1 << QStringList("grant 0x378+3");
    QTest::newRow("control of the third port") << 0x27A << 2 << QStringList("grant 0x278+3");
    QTest::newRow("status of the first port") << 0x3BD << 0 << QStringList("grant 0x3BC+3");
    // Direct access stays at the legacy bases.
    QTest::newRow("PCI card") << 0xD012 << 3 << QStringList();
}

void PortHardwareTest::deviceIsFoundByBase()
{
    QFETCH(int, address);
    QFETCH(int, device);
    QFETCH(QStringList, grants);

    FakeSystem system;
    system.addPort(0, "956\t0\n");
    system.addPort(1, "888\t0\n");
    system.addPort(2, "632\t0\n");
    system.addPort(3, "53264\t53248\n");
    PortUnderTest hardware(system);

    QCOMPARE(hardware.port.read(address), -1);
    const QString message = hardware.takeError();
    QVERIFY2(message.contains(system.device(device) +
                              ": PPCLAIM: Inappropriate ioctl for device (it is not a ppdev "
                              "parallel-port device)"),
             qPrintable(message));
    QCOMPARE(hardware.direct->log, grants);
}

void PortHardwareTest::unreachablePortIsExplained_data()
{
    QTest::addColumn<QByteArray>("listedBase"); // empty: no parport in /proc at all
    QTest::addColumn<int>("deviceMode");        // -1: no device file
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("ppdevReason");
    QTest::addColumn<QString>("grant"); // empty: direct access not asked for

    const QString legacy = "0x378+3";

    QTest::newRow("no parport driver")
        << QByteArray() << -1 << 0x379
        << "no /dev/parportN has base 0x378 (is the ppdev module loaded? sudo modprobe ppdev)"
        << legacy;
    QTest::newRow("only another port")
        << QByteArray("632\t0") << 0600 << 0x37A << "no /dev/parportN has base 0x378" << legacy;
    QTest::newRow("no port at that address")
        << QByteArray() << -1 << 0x300 << "no /dev/parportN has a register at 0x300"
        << "";
    QTest::newRow("a card's address, no card listed")
        << QByteArray() << -1 << 0xD011
        << "no /dev/parportN has a register at 0xD011 (is the ppdev module loaded? sudo "
           "modprobe ppdev)"
        << "";
    QTest::newRow("device file missing") << QByteArray("888\t0") << -1 << 0x379
                                         << "/dev/parport0: No such file or directory (is the "
                                            "ppdev module loaded? sudo modprobe ppdev)"
                                         << legacy;
    QTest::newRow("not in group lp") << QByteArray("888\t0") << 0 << 0x379
                                     << "/dev/parport0: Permission denied (add yourself to group "
                                        "lp: sudo adduser $USER lp, then log in again)"
                                     << legacy;
}

void PortHardwareTest::unreachablePortIsExplained()
{
    QFETCH(QByteArray, listedBase);
    QFETCH(int, deviceMode);
    QFETCH(int, address);
    QFETCH(QString, ppdevReason);
    QFETCH(QString, grant);

    if (deviceMode == 0 && geteuid() == 0)
        QSKIP("root opens any file: run the tests as an ordinary user to check this message");
    FakeSystem system;
    if (!listedBase.isEmpty())
        system.addPort(0, listedBase, deviceMode != -1);
    if (deviceMode == 0)
        QFile::setPermissions(system.device(0), {});
    PortUnderTest hardware(system);

    QCOMPARE(hardware.port.read(address), -1);
    const QString message = hardware.takeError();
    const QString expected = QString("Cannot read the parallel port at %1: ")
                                 .arg(QString::fromStdString(hexAddress(address)));
    const QString direct =
        grant.isEmpty() ? ", and direct port access reaches only the legacy bases 0x378, 0x3BC "
                          "or 0x278. Make the device usable, or start with --simulate to run the "
                          "simulated probe."
                        : "; direct access: ioperm: Operation not permitted (needs root). Fix "
                          "either of these, or start with --simulate to run the simulated probe.";
    QVERIFY2(message.startsWith(expected) && message.contains(ppdevReason) &&
                 message.endsWith(direct),
             qPrintable(message));
    QCOMPARE(hardware.direct->log, grant.isEmpty() ? QStringList() : QStringList("grant " + grant));
}

void PortHardwareTest::failureLatchesUntilTheMessageIsRead()
{
    FakeSystem system;
    PortUnderTest hardware(system);

    QCOMPARE(hardware.port.read(0x379), -1);
    // Later calls fail at once: no new search, nothing written, the first message kept.
    system.addPort(0, "888\t0\n");
    QVERIFY(!hardware.port.write(0x378, 1));
    QCOMPARE(hardware.port.read(0x27A), -1);
    QCOMPARE(hardware.direct->log.size(), 1);
    QVERIFY(hardware.takeError().startsWith("Cannot read the parallel port at 0x379"));
    QCOMPARE(hardware.takeError(), QString());

    // Once the message is read, the next call searches again and finds the new device.
    QVERIFY(!hardware.port.write(0x378, 1));
    QCOMPARE(hardware.direct->log.size(), 2);
    QVERIFY(hardware.takeError().startsWith(
        "Cannot write to the parallel port at 0x378: " + system.device(0) + ": PPCLAIM"));
}

void PortHardwareTest::directAccessIsTheFallback()
{
    FakeSystem system;
    PortUnderTest hardware(system);
    hardware.direct->grants = true;

    QCOMPARE(hardware.port.read(0x379), 0x79);
    QVERIFY(hardware.port.write(0x37A, 0x0C));
    QCOMPARE(hardware.port.read(0x27A), 0x7A);
    QCOMPARE(hardware.direct->log, QStringList({"grant 0x378+3", "out 0x37A 12", "grant 0x278+3"}));
    QCOMPARE(hardware.takeError(), QString());
    // The route is named for a port reached, and nothing is said of one not reached.
    QCOMPARE(QString(hardware.port.source(0x379)), QString("the port at 0x378 by direct access"));
    QCOMPARE(hardware.port.source(0x3BD), nullptr);
}

void PortHardwareTest::deviceTurnsTheDataPins_data()
{
    QTest::addColumn<int>("control"); // written to 0x37A, then data and control read
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("controlRead"); // -1: the write failed

    const QStringList reads{"PPRDATA", "PPRCONTROL"};
    // clang-format off
    QTest::newRow("bit 5 set: input, then the four low bits")
        << 0x2C << "" << QStringList{"PPDATADIR 1", "PPWCONTROL 0C"} + reads << 0x2C;
    QTest::newRow("a direction the driver refuses: no control write")
        << 0x2C << "PPDATADIR" << QStringList{"PPDATADIR 1"} << -1;
    // clang-format on
}

void PortHardwareTest::deviceTurnsTheDataPins()
{
    QFETCH(int, control);
    QFETCH(QString, failing);
    QFETCH(QStringList, calls);
    QFETCH(int, controlRead);

    FakeSystem system;
    system.addPort(0, "888\t0\n", true, "PCSPP,TRISTATE\n");
    FakePpdev ppdev;
    ppdev.failing = failing == "PPDATADIR" ? PPDATADIR : 0;
    PortUnderTest hardware(system, &ppdev);

    QCOMPARE(hardware.port.write(0x37A, std::uint8_t(control)), controlRead != -1);
    if (controlRead == -1) {
        QCOMPARE(ppdev.log, calls);
        QCOMPARE(hardware.takeError(),
                 "Cannot write to the parallel port at 0x37A: " + system.device(0) +
                     ": PPDATADIR: Invalid argument. Check the port; the next call opens the "
                     "device again, or start with --simulate to run the simulated probe.");
        return;
    }
    // The data pins read through the device; the control register is the driver's copy
    // with the direction as set.
    QCOMPARE(hardware.port.read(0x378), 0xA5);
    QCOMPARE(hardware.port.read(0x37A), controlRead);
    QCOMPARE(ppdev.log, calls);
    QCOMPARE(hardware.direct->log, QStringList());
}

void PortHardwareTest::routeSaysWhatItReads_data()
{
    QTest::addColumn<QByteArray>("modes");
    QTest::addColumn<int>("readable");
    QTest::newRow("ppdev, ECP last") << QByteArray("PCSPP,COMPAT,ECP") << DataPinsReadable;
    QTest::newRow("ppdev, a plain port") << QByteArray("PCSPP") << 0;
}

void PortHardwareTest::routeSaysWhatItReads()
{
    QFETCH(QByteArray, modes);
    QFETCH(int, readable);

    FakeSystem system;
    system.addPort(0, "888\t0\n", true, modes);
    FakePpdev ppdev;
    PortUnderTest hardware(system, &ppdev);

    const char *kernelModes = "unset";
    QCOMPARE(hardware.port.inputs(0x37A, &kernelModes), readable);
    QCOMPARE(QByteArray(kernelModes), modes.trimmed());
    QCOMPARE(hardware.takeError(), QString());
    QCOMPARE(ppdev.log, QStringList());
}

QTEST_GUILESS_MAIN(PortHardwareTest)
#include "tst_porthardware.moc"
