#pragma once

#include "acquisition/portsetup.h"
#include "acquisition/streamreader.h"

#include <cstdint>
#include <string>

namespace la {

// The port's set-up for one streamed capture, as the thread that watches the capture handles
// it: set up with the ending signals held on that thread (their handler may write to the
// port, and the library serialises its calls), and put back as soon as the reads end, with a
// bound on a library that a stuck read holds. From setUp() on, a signal that abandons the
// capture puts the port back first (CaptureSignals).
class CapturePort
{
public:
    // A read that has not returned after this long holds the library for good.
    static constexpr std::int64_t HangNs = 2'000'000'000;

    CapturePort(PortSetup &setup, StreamControl &control, const std::string &library,
                std::uint16_t base)
        : m_setup(setup), m_control(control), m_library(library), m_base(base)
    {
    }
    // Puts the port back if it can, and takes it from the signals' handler.
    ~CapturePort();
    CapturePort(const CapturePort &) = delete;
    CapturePort &operator=(const CapturePort &) = delete;

    // Before the first read. Throws PortError when the library fails.
    void setUp();
    // Once the reads have ended, or with `stopReads` after stopping them, so that none comes
    // after: the port back as it was. A reading thread still inside the library gives the
    // writes HangNs, after which they are left and said to be. Then a signal deferred
    // meanwhile (CaptureSignals::deferAbandon) abandons the capture.
    void putBack(bool stopReads);

private:
    bool readsEnded() const { return m_control.finished.load(std::memory_order_acquire); }

    PortSetup &m_setup;
    StreamControl &m_control;
    const std::string &m_library;
    std::uint16_t m_base;
    bool m_hung = false; // the library did not answer: the writes are left
};

} // namespace la
