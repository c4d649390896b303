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
    void refusals_data();
    void refusals();
    void hardLinksStayOneFile();
    void keepsTheOwner();
    void nullDeviceIsWritten();
    void unfinishedFileRemovedForASignal();
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

void TstSafeFile::refusals_data()
{
    // What each name is made into, inside a fresh folder; %1 is the path as given.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("read-only file (also for root)")
        << "read-only"
        << "Cannot write %1: the file is read-only for you. Nothing was written; choose another "
           "name, or make the file writable first.";
    QTest::newRow("dangling symbolic link")
        << "dangling"
        << "Cannot write %1: it is a symbolic link to %2, which does not exist. Nothing was "
           "written; give the name of a file, or create %2 first.";
    QTest::newRow("named pipe: it would block for ever")
        << "fifo"
        << "Cannot write %1: it is a named pipe (FIFO). Nothing was written; give the name of a "
           "regular file.";
    QTest::newRow("device") << "device"
                            << "Cannot write %1: it is a device. Nothing was written; give the "
                               "name of a regular file.";
}

void TstSafeFile::refusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    std::string path = dir.filePath("out.vcd").toStdString();
    const std::string elsewhere = dir.filePath("nowhere/x.vcd").toStdString();
    if (kind == "read-only") {
        writePlain(path, "keep\n");
        chmod(path.c_str(), 0444);
    } else if (kind == "dangling") {
        QVERIFY(symlink(elsewhere.c_str(), path.c_str()) == 0);
    } else if (kind == "fifo") {
        QVERIFY(mkfifo(path.c_str(), 0644) == 0);
    } else {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("this system has no /dev/full");
        path = "/dev/full";
    }
    const QStringList before = entries(dir.path());
    QCOMPARE(failureOf(path, "data\n"),
             message.arg(QString::fromStdString(path), QString::fromStdString(elsewhere)));
    QCOMPARE(entries(dir.path()), before); // no temporary file, nothing made
    if (kind == "read-only") {
        QCOMPARE(readFile(path), std::string("keep\n"));
        QCOMPARE(modeOf(path), mode_t(0444));
    }
}

void TstSafeFile::hardLinksStayOneFile()
{
    // A file with a second name is rewritten in place: both names still show the new text.
    QTemporaryDir dir;
    const std::string path = dir.filePath("a.vcd").toStdString();
    const std::string other = dir.filePath("b.vcd").toStdString();
    writePlain(path, "an old text that is longer than the new one\n");
    chmod(path.c_str(), 0640);
    QVERIFY(link(path.c_str(), other.c_str()) == 0);
    writeFileSafely(path, "new\n");
    QCOMPARE(readFile(other), std::string("new\n"));
    QCOMPARE(modeOf(path), mode_t(0640));
    struct stat info
    {
    };
    QVERIFY(stat(path.c_str(), &info) == 0);
    QCOMPARE(int(info.st_nlink), 2);
    QCOMPARE(entries(dir.path()), QStringList({"a.vcd", "b.vcd"}));
}

void TstSafeFile::keepsTheOwner()
{
    if (geteuid() != 0)
        QSKIP("only root can save a file that belongs to someone else");
    QTemporaryDir dir;
    const std::string path = dir.filePath("theirs.vcd").toStdString();
    writePlain(path, "old\n");
    QVERIFY(chown(path.c_str(), 65534, 65534) == 0);
    writeFileSafely(path, "new\n");
    struct stat info
    {
    };
    QVERIFY(stat(path.c_str(), &info) == 0);
    QCOMPARE(int(info.st_uid), 65534);
    QCOMPARE(int(info.st_gid), 65534);
}

void TstSafeFile::nullDeviceIsWritten()
{
    QCOMPARE(failureOf("/dev/null", "data\n"), QString());
}

void TstSafeFile::unfinishedFileRemovedForASignal()
{
    // What a signal handler does while a file is half written: nothing may stay behind.
    QTemporaryDir dir;
    const std::string path = dir.filePath("capture.vcd").toStdString();
    writePlain(path, "old\n");
    {
        SafeFile file(path);
        file.write("half a ");
        QCOMPARE(entries(dir.path()).size(), 2); // the file and its hidden temporary one
        removeUnfinishedFile();
        QCOMPARE(entries(dir.path()), QStringList{"capture.vcd"});
    }
    QCOMPARE(readFile(path), std::string("old\n"));
    removeUnfinishedFile(); // nothing is being written: nothing happens
    QCOMPARE(entries(dir.path()), QStringList{"capture.vcd"});
}

QTEST_APPLESS_MAIN(TstSafeFile)
#include "tst_safefile.moc"
