#include "acquisition/portsetup.h"

#include "acquisition/channelchoice.h"
#include "acquisition/parallelport.h"

#include <cctype>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <string>
#include <vector>

namespace la {

namespace {

// Every signal blocked on this thread for the life of the object; pthread_sigmask and
// sigfillset may be called in a signal handler.
class SignalBlock
{
public:
    SignalBlock()
    {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &m_old);
    }
    ~SignalBlock() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    SignalBlock(const SignalBlock &) = delete;
    SignalBlock &operator=(const SignalBlock &) = delete;

private:
    sigset_t m_old;
};

// The control register with the chosen lines readable: the direction bit set for data
// lines, and each chosen control pin's output released (high).
std::uint8_t setUpValue(std::uint8_t control, SampleWord chosen)
{
    if (chosen & registerBits(PortRegister::Data))
        control |= DataInputBit;
    for (const PortLine &line : PortLines) {
        if (line.reg != PortRegister::Control || !(chosen & line.mask()))
            continue;
        const auto bit = static_cast<std::uint8_t>(1u << line.bit);
        control = line.inverted ? control & ~bit : control | bit;
    }
    return control;
}

std::string refusal(PortIo &port, std::int16_t controlPort, SampleWord chosen)
{
    const SampleWord data = chosen & registerBits(PortRegister::Data);
    const SampleWord control = chosen & registerBits(PortRegister::Control);
    const RouteInputs route = port.inputs(controlPort);
    SampleWord refused = 0;
    std::vector<std::string> reasons, remedies;
    if (data && !route.dataPins) {
        refused |= data;
        if (route.kernelModes) {
            const std::string &modes = *route.kernelModes;
            reasons.push_back((modes.empty() ? "the kernel reports no modes for it"
                                             : "the kernel reports its modes as " + modes) +
                              ", and its data pins are inputs only in a TRISTATE, EPP or ECP "
                              "mode");
            remedies.push_back("set the port to a bidirectional mode (PS/2, EPP or ECP) in the "
                               "firmware setup");
        } else {
            reasons.push_back("its port library says the data pins cannot be inputs");
            remedies.push_back("use a library that can turn them around");
        }
    }
    if (control && !route.controlPins) {
        refused |= control;
        if (route.kernelModes) {
            reasons.push_back("the kernel's driver answers a control read from its own copy of "
                              "the register, not from the pins");
            // Direct access stays at the legacy bases, where nothing else can sit.
            remedies.push_back(
                legacyBaseOf(static_cast<std::uint16_t>(controlPort))
                    ? "read control lines by direct access (as root, with the ppdev module "
                      "unloaded: sudo rmmod ppdev) or through a port library of your own"
                    : "read control lines through a port library of your own (direct access "
                      "reaches only the legacy bases " +
                          portBasesText() + ")");
        } else {
            reasons.push_back("its port library says its control reads do not come from the "
                              "pins");
            remedies.push_back("read control lines through a library that reads the pins");
        }
    }
    if (!refused)
        return {};
    std::string message =
        "Cannot read " + lineNames(refused) + " at " + port.source(controlPort) + ": " + reasons[0];
    for (std::size_t i = 1; i < reasons.size(); ++i)
        message += "; and " + reasons[i];
    std::string remedy = remedies[0];
    for (std::size_t i = 1; i < remedies.size(); ++i)
        remedy += "; " + remedies[i];
    remedy[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(remedy[0])));
    return message + ". " + remedy + ", or leave " +
           ((refused & (refused - 1)) == 0 ? "it" : "them") + " out of --channels.";
}

} // namespace

PortSetup::PortSetup(PortIo &port, std::uint16_t base, SampleWord chosen)
    : m_port(port), m_controlPort(static_cast<std::int16_t>(base + ControlOffset)), m_chosen(chosen)
{
    if (!(chosen & (registerBits(PortRegister::Data) | registerBits(PortRegister::Control))))
        return;
    if (const std::string refused = refusal(port, m_controlPort, chosen); !refused.empty())
        throw PortError(refused);
}

void PortSetup::setUp()
{
    if (!(m_chosen & (registerBits(PortRegister::Data) | registerBits(PortRegister::Control))) ||
        m_state.load() != Idle)
        return;
    // Bound now, so that restore() calls nothing but the library's Out32.
    const Inp32Fn inp32 = m_port.inp32();
    m_out32 = m_port.out32();
    const std::int16_t before = inp32(m_controlPort);
    if (std::string failure = m_port.takeLastError(); !failure.empty())
        throw PortError(failure);
    m_before = static_cast<std::uint8_t>(before);
    const std::uint8_t wanted = setUpValue(static_cast<std::uint8_t>(before), m_chosen);
    if (wanted == m_before)
        return;
    {
        const SignalBlock block;
        int idle = Idle;
        if (!m_state.compare_exchange_strong(idle, SettingUp))
            return; // an ending came first
        m_out32(m_controlPort, wanted);
        m_state.store(Set);
    }
    if (std::string failure = m_port.takeLastError(); !failure.empty())
        throw PortError(failure);
}

void PortSetup::restore() noexcept
{
    const SignalBlock block;
    for (;;) {
        int state = m_state.load();
        if (state == Done)
            return;
        if (state == Idle) {
            // Nothing was changed, and nothing will be.
            if (m_state.compare_exchange_strong(state, Done))
                return;
            continue;
        }
        if (state == Set) {
            if (m_state.compare_exchange_strong(state, Restoring)) {
                m_out32(m_controlPort, m_before);
                m_state.store(Done);
                return;
            }
            continue;
        }
        // Another thread is writing (setting up or putting back): wait for it.
        const timespec pause{0, 50'000};
        nanosleep(&pause, nullptr);
    }
}

} // namespace la
