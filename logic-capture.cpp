// logic-capture: one capture of the five channels from the command line, written as VCD.
// No window and no event loop: options, one capture, one file, an exit status.

#include "acquisition/capture.h"
#include "acquisition/monotoniccounter.h"
#include "acquisition/parallelport.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/readclock.h"
#include "acquisition/safefile.h"
#include "acquisition/samplingloop.h"
#include "acquisition/vcdwriter.h"
#include "control/captureoptions.h"
#include "control/state/instrumentstate.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

constexpr char Program[] = "logic-capture";
constexpr int CaptureFailed = 1;

int report(const std::string &message, int status)
{
    std::cerr << Program << ": " << message << '\n';
    return status;
}

// One capture of the status register of the port at options.base. Throws PortError.
la::Capture capture(const la::CaptureOptions &options)
{
    la::PortLibrary port(options.portLibraryPath());
    la::MonotonicCounter counter;
    la::cPerfCounter perf(counter);
    const auto status = static_cast<std::int16_t>(options.base + la::StatusOffset);
    return la::readCapture(port, perf, la::monotonicNs, status, la::SampleCount);
}

void writeToStandardOutput(const std::string &vcd)
{
    errno = 0;
    const bool written = std::fwrite(vcd.data(), 1, vcd.size(), stdout) == vcd.size();
    if (std::fflush(stdout) != 0 || !written) {
        const int error = errno ? errno : EIO;
        throw la::FileWriteError(std::string("Cannot write to standard output: ") +
                                 std::strerror(error) + ".");
    }
}

} // namespace

int main(int argc, char *argv[])
{
    const la::CaptureOptions options =
        la::CaptureOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto status = options.finishEarly(Program, la::CaptureOptions::usage(Program)))
        return *status;

    try {
        const la::Capture taken = capture(options);
        std::cerr << "capture: " << la::describeCapture(taken) << '\n';
        if (options.output.empty())
            writeToStandardOutput(la::captureToVcd(taken, la::vcdDateNow()));
        else
            la::saveCaptureAsVcd(options.output, taken);
    } catch (const la::PortError &error) {
        return report(error.what(), CaptureFailed);
    } catch (const la::FileWriteError &error) {
        return report(error.what(), CaptureFailed);
    }
    return 0;
}
