#include "control/captureoptions.h"

#include <algorithm>
#include <cctype>

namespace la {

namespace {

CaptureOptions failure(const std::string &message)
{
    CaptureOptions options;
    options.action = CaptureOptions::Action::Error;
    options.error = message;
    return options;
}

} // namespace

std::optional<std::uint16_t> CaptureOptions::parseBase(const std::string &text)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    // Four hex digits hold any port address; more is no base, however many leading zeros.
    if (digits.empty() || digits.size() > 4 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isxdigit(c) != 0; }))
        return std::nullopt;
    const auto value = static_cast<std::uint16_t>(std::stoul(digits, nullptr, 16));
    if (std::find(std::begin(Bases), std::end(Bases), value) == std::end(Bases))
        return std::nullopt;
    return value;
}

CaptureOptions CaptureOptions::parse(const std::vector<std::string> &arguments)
{
    CaptureOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            options.action = Action::Help;
            return options;
        }
        if (arg == "--version") {
            options.action = Action::Version;
            return options;
        }
        std::string error;
        if (options.takeOption(arguments, i, error)) {
            if (!error.empty())
                return failure(error);
            continue;
        }
        std::string value;
        if (takeOptionValue(arguments, i, "--base", value)) {
            if (value.empty())
                return failure("--base needs the port's base address: 0x378, 0x3BC or 0x278");
            const std::optional<std::uint16_t> base = parseBase(value);
            if (!base) {
                return failure("'" + value +
                               "' is not a parallel port base address: use 0x378, 0x3BC or "
                               "0x278");
            }
            options.base = *base;
            continue;
        }
        if (takeOptionValue(arguments, i, "--output", value)) {
            if (value.empty())
                return failure("--output needs the name of the VCD file to write");
            options.output = value;
            continue;
        }
        return failure("unknown option '" + arg + "'");
    }
    if (const std::string conflict = options.conflict(); !conflict.empty())
        return failure(conflict);
    return options;
}

std::string CaptureOptions::usage(const std::string &program)
{
    return "Usage: " + program +
           " [--simulate | --port-library PATH] [--base 0x378|0x3BC|0x278] [--output FILE]\n"
           "Makes one capture of the five channels and writes it as a VCD file.\n"
           "\n" +
           std::string(usageLines()) +
           "  --base ADDRESS        the port's base address: 0x378 (default), 0x3BC or 0x278\n"
           "  --output FILE         write the VCD to FILE instead of standard output\n"
           "  --help                show this help and exit (also -h)\n"
           "  --version             show the version and exit\n"
           "\n"
           "Without --simulate or --port-library the port is read through the kernel's\n"
           "parallel-port device (/dev/parportN, group lp). The capture time goes to\n"
           "standard error.\n";
}

} // namespace la
