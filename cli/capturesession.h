#pragma once

#include "acquisition/portio.h"
#include "acquisition/streamkeeper.h"
#include "acquisition/streamreader.h"
#include "cli/captureoptions.h"
#include "cli/captureport.h"
#include "cli/progressdisplay.h"
#include "output/safefile.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace la {

// One streamed capture of logic-capture, from the memory it takes to its exit status: the
// ring and the writer made before the first read, the reading and keeping threads, the
// progress line, the signals, a read that does not return, and the one message of each
// ending. The capture is written to `output`, which is committed when complete. The port is
// set up by `setup` just before the first read and put back as soon as the reads end, on
// every ending that can be caught.
class CaptureSession
{
public:
    // A read that has not returned after this long is given up.
    static constexpr std::int64_t HangNs = CapturePort::HangNs;

    // Each read is stamped by `clock`.
    CaptureSession(const CaptureOptions &options, PortIo &port, PortSetup &setup, ReadClock clock,
                   SafeFile &output, const std::string &library)
        : m_options(options), m_port(port), m_clock(clock), m_output(output), m_library(library),
          m_setUp(setup, m_control, library, options.portBase())
    {
    }
    ~CaptureSession();
    CaptureSession(const CaptureSession &) = delete;
    CaptureSession &operator=(const CaptureSession &) = delete;

    // Captures and returns the exit status. When the reading thread is stuck in the port
    // library, it cannot be joined, nor the library unloaded under it: the process then ends
    // here, with that status. Throws CaptureMemoryError before the first read, PortError
    // when the library cannot be bound or fails while the port is set up.
    int run();

private:
    void makeRoom();
    void start(Inp32Fn inp32);
    void watch();
    [[noreturn]] void abandon(int signal);
    int finish(const CaptureSummary &summary, const std::string &failure);

    const CaptureOptions &m_options;
    PortIo &m_port;
    ReadClock m_clock;
    SafeFile &m_output;
    const std::string &m_library;

    StreamControl m_control;
    CapturePort m_setUp;
    StreamProgress m_progress;
    std::unique_ptr<ReadRing> m_ring;
    std::unique_ptr<ChangeSink> m_writer;
    std::unique_ptr<StreamKeeper> m_keeper;
    std::unique_ptr<StreamReader> m_reader;
    std::unique_ptr<ProgressDisplay> m_display;
    std::thread m_keeperThread;
    std::atomic<bool> m_keeperDone{false};
    int m_wake = -1;
    std::int64_t m_startNs = 0;
    bool m_saidBehind = false;
};

} // namespace la
