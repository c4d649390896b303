#include "control/commandline.h"

#include "acquisition/portlibrarylocation.h"
#include "version.h"

#include <cstdio>
#include <filesystem>

namespace la {

namespace {

CommandLine failure(const std::string &message)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = message;
    return line;
}

// Takes arguments[i] if it is --simulate or --port-library PATH.
bool takePortOption(CommandLine &line, const std::vector<std::string> &arguments, std::size_t &i,
                    std::string &error)
{
    if (arguments[i] == "--simulate") {
        line.simulate = true;
        return true;
    }
    std::string path;
    if (!takeOptionValue(arguments, i, "--port-library", path))
        return false;
    if (path.empty()) {
        error = "--port-library needs the path of a port library file";
        return true;
    }
    // A library is never looked for: a bare name would load whatever file of that name the
    // current folder holds, so it must be written as the path it is.
    if (path.find('/') == std::string::npos) {
        error = "--port-library takes a path, and '" + path + "' is a bare name: write ./" + path +
                " for the file in the current folder";
        return true;
    }
    // A path the user typed is taken from where they typed it; the loader itself never
    // searches.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    line.portLibrary = ec ? path : absolute.lexically_normal().string();
    return true;
}

} // namespace

bool takeOptionValue(const std::vector<std::string> &arguments, std::size_t &i,
                     const std::string &name, std::string &value)
{
    const std::string &arg = arguments[i];
    if (arg == name) {
        value = i + 1 < arguments.size() ? arguments[++i] : std::string();
        return true;
    }
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
        arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

CommandLine CommandLine::parse(const std::vector<std::string> &arguments,
                               const OwnOption &ownOption)
{
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            line.action = Action::Help;
            return line;
        }
        if (arg == "--version") {
            line.action = Action::Version;
            return line;
        }
        std::string error;
        if (takePortOption(line, arguments, i, error) ||
            (ownOption && ownOption(arguments, i, error))) {
            if (!error.empty())
                return failure(error);
            continue;
        }
        return failure("unknown option '" + arg + "'");
    }
    if (line.simulate && !line.portLibrary.empty())
        return failure("--simulate and --port-library exclude each other: choose one");
    return line;
}

std::string CommandLine::portLibraryPath(const std::string &libraryDir) const
{
    if (!portLibrary.empty())
        return portLibrary;
    return libraryDir + "/" + (simulate ? kSimulatedPortLibrary : kHardwarePortLibrary);
}

std::string CommandLine::portLibraryPath() const
{
    // The user's own library needs no search for the shipped ones, which may fail.
    return portLibrary.empty() ? portLibraryPath(defaultPortLibraryDir()) : portLibrary;
}

const char *CommandLine::portUsageLines()
{
    return "  --simulate            read the simulated probe instead of the port\n"
           "  --port-library PATH   read the port through your own library (Inp32, Out32)\n";
}

const char *CommandLine::helpUsageLines()
{
    return "  --help                show this help and exit (also -h)\n"
           "  --version             show the version and exit\n";
}

std::string CommandLine::usage(const std::string &program)
{
    return "Usage: " + program +
           " [--simulate | --port-library PATH]\n"
           "A five-channel logic analyzer for the PC parallel port.\n"
           "\n" +
           std::string(portUsageLines()) + helpUsageLines() +
           "\n"
           "Without options the port is read through the kernel's parallel-port\n"
           "device (/dev/parportN, group lp).\n";
}

std::optional<int> CommandLine::finishEarly(const std::string &program,
                                            const std::string &help) const
{
    switch (action) {
    case Action::Help:
        std::fputs(help.c_str(), stdout);
        return 0;
    case Action::Version:
        std::printf("%s %s\n", program.c_str(), LA_VERSION);
        return 0;
    case Action::Error:
        std::fprintf(stderr, "%s: %s (%s --help lists the options)\n", program.c_str(),
                     error.c_str(), program.c_str());
        return 2;
    case Action::Run:
        break;
    }
    return std::nullopt;
}

} // namespace la
