#pragma once

#include "acquisition/changesink.h"
#include "acquisition/channelchoice.h"
#include "output/textoutput.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace la {

struct Capture;

// A capture as a Value Change Dump, written as its changes come: a one-bit wire per chosen
// line in scope "probe", in the order chosen and under its name (ch1..ch5 by default), each
// 1 where its line is high and with a comment giving its register bit and connector pin. Every
// change is written at the time of the read that first saw it, relative to the first read, on the
// unit VcdTimebase chooses for the period the start gives; the last timestamp lies one median
// period after the last read. The header's comments tell the reads, the times and the pauses: given
// at the start, they are written there; otherwise room is kept for them and filled in at the end
// where the target can be written again, and a target that cannot (a pipe) is told that they go to
// standard error. Nothing is allocated once the header is written.
class VcdWriter : public ChangeSink
{
public:
    // The room kept in the header for the figures known only at the end.
    static constexpr std::size_t FigureRoom = 2048;

    explicit VcdWriter(TextTarget target, ChannelChoice lines = {});

    void begin(const CaptureStart &start, SampleWord first) override;
    void change(std::int64_t ns, SampleWord sample) override;
    void finish(const CaptureSummary &summary) override;
    void idle() override { m_out.flush(); }

    // The header alone, for a capture without reads.
    void header(const CaptureStart &start);

private:
    std::uint64_t tickAt(std::int64_t ns);

    TextOutput m_out;
    ChannelChoice m_lines;
    double m_unitNs = 100;
    std::uint64_t m_lastTick = 0;
    std::array<char, PortLines.size()> m_levels{};
    std::uint64_t m_figuresAt = 0; // where the room for the figures starts
    bool m_figuresLater = false;   // room kept, to be filled in at the end
};

// Receives a VCD file piece by piece, in order.
using VcdSink = std::function<void(std::string_view piece)>;

// A capture in memory as VCD, through VcdWriter: the same file a stream of its reads gives,
// with the time unit chosen for its median period and its figures in the header. Reads that
// were not timed one by one are spread evenly over the measured time. `date` is the text of
// the $date line. The file goes to `sink` in pieces of about a megabyte.
void writeVcd(const Capture &capture, const std::string &date, const VcdSink &sink);

// The same file as one string.
std::string captureToVcd(const Capture &capture, const std::string &date);

// A time in local time as the $date line shows it, e.g. "2024-05-01 14:03:27".
std::string vcdDate(std::chrono::system_clock::time_point time);

// Writes the capture's VCD, dated when its first read was made, to `path` through a
// SafeFile: the file is complete or untouched. Throws FileWriteError (output/safefile.h).
void saveCaptureAsVcd(const std::string &path, const Capture &capture);

} // namespace la
