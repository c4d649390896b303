#include "ui/signalwatcher.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace la {

namespace {

// The pipe's two ends: the handler writes, the event loop reads. One watcher per program.
int pipeEnds[2] = {-1, -1};

extern "C" void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    (void)::write(pipeEnds[1], &number, 1);
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(std::initializer_list<int> endings, QObject *parent) : QObject(parent)
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their usual effect
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPipe);
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : endings) {
        struct sigaction before
        {
        };
        if (sigaction(signal, &action, &before) == 0)
            m_before.emplace_back(signal, before);
    }
}

SignalWatcher::~SignalWatcher()
{
    // The handlers go first: none may write to the pipe once it is closed.
    for (const auto &[signal, before] : m_before)
        sigaction(signal, &before, nullptr);
    delete m_notifier;
    for (int &end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void SignalWatcher::readPipe()
{
    unsigned char number = 0;
    while (::read(pipeEnds[0], &number, 1) == 1)
        emit caught(number);
}

} // namespace la
