// vmcheck: runs as root inside the test VM (see init.sh) and checks libport-hardware.so
// against the kernel's parallel-port driver on qemu's two emulated ports: one at the legacy
// 0x378, one at 0xD010 where a PCI or PCIe card would sit. It loads the library with
// la::PortLibrary, as the analyzer does, in a child process that takes the identity the
// check calls for; the parent, still root, sets the registers up beforehand and reads them
// back afterwards through means of its own (ppdev, or ioperm and inb/outb).
//
// Usage, one check at a time:
//   vmcheck port                      both ports are where the other checks expect them
//   vmcheck user-ppdev LIBRARY        user in group lp, through /dev/parport0
//   vmcheck card-ppdev LIBRARY        the same at 0xD010, through /dev/parport1
//   vmcheck root-direct LIBRARY       root, ppdev unloaded: direct port access at 0x378
//   vmcheck card-direct LIBRARY       root, ppdev unloaded: none at 0xD010, a clear message
//   vmcheck user-none LIBRARY         user, ppdev unloaded: no route, a clear message
//   vmcheck user-ppdev-lines LIBRARY  user in group lp, through /dev/parport0: the data pins
//                                     turned to input and back, control lines refused
//   vmcheck root-direct-lines LIBRARY root, ppdev unloaded: data pins turned, control
//                                     outputs released, and both put back
//   vmcheck list-ports LOGIC-CAPTURE  logic-capture --list-ports, as the user in group lp
//   vmcheck capture LOGIC-CAPTURE     one capture of each port by logic-capture, as the user
//                                     in group lp
//   vmcheck capture-lines LOGIC-CAPTURE
//                                     logic-capture -C d0-d7 through /dev/parport0, as the
//                                     user in group lp: the pins read, the port put back
// Each prints "VMCHECK <check> <what>: PASS|FAIL <details>" lines and exits 0 when all pass.
// What the checks share is in vmsystem.h; the checks of logic-capture in vmprograms.cpp, of
// the data and control lines in vmlines.cpp.

#include "acquisition/portlibrary.h"
#include "state/instrumentstate.h"
#include "vmsystem.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

using namespace vm;

