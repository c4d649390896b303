// logic-capture: one capture of the five channels from the command line, written as VCD.
// No window and no event loop: options, one capture, one file, an exit status.

#include "acquisition/channeldecoder.h"
#include "acquisition/elapsedformat.h"
#include "acquisition/monotoniccounter.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/portlibrarylocation.h"
#include "acquisition/safefile.h"
#include "acquisition/samplingloop.h"
#include "acquisition/vcdwriter.h"
#include "control/captureoptions.h"
#include "control/instrumentstate.h"
#include "ui/shapemodel.h"
#include "version.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

constexpr char Program[] = "logic-capture";
constexpr int CaptureFailed = 1;
constexpr int UsageError = 2;

int report(const std::string &message, int status)
{
    std::cerr << Program << ": " << message << '\n';
    return status;
}

// Reads the port once, decodes the channels and returns the measured seconds (-1 without a
// counter). Throws PortError.
double capture(const la::CaptureOptions &options, la::GlobalData &data)
{
    const std::string library = options.portLibrary.empty()
                                    ? options.portLibraryPath(la::defaultPortLibraryDir())
                                    : options.portLibrary;
    la::PortLibrary port(library);
    la::MonotonicCounter counter;
    la::cPerfCounter perf(counter);
    data.setDataPort(static_cast<std::int16_t>(options.base));

    std::array<std::int16_t, la::LastSample + 2> reads{};
    const double elapsed = la::timedCapture(port, perf, data.status_port, reads.data());
    la::storeSamples(reads.data(), data.samples);

    // The decoder lights lamps as well; here nobody looks at them.
    std::array<la::ShapeModel, 5> lamps{
        la::ShapeModel(la::LampUnlit), la::ShapeModel(la::LampUnlit), la::ShapeModel(la::LampUnlit),
        la::ShapeModel(la::LampUnlit), la::ShapeModel(la::LampUnlit)};
    la::decode_channels(data, {&lamps[0], &lamps[1], &lamps[2], &lamps[3], &lamps[4]});
    return elapsed;
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
    switch (options.action) {
    case la::CaptureOptions::Action::Help:
        std::cout << la::CaptureOptions::usage(Program);
        return 0;
    case la::CaptureOptions::Action::Version:
        std::cout << Program << ' ' << LA_VERSION << '\n';
        return 0;
    case la::CaptureOptions::Action::Error:
        return report(options.error + " (" + Program + " --help lists the options)", UsageError);
    case la::CaptureOptions::Action::Capture:
        break;
    }

    la::GlobalData data;
    try {
        const double elapsed = capture(options, data);
        if (elapsed > 0) {
            std::cerr << "capture: " << la::SampleCount << " reads in "
                      << la::formatMilliseconds(elapsed * 1000) << " ms\n";
        } else {
            std::cerr << "capture: " << la::SampleCount
                      << " reads, time not measured (no counter)\n";
        }
        if (options.output.empty())
            writeToStandardOutput(la::captureToVcd(data, elapsed, la::vcdDateNow()));
        else
            la::saveCaptureAsVcd(options.output, data, elapsed);
    } catch (const la::PortError &error) {
        return report(error.what(), CaptureFailed);
    } catch (const la::FileWriteError &error) {
        return report(error.what(), CaptureFailed);
    }
    return 0;
}
