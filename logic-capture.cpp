// logic-capture: one capture of the five channels from the command line, written as VCD.
// No window and no event loop: options, one capture, one file, an exit status.

#include "acquisition/capture.h"
#include "acquisition/monotoniccounter.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/readclock.h"
#include "acquisition/samplingloop.h"
#include "cli/captureoptions.h"
#include "cli/porttable.h"
#include "cli/progressdisplay.h"
#include "output/safefile.h"
#include "output/vcdwriter.h"

#include <cmath>
#include <csignal>
#include <iostream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Program[] = "logic-capture";
constexpr int CaptureFailed = 1;
constexpr int WrongOption = 2;
constexpr int TriggerNeverHeld = 3;

int report(const std::string &message, int status)
{
    std::cerr << Program << ": " << message << '\n';
    return status;
}

// Ctrl-C, SIGTERM or SIGHUP at any moment: no partial file and no temporary one stays (the
// unnamed one goes with the process; the named one of a filesystem without unnamed files is
// removed here), and the status says which signal it was. Only async-signal-safe calls here.
extern "C" void endBySignal(int signal)
{
    la::removeUnfinishedFile();
    if (la::ProgressDisplay::lineOpen())
        (void)::write(STDERR_FILENO, "\n", 1);
    ::_exit(128 + signal);
}

void catchEndingSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = endBySignal;
    sigfillset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// True when both paths name one existing file (links followed).
bool sameFile(const std::string &a, const std::string &b)
{
    struct stat first = {};
    struct stat second = {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

la::CaptureRequest requestFor(const la::CaptureOptions &options, la::CaptureProgress &progress)
{
    la::CaptureRequest request;
    request.statusPort = options.statusPort();
    request.count = options.samples;
    request.trigger = options.trigger;
    request.pretriggerPercent = options.pretrigger;
    request.timeoutNs = std::llround(options.timeoutSeconds * 1e9);
    request.progress = &progress;
    return request;
}

} // namespace

int main(int argc, char *argv[])
{
    const la::CaptureOptions options =
        la::CaptureOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto status = options.finishEarly(Program, la::CaptureOptions::usage(Program)))
        return *status;
    if (options.listPorts) {
        std::cout << la::portTable(la::listParports());
        return 0;
    }
    catchEndingSignals();
    // Past a file-size limit (ulimit -f) a write fails with EFBIG and is reported, instead of
    // SIGXFSZ ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);

    try {
        const std::string library = options.portLibraryPath();
        if (!options.toStandardOutput() && sameFile(options.output, library)) {
            const std::string seeHelp = " (logic-capture --help lists the options)";
            return report("--output " + options.output + " would replace the port library " +
                              library + ": give the VCD file another name" + seeHelp,
                          WrongOption);
        }
        // The output is claimed first: a file that cannot be written is said before the
        // capture, and standard output is kept for the VCD alone. Whatever else would go
        // there (a port library that prints while it loads) goes to standard error.
        la::SafeFile output(options.toStandardOutput() ? "/dev/stdout" : options.output);
        ::dup2(STDERR_FILENO, STDOUT_FILENO);

        la::PortLibrary port(library);
        la::MonotonicCounter counter;
        la::cPerfCounter perf(counter);
        la::CaptureProgress progress;
        la::Capture capture;
        {
            std::unique_ptr<la::ProgressDisplay> display;
            if (::isatty(STDERR_FILENO)) {
                display = std::make_unique<la::ProgressDisplay>(
                    progress, options.samples, options.trigger ? options.trigger->text() : "",
                    STDERR_FILENO);
            }
            capture = la::readCapture(port, perf, la::monotonicNs, requestFor(options, progress));
        }
        std::cerr << "capture: " << la::describeCapture(capture) << '\n';
        la::writeVcd(capture, la::vcdDateNow(),
                     [&output](std::string_view piece) { output.write(piece); });
        output.commit();
    } catch (const la::TriggerTimeout &timeout) {
        return report("the trigger " + options.trigger->text() + " did not hold within " +
                          options.timeoutText + " s (" + std::to_string(timeout.reads()) +
                          " reads); nothing was written. Check the probe's wiring and the "
                          "condition, or wait longer with --timeout.",
                      TriggerNeverHeld);
    } catch (const la::CaptureMemoryError &error) {
        return report(error.what(), CaptureFailed);
    } catch (const la::PortError &error) {
        return report(error.what(), CaptureFailed);
    } catch (const la::FileWriteError &error) {
        return report(error.what(), CaptureFailed);
    }
    return 0;
}
