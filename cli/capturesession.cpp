#include "cli/capturesession.h"

#include "acquisition/elapsedformat.h"
#include "acquisition/parallelport.h"
#include "acquisition/quietthread.h"
#include "acquisition/readclock.h"
#include "acquisition/samplingloop.h"
#include "acquisition/streamkeeper.h"
#include "acquisition/streamreader.h"
#include "cli/captureendings.h"
#include "cli/capturesignals.h"
#include "cli/progressdisplay.h"
#include "output/csvwriter.h"
#include "output/vcdwriter.h"

#include <cmath>
#include <csignal>
#include <ctime>
#include <iostream>
#include <limits>
#include <memory>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace la {

namespace {

constexpr int CaptureFailed = 1;
constexpr int TriggerNeverHeld = 3;
// How often the reads are watched.
constexpr int WatchMs = 100;
// A read this late past the trigger's timeout means the wait cannot end by itself.
constexpr std::int64_t TimeoutGraceNs = 250'000'000;

void say(const std::string &message)
{
    std::cerr << "logic-capture: " << message << std::endl;
}

std::unique_ptr<ChangeSink> writerFor(const CaptureOptions &options, SafeFile &output)
{
    TextTarget target;
    target.write = [&output](std::string_view piece) { output.write(piece); };
    if (output.canWriteAt())
        target.writeAt = [&output](std::uint64_t offset, std::string_view piece) {
            output.writeAt(offset, piece);
        };
    if (options.format == CaptureOptions::Format::Csv)
        return std::make_unique<CsvWriter>(std::move(target), options.channels);
    return std::make_unique<VcdWriter>(std::move(target), options.channels);
}

// The address of a register as the port library takes it.
std::int16_t portOf(std::uint16_t base, PortRegister reg)
{
    const int offsets[] = {StatusOffset, 0, ControlOffset};
    return static_cast<std::int16_t>(base + offsets[std::size_t(reg)]);
}

} // namespace

CaptureSession::~CaptureSession()
{
    if (m_keeperThread.joinable()) {
        m_control.requestEnd(StreamEnd::OutputFailed);
        m_keeper->cutInput(0);
        m_keeperThread.join();
    }
    if (m_wake >= 0) {
        CaptureSignals::completeOnFirst(-1);
        ::close(m_wake);
    }
}

void CaptureSession::makeRoom()
{
    // Everything the capture needs, before the first read: a shortage is said now, not
    // after minutes of reading.
    try {
        m_ring = std::make_unique<ReadRing>(CaptureOptions::RingReads,
                                            m_options.channels.registers().count > 1);
        m_writer = writerFor(m_options, m_output);
        StreamRequest request = m_options.streamRequest();
        request.clock = m_clock;
        m_keeper =
            std::make_unique<StreamKeeper>(*m_ring, m_control, request, *m_writer, m_progress);
        m_reader = std::make_unique<StreamReader>(*m_ring, m_control);
        m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_wake < 0)
            throw std::bad_alloc();
        m_keeperThread = quietThread([this] {
            m_keeper->run();
            m_keeperDone.store(true, std::memory_order_release);
            const std::uint64_t one = 1;
            (void)::write(m_wake, &one, sizeof one);
        });
        if (::isatty(STDERR_FILENO)) {
            m_display = std::make_unique<ProgressDisplay>(
                m_progress,
                m_options.length == CaptureOptions::Length::Samples ? m_options.samples : 0,
                m_options.trigger ? m_options.trigger->text() : "", STDERR_FILENO);
        }
    } catch (const std::bad_alloc &) {
    } catch (const std::system_error &) {
    }
    if (!m_keeperThread.joinable() || (::isatty(STDERR_FILENO) && !m_display))
        throw memoryShortage(m_options.channels.registers().count > 1);
}

int CaptureSession::run()
{
    // Bound first, so that loading the library never counts as reading time.
    const Inp32Fn inp32 = m_port.inp32();
    makeRoom();
    if (m_options.length == CaptureOptions::Length::Continuous)
        CaptureSignals::completeOnFirst(m_wake);
    m_setUp.setUp();
    start(inp32);
    watch();
    m_keeperThread.join();
    const bool readerFinished = m_reader->finished();
    if (readerFinished)
        m_reader->join();
    m_display.reset();

    CaptureSummary summary = m_keeper->summary();
    std::string failure;
    if (readerFinished) {
        failure = m_port.takeLastError();
        summary.source = m_port.source(m_options.statusPort());
    }
    m_setUp.putBack(false);
    summary.priority = m_reader->priority();
    summary.ending = endingPhrase(m_control.ending(), m_control.signal.load());
    const int status = finish(summary, failure);
    if (!readerFinished) {
        // The reading thread is inside the port library and cannot be joined, nor the
        // library unloaded under it: the process ends here.
        std::cerr.flush();
        ::_exit(status);
    }
    return status;
}

