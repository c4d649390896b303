// The checks of logic-capture in the test VM: its list of the ports, and a capture of each,
// run as the user in group lp.

#include "state/instrumentstate.h"
#include "vmsystem.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vm {

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

namespace {

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

} // namespace

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

} // namespace vm
