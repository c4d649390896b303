// The checks of the data and control lines in the test VM: la::PortSetup with the hardware
// library, as logic-capture uses them, against the kernel's driver and by direct access.
// Root sets the registers up before and reads them back after with inb; and logic-capture's
// capture of the data lines through the driver.

#include "acquisition/channelchoice.h"
#include "acquisition/portlibrary.h"
#include "acquisition/portsetup.h"
#include "vmsystem.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

namespace vm {

namespace {

la::SampleWord lines(const std::string &list)
{
    std::string error;
    const std::optional<la::ChannelChoice> choice = la::ChannelChoice::parse(list, error);
    return choice ? choice->bits() : 0;
}

// The data and control registers through the library, as "data 0x5a, control 0xc".
std::string readBoth(la::PortLibrary &port, const Port &where, int &data, int &control)
{
    const la::Inp32Fn in = port.inp32();
    data = in(static_cast<std::int16_t>(where.base));
    control = in(static_cast<std::int16_t>(where.control()));
    return "data " + hex(data) + ", control " + hex(control);
}

// In the child: the data lines set up, read, and put back; judged by the data register,
// which reads 0xFF while the pins are inputs with nothing driving them, and the latch
// (`latch`, written by root before) while they are outputs.
std::string turnAndPutBack(const std::string &library, const Port &where, const std::string &list,
                           int latch)
{
    la::PortLibrary port(library);
    try {
        int data = -1, control = -1;
        const std::string before = readBoth(port, where, data, control);
        const bool latched = data == latch;
        la::PortSetup setup(port, where.base, lines(list));
        setup.setUp();
        const std::string during = readBoth(port, where, data, control);
        const bool turned = data == 0xFF && control >= 0;
        const int controlSetUp = control;
        setup.restore();
        const std::string after = readBoth(port, where, data, control);
        const std::string error = port.takeLastError();
        const std::string details =
            list + ": before " + before + "; set up " + during + "; put back " + after;
        if (!error.empty())
            return fail(details + ", but the library reports: " + error);
        if (!latched || !turned || data != latch)
            return fail(details + "; expected data " + hex(latch) + ", then 0xff, then " +
                        hex(latch));
        // Released, every chosen control pin reads high.
        const la::SampleWord sample = la::sampleWord(0, 0, std::uint8_t(controlSetUp));
        for (std::size_t i = 0; i < la::PortLines.size(); ++i) {
            if ((lines(list) & la::PortLines[i].mask() &
                 la::registerBits(la::PortRegister::Control)) &&
                !la::lineLevel(sample, i))
                return fail(details + "; " + std::string(la::PortLines[i].id) + " reads low");
        }
        return pass(details);
    } catch (const la::PortError &error) {
        return fail(list + ": " + error.what());
    }
}

// Root's view afterwards: the latch, and the direction back to output.
void judgePutBack(const std::string &check, const Port &port, int data, int control)
{
    const std::optional<Registers> now = portRegisters(port);
    const bool ok = now && now->data == data && (now->control & 0x2F) == control;
    verdict(check, ok,
            "data " + hex(now ? now->data : -1) + ", control " + hex(now ? now->control : -1) +
                " read with inb; expected " + hex(data) + " and, in bits 0-3 and 5, " +
                hex(control) + " (bit 5 clear: output)");
}

} // namespace

// As the user in group lp through /dev/parport0: the kernel reports TRISTATE, so the data
// lines are turned around with PPDATADIR and back; the control lines are refused, since the
// driver answers a control read from its copy.
int checkPpdevLines(const std::string &library)
{
    verdict("user-ppdev lines refused", inChild(kLpUser, [&] {
                la::PortLibrary port(library);
                try {
                    la::PortSetup setup(port, kOnBoard.base, lines("d0-d7,c0=CS"));
                    return fail("c0 was accepted through " + std::string(kOnBoard.device));
                } catch (const la::PortError &error) {
                    const std::string message = error.what();
                    if (message.find("Cannot read c0 at the port at 0x378 through") != 0 ||
                        message.find("own copy of the register") == std::string::npos)
                        return fail("unclear message: \"" + message + "\"");
                    return pass("\"" + message + "\"");
                }
            }));
    portRegisters(kOnBoard, Registers{0x5A, 0, 0x04});
    verdict("user-ppdev lines", inChild(kLpUser, [&] {
                return turnAndPutBack(library, kOnBoard, "ch5,d0-d7", 0x5A) +
                       " (uid 1000, group lp, " + kOnBoard.device + ")";
            }));
    // The driver puts 0x0C in the control register at its claim.
    judgePutBack("user-ppdev lines restored", kOnBoard, 0x5A, 0x0C);
    return g_allPassed ? 0 : 1;
}

// As root without ppdev: data and all four control lines by direct access. The control
// outputs are pulled low before (0x0B: Strobe, Auto Linefeed and Select In low, Init low),
// released while set up, and low again after.
int checkDirectLines(const std::string &library)
{
    if (moduleLoaded("ppdev") || !portRegisters(kOnBoard, Registers{0xA5, 0, 0x0B})) {
        verdict("root-direct lines", false, "ppdev is loaded, or root cannot set the port up");
        return 1;
    }
    verdict("root-direct lines", inChild(kRoot, [&] {
                return turnAndPutBack(library, kOnBoard, "d0-d7,c0-c3", 0xA5) + " (root, no ppdev)";
            }));
    judgePutBack("root-direct lines restored", kOnBoard, 0xA5, 0x0B);
    return g_allPassed ? 0 : 1;
}

// logic-capture -C d0-d7 as the user in group lp through /dev/parport0: every sample reads
// the pins as inputs (0xff with nothing driving them, not the latch 0x5a), and the port is
// left as it was.
int checkCaptureLines(const std::string &program)
{
    portRegisters(kOnBoard, Registers{0x5A, 0, 0x04});
    const int exit = runAsLpUser({program, "-C", "d0-d7", "-o", "/tmp/lines.vcd"}, "/dev/null",
                                 "/tmp/lines.err");
    std::ifstream file("/tmp/lines.vcd");
    const VcdSummary vcd = summarize(file);
    std::string found;
    for (char k = '0'; k < '8'; ++k)
        found += vcd.initial.count({'d', k}) ? vcd.initial.at({'d', k}) : '?';
    verdict("capture lines", exit == 0 && found == "11111111" && vcd.changes == 0,
            "logic-capture " + describeStatus(exit) + ", d0..d7 = " + found + " with " +
                std::to_string(vcd.changes) + " changes, expected 11111111 throughout (" +
                kOnBoard.device + "); " + fileText("/tmp/lines.err"));
    judgePutBack("capture lines restored", kOnBoard, 0x5A, 0x0C);
    return g_allPassed ? 0 : 1;
}

} // namespace vm