void CaptureSession::start(Inp32Fn inp32)
{
    // The reading thread may be inside the port library from now on: a signal that abandons
    // the capture is left to watch(), which can wait for the library with a bound.
    CaptureSignals::deferAbandon(m_wake);
    m_startNs = monotonicNs();
    const SampleRegisters registers = m_options.channels.registers();
    const std::uint16_t base = m_options.portBase();
    OtherRegisters others;
    others.count = registers.count - 1;
    if (registers.count > 1)
        others.second = portOf(base, registers.regs[1]);
    if (registers.count > 2)
        others.third = portOf(base, registers.regs[2]);
    try {
        const bool counted = m_options.length == CaptureOptions::Length::Samples;
        m_reader->start(inp32, portOf(base, registers.regs[0]), m_clock,
                        counted && !m_options.trigger ? m_options.samples : NoReadLimit, others);
    } catch (const std::system_error &) {
        m_control.requestEnd(StreamEnd::PortFailed);
        m_keeper->cutInput(0);
        m_keeperThread.join();
        throw memoryShortage(m_options.channels.registers().count > 1); // its stack
    }
}

void CaptureSession::abandon(int signal)
{
    m_setUp.putBack(true);
    CaptureSignals::abandon(signal);
}

// Waits for the end of the capture, watching the reads: a signal, a read that does not
// return, a trigger that cannot come in time, and an output that fell behind.
void CaptureSession::watch()
{
    pollfd wake{m_wake, POLLIN, 0};
    std::uint64_t lastReads = std::numeric_limits<std::uint64_t>::max();
    std::int64_t lastAdvance = monotonicNs(), lastLook = lastAdvance;
    bool signalTaken = false, stuck = false, gaveUp = false;
    for (;;) {
        // Once the keeping side is done, the reading thread stops at its next read.
        ::poll(&wake, 1, m_keeperDone.load(std::memory_order_acquire) ? 1 : WatchMs);
        std::uint64_t woken = 0;
        while (::read(m_wake, &woken, sizeof woken) > 0) {
        }
        const std::int64_t now = monotonicNs();
        // This thread held up itself (the process stopped, the machine busy): the reads
        // may have gone on meanwhile.
        if (now - lastLook > HangNs / 2)
            lastAdvance = now;
        lastLook = now;
        const std::uint64_t reads = m_control.reads.load(std::memory_order_acquire);
        if (reads != lastReads) {
            lastReads = reads;
            lastAdvance = now;
        }
        const bool readerDone = m_reader->finished();
        if (const int signal = CaptureSignals::abandonNoted(); signal != 0)
            abandon(signal);
        // Done when the reading thread is, or is stuck, or blocks past the trigger's
        // timeout, when nothing is waiting for its last read.
        if (m_keeperDone.load(std::memory_order_acquire) && (readerDone || stuck || gaveUp))
            return;
        if (const int signal = CaptureSignals::noted(); signal != 0 && !signalTaken) {
            signalTaken = true;
            // Before the first read, or before the trigger held, there is nothing to
            // complete.
            if (reads == 0 || (m_options.trigger && m_progress.kept.load() == 0))
                abandon(signal);
            m_control.signal.store(signal);
            m_control.requestEnd(StreamEnd::Signal);
        }
        if (!m_saidBehind && m_control.ending() == StreamEnd::CouldNotKeepUp) {
            m_saidBehind = true;
            say(fellBehindMessage(double(now - m_startNs) / 1e9));
        }
        if (!readerDone && !stuck && now - lastAdvance >= HangNs) {
            stuck = true;
            m_control.requestEnd(StreamEnd::ReadHung);
            m_keeper->cutInput(reads);
        }
        if (m_options.trigger && !gaveUp && m_progress.kept.load() == 0 &&
            now - m_startNs > std::llround(m_options.timeoutSeconds * 1e9) + TimeoutGraceNs &&
            now - lastAdvance >= TimeoutGraceNs) {
            gaveUp = true;
            m_keeper->giveUpWaiting();
        }
    }
}

int CaptureSession::finish(const CaptureSummary &summary, const std::string &failure)
{
    const StreamEnd ending = m_control.ending();
    const std::string line = "capture: " + describeSummary(summary);
    if (ending == StreamEnd::CouldNotKeepUp && !m_saidBehind)
        say(fellBehindMessage(double(summary.endNs) / 1e9));
    if (!m_keeper->failure().empty()) {
        std::cerr << line << '\n';
        say(m_keeper->failure());
        return CaptureFailed;
    }
    if (!m_keeper->begun()) {
        switch (ending) {
        case StreamEnd::TriggerTimeout:
            say(triggerTimeoutMessage(m_options.trigger->text(), m_options.timeoutText,
                                      m_control.reads.load()));
            return TriggerNeverHeld;
        case StreamEnd::PortFailed:
            say(readFailedMessage(failure, m_options.portBase(), m_options.channels.registers(),
                                  false));
            return CaptureFailed;
        case StreamEnd::ReadHung:
            say(readHungMessage(m_library, false));
            return CaptureFailed;
        default:
            return CaptureFailed; // the output fell behind, and said so
        }
    }
    try {
        m_writer->finish(summary);
        m_output.commit();
    } catch (const FileWriteError &error) {
        std::cerr << line << '\n';
        say(error.what());
        return CaptureFailed;
    }
    std::cerr << line << std::endl;
    switch (ending) {
    case StreamEnd::ReadHung:
        say(readHungMessage(m_library, true));
        return CaptureFailed;
    case StreamEnd::PortFailed:
        say(readFailedMessage(failure, m_options.portBase(), m_options.channels.registers(), true));
        return CaptureFailed;
    case StreamEnd::CouldNotKeepUp:
        return CaptureFailed;
    default:
        return 0;
    }
}

} // namespace la
