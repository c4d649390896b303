#include "cli/captureoptions.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace la {

namespace {

// A whole number written in decimal digits alone, or nothing.
std::optional<unsigned long long> wholeNumber(const std::string &text)
{
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A number of seconds such as 10 or 2.5, or nothing.
std::optional<double> seconds(const std::string &text)
{
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

CaptureOptions CaptureOptions::parse(const std::vector<std::string> &arguments,
                                     const PortLister &listPorts)
{
    CaptureOptions options;
    bool pretriggerGiven = false, timeoutGiven = false;
    const std::vector<OwnOption> own{
        {"list-ports", 0, false,
         [&](const std::string &, std::string &) { options.listPorts = true; }},
        {"output", 0, true,
         [&](const std::string &value, std::string &error) {
             if (value.empty())
                 error = "--output needs the name of the VCD file to write (- for standard "
                         "output)";
             options.output = value;
         }},
        {"samples", 0, true,
         [&](const std::string &value, std::string &error) {
             const auto n = wholeNumber(value);
             if (!n || *n < 1 || *n > MostSamples)
                 error = "--samples takes a whole number of reads from 1 to " +
                         std::to_string(MostSamples) + ", not '" + value + "'";
             else
                 options.samples = static_cast<std::size_t>(*n);
         }},
        {"channels", 'C', true,
         [&](const std::string &value, std::string &error) {
             if (auto choice = ChannelChoice::parse(value, error))
                 options.channels = std::move(*choice);
         }},
        {"trigger", 0, true,
         [&](const std::string &value, std::string &error) {
             options.trigger = TriggerCondition::parse(value, error);
         }},
        {"pretrigger", 0, true,
         [&](const std::string &value, std::string &error) {
             const auto p = wholeNumber(value);
             if (!p || *p > 99)
                 error = "--pretrigger takes a whole percentage from 0 to 99, not '" + value + "'";
             else
                 options.pretrigger = static_cast<int>(*p);
             pretriggerGiven = true;
         }},
        {"timeout", 0, true,
         [&](const std::string &value, std::string &error) {
             const auto s = seconds(value);
             if (!s || *s <= 0 || *s > MostTimeout)
                 error = "--timeout takes a number of seconds above 0 and at most 86400, not '" +
                         value + "'";
             else
                 options.timeoutSeconds = *s;
             options.timeoutText = value;
             timeoutGiven = true;
         }},
    };
    static_cast<CommandLine &>(options) = CommandLine::parse(arguments, own, listPorts);
    if (options.action == Action::Run && !options.trigger && (pretriggerGiven || timeoutGiven)) {
        options.action = Action::Error;
        options.error = std::string(pretriggerGiven ? "--pretrigger" : "--timeout") +
                        " belongs to a trigger: give one with --trigger, e.g. --trigger ch5:fall";
    }
    if (options.action == Action::Run && options.trigger) {
        if (std::string refusal = options.trigger->notChosen(options.channels.bits());
            !refusal.empty()) {
            options.action = Action::Error;
            options.error = std::move(refusal);
        }
    }
    return options;
}

std::string CaptureOptions::usage(const std::string &program)
{
    return "Usage: " + program +
           " [--simulate | --port-library PATH] [--base ADDRESS] [--samples N]\n"
           "       [--channels LIST] [--trigger COND [--pretrigger P] [--timeout S]]\n"
           "       [--output FILE]\n"
           "       " +
           program +
           " --list-ports\n"
           "Makes one capture of the five channels and writes it as a VCD file.\n"
           "\n" +
           portUsageLines() +
           "  --list-ports          list the machine's parallel ports (base, device, modes,\n"
           "                        whether you can use it) and exit\n"
           "  --samples N           how many reads, 1 to " +
           std::to_string(MostSamples) + " (default " + std::to_string(SampleCount) +
           ")\n"
           "  --channels LIST       the lines to read, in the order the file shows them:\n"
           "                        ch1..ch5 (status, the default), d0..d7 (data),\n"
           "                        c0..c3 (control), ranges such as d0-d7, a name for a\n"
           "                        line with =, joined by commas: ch5=RX,d0-d7,c0=CS\n"
           "                        (also -C LIST)\n"
           "  --trigger COND        keep the reads around the first one at which COND holds:\n"
           "                        L:rise, L:fall, L:edge, L:high or L:low for a line L\n"
           "                        (1 = pin high), several joined by commas, all at the\n"
           "                        same read, at most one edge\n"
           "  --pretrigger P        percent of the reads from before the trigger, 0 to 99\n"
           "                        (default 10)\n"
           "  --timeout S           seconds to wait for the trigger (default 10); then exit\n"
           "                        with status 3 and write nothing\n"
           "  --output FILE         write the VCD to FILE (default, or -: standard output)\n" +
           helpUsageLines() +
           "\n"
           "Without --simulate or --port-library the port is read through the kernel's\n"
           "parallel-port device (/dev/parportN, group lp). Standard output carries the VCD\n"
           "alone; one line about the capture (reads, time, pauses) goes to standard error,\n"
           "with a progress line while a long capture runs on a terminal.\n"
           "\n"
           "Example: 200000 reads of the simulated probe from its UART's first falling edge,\n"
           "decoded by sigrok-cli:\n"
           "  " +
           program +
           " --simulate --samples 200000 --trigger ch5:fall |\n"
           "    sigrok-cli -i - -I vcd -P uart:rx=ch5:baudrate=9600:format=ascii -A uart=rx-data\n"
           "\n"
           "Exit status: 0 done, 1 the port or the file failed, 2 a wrong option, 3 the trigger\n"
           "did not hold in time, 128 + the signal when ended by one (130 for Ctrl-C).\n";
}

} // namespace la
