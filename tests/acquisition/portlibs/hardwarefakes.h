#pragma once

// The hardware library's outside world for its tests: a /proc and /dev of their own, direct
// port access that grants as told, and a ppdev driver in front of plain files.

#include "acquisition/parallelport.h"
#include "acquisition/portlibs/hardwareport.h"
#include "acquisition/portlibs/parportdevices.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cerrno>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

namespace la::test {

// Direct port access that grants as told and logs what it is asked.
class FakeDirectAccess final : public DirectAccess
{
public:
    bool grants = false;
    QStringList log;

    bool grant(std::uint16_t first, int count, std::string &reason) override
    {
        log << QString("grant %1+%2").arg(QString::fromStdString(hexAddress(first))).arg(count);
        reason = "ioperm: Operation not permitted (needs root)";
        return grants;
    }
    std::uint8_t in(std::uint16_t address) override { return address & 0xFF; }
    void out(std::uint16_t address, std::uint8_t value) override
    {
        log << QString("out %1 %2").arg(QString::fromStdString(hexAddress(address))).arg(value);
    }
};

// A /proc and /dev of our own. Device files are plain files: PPCLAIM fails on them as on
// anything that is not ppdev.
struct FakeSystem
{
    QTemporaryDir dir;
    QString device(int number) const { return dir.filePath("dev/parport%1").arg(number); }

    // A null baseAddr or modes leaves that file out.
    void addPort(int number, const QByteArray &baseAddr, bool withDevice = true,
                 const QByteArray &modes = {})
    {
        const QString entry = dir.filePath("proc/sys/dev/parport/parport%1").arg(number);
        QDir().mkpath(entry);
        QDir().mkpath(dir.filePath("dev"));
        if (!baseAddr.isNull())
            write(entry + "/base-addr", baseAddr);
        if (!modes.isNull())
            write(entry + "/modes", modes);
        if (withDevice)
            write(device(number), {});
    }
    std::vector<ParportDevice> list() const
    {
        return listParports(dir.filePath("proc").toStdString(), dir.filePath("dev").toStdString());
    }
    static void write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
    }
};

// A ppdev driver in front of plain files: it claims, keeps a copy of the four control bits
// as the kernel does, reads 0xA5 on the data pins, fails the one call it is told to, and logs
// the calls: "PPDATADIR 1", "PPWCONTROL 0C", "PPRDATA".
struct FakePpdev
{
    QStringList log;
    unsigned long failing = 0;
    unsigned char control = 0x0C;

    int call(unsigned long request, void *argument)
    {
        auto byte = static_cast<unsigned char *>(argument);
        const QString value = QString::asprintf(" %02X", argument ? *byte : 0);
        switch (request) {
        case PPCLAIM:
        case PPRELEASE:
            return 0;
        case PPDATADIR:
            log << QString("PPDATADIR %1").arg(*static_cast<int *>(argument));
            break;
        case PPWCONTROL:
            log << "PPWCONTROL" + value;
            control = *byte;
            break;
        case PPRCONTROL:
            log << "PPRCONTROL";
            *byte = control;
            break;
        case PPRDATA:
            log << "PPRDATA";
            *byte = 0xA5;
            break;
        default:
            log << QString("other %1").arg(request);
        }
        if (request != failing)
            return 0;
        errno = EINVAL;
        return -1;
    }
};

struct PortUnderTest
{
    FakeDirectAccess *direct = new FakeDirectAccess;
    HardwarePort port;

    explicit PortUnderTest(const FakeSystem &system, FakePpdev *ppdev = nullptr)
        : port(system.dir.filePath("proc").toStdString(), system.dir.filePath("dev").toStdString(),
               std::unique_ptr<DirectAccess>(direct),
               ppdev ? HardwarePort::DeviceControl(
                           [ppdev](int, unsigned long request, void *argument) {
                               return ppdev->call(request, argument);
                           })
                     : HardwarePort::DeviceControl())
    {
    }
    QString takeError()
    {
        const char *message = port.takeLastError();
        return message ? QString(message) : QString();
    }
};

} // namespace la::test
