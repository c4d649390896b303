#pragma once

// Test doubles for the instrument's outside world: a port that records every call, a
// counter the test sets by hand, a platform that records beeps, messages and the end, and a
// screen that records its operations on top of a real image.

#include "acquisition/countersource.h"
#include "acquisition/portio.h"
#include "control/instrument.h"
#include "control/platform.h"
#include "display/screenimage.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace la::test {

struct PortCall
{
    char op; // 'r' for Inp32, 'w' for Out32
    std::int16_t address;
    std::int16_t value;
    bool operator==(const PortCall &) const = default;
};

// The clock each read is timed by: `step` nanoseconds pass per read, and `stall` more
// before the read numbered `stallAt` (counted from 0 over the whole test) returns.
struct FakeReadClock
{
    std::int64_t time = 1'000'000'000;
    std::int64_t step = 1000;
    std::int64_t stall = 0;
    std::int64_t stallAt = -1;
    std::int64_t calls = 0;

    static FakeReadClock &state()
    {
        static FakeReadClock clock;
        return clock;
    }
    static std::int64_t now()
    {
        FakeReadClock &c = state();
        c.time += c.step + (c.calls++ == c.stallAt ? c.stall : 0);
        return c.time;
    }
};

// The port's state lives in one place because the library calls are plain C functions.
struct FakePortState
{
    std::vector<PortCall> calls;
    // The value of the n-th read (0-based, counted over the whole test).
    std::function<std::int16_t(int n)> readValue = [](int) { return std::int16_t(0); };
    int reads = 0;
    std::string lookupFailure;         // non-empty: binding a function fails with this message
    std::string deviceFailure;         // non-empty: the calls run but the library reports this
    std::string source;                // where the library says the reads come from
    std::function<void()> duringWrite; // what a library may do inside its Out32
};

inline FakePortState &fakePort()
{
    static FakePortState state;
    return state;
}

class FakePort : public PortIo
{
public:
    FakePort()
    {
        fakePort() = FakePortState();
        FakeReadClock::state() = FakeReadClock();
    }

    Inp32Fn inp32() override
    {
        if (!fakePort().lookupFailure.empty())
            throw PortError(fakePort().lookupFailure);
        return &read;
    }
    Out32Fn out32() override
    {
        if (!fakePort().lookupFailure.empty())
            throw PortError(fakePort().lookupFailure);
        return &write;
    }
    std::string takeLastError() override { return std::exchange(fakePort().deviceFailure, {}); }
    std::string source(std::int16_t) override { return fakePort().source; }

    static std::int16_t read(std::int16_t address)
    {
        FakePortState &s = fakePort();
        s.calls.push_back({'r', address, 0});
        return s.readValue(s.reads++);
    }
    static void write(std::int16_t address, std::int16_t value)
    {
        fakePort().calls.push_back({'w', address, value});
        if (fakePort().duringWrite)
            fakePort().duringWrite();
    }
};

class FakeCounter : public CounterSource
{
public:
    bool hasCounter = true;
    bool counterReadable = true;
    std::int64_t frequency = 1'000'000;
    std::int64_t now = 0;
    // Added to `now` after every read of the counter: time passing between reads.
    std::int64_t advancePerRead = 0;

    bool queryFrequency(std::int64_t &ticksPerSecond) override
    {
        if (!hasCounter)
            return false;
        ticksPerSecond = frequency;
        return true;
    }
    bool queryCounter(std::int64_t &count) override
    {
        if (!counterReadable)
            return false;
        count = now;
        now += advancePerRead;
        return true;
    }
};

class FakePlatform : public Platform
{
public:
    std::vector<std::string> events; // "beep", "message: <title>: <text>", "end <status>"

    void beep() override { events.push_back("beep"); }
    // What happens while a message is open: the events its own loop would deliver.
    std::function<void()> duringMessage;

