#pragma once

#include "acquisition/changesink.h"
#include "acquisition/channelchoice.h"
#include "output/textoutput.h"

#include <array>

namespace la {

// A capture as comma-separated values, written as its changes come: a header row of "time"
// and the chosen lines' names in the order chosen ("time,ch1,ch2,ch3,ch4,ch5" by default),
// then a row for the first sample and one for each sample at which a line changed: its time
// in seconds from the first, with nanosecond digits, and the levels, 1 where the line is
// high. A last row at the end of the capture, one median
// period after the last read, repeats the levels, so that the rows span the capture's
// time. Times only increase. Spreadsheets read it as it is; sigrok-cli with
// -I csv:column_formats=t,5l (each row one sample to it). Nothing is allocated once the
// header row is written.
class CsvWriter : public ChangeSink
{
public:
    explicit CsvWriter(TextTarget target, ChannelChoice lines = {});

    void begin(const CaptureStart &start, SampleWord first) override;
    void change(std::int64_t ns, SampleWord sample) override;
    void finish(const CaptureSummary &summary) override;
    void idle() override { m_out.flush(); }

private:
    void row(std::int64_t ns);
    void levels(SampleWord sample);

    TextOutput m_out;
    ChannelChoice m_lines;
    std::array<char, PortLines.size()> m_levels{};
    std::int64_t m_lastNs = -1;
};

} // namespace la
