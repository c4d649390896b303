#include "control/commandline.h"

#include "acquisition/portlibrarylocation.h"

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

std::string PortSource::portLibraryPath(const std::string &libraryDir) const
{
    if (!portLibrary.empty())
        return portLibrary;
    return libraryDir + "/" + (simulate ? kSimulatedPortLibrary : kHardwarePortLibrary);
}

bool PortSource::takeOption(const std::vector<std::string> &arguments, std::size_t &i,
                            std::string &error)
{
    if (arguments[i] == "--simulate") {
        simulate = true;
        return true;
    }
    std::string path;
    if (!takeOptionValue(arguments, i, "--port-library", path))
        return false;
    if (path.empty()) {
        error = "--port-library needs the path of a port library file";
        return true;
    }
    // A path the user typed is taken from where they typed it; the loader itself never
    // searches.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    portLibrary = ec ? path : absolute.lexically_normal().string();
    return true;
}

std::string PortSource::conflict() const
{
    if (simulate && !portLibrary.empty())
        return "--simulate and --port-library exclude each other: choose one";
    return {};
}

const char *PortSource::usageLines()
{
    return "  --simulate            read the simulated probe instead of the port\n"
           "  --port-library PATH   read the port through your own library (Inp32, Out32)\n";
}

CommandLine CommandLine::parse(const std::vector<std::string> &arguments)
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
        if (line.takeOption(arguments, i, error)) {
            if (!error.empty())
                return failure(error);
            continue;
        }
        return failure("unknown option '" + arg + "'");
    }
    if (const std::string conflict = line.conflict(); !conflict.empty())
        return failure(conflict);
    return line;
}

std::string CommandLine::usage(const std::string &program)
{
    return "Usage: " + program + " [--simulate | --port-library PATH]\n"
           "A five-channel logic analyzer for the PC parallel port.\n"
           "\n" +
           std::string(usageLines()) +
           "  --help                show this help and exit (also -h)\n"
           "  --version             show the version and exit\n"
           "\n"
           "Without options the port is read through the kernel's parallel-port\n"
           "device (/dev/parportN, group lp).\n";
}

} // namespace la
