#include "vmsystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <linux/ppdev.h>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vm {

std::string hex(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

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

std::optional<Registers> portRegisters(const Port &port, std::optional<Registers> write)
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

} // namespace vm
