#pragma once

namespace la {

// What Ctrl-C (SIGINT), SIGTERM and SIGHUP do to logic-capture. By default each abandons
// the capture at once: no partial file and no temporary one stays (the unnamed one goes
// with the process; the named one of a filesystem without unnamed files is removed), an
// open progress line is ended, and the program ends with status 128 + the signal. A capture
// without end asks instead that the first signal end it and complete the file: the signal
// is then only noted and the waiting thread woken, and a second one abandons as before.
class CaptureSignals
{
public:
    // Installs the handlers; the signals reach whichever thread leaves them unblocked.
    static void catchThem();
    // From now on the first signal is noted, and `wakeFd` (an eventfd) woken, rather than
    // the capture abandoned; -1 undoes it.
    static void completeOnFirst(int wakeFd);
    // The signal noted, or 0.
    static int noted();
    // Abandons the capture as a signal does; safe in a signal handler.
    [[noreturn]] static void abandon(int signal);
};

} // namespace la
