#include "output/vcdwriter.h"

#include "acquisition/capture.h"
#include "acquisition/channels.h"
#include "acquisition/elapsedformat.h"
#include "acquisition/parallelport.h"
#include "output/safefile.h"
#include "output/vcdtimebase.h"
#include "version.h"

#include <algorithm>
#include <array>
#include <bit>
#include <ctime>

namespace la {

namespace {

// Identifier characters of ch1..ch5, as simulators number their first wires.
constexpr std::array<char, 5> Ids = {'!', '"', '#', '$', '%'};
// A piece handed to the sink once it has grown this large.
constexpr std::size_t PieceSize = 1 << 20;

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

std::string us(double ns)
{
    return fixedPoint(ns / 1e3, 3) + " us";
}

std::string ms(double ns)
{
    return fixedPoint(ns / 1e6, 3) + " ms";
}

// The times of a capture's reads in nanoseconds from the first, and the period the file's
// unit and its end are reckoned from.
class ReadTimes
{
public:
    explicit ReadTimes(const Capture &capture) : m_capture(capture)
    {
        const std::size_t count = capture.size();
        m_timed = count > 0 && capture.times.size() == count;
        if (m_timed && capture.timing.medianPeriodNs > 0)
            m_periodNs = static_cast<double>(capture.timing.medianPeriodNs);
        else if (capture.elapsedSeconds > 0 && count > 0)
            m_periodNs = capture.elapsedSeconds * 1e9 / static_cast<double>(count);
        else
            m_periodNs = 1000; // nothing measured: a microsecond a read, as a legacy port reads
    }

    bool timed() const { return m_timed; }
    double periodNs() const { return m_periodNs; }
    double at(std::size_t read) const
    {
        if (!m_timed)
            return static_cast<double>(read) * m_periodNs;
        return static_cast<double>(m_capture.times[read] - m_capture.times[0]);
    }

private:
    const Capture &m_capture;
    bool m_timed = false;
    double m_periodNs = 0;
};

std::string describeTimes(const Capture &capture, const ReadTimes &times)
{
    const std::string measured =
        capture.elapsedSeconds > 0
            ? "Capture time " + ms(capture.elapsedSeconds * 1e9) + " as measured"
            : "Capture time not measured (no counter)";
    if (!times.timed())
        return measured + "; the reads were not timed one by one: read n sits at n x " +
               us(times.periodNs()) + ".";
    return measured + "; median read period " + us(times.periodNs()) +
           ". Each change is written at the time of the read that first saw it.";
}

std::string describePauses(const Capture &capture, const ReadTimes &times)
{
    const ReadTiming &timing = capture.timing;
    const std::string pause = "longer than " + std::to_string(PauseFactor) + " median periods";
    if (timing.pauses == 0)
        return "No pauses: no gap between two reads " + pause + ".";
    const std::size_t after = timing.longestPauseAfter;
    return std::to_string(timing.pauses) + (timing.pauses == 1 ? " pause " : " pauses ") + pause +
           "; the longest " + us(static_cast<double>(timing.longestPauseNs)) + " after read " +
           std::to_string(after) + " (at " + ms(times.at(after - 1)) +
           "). The reads say nothing of the lines during a pause.";
}

} // namespace

std::string vcdDate(std::chrono::system_clock::time_point time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string vcdDateNow()
{
    return vcdDate(std::chrono::system_clock::now());
}

void writeVcd(const Capture &capture, const std::string &date, const VcdSink &sink)
{
    const std::size_t count = capture.size();
    const ReadTimes times(capture);
    const VcdTimebase timebase = VcdTimebase::forPeriod(times.periodNs());
    const auto status = static_cast<std::uint16_t>(capture.base + StatusOffset);

    std::string vcd;
    vcd.reserve(PieceSize + 4096);
    vcd += "$date " + date + " $end\n";
    vcd += "$version logic-analyzer " LA_VERSION " $end\n";
    vcd += "$comment " + std::to_string(count) + " reads of the status register at " +
           hexAddress(status) + " (port " + hexAddress(capture.base) + "); 1 = line high. $end\n";
    vcd += "$comment " + describeTimes(capture, times) + " $end\n";
    if (times.timed())
        vcd += "$comment " + describePauses(capture, times) + " $end\n";
    if (capture.trigger && capture.trigger->read < count) {
        const std::size_t read = capture.trigger->read;
        vcd += "$comment Trigger " + capture.trigger->condition + " held at read " +
               std::to_string(read + 1) + ", " + ms(times.at(read)) +
               " after the first; the reads before it came before it held. $end\n";
    }
    vcd += "$timescale " + timebase.timescale() + " $end\n";
    vcd += "$scope module probe $end\n";
    for (std::size_t k = 0; k < ChannelWires.size(); ++k) {
        vcd += "$comment " + describeChannel(k) + " $end\n";
        vcd += std::string("$var wire 1 ") + Ids[k] + " ch" + std::to_string(k + 1) + " $end\n";
    }
    vcd += "$upscope $end\n$enddefinitions $end\n";

    if (count > 0) {
        auto level = [&](std::size_t k, std::size_t read) {
            return lineHigh(capture.reads[read], k) ? '1' : '0';
        };
        vcd += "#0\n$dumpvars\n";
        std::array<char, 5> last{};
        for (std::size_t k = 0; k < ChannelWires.size(); ++k) {
            last[k] = level(k, 0);
            vcd += {last[k], Ids[k], '\n'};
        }
        vcd += "$end\n";

        std::uint64_t lastTick = 0;
        // Readers want the times to increase: a read that rounds onto the time written last
        // (only with a clock coarser than the unit) goes one tick later.
        auto tickAt = [&](double ns) {
            lastTick = std::max(timebase.ticksOf(ns), lastTick + 1);
            return lastTick;
        };
        for (std::size_t i = 1; i < count; ++i) {
            char changes[16];
            std::size_t changed = 0;
            for (std::size_t k = 0; k < ChannelWires.size(); ++k) {
                const char value = level(k, i);
                if (value != last[k]) {
                    changes[changed++] = value;
                    changes[changed++] = Ids[k];
                    changes[changed++] = '\n';
                    last[k] = value;
                }
            }
            if (changed == 0)
                continue;
            vcd += '#';
            vcd += std::to_string(tickAt(times.at(i)));
            vcd += '\n';
            vcd.append(changes, changed);
            if (vcd.size() >= PieceSize) {
                sink(vcd);
                vcd.clear();
            }
        }
        vcd += "#" + std::to_string(tickAt(times.at(count - 1) + times.periodNs())) + "\n";
    }
    sink(vcd);
}

std::string captureToVcd(const Capture &capture, const std::string &date)
{
    std::string vcd;
    writeVcd(capture, date, [&vcd](std::string_view piece) { vcd += piece; });
    return vcd;
}

void saveCaptureAsVcd(const std::string &path, const Capture &capture)
{
    SafeFile file(path);
    writeVcd(capture, vcdDate(capture.firstReadAt),
             [&file](std::string_view piece) { file.write(piece); });
    file.commit();
}

} // namespace la
