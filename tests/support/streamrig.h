#pragma once

// A streamed capture on the test's own thread: the reads of a port made into a ring first,
// then kept by a StreamKeeper into a sink that records what it is told. Deterministic with
// the fake port and clock: no second thread decides anything.

#include "acquisition/readclock.h"
#include "acquisition/streamkeeper.h"
#include "acquisition/streamreader.h"

#include <functional>
#include <utility>
#include <vector>

namespace la::test {

// What a sink was told.
struct RecordingSink : ChangeSink
{
    bool begun = false;
    CaptureStart start;
    SampleWord first = 0;
    std::vector<std::pair<std::int64_t, SampleWord>> changes;
    bool finished = false;

    void begin(const CaptureStart &s, SampleWord firstSample) override
    {
        begun = true;
        start = s;
        first = firstSample;
    }
    void change(std::int64_t ns, SampleWord sample) override { changes.emplace_back(ns, sample); }
    void finish(const CaptureSummary &) override { finished = true; }
};

// Reads of `inp32` stamped by `stamp` into `ring`, as the reading thread makes them, at the
// thread's own priority.
inline std::int64_t readStream(Inp32Fn inp32, StampFn stamp, ReadRing &ring, std::uint64_t limit,
                               StreamControl &control)
{
    struct Unchanged : PriorityControl
    {
        int raise() override { return 0; }
        void lower() override {}
    } unchanged;
    RealtimeWindows windows(unchanged, RealtimeBudget{-1, 1'000'000'000}, ReadClock(stamp));
    return readIntoRing(ReadLoop{inp32, 0x379, stamp, windows}, ring, limit,
                        StreamReader::PublishAfterNs, control);
}

struct StreamRun
{
    RecordingSink sink;
    StreamEnd ending = StreamEnd::None;
    CaptureSummary summary;
    std::uint64_t made = 0;
};

// `made` reads of `inp32` timed by `clock`, then kept as `request` asks. `meanwhile` may act
// as the other threads would before the keeping starts (end the capture, cut the input);
// unless it cuts the input, the reading thread counts as finished.
inline StreamRun
keepStream(Inp32Fn inp32, StampFn clock, const StreamRequest &request, std::uint64_t made,
           const std::function<void(StreamControl &, StreamKeeper &)> &meanwhile = {},
           std::size_t capacity = 1 << 15)
{
    StreamRun run;
    ReadRing ring(capacity);
    StreamControl control;
    readStream(inp32, clock, ring, made, control);
    StreamProgress progress;
    StreamKeeper keeper(ring, control, request, run.sink, progress);
    control.finished = true;
    if (meanwhile)
        meanwhile(control, keeper);
    keeper.run();
    run.ending = control.ending();
    run.summary = keeper.summary();
    run.made = control.reads;
    if (run.sink.begun)
        run.sink.finish(run.summary);
    return run;
}

} // namespace la::test
