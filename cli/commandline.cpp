#include "cli/commandline.h"

#include "acquisition/parallelport.h"
#include "acquisition/portlibrarylocation.h"
#include "version.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <getopt.h>

namespace la {

namespace {

CommandLine failure(const std::string &message)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = message;
    return line;
}

// The path of --port-library as the loader takes it: absolute, never searched for. Returns
// the refusal, or nothing.
std::string takePortLibrary(CommandLine &line, const std::string &path)
{
    if (path.empty())
        return "--port-library needs the path of a port library file";
    // A library is never looked for: a bare name would load whatever file of that name the
    // current folder holds, so it must be written as the path it is.
    if (path.find('/') == std::string::npos)
        return "--port-library takes a path, and '" + path + "' is a bare name: write ./" + path +
               " for the file in the current folder";
    // A path the user typed is taken from where they typed it; the loader itself never
    // searches.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    line.portLibrary = ec ? path : absolute.lexically_normal().string();
    return {};
}

bool isLegacyBase(std::uint16_t address)
{
    return std::find(PortBases.begin(), PortBases.end(), address) != PortBases.end();
}

// What --base may be, as a refusal ends: the ports found and the legacy bases.
std::string baseChoices(const std::vector<ParportDevice> &ports)
{
    if (ports.empty()) {
        return "no parallel port was found here (logic-capture --list-ports says what to do), "
               "so only a legacy base can be used: " +
               portBasesText();
    }
    std::string found;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (i > 0)
            found += i + 1 == ports.size() ? " or " : ", ";
        found += hexAddress(ports[i].base);
    }
    return "use the base of a port found here (" + found + ") or a legacy base (" +
           portBasesText() + "); logic-capture --list-ports lists the ports";
}

// Sets line.base from the text of --base, or returns the one line that refuses it. The
// kernel's ports are asked for only when the text is no legacy base.
std::string chooseBase(CommandLine &line, const std::string &text,
                       const CommandLine::PortLister &listPorts)
{
    const std::optional<std::uint16_t> address = CommandLine::parseAddress(text);
    if (address && isLegacyBase(*address)) {
        line.base = address;
        return {};
    }
    const std::string refusal = text.empty()
                                    ? "--base needs the port's base address: "
                                    : "'" + text + "' is not a parallel port base address: ";
    if (line.simulate) {
        if (!address)
            return refusal + "the simulated probe answers at " + portBasesText();
        return "--simulate reads the simulated probe, which answers only at " + portBasesText() +
               ", not at " + hexAddress(*address) +
               ": choose one of these, or leave out --simulate for a real port";
    }
    const std::vector<ParportDevice> ports = listPorts ? listPorts() : listParports();
    if (address && std::any_of(ports.begin(), ports.end(),
                               [&](const ParportDevice &port) { return port.base == *address; })) {
        line.base = address;
        return {};
    }
    return refusal + baseChoices(ports);
}

} // namespace

std::optional<std::uint16_t> CommandLine::parseAddress(const std::string &text)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    else if (digits.size() > 2 && digits[0] == '&' && (digits[1] == 'H' || digits[1] == 'h'))
        digits.erase(0, 2);
    // Four hex digits hold any port address; more is no base, however many leading zeros.
    if (digits.empty() || digits.size() > 4 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isxdigit(c) != 0; }))
        return std::nullopt;
    return static_cast<std::uint16_t>(std::stoul(digits, nullptr, 16));
}

CommandLine CommandLine::parse(const std::vector<std::string> &arguments,
                               const std::vector<OwnOption> &ownOptions,
                               const PortLister &listPorts)
{
    enum Shared
    {
        Help = 'h',
        Version = 256,
        Simulate,
        PortLibrary,
        Base,
        Own // and up: ownOptions[code - Own]
    };
    std::vector<option> options{{"help", no_argument, nullptr, Help},
                                {"version", no_argument, nullptr, Version},
                                {"simulate", no_argument, nullptr, Simulate},
                                {"port-library", required_argument, nullptr, PortLibrary},
                                {"base", required_argument, nullptr, Base}};
    // In order, stopping at the first argument that is no option; ':' reports a value
    // missing apart from an unknown option.
    std::string letters = "+:h";
    for (std::size_t i = 0; i < ownOptions.size(); ++i) {
        const OwnOption &own = ownOptions[i];
        const int code = own.letter ? own.letter : Own + static_cast<int>(i);
        options.push_back(
            {own.name, own.takesValue ? required_argument : no_argument, nullptr, code});
        if (own.letter)
            letters += std::string(1, own.letter) + (own.takesValue ? ":" : "");
    }
    options.push_back({nullptr, 0, nullptr, 0});
    auto ownFor = [&](int code) -> const OwnOption * {
        for (std::size_t i = 0; i < ownOptions.size(); ++i) {
            if (code == (ownOptions[i].letter ? ownOptions[i].letter : Own + static_cast<int>(i)))
                return &ownOptions[i];
        }
        return nullptr;
    };

    std::vector<std::string> words{"program"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    CommandLine line;
    std::optional<std::string> baseText;
    opterr = 0; // the messages are ours
    optind = 0; // glibc starts afresh
    for (;;) {
        const int code = getopt_long(argc, argv.data(), letters.c_str(), options.data(), nullptr);
        if (code == -1)
            break;
        const std::string value = optarg && (code != ':') ? optarg : "";
        std::string error;
        switch (code) {
        case Help:
            line.action = Action::Help;
            return line;
        case Version:
            line.action = Action::Version;
            return line;
        case Simulate:
            line.simulate = true;
            break;
        case PortLibrary:
            error = takePortLibrary(line, value);
            break;
        case Base:
            baseText = value;
            break;
        case '?':
            return failure("unknown option '" + std::string(argv[optind - 1]) + "'");
        case ':':
            // A value is missing: the option says what it needs, as for an empty one.
            if (optopt == PortLibrary)
                error = takePortLibrary(line, "");
            else if (optopt == Base)
                baseText = "";
            else if (const OwnOption *own = ownFor(optopt))
                own->take("", error);
            break;
        default:
            if (const OwnOption *own = ownFor(code))
                own->take(value, error);
            break;
        }
        if (!error.empty())
            return failure(error);
    }
    if (optind < argc)
        return failure("unknown option '" + std::string(argv[optind]) + "'");
    if (line.simulate && !line.portLibrary.empty())
        return failure("--simulate and --port-library exclude each other: choose one");
    if (baseText) {
        if (const std::string refusal = chooseBase(line, *baseText, listPorts); !refusal.empty())
            return failure(refusal);
    }
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
           "  --port-library PATH   read the port through your own library (Inp32, Out32)\n"
           "  --base ADDRESS        the port's base address in hex: 0x378 (default), 0x3BC,\n"
           "                        0x278, or a card's such as 0xD010 or &HD010\n"
           "                        (logic-capture --list-ports lists the ports)\n";
}

const char *CommandLine::helpUsageLines()
{
    return "  --help                show this help and exit (also -h)\n"
           "  --version             show the version and exit\n";
}

std::string CommandLine::usage(const std::string &program)
{
    return "Usage: " + program +
           " [--simulate | --port-library PATH] [--base ADDRESS]\n"
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
