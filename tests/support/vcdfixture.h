#pragma once

// What the VCD tests share: captures with known line levels, and a small reader of the files
// that holds the writer to the format rather than to its own arithmetic.

#include "acquisition/capture.h"
#include "acquisition/channels.h"
#include "state/instrumentstate.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace la::test {

// The levels of the five lines at sample 1..9999: bit k set means channel k + 1 is high.
using Pattern = std::function<unsigned(int sample)>;

// Every channel at its own pace: ch1 toggles at every sample, ch2 every 3, ch3 every 10,
// ch4 every 100, ch5 once, at sample 5001.
inline unsigned staggered(int sample)
{
    static const int spans[] = {1, 3, 10, 100, 5000};
    unsigned levels = 0;
    for (int k = 0; k < 5; ++k)
        levels |= (((sample - 1) / spans[k]) % 2 == 1 ? 1u : 0u) << k;
    return levels;
}

// The status byte a port shows for these line levels: Busy (bit 7) reads inverted.
inline std::int16_t statusByte(unsigned levels)
{
    return statusFor(levels);
}

// A capture of 9999 reads of `levels` that took `elapsedSeconds`, its reads not timed one
// by one.
inline Capture captured(const Pattern &levels, double elapsedSeconds = 0.010)
{
    Capture capture;
    for (int i = FirstSample; i <= LastSample; ++i)
        capture.reads.push_back(statusByte(levels(i)));
    capture.elapsedSeconds = elapsedSeconds;
    return capture;
}

// The same with every read timed: read i (0-based) returned at timeOf(i) nanoseconds.
inline Capture timedCapture(const Pattern &levels, const std::function<std::int64_t(int)> &timeOf)
{
    Capture capture = captured(levels);
    for (int i = 0; i < LastSample; ++i)
        capture.times.push_back(timeOf(i));
    capture.elapsedSeconds = double(capture.times.back() - capture.times.front()) / 1e9;
    capture.timing = measureTiming(capture.times);
    return capture;
}

// Reads a microsecond apart from 5 s on, but for `pauseNs` more after read `pauseAfter`
// (counted from 1).
inline std::function<std::int64_t(int)> everyMicrosecond(std::int64_t pauseNs = 0,
                                                         int pauseAfter = 0)
{
    return [=](int i) {
        return 5'000'000'000 + std::int64_t(i) * 1000 +
               (i >= pauseAfter && pauseAfter > 0 ? pauseNs : 0);
    };
}

struct VcdChange
{
    std::uint64_t time;
    char id;
    char value;
};

// A VCD file as a reader sees it. `problem` is empty when the file followed the format as
// far as this reader checks it.
struct ParsedVcd
{
    std::map<std::string, std::string> header; // "$date" -> "2024-...", "$timescale" -> "10 ns"
    std::vector<std::string> comments;
    std::vector<std::pair<char, std::string>> vars; // identifier, name
    std::string scope;
    std::map<char, char> initial;     // the $dumpvars values
    std::vector<std::uint64_t> times; // every timestamp, in file order
    std::vector<VcdChange> changes;   // after $dumpvars
    std::string problem;

    // The levels of ch1..ch5 (bit k for ch k + 1) at the time of each sample 1..9999, as a
    // reader that samples the wires at `tickOf(sample)` sees them.
    std::vector<unsigned> sampled(const std::function<std::uint64_t(int)> &tickOf) const
    {
        std::map<char, char> now = initial;
        std::vector<unsigned> levels;
        std::size_t next = 0;
        for (int i = FirstSample; i <= LastSample; ++i) {
            const std::uint64_t t = tickOf(i);
            for (; next < changes.size() && changes[next].time <= t; ++next)
                now[changes[next].id] = changes[next].value;
            unsigned bits = 0;
            for (std::size_t k = 0; k < vars.size(); ++k)
                bits |= (now[vars[k].first] == '1' ? 1u : 0u) << k;
            levels.push_back(bits);
        }
        return levels;
    }
};

inline ParsedVcd parseVcd(const std::string &text)
{
    ParsedVcd vcd;
    std::istringstream in(text);
    std::string token;
    auto untilEnd = [&] {
        std::string body, word;
        while (in >> word && word != "$end")
            body += (body.empty() ? "" : " ") + word;
        return body;
    };
    while (in >> token && token != "$enddefinitions") {
        if (token == "$comment") {
            vcd.comments.push_back(untilEnd());
        } else if (token == "$var") {
            std::istringstream var(untilEnd());
            std::string type, width, id, name;
            var >> type >> width >> id >> name;
            if (type != "wire" || width != "1" || id.size() != 1)
                vcd.problem = "unexpected $var " + type + " " + width + " " + id;
            vcd.vars.emplace_back(id[0], name);
        } else if (token == "$scope") {
            vcd.scope = untilEnd();
        } else if (token == "$upscope") {
            untilEnd();
        } else {
            vcd.header[token] = untilEnd();
        }
    }
    in >> token; // the $end of $enddefinitions
    bool inDump = false;
    std::uint64_t now = 0;
    while (in >> token) {
        if (token[0] == '#') {
            now = std::stoull(token.substr(1));
            if (!vcd.times.empty() && now <= vcd.times.back())
                vcd.problem = "time " + token + " does not increase";
            vcd.times.push_back(now);
        } else if (token == "$dumpvars") {
            inDump = true;
        } else if (token == "$end") {
            inDump = false;
        } else if (token.size() == 2 && (token[0] == '0' || token[0] == '1')) {
            if (inDump)
                vcd.initial[token[1]] = token[0];
            else
                vcd.changes.push_back({now, token[1], token[0]});
        } else {
            vcd.problem = "unexpected token " + token;
        }
    }
    return vcd;
}

// The time of sample 1..9999 in units of `unitSeconds`, for a capture of `elapsedSeconds`
// whose reads were not timed one by one.
inline std::uint64_t expectedTick(int sample, double elapsedSeconds, double unitSeconds)
{
    return static_cast<std::uint64_t>(
        std::llround((sample - 1) * (elapsedSeconds / SampleCount) / unitSeconds));
}

// The tick of sample 1..9999 of a timed capture, in units of `unitNs`.
inline std::uint64_t tickOfRead(const Capture &capture, int sample, double unitNs)
{
    const std::size_t i = std::size_t(sample - 1);
    return std::uint64_t(std::llround(double(capture.times[i] - capture.times[0]) / unitNs));
}

} // namespace la::test