namespace {

// --- The checks ---

// Reads the status register through the library as often as one capture does, then writes
// data and control. A verdict on the reads; the writes are judged by the caller.
std::string readAndWrite(const std::string &library, const Port &where, int expected, int data,
                         int control)
{
    la::PortLibrary port(library);
    try {
        const la::Inp32Fn in = port.inp32();
        const la::Out32Fn out = port.out32();
        int equal = 0;
        std::optional<int> firstOther;
        for (int i = 0; i < la::SampleCount; ++i) {
            const int value = in(static_cast<std::int16_t>(where.status()));
            if (value == expected)
                ++equal;
            else if (!firstOther)
                firstOther = value;
        }
        out(static_cast<std::int16_t>(where.base), static_cast<std::int16_t>(data));
        out(static_cast<std::int16_t>(where.control()), static_cast<std::int16_t>(control));
        const std::string error = port.takeLastError();
        const std::string counted =
            std::to_string(equal) + "/" + std::to_string(la::SampleCount) + " == " + hex(expected);
        if (!error.empty())
            return fail(counted + ", but the library reports: " + error);
        if (equal != la::SampleCount)
            return fail(counted + ", first other value " + hex(*firstOther));
        return pass(counted);
    } catch (const la::PortError &error) {
        return fail(error.what());
    }
}

// The writes of readAndWrite, as root reads them back with inb. Only the four low control
// bits reach the connector; ppdev keeps no others.
void judgeWrites(const std::string &check, const Port &port, int data, int control,
                 const std::string &how)
{
    const std::optional<Registers> now = portRegisters(port);
    if (!now) {
        verdict(check, false,
                std::string("root cannot read back: ioperm: ") + std::strerror(errno));
        return;
    }
    const bool ok = now->data == data && (now->control & 0x0F) == control;
    verdict(check, ok,
            "data " + hex(now->data) + " (wrote " + hex(data) + "), control " +
                hex(now->control & 0x0F) + " (wrote " + hex(control) + ")" + how);
}

// The port is listed with its base, and both ppdev and inb read the idle status.
bool checkPort(const std::string &name, const Port &port)
{
    std::ifstream file(std::string("/proc/sys/dev/parport/") + port.name + "/base-addr");
    int base = -1, baseHigh = -1;
    file >> base >> baseHigh;
    std::string why;
    const int byDriver = driverStatus(port, why);
    const std::optional<Registers> byPort = portRegisters(port);
    const int byInstruction = byPort ? byPort->status : -1;
    const bool ok = base == port.base && byDriver == kIdleStatus && byInstruction == kIdleStatus;
    verdict(name, ok,
            std::string(port.name) + " at " + (base < 0 ? "(none)" : hex(base)) + " (high " +
                hex(baseHigh) + "), status " + hex(byDriver) + " by ppdev" +
                (why.empty() ? "" : " (" + why + ")") + ", " + hex(byInstruction) +
                " by inb; expected " + hex(port.base) + " and " + hex(kIdleStatus));
    return ok;
}

int checkPorts()
{
    checkPort("port", kOnBoard);
    checkPort("card port", kCard);
    return g_allPassed ? 0 : 1;
}

// Control values below leave out 0x0C: the driver puts it in the control register at every
// claim, so reading it back would prove nothing.
int checkUserPpdev(const std::string &name, const Port &port, const std::string &library)
{
    std::string why;
    const int status = driverStatus(port, why);
    if (status < 0) {
        verdict(name + " reads", false, "no status from the driver: " + why);
        return 1;
    }
    portRegisters(port, Registers{0x00, 0, 0x04});
    verdict(name + " reads", inChild(kLpUser, [&] {
                std::string result = readAndWrite(library, port, status, 0xFF, 0x0A);
                return result + " (uid 1000, group lp, no ioperm, " + port.device + ")";
            }));
    judgeWrites(name + " writes", port, 0xFF, 0x0A, ", read back as root with inb");
    return g_allPassed ? 0 : 1;
}

int checkRootDirect(const std::string &library)
{
    if (moduleLoaded("ppdev")) {
        verdict("root-direct reads", false, "ppdev is still loaded");
        return 1;
    }
    const std::optional<Registers> before = portRegisters(kOnBoard, Registers{0x00, 0, 0x04});
    if (!before) {
        verdict("root-direct reads", false, std::string("ioperm: ") + std::strerror(errno));
        return 1;
    }
    verdict("root-direct reads", inChild(kRoot, [&] {
                return readAndWrite(library, kOnBoard, before->status, 0x81, 0x06) +
                       " (root, no ppdev)";
            }));
    judgeWrites("root-direct writes", kOnBoard, 0x81, 0x06, ", read back with inb");
    return g_allPassed ? 0 : 1;
}

// Root without ppdev at the card: direct access stays at the legacy bases, so the library
// refuses with a message and writes nothing there.
int checkCardDirect(const std::string &library)
{
    const std::optional<Registers> before = portRegisters(kCard, Registers{0x3C, 0, 0x04});
    if (moduleLoaded("ppdev") || !before) {
        verdict("card-direct refused", false, "ppdev is loaded, or root cannot set the port up");
        return 1;
    }
    verdict("card-direct refused", inChild(kRoot, [&] {
                la::PortLibrary port(library);
                try {
                    const int value = port.inp32()(static_cast<std::int16_t>(kCard.status()));
                    const std::string message = port.takeLastError();
                    port.out32()(static_cast<std::int16_t>(kCard.base), 0xC3);
                    port.takeLastError();
                    if (value != -1)
                        return fail("Inp32 returned " + std::to_string(value) + ", not -1");
                    if (message.find("at 0xD011") == std::string::npos ||
                        message.find("reaches only the legacy bases") == std::string::npos)
                        return fail("unclear message: \"" + message + "\"");
                    return pass("Inp32 = -1, \"" + message + "\" (root, no ppdev)");
                } catch (const la::PortError &error) {
                    return fail(error.what());
                }
            }));
    const std::optional<Registers> after = portRegisters(kCard);
    verdict("card-direct untouched", after && after->data == 0x3C,
            "data " + hex(after ? after->data : -1) + " (set 0x3c before)");
    return g_allPassed ? 0 : 1;
}

int checkUserNone(const std::string &library)
{
    const std::optional<Registers> before = portRegisters(kOnBoard, Registers{0x3C, 0, 0x04});
    if (moduleLoaded("ppdev") || !before) {
        verdict("user-none error", false, "ppdev is loaded, or root cannot set the port up");
        return 1;
    }
    verdict("user-none error", inChild(kLpUser, [&] {
                la::PortLibrary port(library);
                try {
                    const int value = port.inp32()(static_cast<std::int16_t>(kOnBoard.status()));
                    // A second call must not try again, let alone write.
                    port.out32()(static_cast<std::int16_t>(kOnBoard.base), 0xC3);
                    const std::string message = port.takeLastError();
                    const bool clear = message.find("at 0x379") != std::string::npos &&
                                       message.find("/dev/parport") != std::string::npos &&
                                       message.find("ioperm") != std::string::npos;
                    // Once the message is taken, the next call tries the port again and fails
                    // the same way.
                    port.out32()(static_cast<std::int16_t>(kOnBoard.control()), 0x0A);
                    const std::string again = port.takeLastError();
                    if (value != -1)
                        return fail("Inp32 returned " + std::to_string(value) + ", not -1");
                    if (!clear)
                        return fail("unclear message: \"" + message + "\"");
                    if (again.find("write to the parallel port at 0x37A") == std::string::npos)
                        return fail("no message for the retried write, got \"" + again + "\"");
                    return pass("Inp32 = -1, \"" + message + "\"");
                } catch (const la::PortError &error) {
                    return fail(error.what());
                }
            }));
    const std::optional<Registers> after = portRegisters(kOnBoard);
    verdict("user-none untouched", after && after->data == 0x3C && (after->control & 0x0F) == 4,
            "data " + hex(after ? after->data : -1) + ", control " +
                hex(after ? after->control & 0x0F : -1) + " (set 0x3c and 0x4 before)");
    return g_allPassed ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string check = argc > 1 ? argv[1] : "";
    const std::string path = argc > 2 ? argv[2] : "";
    if (check == "port" && argc == 2)
        return checkPorts();
    if (check == "user-ppdev" && argc == 3)
        return checkUserPpdev("user-ppdev", kOnBoard, path);
    if (check == "card-ppdev" && argc == 3)
        return checkUserPpdev("card-ppdev", kCard, path);
    if (check == "root-direct" && argc == 3)
        return checkRootDirect(path);
    if (check == "card-direct" && argc == 3)
        return checkCardDirect(path);
    if (check == "user-none" && argc == 3)
        return checkUserNone(path);
    if (check == "user-ppdev-lines" && argc == 3)
        return checkPpdevLines(path);
    if (check == "root-direct-lines" && argc == 3)
        return checkDirectLines(path);
    if (check == "list-ports" && argc == 3)
        return checkListPorts(path);
    if (check == "capture" && argc == 3)
        return checkCaptures(path);
    if (check == "capture-lines" && argc == 3)
        return checkCaptureLines(path);
    std::fprintf(stderr, "usage: vmcheck port | user-ppdev|card-ppdev|root-direct|card-direct|"
                         "user-none|user-ppdev-lines|root-direct-lines LIBRARY | "
                         "list-ports|capture|capture-lines LOGIC-CAPTURE\n");
    return 2;
}
