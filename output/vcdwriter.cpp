#include "output/vcdwriter.h"

#include "acquisition/capture.h"
#include "acquisition/channels.h"
#include "acquisition/elapsedformat.h"
#include "output/safefile.h"
#include "output/vcdheader.h"
#include "output/vcdtimebase.h"
#include "version.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace la {

namespace {

// The identifier character of the k-th wire (0-based), as simulators number their first
// wires: '!', '"', '#', ...
constexpr char idOf(std::size_t k)
{
    return static_cast<char>('!' + k);
}

// The figures' comments padded to fill their room exactly; whole comments that would not
// fit are left out.
std::string filling(std::string text, std::size_t room)
{
    while (text.size() > room - 1) {
        const std::size_t last = text.rfind("$comment ", text.size() - 2);
        text.resize(last == std::string::npos ? 0 : last);
    }
    text.resize(room - 1, ' ');
    return text + '\n';
}

} // namespace

VcdWriter::VcdWriter(TextTarget target, ChannelChoice lines)
    : m_out(std::move(target)), m_lines(std::move(lines))
{
}

void VcdWriter::header(const CaptureStart &start)
{
    const VcdTimebase timebase = VcdTimebase::forPeriod(start.periodNs);
    m_unitNs = std::pow(10.0, timebase.unitExponent() + 9);
    m_out.add("$date " + start.date + " $end\n");
    m_out.add("$version logic-analyzer " LA_VERSION " $end\n");
    if (start.figures) {
        m_out.add(vcdFigureComments(*start.figures, m_lines.bits()));
    } else if (m_out.canRewrite()) {
        m_figuresAt = m_out.offset();
        m_figuresLater = true;
        std::string room = "$comment";
        room.resize(FigureRoom - 5, ' ');
        m_out.add(room + "$end\n");
    } else {
        m_out.add(vcdStreamComments(start, m_lines.bits()));
    }
    m_out.add("$timescale " + timebase.timescale() + " $end\n");
    m_out.add("$scope module probe $end\n");
    for (std::size_t k = 0; k < m_lines.lines().size(); ++k) {
        const ChosenLine &line = m_lines.lines()[k];
        m_out.add("$comment " + describeLine(line) + " $end\n");
        m_out.add(std::string("$var wire 1 ") + idOf(k) + ' ' + line.name + " $end\n");
    }
    m_out.add("$upscope $end\n$enddefinitions $end\n");
}

void VcdWriter::begin(const CaptureStart &start, SampleWord first)
{
    header(start);
    m_out.add("#0\n$dumpvars\n");
    for (std::size_t k = 0; k < m_lines.lines().size(); ++k) {
        m_levels[k] = lineLevel(first, m_lines.lines()[k].line) ? '1' : '0';
        const char value[] = {m_levels[k], idOf(k), '\n'};
        m_out.add(std::string_view(value, sizeof value));
    }
    m_out.add("$end\n");
    m_lastTick = 0;
}

std::uint64_t VcdWriter::tickAt(std::int64_t ns)
{
    // Readers want the times to increase: a read that rounds onto the time written last
    // (only with a clock coarser than the unit) goes one tick later.
    const double ticks = double(ns) / m_unitNs;
    const std::uint64_t rounded = ticks <= 0 ? 0 : std::uint64_t(std::llround(ticks));
    m_lastTick = std::max(rounded, m_lastTick + 1);
    return m_lastTick;
}

void VcdWriter::change(std::int64_t ns, SampleWord sample)
{
    char changes[3 * PortLines.size()];
    std::size_t changed = 0;
    for (std::size_t k = 0; k < m_lines.lines().size(); ++k) {
        const char value = lineLevel(sample, m_lines.lines()[k].line) ? '1' : '0';
        if (value != m_levels[k]) {
            changes[changed++] = value;
            changes[changed++] = idOf(k);
            changes[changed++] = '\n';
            m_levels[k] = value;
        }
    }
    if (changed == 0)
        return;
    m_out.add('#');
    m_out.addNumber(tickAt(ns));
    m_out.add('\n');
    m_out.add(std::string_view(changes, changed));
}

void VcdWriter::finish(const CaptureSummary &summary)
{
    if (summary.reads > 0) {
        m_out.add('#');
        m_out.addNumber(tickAt(summary.endNs));
        m_out.add('\n');
    }
    if (m_figuresLater)
        m_out.rewrite(m_figuresAt, filling(vcdFigureComments(summary, m_lines.bits()), FigureRoom));
    m_out.flush();
}

std::string vcdDate(std::chrono::system_clock::time_point time)
{
    return localDateText(std::chrono::system_clock::to_time_t(time));
}

void writeVcd(const Capture &capture, const std::string &date, const VcdSink &sink)
{
    const CaptureSummary figures = summarize(capture);
    CaptureStart start;
    start.base = capture.base;
    start.date = date;
    start.periodNs = figures.periodNs;
    start.figures = &figures;
    VcdWriter writer(TextTarget{sink, {}});
    const std::size_t count = capture.size();
    if (count == 0) {
        writer.header(start);
        writer.finish(figures);
        return;
    }
    // Each read's time from the first; reads not timed one by one sit a period apart.
    auto at = [&](std::size_t i) {
        return figures.timed ? capture.times[i] - capture.times[0]
                             : std::int64_t(double(i) * figures.periodNs);
    };
    ChangeKeeper keeper(writer);
    keeper.begin(start, statusSample(capture.reads[0]));
    for (std::size_t i = 1; i < count; ++i)
        keeper.keep(at(i), statusSample(capture.reads[i]));
    writer.finish(figures);
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
