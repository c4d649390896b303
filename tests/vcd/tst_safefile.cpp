// Writing a file whole or not at all: the one message for each failure, and nothing left
// behind, neither a partial target nor a temporary file.

#include "acquisition/safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace la;

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void writePlain(const std::string &path, const std::string &contents)
{
    std::ofstream(path) << contents;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t modeOf(const std::string &path)
{
    struct stat info
    {
    };
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// The message writeFileSafely gives, or empty when it succeeded.
QString failureOf(const std::string &path, const std::string &contents)
{
    try {
        writeFileSafely(path, contents);
    } catch (const FileWriteError &error) {
        return QString::fromStdString(error.what());
    }
    return {};
}

} // namespace

class TstSafeFile : public QObject
{
    Q_OBJECT

private slots:
    void writesNewFileWithUmaskMode();
    void replacesFileKeepingItsMode();
    void writesThroughSymbolicLink();
    void failures_data();
    void failures();
    void readOnlyFolder();
    void fileSizeLimitLeavesOldFile();
    void fullDevice();
};

void TstSafeFile::writesNewFileWithUmaskMode()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("new.vcd").toStdString();
    const mode_t old = umask(027);
    writeFileSafely(path, "contents\n");
    umask(old);
    QCOMPARE(readFile(path), std::string("contents\n"));
    QCOMPARE(modeOf(path), mode_t(0640)); // not the 0600 of a temporary file
    QCOMPARE(entries(dir.path()), QStringList{"new.vcd"});
}

void TstSafeFile::replacesFileKeepingItsMode()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("old.vcd").toStdString();
    writePlain(path, "a much longer old text that must not survive in part\n");
    chmod(path.c_str(), 0604);
    writeFileSafely(path, "new\n");
    QCOMPARE(readFile(path), std::string("new\n"));
    QCOMPARE(modeOf(path), mode_t(0604));
    QCOMPARE(entries(dir.path()), QStringList{"old.vcd"});
}

void TstSafeFile::writesThroughSymbolicLink()
{
    QTemporaryDir dir;
    const std::string target = dir.filePath("real.vcd").toStdString();
    const std::string link = dir.filePath("link.vcd").toStdString();
    writePlain(target, "old\n");
    QVERIFY(symlink(target.c_str(), link.c_str()) == 0);
    writeFileSafely(link, "new\n");
    QVERIFY(QFileInfo(QString::fromStdString(link)).isSymLink());
    QCOMPARE(readFile(target), std::string("new\n"));
}

void TstSafeFile::failures_data()
{
    QTest::addColumn<QString>("name");    // inside a fresh folder that holds "file" and "folder/"
    QTest::addColumn<QString>("message"); // %1 is the path as given
    QTest::newRow("missing folder")
        << "missing/x.vcd"
        << "Cannot write %1: No such file or directory. Choose a folder that exists.";
    QTest::newRow("parent is a regular file")
        << "file/x.vcd"
        << "Cannot write %1: Not a directory. Choose a folder that exists.";
    QTest::newRow("target is a folder")
        << "folder"
        << "Cannot write %1: Is a directory. Give the name of a file, not of a folder.";
    QTest::newRow("no name") << ""
                             << "Cannot write a file without a name. Give the name of a file.";
}

void TstSafeFile::failures()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writePlain(dir.filePath("file").toStdString(), "keep\n");
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QStringList before = entries(dir.path());

    const std::string path = name.isEmpty() ? std::string() : dir.filePath(name).toStdString();
    const QString expected =
        message.contains("%1") ? message.arg(QString::fromStdString(path)) : message;
    QCOMPARE(failureOf(path, "data\n"), expected);
    QCOMPARE(entries(dir.path()), before);
    QCOMPARE(entries(dir.filePath("folder")), QStringList());
    QCOMPARE(readFile(dir.filePath("file").toStdString()), std::string("keep\n"));
}

void TstSafeFile::readOnlyFolder()
{
    if (geteuid() == 0)
        QSKIP("running as root, which writes into any folder: no permission to deny");
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked");
    QVERIFY(QDir(dir.path()).mkdir("locked"));
    chmod(locked.toLocal8Bit().constData(), 0555);
    const std::string path = (locked + "/x.vcd").toStdString();
    QCOMPARE(failureOf(path, "data\n"),
             QString("Cannot write %1: Permission denied. Choose a folder you can write to.")
                 .arg(QString::fromStdString(path)));
    chmod(locked.toLocal8Bit().constData(), 0755);
    QCOMPARE(entries(locked), QStringList());
}

void TstSafeFile::fileSizeLimitLeavesOldFile()
{
    // A file-size limit fails the write on the temporary file the way a full disk does,
    // even for root.
    QTemporaryDir dir;
    const std::string path = dir.filePath("capture.vcd").toStdString();
    writePlain(path, "old\n");
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit limit = saved;
    limit.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    const QString message = failureOf(path, std::string(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(message, QString("Cannot write %1: File too large. Free some space or choose "
                              "another disk.")
                          .arg(QString::fromStdString(path)));
    QCOMPARE(readFile(path), std::string("old\n"));
    QCOMPARE(entries(dir.path()), QStringList{"capture.vcd"});
}

void TstSafeFile::fullDevice()
{
    // A device cannot be replaced, so it is written directly; /dev/full is a disk that is
    // always full.
    if (!QFileInfo::exists("/dev/full"))
        QSKIP("this system has no /dev/full");
    QCOMPARE(failureOf("/dev/full", "data\n"),
             QString("Cannot write /dev/full: No space left on device. Free some space or "
                     "choose another disk."));
    struct stat info
    {
    };
    QVERIFY(stat("/dev/full", &info) == 0);
    QVERIFY(S_ISCHR(info.st_mode));
}

QTEST_APPLESS_MAIN(TstSafeFile)
#include "tst_safefile.moc"
