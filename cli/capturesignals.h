#pragma once

namespace la {

class PortSetup;

// What Ctrl-C (SIGINT), SIGTERM and SIGHUP do to logic-capture. By default each abandons
// the capture at once: no partial file and no temporary one stays (the unnamed one goes
// with the process; the named one of a filesystem without unnamed files is removed), an
// open progress line is ended, the port is put back as it was (PortSetup), and the program
// ends with status 128 + the signal. A capture
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
    // The port setup abandon() puts back first; null for none. Only while no thread that can
    // take the signals is inside the port library, whose lock the writes would wait for.
    static void restoreOnAbandon(PortSetup *setup);
    // While another thread may be inside the port library (or stuck there), a signal that
    // would abandon the capture is only noted and `wakeFd` woken: the thread that watches
    // puts the port back, waiting for the library no longer than it can, then abandons.
    // -1 undoes it.
    static void deferAbandon(int wakeFd);
    // The signal that asked to abandon while deferred, or 0.
    static int abandonNoted();
    // Abandons the capture as a signal does; safe in a signal handler.
    [[noreturn]] static void abandon(int signal);
};

} // namespace la
