// vmcheck: runs as root inside the test VM (see init.sh) and checks libport-hardware.so
// against the kernel's parallel-port driver on qemu's emulated port at 0x378. It loads the
// library with la::PortLibrary, as the analyzer does, in a child process that takes the
// identity the check calls for; the parent, still root, sets the registers up beforehand and
// reads them back afterwards through means of its own (ppdev, or ioperm and inb/outb).
//
// Usage, one check at a time:
//   vmcheck port                      the port is where the other checks expect it
//   vmcheck user-ppdev LIBRARY        user in group lp, through /dev/parport0
//   vmcheck root-direct LIBRARY       root, ppdev unloaded: direct port access
//   vmcheck user-none LIBRARY         user, ppdev unloaded: no route, a clear message
//   vmcheck capture LOGIC-CAPTURE     one capture by logic-capture, as the user in group lp
// Each prints "VMCHECK <check> <what>: PASS|FAIL <details>" lines and exits 0 when all pass.

#include "acquisition/portlibrary.h"
#include "control/state/instrumentstate.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <grp.h>
#include <linux/ppdev.h>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint16_t kBase = 0x378;
constexpr std::uint16_t kStatus = kBase + 1;
constexpr std::uint16_t kControl = kBase + 2;
// What qemu's port reports with nothing attached: Busy (read inverted), Ack, Select and
// Error set.
constexpr int kIdleStatus = 0xD8;
constexpr char kDevice[] = "/dev/parport0";

constexpr uid_t kUserId = 1000;
constexpr gid_t kUserGroup = 1000;
constexpr gid_t kLpGroup = 7;

bool g_allPassed = true;

