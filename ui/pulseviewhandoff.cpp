#include "ui/pulseviewhandoff.h"

#include "acquisition/safefile.h"
#include "acquisition/vcdwriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace la {

QString PulseViewHandoff::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("pulseview"));
}

QString PulseViewHandoff::folder()
{
    for (const auto location :
         {QStandardPaths::RuntimeLocation, QStandardPaths::GenericCacheLocation}) {
        const QString base = QStandardPaths::writableLocation(location);
        if (base.isEmpty())
            continue;
        const QString path = QDir(base).filePath(QStringLiteral("logic-analyzer"));
        if (!QDir().mkpath(path))
            continue;
        // Captures are nobody else's business.
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    return {};
}

std::string PulseViewHandoff::open(const Capture &capture)
{
    const QString pulseview = program();
    if (pulseview.isEmpty())
        return "PulseView is not installed. Install it with: sudo apt install pulseview";
    const QString dir = folder();
    if (dir.isEmpty())
        return "There is no private folder to hand the capture over in: neither the runtime "
               "folder nor the cache folder can be written. Save the capture as VCD instead.";

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

    if (!QProcess::startDetached(
            pulseview, {QStringLiteral("-I"), QStringLiteral("vcd"), QStringLiteral("-i"), path}))
        return "PulseView (" + pulseview.toStdString() +
               ") could not be started. The capture is in " + path.toStdString() + ".";
    return {};
}

} // namespace la
