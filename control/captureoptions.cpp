#include "control/captureoptions.h"

#include "acquisition/parallelport.h"

#include <algorithm>
#include <cctype>

namespace la {

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
    if (std::find(PortBases.begin(), PortBases.end(), value) == PortBases.end())
        return std::nullopt;
    return value;
}

CaptureOptions CaptureOptions::parse(const std::vector<std::string> &arguments)
{
    CaptureOptions options;
    auto own = [&options](const std::vector<std::string> &args, std::size_t &i,
                          std::string &error) {
        std::string value;
        if (takeOptionValue(args, i, "--base", value)) {
            const std::optional<std::uint16_t> base = parseBase(value);
            if (value.empty())
                error = "--base needs the port's base address: " + portBasesText();
            else if (!base)
                error =
                    "'" + value + "' is not a parallel port base address: use " + portBasesText();
            else
                options.base = *base;
            return true;
        }
        if (takeOptionValue(args, i, "--output", value)) {
            if (value.empty())
                error = "--output needs the name of the VCD file to write";
            options.output = value;
            return true;
        }
        return false;
    };
    static_cast<CommandLine &>(options) = CommandLine::parse(arguments, own);
    return options;
}

std::string CaptureOptions::usage(const std::string &program)
{
    return "Usage: " + program + " [--simulate | --port-library PATH] [--base " +
           portBasesText("|", "|") +
           "] [--output FILE]\n"
           "Makes one capture of the five channels and writes it as a VCD file.\n"
           "\n" +
           portUsageLines() +
           "  --base ADDRESS        the port's base address: " + hexAddress(PortBases[0]) +
           " (default), " + hexAddress(PortBases[1]) + " or " + hexAddress(PortBases[2]) +
           "\n"
           "  --output FILE         write the VCD to FILE instead of standard output\n" +
           helpUsageLines() +
           "\n"
           "Without --simulate or --port-library the port is read through the kernel's\n"
           "parallel-port device (/dev/parportN, group lp). The capture time goes to\n"
           "standard error.\n";
}

} // namespace la
