// logic-capture: one capture of the chosen lines from the command line, written as VCD or
// CSV as it runs. No window and no event loop: options, one capture, one file, an exit
// status.

#include "acquisition/portlibrary.h"
#include "acquisition/portsetup.h"
#include "acquisition/samplingloop.h"
#include "acquisition/tscclock.h"
#include "cli/captureoptions.h"
#include "cli/capturesession.h"
#include "cli/capturesignals.h"
#include "cli/porttable.h"
#include "output/safefile.h"

#include <csignal>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Program[] = "logic-capture";
constexpr int CaptureFailed = 1;
constexpr int WrongOption = 2;

int report(const std::string &message, int status)
{
    std::cerr << Program << ": " << message << '\n';
    return status;
}

// True when both paths name one existing file (links followed).
bool sameFile(const std::string &a, const std::string &b)
{
    struct stat first = {};
    struct stat second = {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
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
    la::CaptureSignals::catchThem();
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
        // capture, and standard output is kept for the file alone. Whatever else would go
        // there (a port library that prints while it loads) goes to standard error.
        la::SafeFile output(options.toStandardOutput() ? "/dev/stdout" : options.output);
        ::dup2(STDERR_FILENO, STDOUT_FILENO);

        la::PortLibrary port(library);
        // What the route cannot read is refused here, before the port or the file is
        // written; the port is set up just before the first read.
        la::PortSetup setup(port, options.portBase(), options.channels.bits());
        la::CaptureSession session(options, port, setup, la::captureClock(), output, library);
        return session.run();
    } catch (const la::CaptureMemoryError &error) {
        return report(error.what(), CaptureFailed);
    } catch (const la::PortError &error) {
        return report(error.what(), CaptureFailed);
    } catch (const la::FileWriteError &error) {
        return report(error.what(), CaptureFailed);
    }
}
