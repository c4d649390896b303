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
//   vmcheck list-ports LOGIC-CAPTURE  logic-capture --list-ports, as the user in group lp
//   vmcheck capture LOGIC-CAPTURE     one capture of each port by logic-capture, as the user
//                                     in group lp
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
#include <iterator>
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

// One of qemu's ports: its base, its ppdev device and the name the kernel lists it under.
struct Port
{
    std::uint16_t base;
    const char *device;
    const char *name;
    std::uint16_t status() const { return base + 1; }
    std::uint16_t control() const { return base + 2; }
};

const Port kOnBoard{0x378, "/dev/parport0", "parport0"};
// Above 0x7FFF: its addresses are negative as the int16_t that Inp32 and Out32 take.
const Port kCard{0xD010, "/dev/parport1", "parport1"};
// What qemu's port reports with nothing attached: Busy (read inverted), Ack, Select and
// Error set.
constexpr int kIdleStatus = 0xD8;

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

// Hex digits as the programs write an address: "D010".
std::string hexUpper(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
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
std::optional<Registers> portRegisters(const Port &port,
                                       std::optional<Registers> write = std::nullopt)
{
    if (ioperm(port.base, 3, 1) != 0)
        return std::nullopt;
    if (write) {
        outb(static_cast<std::uint8_t>(write->data), port.base);
        outb(static_cast<std::uint8_t>(write->control), port.control());
    }
    Registers now{inb(port.base), inb(port.status()), inb(port.control())};
    ioperm(port.base, 3, 0);
    return now;
}

// The status register as the driver reports it, or -1; `why` says what failed.
int driverStatus(const Port &port, std::string &why)
{
    const int fd = open(port.device, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        why = std::string(port.device) + ": " + std::strerror(errno);
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
    if (ioperm(kOnBoard.base, 3, 1) == 0)
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

// Runs a program as the user in group lp, its standard output and error into files, and
// returns its wait status.
int runAsLpUser(const std::vector<std::string> &command, const std::string &out,
                const std::string &err)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (outFd < 0 || errFd < 0 || dup2(outFd, STDOUT_FILENO) < 0 ||
            dup2(errFd, STDERR_FILENO) < 0)
            _exit(125);
        if (const std::string failed = become(kLpUser); !failed.empty()) {
            std::fprintf(stderr, "vmcheck: %s\n", failed.c_str());
            _exit(126);
        }
        std::vector<char *> argv;
        for (const std::string &word : command)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::string fileText(const std::string &path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Runs logic-capture on the port as the user in group lp and checks that the file shows the
// status register throughout, and that the capture line names the device it read. The
// channels are status bits 4, 5, 7 (inverted by the port), 6, 3.
bool checkCapture(const std::string &name, const std::string &program, const Port &port)
{
    std::string why;
    const int status = driverStatus(port, why);
    if (status < 0) {
        verdict(name, false, "no status from the driver: " + why);
        return false;
    }
    const std::string output = std::string("/tmp/") + port.name + ".vcd";
    const std::string errors = output + ".err";
    const int exit = runAsLpUser(
        {program, "--base", "0x" + hexUpper(port.base), "--output", output}, "/dev/null", errors);
    const std::string said = fileText(errors);
    if (!WIFEXITED(exit) || WEXITSTATUS(exit) != 0) {
        verdict(name, false, "logic-capture " + describeStatus(exit) + ": " + said);
        return false;
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
    const std::string source =
        "; from the port at 0x" + hexUpper(port.base) + " through " + port.device + "\n";
    const bool named = said.size() >= source.size() &&
                       said.compare(said.size() - source.size(), source.size(), source) == 0;
    const bool ok = vcd.allSamples && vcd.changes == 0 && found == expected && named;
    verdict(name, ok,
            std::string(vcd.allSamples ? "" : "no whole capture in the file; ") +
                std::to_string(la::SampleCount) + " samples at " + hex(port.base) +
                ", ch1..ch5 = " + found + " with " + std::to_string(vcd.changes) +
                " changes; status " + hex(status) + " gives " + expected +
                " throughout (user in group lp); " +
                (named ? "the line names " + std::string(port.device)
                       : "the line does not name " + std::string(port.device) + ": " + said));
    return ok;
}

int checkCaptures(const std::string &program)
{
    checkCapture("capture", program, kOnBoard);
    checkCapture("card capture", program, kCard);
    return g_allPassed ? 0 : 1;
}

// logic-capture --list-ports as the user in group lp: both ports, each usable, the card with
// the modes the kernel gives it.
int checkListPorts(const std::string &program)
{
    const int exit = runAsLpUser({program, "--list-ports"}, "/tmp/ports.txt", "/tmp/ports.err");
    const std::string table = fileText("/tmp/ports.txt");
    std::istringstream lines(table);
    std::string line;
    bool onBoard = false, card = false;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string base, device, modes, usable;
        words >> base >> device >> modes >> usable;
        onBoard = onBoard || (base == "0x378" && device == kOnBoard.device && usable == "yes");
        card = card || (base == "0xD010" && device == kCard.device &&
                        modes.find("PCSPP") != std::string::npos && usable == "yes");
    }
    const bool ok = WIFEXITED(exit) && WEXITSTATUS(exit) == 0 && onBoard && card;
    std::string shown = table;
    std::replace(shown.begin(), shown.end(), '\n', '|');
    verdict("list-ports", ok,
            "logic-capture --list-ports " + describeStatus(exit) + ": " + shown +
                fileText("/tmp/ports.err"));
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
    if (check == "list-ports" && argc == 3)
        return checkListPorts(path);
    if (check == "capture" && argc == 3)
        return checkCaptures(path);
    std::fprintf(stderr, "usage: vmcheck port | user-ppdev|card-ppdev|root-direct|card-direct|"
                         "user-none LIBRARY | list-ports|capture LOGIC-CAPTURE\n");
    return 2;
}
