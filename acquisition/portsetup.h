#pragma once

#include "acquisition/channels.h"
#include "acquisition/portio.h"

#include <atomic>
#include <cstdint>

namespace la {

// Sets the port up to read the lines a capture chose, and puts back what it changed. The
// status lines need nothing. The data lines need the port's direction switched to input
// (control bit 5), the control lines their open-collector outputs released, each pin high
// (bits 0, 1 and 3 clear, bit 2 set: the port inverts Strobe, Auto Linefeed and Select In).
// Both are one write of the control register, made from a read of it, and undone by writing
// back what was read.
//
// restore() serves every ending: the end of the capture, a failure, a trigger timeout (the
// destructor calls it), a signal handler or a second thread. It writes at most once, takes no
// lock of its own, allocates nothing and throws nothing; every signal is blocked on its
// thread while it writes, and while setUp() writes, so a handler cannot come between a write
// and the record of it. A call that finds the other thread writing waits for it, so the port
// is back when any call returns. What it cannot make safe is the port library's own lock
// (the shipped libraries take one in each call): a handler that may call restore() must not
// run on a thread that is inside the library; block the ending signals on the thread that
// reads and take them on another.
class PortSetup
{
public:
    // Checks that the route to the port at `base` can read the lines whose bits `chosen`
    // holds, and throws PortError with one line saying what it cannot and what to do. Asks
    // the library only when data or control lines are chosen; writes nothing.
    PortSetup(PortIo &port, std::uint16_t base, SampleWord chosen);
    ~PortSetup() { restore(); }
    PortSetup(const PortSetup &) = delete;
    PortSetup &operator=(const PortSetup &) = delete;

    // Before the first read: reads the control register and writes it with the changes the
    // lines need, if they change anything. After an ending (restore() called first) it does
    // nothing. Throws PortError when the library fails; a write it made is still undone by
    // restore().
    void setUp();
    // Puts the control register back as setUp() read it, once, from any context.
    void restore() noexcept;

private:
    enum State : int
    {
        Idle,
        SettingUp,
        Set,
        Restoring,
        Done
    };
    static_assert(std::atomic<int>::is_always_lock_free, "restore() runs in signal handlers");

    PortIo &m_port;
    std::int16_t m_controlPort;
    SampleWord m_chosen;
    Out32Fn m_out32 = nullptr;
    std::int16_t m_before = 0;
    std::atomic<int> m_state{Idle};
};

} // namespace la
