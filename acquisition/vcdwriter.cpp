#include "acquisition/vcdwriter.h"

#include "acquisition/capture.h"
#include "acquisition/channels.h"
#include "acquisition/safefile.h"
#include "acquisition/vcdtimebase.h"
#include "version.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <ctime>

namespace la {

namespace {

// Identifier characters of ch1..ch5, as simulators number their first wires.
constexpr std::array<char, 5> Ids = {'!', '"', '#', '$', '%'};

std::string describeChannel(std::size_t k)
{
    const ChannelWire &wire = ChannelWires[k];
    const int bit = std::countr_zero(wire.mask);
    std::string text = "ch" + std::to_string(k + 1) + ": status bit " + std::to_string(bit);
    // The port inverts Busy; the wire shows the line itself.
    if (wire.inverted)
        text += " (Busy, read inverted)";
    return text + ", connector pin " + std::to_string(wire.pin);
}

// Fixed-point text with three decimals and a '.', whatever the locale (the GUI sets the
// user's).
std::string fixed3(double value)
{
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    return error == std::errc() ? std::string(text, end) : std::string("?");
}

std::string describeTime(const Capture &capture, const VcdTimebase &timebase)
{
    if (!timebase.measured())
        return "No capture time was measured (no counter): one tick per sample.";
    const double period = capture.elapsedSeconds / static_cast<double>(capture.size());
    return "Measured capture time " + fixed3(capture.elapsedSeconds * 1e3) +
           " ms: sample n sits at (n - 1) x " + fixed3(period * 1e9) + " ns, the average period.";
}

} // namespace

std::string vcdDateNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string captureToVcd(const Capture &capture, const std::string &date)
{
    const std::size_t count = capture.size();
    const VcdTimebase timebase = VcdTimebase::forElapsed(capture.elapsedSeconds, count);
    auto level = [&](std::size_t k, std::size_t read) {
        return lineHigh(capture.reads[read], k) ? '1' : '0';
    };

    std::string vcd;
    vcd.reserve(64 * 1024);
    vcd += "$date " + date + " $end\n";
    vcd += "$version logic-analyzer " LA_VERSION " $end\n";
    vcd += "$comment " + std::to_string(count) +
           " samples of the parallel port's status lines; 1 = line high. $end\n";
    vcd += "$comment " + describeTime(capture, timebase) + " $end\n";
    vcd += "$timescale " + timebase.timescale() + " $end\n";
    vcd += "$scope module probe $end\n";
    for (std::size_t k = 0; k < ChannelWires.size(); ++k) {
        vcd += "$comment " + describeChannel(k) + " $end\n";
        vcd += std::string("$var wire 1 ") + Ids[k] + " ch" + std::to_string(k + 1) + " $end\n";
    }
    vcd += "$upscope $end\n$enddefinitions $end\n";
    if (count == 0)
        return vcd;

    vcd += "#0\n$dumpvars\n";
    std::array<char, 5> last{};
    for (std::size_t k = 0; k < ChannelWires.size(); ++k) {
        last[k] = level(k, 0);
        vcd += {last[k], Ids[k], '\n'};
    }
    vcd += "$end\n";

    std::uint64_t lastTick = 0;
    // A time that rounds onto the one before is moved on by a tick, which only happens
    // when the period is below a picosecond.
    auto nextTick = [&](std::size_t read) {
        lastTick = std::max(timebase.tickOf(read), lastTick + 1);
        return lastTick;
    };
    for (std::size_t i = 1; i < count; ++i) {
        std::string changes;
        for (std::size_t k = 0; k < ChannelWires.size(); ++k) {
            const char value = level(k, i);
            if (value != last[k])
                changes += {value, Ids[k], '\n'};
            last[k] = value;
        }
        // Every read's time is reckoned, changed or not, so that the times stay in order.
        const std::uint64_t tick = nextTick(i);
        if (!changes.empty())
            vcd += "#" + std::to_string(tick) + "\n" + changes;
    }
    vcd += "#" + std::to_string(nextTick(count)) + "\n";
    return vcd;
}

void saveCaptureAsVcd(const std::string &path, const Capture &capture)
{
    writeFileSafely(path, captureToVcd(capture, vcdDateNow()));
}

} // namespace la