std::string hex(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

void verdict(const std::string &check, bool pass, const std::string &details)
{
    std::printf("VMCHECK %s: %s %s\n", check.c_str(), pass ? "PASS" : "FAIL", details.c_str());
    std::fflush(stdout);
    g_allPassed = g_allPassed && pass;
}

// A verdict handed over from a child process: "PASS ..." or "FAIL ...".
void verdict(const std::string &check, const std::string &result)
{
    const bool pass = result.rfind("PASS ", 0) == 0;
    verdict(check, pass, result.substr(std::min<std::size_t>(result.size(), 5)));
}

std::string pass(const std::string &details)
{
    return "PASS " + details;
}

std::string fail(const std::string &details)
{
    return "FAIL " + details;
}

// --- The registers as root sees them, through means that share no code with the library ---

struct Registers
{
    int data = -1;
    int status = -1;
    int control = -1;
};

// Reads or writes the three registers with port instructions. The permission is given back
// at once: a child forked later must not inherit it.
std::optional<Registers> portRegisters(std::optional<Registers> write = std::nullopt)
{
    if (ioperm(kBase, 3, 1) != 0)
        return std::nullopt;
    if (write) {
        outb(static_cast<std::uint8_t>(write->data), kBase);
        outb(static_cast<std::uint8_t>(write->control), kControl);
    }
    Registers now{inb(kBase), inb(kStatus), inb(kControl)};
    ioperm(kBase, 3, 0);
    return now;
}

// The status register as the driver reports it, or -1; `why` says what failed.
int driverStatus(std::string &why)
{
    const int fd = open(kDevice, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        why = std::string(kDevice) + ": " + std::strerror(errno);
        return -1;
    }
    unsigned char status = 0;
    int result = -1;
    if (ioctl(fd, PPCLAIM) != 0) {
        why = std::string("PPCLAIM: ") + std::strerror(errno);
    } else {
        if (ioctl(fd, PPRSTATUS, &status) == 0)
            result = status;
        else
            why = std::string("PPRSTATUS: ") + std::strerror(errno);
        ioctl(fd, PPRELEASE);
    }
    close(fd);
    return result;
}

bool moduleLoaded(const std::string &name)
{
    std::ifstream modules("/proc/modules");
    std::string line;
    while (std::getline(modules, line)) {
        if (line.rfind(name + " ", 0) == 0)
            return true;
    }
    return false;
}

// --- Child processes under another identity ---

struct Identity
{
    bool root = true;
    std::vector<gid_t> groups;
};

const Identity kRoot{};
const Identity kLpUser{false, {kLpGroup}};

// Takes the identity for good; empty on success, else what failed. An ordinary user must end
// up without any way to direct port access, or the check would prove nothing.
std::string become(const Identity &who)
{
    if (who.root)
        return {};
    if (setgroups(who.groups.size(), who.groups.data()) != 0 || setgid(kUserGroup) != 0 ||
        setuid(kUserId) != 0) {
        return std::string("cannot drop root: ") + std::strerror(errno);
    }
    if (getuid() != kUserId || geteuid() != kUserId || getegid() != kUserGroup)
        return "the identity did not change";
    if (ioperm(kBase, 3, 1) == 0)
        return "an ordinary user was granted port access";
    return {};
}

std::string describeStatus(int status)
{
    if (WIFEXITED(status))
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return std::string("was killed by ") + strsignal(WTERMSIG(status));
    return "ended oddly";
}

// Runs `check` in a child process with the given identity and returns its verdict text. The
// port library is loaded only there, so that every check starts from a library never
// loaded, and whatever port access it gains ends with the child.
std::string inChild(const Identity &who, const std::function<std::string()> &check)
{
    int channel[2];
    if (pipe(channel) != 0)
        return fail(std::string("pipe: ") + std::strerror(errno));
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return fail(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        close(channel[0]);
        std::string result = become(who);
        result = result.empty() ? check() : fail(result);
        if (write(channel[1], result.data(), result.size()) < 0)
            _exit(3);
        std::fflush(nullptr);
        // No exit handlers: the child's leftovers are the parent's.
        _exit(0);
    }
    close(channel[1]);
    std::string result;
    char buffer[512];
    ssize_t got;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (result.empty())
        return fail("the checking process " + describeStatus(status) + " before it reported");
    return result;
}

// --- The checks ---

// Reads the status register through the library as often as one capture does, then writes
// data and control. A verdict on the reads; the writes are judged by the caller.
std::string readAndWrite(const std::string &library, int expected, int data, int control)
{
    la::PortLibrary port(library);
    try {
        const la::Inp32Fn in = port.inp32();
        const la::Out32Fn out = port.out32();
        int equal = 0;
        std::optional<int> firstOther;
        for (int i = 0; i < la::SampleCount; ++i) {
            const int value = in(static_cast<std::int16_t>(kStatus));
            if (value == expected)
                ++equal;
            else if (!firstOther)
                firstOther = value;
        }
        out(static_cast<std::int16_t>(kBase), static_cast<std::int16_t>(data));
        out(static_cast<std::int16_t>(kControl), static_cast<std::int16_t>(control));
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
void judgeWrites(const std::string &check, int data, int control, const std::string &how)
{
    const std::optional<Registers> now = portRegisters();
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

int checkPort()
{
    std::ifstream file("/proc/sys/dev/parport/parport0/base-addr");
    int base = -1;
    file >> base;
    std::string why;
    const int byDriver = driverStatus(why);
    const std::optional<Registers> byPort = portRegisters();
    const int byInstruction = byPort ? byPort->status : -1;
    const bool ok = base == kBase && byDriver == kIdleStatus && byInstruction == kIdleStatus;
    verdict("port", ok,
            "parport0 at " + (base < 0 ? std::string("(none)") : hex(base)) + ", status " +
                hex(byDriver) + " by ppdev" + (why.empty() ? "" : " (" + why + ")") + ", " +
                hex(byInstruction) + " by inb; expected " + hex(kBase) + " and " +
                hex(kIdleStatus));
    return g_allPassed ? 0 : 1;
}

// Control values below leave out 0x0C: the driver puts it in the control register at every
// claim, so reading it back would prove nothing.
int checkUserPpdev(const std::string &library)
{
    std::string why;
    const int status = driverStatus(why);
    if (status < 0) {
        verdict("user-ppdev reads", false, "no status from the driver: " + why);
        return 1;
    }
    portRegisters(Registers{0x00, 0, 0x04});
    verdict("user-ppdev reads", inChild(kLpUser, [&] {
                std::string result = readAndWrite(library, status, 0xFF, 0x0A);
                return result + " (uid 1000, group lp, no ioperm)";
            }));
    judgeWrites("user-ppdev writes", 0xFF, 0x0A, ", read back as root with inb");
    return g_allPassed ? 0 : 1;
}

int checkRootDirect(const std::string &library)
{
    if (moduleLoaded("ppdev")) {
        verdict("root-direct reads", false, "ppdev is still loaded");
        return 1;
    }
    const std::optional<Registers> before = portRegisters(Registers{0x00, 0, 0x04});
    if (!before) {
        verdict("root-direct reads", false, std::string("ioperm: ") + std::strerror(errno));
        return 1;
    }
    verdict("root-direct reads", inChild(kRoot, [&] {
                return readAndWrite(library, before->status, 0x81, 0x06) + " (root, no ppdev)";
            }));
    judgeWrites("root-direct writes", 0x81, 0x06, ", read back with inb");
    return g_allPassed ? 0 : 1;
}

int checkUserNone(const std::string &library)
{
    const std::optional<Registers> before = portRegisters(Registers{0x3C, 0, 0x04});
    if (moduleLoaded("ppdev") || !before) {
        verdict("user-none error", false, "ppdev is loaded, or root cannot set the port up");
        return 1;
    }
    verdict("user-none error", inChild(kLpUser, [&] {
                la::PortLibrary port(library);
                try {
                    const int value = port.inp32()(static_cast<std::int16_t>(kStatus));
                    // A second call must not try again, let alone write.
                    port.out32()(static_cast<std::int16_t>(kBase), 0xC3);
                    const std::string message = port.takeLastError();
                    const bool clear = message.find("at 0x379") != std::string::npos &&
                                       message.find("/dev/parport") != std::string::npos &&
                                       message.find("ioperm") != std::string::npos;
                    // Once the message is taken, the next call tries the port again and fails
                    // the same way.
                    port.out32()(static_cast<std::int16_t>(kControl), 0x0A);
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
    const std::optional<Registers> after = portRegisters();
    verdict("user-none untouched", after && after->data == 0x3C && (after->control & 0x0F) == 4,
            "data " + hex(after ? after->data : -1) + ", control " +
                hex(after ? after->control & 0x0F : -1) + " (set 0x3c and 0x4 before)");
    return g_allPassed ? 0 : 1;
}

// --- logic-capture ---

// The five wires of a VCD file with their initial values, and how many value changes follow.
struct VcdSummary
{
    std::map<std::string, char> initial; // ch1..ch5 -> '0' or '1'
    int changes = 0;
    bool allSamples = false; // the header says the file holds a whole capture
};

VcdSummary summarize(std::istream &vcd)
{
    VcdSummary summary;
    std::map<std::string, std::string> names; // identifier code -> wire name
    bool inDump = false;
    bool dumped = false;
    std::string line;
    while (std::getline(vcd, line)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "$var") {
            std::string type, width, code, name;
            words >> type >> width >> code >> name;
            names[code] = name;
        } else if (first == "$comment" &&
                   line.find(std::to_string(la::SampleCount) + " reads") != std::string::npos) {
            summary.allSamples = true;
        } else if (first == "$dumpvars") {
            inDump = true;
        } else if (first == "$end" && inDump) {
            inDump = false;
            dumped = true;
        } else if (!first.empty() && first[0] != '#' && first[0] != '$') {
            const auto name = names.find(first.substr(1));
            const std::string wire = name == names.end() ? first : name->second;
            if (inDump)
                summary.initial[wire] = first[0];
            else if (dumped)
                ++summary.changes;
        }
    }
    return summary;
}

// Runs logic-capture as the user in group lp and checks that the file shows the status
// register throughout. The channels are status bits 4, 5, 7 (inverted by the port), 6, 3.
int checkCapture(const std::string &program)
{
    std::string why;
    const int status = driverStatus(why);
    if (status < 0) {
        verdict("capture", false, "no status from the driver: " + why);
        return 1;
    }
    const std::string output = "/tmp/capture.vcd";
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (const std::string failed = become(kLpUser); !failed.empty()) {
            std::fprintf(stderr, "vmcheck: %s\n", failed.c_str());
            _exit(126);
        }
        execl(program.c_str(), program.c_str(), "--base", "0x378", "--output", output.c_str(),
              static_cast<char *>(nullptr));
        _exit(127);
    }
    int exit = 0;
    waitpid(pid, &exit, 0);
    if (!WIFEXITED(exit) || WEXITSTATUS(exit) != 0) {
        verdict("capture", false, "logic-capture " + describeStatus(exit));
        return 1;
    }

    std::ifstream file(output);
    const VcdSummary vcd = summarize(file);
    const int bits[] = {4, 5, 7, 6, 3};
    std::string expected, found;
    for (int k = 0; k < 5; ++k) {
        const bool high = ((status >> bits[k]) & 1) != (bits[k] == 7);
        const std::string wire = "ch" + std::to_string(k + 1);
        expected += high ? '1' : '0';
        const auto value = vcd.initial.find(wire);
        found += value == vcd.initial.end() ? '?' : value->second;
    }
    const bool ok = vcd.allSamples && vcd.changes == 0 && found == expected;
    verdict("capture", ok,
            std::string(vcd.allSamples ? "" : "no whole capture in the file; ") +
                std::to_string(la::SampleCount) + " samples, ch1..ch5 = " + found + " with " +
                std::to_string(vcd.changes) + " changes; status " + hex(status) + " gives " +
                expected + " throughout (user in group lp)");
    return g_allPassed ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string check = argc > 1 ? argv[1] : "";
    const std::string path = argc > 2 ? argv[2] : "";
    if (check == "port" && argc == 2)
        return checkPort();
    if (check == "user-ppdev" && argc == 3)
        return checkUserPpdev(path);
    if (check == "root-direct" && argc == 3)
        return checkRootDirect(path);
    if (check == "user-none" && argc == 3)
        return checkUserNone(path);
    if (check == "capture" && argc == 3)
        return checkCapture(path);
    std::fprintf(stderr, "usage: vmcheck port | user-ppdev|root-direct|user-none LIBRARY | "
                         "capture LOGIC-CAPTURE\n");
    return 2;
}
