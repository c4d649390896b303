#include "cli/captureendings.h"

#include "acquisition/elapsedformat.h"
#include "acquisition/parallelport.h"
#include "acquisition/readring.h"
#include "cli/captureoptions.h"

#include <csignal>

namespace la {

namespace {

std::string signalName(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT (Ctrl-C)";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "signal " + std::to_string(signal);
    }
}

} // namespace

std::string endingPhrase(StreamEnd ending, int signal)
{
    switch (ending) {
    case StreamEnd::Signal:
        return "ended by " + signalName(signal);
    case StreamEnd::CouldNotKeepUp:
        return "ended early: the output could not keep up with the reads";
    case StreamEnd::ReadHung:
        return "ended early: a read of the port did not return within 2 s";
    case StreamEnd::PortFailed:
        return "ended early: a read of the port failed";
    default:
        return {};
    }
}

std::string fellBehindMessage(double seconds)
{
    return "the output could not keep up with the reads (a slow disk, or a pipe not read fast "
           "enough), so they stopped after " +
           fixedPoint(seconds, 2) +
           " s and the file is completed up to the last read kept. Write to a faster disk, or "
           "read the pipe faster.";
}

std::string readHungMessage(const std::string &library, bool written)
{
    return "a read of the port did not return within 2 s and was given up; " +
           std::string(written ? "the file holds the capture up to the read before it"
                               : "nothing was written") +
           ". Check the port library " + library + " and the port.";
}

std::string restoreHungMessage(const std::string &library, std::uint16_t base)
{
    return "the port at " + hexAddress(base) + " could not be put back as it was: its library " +
           library + " did not answer within 2 s, held by a read that never returned. Check " +
           "the port and its library; its control register may still have the data pins " +
           "turned to input or control pins released.";
}

std::string triggerTimeoutMessage(const std::string &trigger, const std::string &timeout,
                                  std::uint64_t reads)
{
    return "the trigger " + trigger + " did not hold within " + timeout + " s (" +
           std::to_string(reads) +
           " reads); nothing was written. Check the probe's wiring and the condition, or wait "
           "longer with --timeout.";
}

std::string readFailedMessage(const std::string &libraryMessage, std::uint16_t base,
                              const SampleRegisters &registers, bool written)
{
    // "the status register at 0x379", "the status and data registers at 0x379 and 0x378"
    const char *const names[] = {"status", "data", "control"};
    const int offsets[] = {StatusOffset, 0, ControlOffset};
    std::string which, where;
    for (int i = 0; i < registers.count; ++i) {
        const auto reg = std::size_t(registers.regs[std::size_t(i)]);
        const char *joint = i == 0 ? "" : i + 1 == registers.count ? " and " : ", ";
        which += joint + std::string(names[reg]);
        where += joint + hexAddress(static_cast<std::uint16_t>(base + offsets[reg]));
    }
    std::string message = libraryMessage;
    if (message.empty())
        message = "Cannot read the " + which +
                  (registers.count == 1 ? " register at " : " registers at ") + where +
                  ": a read failed (the port library returned -1) without saying why.";
    if (written)
        message += " The file holds the capture up to the read before the one that failed.";
    return message;
}

CaptureMemoryError memoryShortage(bool extras)
{
    const std::uint64_t slot = ReadRing::BytesPerSlot + (extras ? ReadRing::BytesPerExtra : 0);
    const std::uint64_t bytes = CaptureOptions::RingReads * slot + (2 << 20);
    return CaptureMemoryError("Cannot reserve memory for the capture (" +
                              std::to_string((bytes + (1 << 20) - 1) >> 20) +
                              " MB): the system refused it. Allow the program more memory "
                              "(ulimit -v), or close other programs.");
}

} // namespace la
