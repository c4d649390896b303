#include "ui/pulseviewhandoff.h"

#include "output/safefile.h"
#include "output/vcdwriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <QStandardPaths>

#include <unistd.h>

namespace la {

QString PulseViewHandoff::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("pulseview"));
}

QString PulseViewHandoff::folder(std::string *problem)
{
    for (const auto location :
         {QStandardPaths::RuntimeLocation, QStandardPaths::GenericCacheLocation}) {
        const QString base = QStandardPaths::writableLocation(location);
        if (base.isEmpty() || !QDir().mkpath(base))
            continue;
        const QString path = QDir(base).filePath(QStringLiteral("logic-analyzer"));
        // Captures are nobody else's business: private from the moment it exists.
        if (QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return path;
        const QFileInfo found(path);
        if (!found.exists() && !found.isSymLink())
            continue; // it could not be made here
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        std::string why;
        std::string fix = "Remove it";
        if (found.isSymLink()) {
            why = "is a symbolic link, which is not followed";
        } else if (!found.isDir()) {
            why = "is not a folder";
        } else if (found.ownerId() != ::geteuid()) {
            why = "belongs to someone else";
        } else if ((found.permissions() & others) != 0) {
            why = "is open to other users";
            fix = "Make it private (chmod 700 " + path.toStdString() + ")";
        } else {
            return path;
        }
        if (problem)
            *problem = "The hand-off folder " + path.toStdString() + " " + why + ". " + fix +
                       " and try again, or save the capture as VCD instead.";
        return {};
    }
    if (problem)
        *problem = "There is no private folder to hand the capture over in: neither the runtime "
                   "folder nor the cache folder can be written. Save the capture as VCD instead.";
    return {};
}

std::string PulseViewHandoff::open(const Capture &capture)
{
    const QString pulseview = program();
    if (pulseview.isEmpty())
        return "PulseView is not installed. Install it with: sudo apt install pulseview";
    std::string problem;
    const QString dir = folder(&problem);
    if (dir.isEmpty())
        return problem;

    // Named for when it was taken, so that PulseView's title tells one from the next.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = QDir(dir).filePath("capture-" + stamp + ".vcd");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(dir).filePath(QStringLiteral("capture-%1-%2.vcd").arg(stamp).arg(n));
    try {
        saveCaptureAsVcd(QFile::encodeName(path).toStdString(), capture);
    } catch (const FileWriteError &error) {
        return error.what();
    }

    // The oldest hand-off files go; PulseView has read them long since.
    const QFileInfoList files =
        QDir(dir).entryInfoList({QStringLiteral("capture-*.vcd")}, QDir::Files, QDir::Time);
    for (qsizetype i = FilesKept; i < files.size(); ++i)
        QFile::remove(files[i].absoluteFilePath());

    // PulseView talks on its console (some twenty lines, and X errors): that goes to a log
    // beside the files, a fresh one at each hand-off, not to the analyzer's terminal.
    const QString log = QDir(dir).filePath(QString::fromLatin1(LogName));
    QFile::remove(log);
    QProcess process;
    process.setProgram(pulseview);
    process.setArguments({QStringLiteral("-I"), QStringLiteral("vcd"), QStringLiteral("-i"), path});
    process.setStandardOutputFile(log, QIODevice::Append);
    process.setStandardErrorFile(log, QIODevice::Append);
    // The analyzer ignores SIGXFSZ, to report a file-size limit as a failed save; PulseView
    // gets the system's usual handling. No other thread writes a file meanwhile.
    struct sigaction ignored
    {
    };
    struct sigaction usual
    {
    };
    usual.sa_handler = SIG_DFL;
    sigaction(SIGXFSZ, &usual, &ignored);
    const bool started = process.startDetached();
    sigaction(SIGXFSZ, &ignored, nullptr);
    if (!started)
        return "PulseView (" + pulseview.toStdString() +
               ") could not be started. The capture is in " + path.toStdString() + ".";
    return {};
}

} // namespace la