    void showMessage(const std::string &title, const std::string &text) override
    {
        events.push_back("message: " + title + ": " + text);
        if (duringMessage)
            duringMessage();
    }
    // The answer to the next offers: true when the user chooses the action offered.
    bool takeOffers = false;
    bool offer(const std::string &title, const std::string &text,
               const std::string &action) override
    {
        showMessage(title, text + " [" + action + "]");
        return takeOffers;
    }
    void endProgram(int status) override { events.push_back("end " + std::to_string(status)); }

    // What a wait for the reads does instead of the real one, which polls `done` for up to
    // a minute whatever `ms` says: a test may let events in or let time pass.
    std::function<bool(const std::function<bool()> &done, int ms)> waiting;
    bool waitFor(const std::function<bool()> &done, int ms) override
    {
        if (waiting)
            return waiting(done, ms);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!done() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
        return done();
    }
    void wake() override {}
};

// A real screen image that also keeps a log of the operations, in a short form: "back",
// "clear", and "grid" / "sweep" for the runs of operations that draw_grid and draw_sweep
// make (see summary()).
class RecordingScreen : public ScreenImage
{
public:
    std::vector<std::string> ops;
    bool recording = true; // off: a plain screen image, for long runs

    // clang-format off
    void setBackColour(Colour c) override { record("back"); ScreenImage::setBackColour(c); }
    void clear() override { record("clear"); ScreenImage::clear(); }
    void setDrawWidth(int w) override { record("width" + std::to_string(w)); ScreenImage::setDrawWidth(w); }
    void setDrawStyle(int s) override { record("style" + std::to_string(s)); ScreenImage::setDrawStyle(s); }
    // clang-format on
    void line(float x1, float y1, float x2, float y2, Colour c) override
    {
        record("line");
        ScreenImage::line(x1, y1, x2, y2, c);
    }
    void dot(float x, float y, Colour c) override
    {
        record("dot");
        ScreenImage::dot(x, y, c);
    }

    void record(const std::string &op)
    {
        if (recording)
            ops.push_back(op);
    }

    // The log with each graticule (width1 style0 line x24) as "grid" and each sweep
    // (width2 style0 dot x n) as "sweep", e.g. "clear grid sweep".
    std::string summary() const;
};

// A whole instrument on fakes.
struct Rig
{
    explicit Rig(const PortChoices &ports = {})
        : inst(screen, port, counter, FakeReadClock::now, platform, ports)
    {
    }

    RecordingScreen screen;
    FakePort port;
    FakeCounter counter;
    FakePlatform platform;
    Instrument inst;

    // The instrument as it stands after start-up: loaded and activated.
    void start()
    {
        inst.load();
        inst.activate();
        screen.ops.clear();
    }
    void powerOn()
    {
        inst.gate.run([&] { inst.panel.Command9.click(); });
    }
    // Arms a capture and lets its timer fire.
    void capture()
    {
        inst.gate.run([&] { inst.panel.Command5.click(); });
        inst.gate.run([&] { inst.panel.Timer1.fire(); });
    }
    QRgb pixel(int x, int y) const { return screen.image().pixel(x, y); }
};

inline std::string RecordingScreen::summary() const
{
    std::string out;
    auto add = [&](const std::string &word) { out += (out.empty() ? "" : " ") + word; };
    for (std::size_t i = 0; i < ops.size();) {
        auto runOf = [&](std::size_t from, const std::string &op) {
            std::size_t n = 0;
            while (from + n < ops.size() && ops[from + n] == op)
                ++n;
            return n;
        };
        if (ops[i] == "width1" && i + 1 < ops.size() && ops[i + 1] == "style0" &&
            runOf(i + 2, "line") == 24) {
            add("grid");
            i += 26;
        } else if (ops[i] == "width2" && i + 1 < ops.size() && ops[i + 1] == "style0") {
            add("sweep");
            i += 2 + runOf(i + 2, "dot");
        } else {
            add(ops[i]);
            ++i;
        }
    }
    return out;
}

} // namespace la::test
