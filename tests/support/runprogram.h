#pragma once

// A program run to its end, as a user runs it from a shell: its exit status and what it
// wrote on its two outputs.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>

namespace la::test {

// Sends `signal` to the program `process` runs. False when it has ended already: its id is
// then 0, and a kill of 0 would signal the test's own process group.
inline bool sendSignal(const QProcess &process, int signal)
{
    const qint64 pid = process.processId();
    return pid > 0 && ::kill(pid_t(pid), signal) == 0;
}

struct Run
{
    int status = -1; // -1: it did not end, or ended by a crash
    QString out;
    QString err;
};

inline Run run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace la::test
