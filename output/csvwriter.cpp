#include "output/csvwriter.h"

#include "acquisition/channels.h"

#include <algorithm>

namespace la {

CsvWriter::CsvWriter(TextTarget target, ChannelChoice lines)
    : m_out(std::move(target)), m_lines(std::move(lines))
{
}

void CsvWriter::begin(const CaptureStart &, SampleWord first)
{
    m_out.add("time");
    for (const ChosenLine &line : m_lines.lines()) {
        m_out.add(',');
        m_out.add(line.name);
    }
    m_out.add('\n');
    levels(first);
    row(0);
}

void CsvWriter::levels(SampleWord sample)
{
    for (std::size_t k = 0; k < m_lines.lines().size(); ++k)
        m_levels[k] = lineLevel(sample, m_lines.lines()[k].line) ? '1' : '0';
}

void CsvWriter::row(std::int64_t ns)
{
    // Readers want the times to increase: a read on the nanosecond of the last row (a clock
    // coarser than that) goes a nanosecond later.
    ns = std::max(ns, m_lastNs + 1);
    m_lastNs = ns;
    char fraction[10];
    std::int64_t rest = ns % 1'000'000'000;
    for (int digit = 8; digit >= 0; --digit) {
        fraction[digit] = char('0' + rest % 10);
        rest /= 10;
    }
    fraction[9] = '\0';
    m_out.addNumber(std::uint64_t(ns / 1'000'000'000));
    m_out.add('.');
    m_out.add(std::string_view(fraction, 9));
    for (std::size_t k = 0; k < m_lines.lines().size(); ++k) {
        m_out.add(',');
        m_out.add(m_levels[k]);
    }
    m_out.add('\n');
}

void CsvWriter::change(std::int64_t ns, SampleWord sample)
{
    levels(sample);
    row(ns);
}

void CsvWriter::finish(const CaptureSummary &summary)
{
    if (summary.reads > 0)
        row(summary.endNs);
    m_out.flush();
}

} // namespace la
