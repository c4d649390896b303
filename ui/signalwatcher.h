#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <initializer_list>
#include <utility>
#include <vector>

namespace la {

// Turns the signals that ask a program to end (SIGTERM at logout or from kill, SIGINT from
// Ctrl-C in the launching terminal, SIGHUP when that terminal goes) into an event of the
// event loop. The handler itself only writes the signal's number into a pipe, the one thing
// a signal handler may safely do; the loop reads it and emits `caught`. When the watcher
// goes, the signals get back the handling they had before it, and then the pipe is closed.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(std::initializer_list<int> endings, QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void caught(int signal);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    std::vector<std::pair<int, struct sigaction>> m_before; // each signal's earlier handling
};

} // namespace la
