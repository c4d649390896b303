#include "cli/captureoptions.h"

#include "acquisition/readclock.h"

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

// A count of reads: a whole number, times a thousand, a million or a billion with k, M or
// G after it, as sigrok-cli writes them (200k, 5M); nothing for anything else.
std::optional<unsigned long long> readCount(const std::string &text)
{
    static const std::pair<char, unsigned long long> Suffixes[] = {
        {'k', 1000ULL}, {'K', 1000ULL}, {'M', 1000000ULL}, {'G', 1000000000ULL}};
    std::string digits = text;
    unsigned long long factor = 1;
    for (const auto &[letter, times] : Suffixes) {
        if (!digits.empty() && digits.back() == letter) {
            digits.pop_back();
            factor = times;
        }
    }
    const auto n = wholeNumber(digits);
    if (!n || *n > CaptureOptions::MostSamples / factor)
        return std::nullopt;
    return *n * factor;
}

// A length of time with its unit: 500ms, 30s, 10m, 2h, 1.5s; in nanoseconds, or nothing.
std::optional<double> lengthOfTime(const std::string &text)
{
    static const std::pair<const char *, double> Units[] = {
        {"ms", 1e6}, {"s", 1e9}, {"m", 60e9}, {"h", 3600e9}};
    for (const auto &[unit, ns] : Units) {
        const std::string suffix = unit;
        if (text.size() > suffix.size() &&
            text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            const auto value = seconds(text.substr(0, text.size() - suffix.size()));
            return value ? std::optional<double>(*value * ns) : std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

CaptureOptions CaptureOptions::parse(const std::vector<std::string> &arguments,
                                     const PortLister &listPorts)
{
    CaptureOptions options;
    bool pretriggerGiven = false, timeoutGiven = false;
    std::vector<std::string> lengths; // the options that set the length, as given
    const std::vector<OwnOption> own{
        {"list-ports", 0, false,
         [&](const std::string &, std::string &) { options.listPorts = true; }},
        {"output", 'o', true,
         [&](const std::string &value, std::string &error) {
             if (value.empty())
                 error = "--output needs the name of the file to write (- for standard output)";
             options.output = value;
         }},
        {"output-format", 'O', true,
         [&](const std::string &value, std::string &error) {
             if (value == "vcd")
                 options.format = Format::Vcd;
             else if (value == "csv")
                 options.format = Format::Csv;
             else
                 error = "--output-format takes vcd or csv, not '" + value + "'";
         }},
        {"samples", 0, true,
         [&](const std::string &value, std::string &error) {
             const auto n = readCount(value);
             if (!n || *n < 1)
                 error = "--samples takes a whole number of reads from 1 to " +
                         std::to_string(MostSamples) +
                         ", with k, M or G for thousands, millions or billions (200k, 5M), "
                         "not '" +
                         value + "'";
             else
                 options.samples = *n;
             options.length = Length::Samples;
             lengths.push_back("--samples");
         }},
        {"time", 0, true,
         [&](const std::string &value, std::string &error) {
             const auto ns = lengthOfTime(value);
             if (!ns || *ns < 1 || *ns > double(MostTimeNs))
                 error = "--time takes a length of time with its unit, above 0 and at most "
                         "1000h, such as 500ms, 30s, 10m or 2h, not '" +
                         value + "'";
             else
                 options.timeNs = static_cast<std::int64_t>(*ns);
             options.timeText = value;
             options.length = Length::Time;
             lengths.push_back("--time");
         }},
        {"continuous", 0, false,
         [&](const std::string &, std::string &) {
             options.length = Length::Continuous;
             lengths.push_back("--continuous");
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
    if (options.action != Action::Run)
        return options;
    if (lengths.size() > 1) {
        options.action = Action::Error;
        options.error = lengths[0] + " and " + lengths[1] +
                        " each say how long to capture: give one of --samples, --time and "
                        "--continuous";
    } else if (!options.trigger && (pretriggerGiven || timeoutGiven)) {
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

StreamRequest CaptureOptions::streamRequest() const
{
    StreamRequest request;
    request.base = portBase();
    request.lines = channels.bits();
    if (length == Length::Samples)
        request.samples = samples;
    else if (length == Length::Time)
        request.timeNs = timeNs;
    request.trigger = trigger;
    request.pretriggerPercent = pretrigger;
    request.timeoutNs = std::llround(timeoutSeconds * 1e9);
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    request.monotonicNs = monotonicNs();
    request.wallNs = std::int64_t(wall.tv_sec) * 1'000'000'000 + wall.tv_nsec;
    return request;
}

std::string CaptureOptions::usage(const std::string &program)
{
    const std::string before = std::to_string(MostBeforeTrigger);
    return "Usage: " + program +
           " [--simulate | --port-library PATH] [--base ADDRESS]\n"
           "       [--samples N | --time TIME | --continuous] [--channels LIST]\n"
           "       [--trigger COND [--pretrigger P] [--timeout S]] [-o FILE] [-O vcd|csv]\n"
           "       " +
           program +
           " --list-ports\n"
           "Makes one capture of the five channels, or of the lines --channels chooses, and\n"
           "writes it, as it runs, as a VCD or CSV file.\n"
           "\n" +
           portUsageLines() +
           "  --list-ports          list the machine's parallel ports (base, device, modes,\n"
           "                        whether you can use it) and exit\n"
           "  --samples N           how many reads, 1 to " +
           std::to_string(MostSamples) + " (default " + std::to_string(SampleCount) +
           ");\n"
           "                        k, M and G count thousands, millions and billions: 200k\n"
           "  --time TIME           read for this long: 500ms, 30s, 10m or 2h\n"
           "  --continuous          read until Ctrl-C, SIGTERM or SIGHUP, which end the\n"
           "                        capture and complete the file (a second one abandons it)\n"
           "  --channels LIST       the lines to read, in the order the file shows them:\n"
           "                        ch1..ch5 (status, the default), d0..d7 (data),\n"
           "                        c0..c3 (control), ranges such as d0-d7, a name for a\n"
           "                        line with =, joined by commas: ch5=RX,d0-d7,c0=CS\n"
           "                        (also -C LIST)\n"
           "  --trigger COND        keep the reads from around the first one at which COND\n"
           "                        holds: L:rise, L:fall, L:edge, L:high or L:low for a\n"
           "                        chosen line L (1 = line high), several joined by commas,\n"
           "                        all at the same read, at most one edge\n"
           "  --pretrigger P        the share from before the trigger, 0 to 99 percent\n"
           "                        (default 10): of the reads with --samples, of the time\n"
           "                        with --time, of the " +
           before +
           " reads that can be kept from\n"
           "                        before it with --continuous; never more than those\n"
           "  --timeout S           seconds to wait for the trigger (default 10); then exit\n"
           "                        with status 3 and write nothing\n"
           "  -o, --output FILE     write to FILE (default, or -: standard output)\n"
           "  -O, --output-format F vcd (the default) or csv: a row per change, read by\n"
           "                        sigrok-cli with -I csv:column_formats=t,5l\n" +
           helpUsageLines() +
           "\n"
           "Without --simulate or --port-library the port is read through the kernel's\n"
           "parallel-port device (/dev/parportN, group lp). Standard output carries the file\n"
           "alone; one line about the capture (reads, time, pauses, priority) goes to\n"
           "standard error, with a progress line while a long capture runs on a terminal.\n"
           "The file is written as the reads are made, in constant memory, whatever the\n"
           "length; a VCD file gets the figures known only at the end in its header, a pipe\n"
           "on standard error. When the output cannot keep up with the reads (a slow disk, a\n"
           "pipe not read), the capture ends at the last read kept and the file is completed\n"
           "up to there.\n"
           "\n"
           "Example: 200000 reads of the simulated probe from its UART's first falling edge,\n"
           "decoded by sigrok-cli:\n"
           "  " +
           program +
           " --simulate --samples 200k --trigger ch5:fall |\n"
           "    sigrok-cli -i - -I vcd -P uart:rx=ch5:baudrate=9600:format=ascii -A uart=rx-data\n"
           "and its data pins' counter, clocked by ch1, read as an 8-bit bus:\n"
           "  " +
           program +
           " --simulate --channels ch1,d0-d7,ch5=RX --samples 200k |\n"
           "    sigrok-cli -i - -I vcd -A parallel=items \\\n"
           "      -P parallel:clk=ch1:d0=d0:d1=d1:d2=d2:d3=d3:d4=d4:d5=d5:d6=d6:d7=d7\n"
           "\n"
           "Exit status: 0 done (a --continuous capture ended by a signal too), 1 the port or\n"
           "the file failed, or the output could not keep up, 2 a wrong option, 3 the trigger\n"
           "did not hold in time, 128 + the signal when one abandoned the capture (130 for\n"
           "Ctrl-C).\n";
}

} // namespace la
