#pragma once

// What the checks of vmcheck share: qemu's two ports, the registers as root sees them
// through means that share no code with the library (ppdev, or ioperm and inb/outb), the
// identities the checks take, and the verdict lines they print.

#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vm {

// One of qemu's ports: its base, its ppdev device and the name the kernel lists it under.
struct Port
{
    std::uint16_t base;
    const char *device;
    const char *name;
    std::uint16_t status() const { return base + 1; }
    std::uint16_t control() const { return base + 2; }
};

inline const Port kOnBoard{0x378, "/dev/parport0", "parport0"};
// Above 0x7FFF: its addresses are negative as the int16_t that Inp32 and Out32 take.
inline const Port kCard{0xD010, "/dev/parport1", "parport1"};
// What qemu's port reports with nothing attached: Busy (read inverted), Ack, Select and
// Error set.
inline constexpr int kIdleStatus = 0xD8;

// Whether every verdict so far was PASS.
inline bool g_allPassed = true;

std::string hex(int value);
// Hex digits as the programs write an address: "D010".
std::string hexUpper(int value);

void verdict(const std::string &check, bool pass, const std::string &details);
// A verdict handed over from a child process: "PASS ..." or "FAIL ...".
void verdict(const std::string &check, const std::string &result);
std::string pass(const std::string &details);
std::string fail(const std::string &details);

struct Registers
{
    int data = -1;
    int status = -1;
    int control = -1;
};

// Reads or writes the three registers with port instructions. The permission is given back
// at once: a child forked later must not inherit it.
std::optional<Registers> portRegisters(const Port &port,
                                       std::optional<Registers> write = std::nullopt);
// The status register as the driver reports it, or -1; `why` says what failed.
int driverStatus(const Port &port, std::string &why);
bool moduleLoaded(const std::string &name);

struct Identity
{
    bool root = true;
    std::vector<gid_t> groups;
};

inline constexpr uid_t kUserId = 1000;
inline constexpr gid_t kUserGroup = 1000;
inline constexpr gid_t kLpGroup = 7;
inline const Identity kRoot{};
inline const Identity kLpUser{false, {kLpGroup}};

// Takes the identity for good; empty on success, else what failed. An ordinary user must end
// up without any way to direct port access, or the check would prove nothing.
std::string become(const Identity &who);
std::string describeStatus(int status);
// Runs `check` in a child process with the given identity and returns its verdict text. The
// port library is loaded only there, so that every check starts from a library never
// loaded, and whatever port access it gains ends with the child.
std::string inChild(const Identity &who, const std::function<std::string()> &check);

// The wires of a VCD file with their initial values, and how many value changes follow.
struct VcdSummary
{
    std::map<std::string, char> initial; // wire name -> '0' or '1'
    int changes = 0;
    bool allSamples = false; // the header says the file holds a whole capture
};
VcdSummary summarize(std::istream &vcd);
// Runs a program as the user in group lp, its standard output and error into files, and
// returns its wait status.
int runAsLpUser(const std::vector<std::string> &command, const std::string &out,
                const std::string &err);
std::string fileText(const std::string &path);

// The checks of logic-capture (vmprograms.cpp).
int checkCaptures(const std::string &program);
int checkListPorts(const std::string &program);
// The checks of the data and control lines' setup (vmlines.cpp).
int checkPpdevLines(const std::string &library);
int checkDirectLines(const std::string &library);
int checkCaptureLines(const std::string &program);

} // namespace vm
