// Writing a file whole or not at all: the one message for each failure, and nothing left
// behind, neither a partial target nor a temporary file.

#include "output/safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace la;

// This test is linked with --wrap=open: while noUnnamedFiles is set, every folder is one on
// a filesystem without unnamed files (O_TMPFILE), as vfat, NFS and older overlayfs are.
bool noUnnamedFiles = false;
extern "C" int __real_open(const char *path, int flags, ...);
extern "C" int __wrap_open(const char *path, int flags, ...)
{
    int mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, int);
        va_end(args);
    }
    if (noUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return __real_open(path, flags, mode);
}

namespace {

struct WithoutUnnamedFiles
{
    explicit WithoutUnnamedFiles(bool without) { noUnnamedFiles = without; }
    ~WithoutUnnamedFiles() { noUnnamedFiles = false; }
};

// Runs `work` in a child process and returns what it said, once it has ended.
QString inChild(const std::function<std::string()> &work)
{
    int channel[2];
    if (pipe(channel) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        const std::string said = work();
        (void)!write(channel[1], said.data(), said.size());
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    close(channel[1]);
    char said[1024];
    const ssize_t got = read(channel[0], said, sizeof said);
    close(channel[0]);
    return QString::fromUtf8(said, got > 0 ? got : 0);
}

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
    void writesNewFileWithUmaskMode_data();
    void writesNewFileWithUmaskMode();
    void replacesFileKeepingItsMode_data();
    void replacesFileKeepingItsMode();
    void writesThroughSymbolicLink();
    void failures_data();
    void failures();
    void readOnlyFolder();
    void fileSizeLimitLeavesOldFile();
    void refusals_data();
    void refusals();
    void hardLinkedNameIsReplacedAlone();
    void keepsTheOwner();
    void asAnotherUser_data();
    void asAnotherUser();
    void nullDeviceIsWritten();
    void unfinishedNamedFileRemovedForASignal();
};

void TstSafeFile::writesNewFileWithUmaskMode_data()
{
    QTest::addColumn<bool>("withoutUnnamedFiles");
    QTest::newRow("through an unnamed file") << false;
    QTest::newRow("through a named one, where there are no unnamed files") << true;
}

void TstSafeFile::writesNewFileWithUmaskMode()
{
    QFETCH(bool, withoutUnnamedFiles);
    const WithoutUnnamedFiles without(withoutUnnamedFiles);
    QTemporaryDir dir;
    const std::string path = dir.filePath("new.vcd").toStdString();
    const mode_t old = umask(027);
    writeFileSafely(path, "contents\n");
    umask(old);
    QCOMPARE(readFile(path), std::string("contents\n"));
    QCOMPARE(modeOf(path), mode_t(0640)); // not the 0600 of a temporary file
    QCOMPARE(entries(dir.path()), QStringList{"new.vcd"});
}

void TstSafeFile::replacesFileKeepingItsMode_data()
{
    writesNewFileWithUmaskMode_data();
}

void TstSafeFile::replacesFileKeepingItsMode()
{
    QFETCH(bool, withoutUnnamedFiles);
    const WithoutUnnamedFiles without(withoutUnnamedFiles);
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

void TstSafeFile::hardLinkedNameIsReplacedAlone()
{
    // The new file takes this name only: the other name keeps the old one, whole.
    QTemporaryDir dir;
    const std::string path = dir.filePath("a.vcd").toStdString();
    const std::string other = dir.filePath("b.vcd").toStdString();
    writePlain(path, "an old text that is longer than the new one\n");
    chmod(path.c_str(), 0640);
    QVERIFY(link(path.c_str(), other.c_str()) == 0);
    writeFileSafely(path, "new\n");
    QCOMPARE(readFile(path), std::string("new\n"));
    QCOMPARE(readFile(other), std::string("an old text that is longer than the new one\n"));
    QCOMPARE(modeOf(path), mode_t(0640));
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

void TstSafeFile::asAnotherUser_data()
{
    // A file of root's, written by nobody, in a folder of root's with this mode.
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<QString>("message"); // empty: written; %1 is the path
    QTest::newRow("someone else's file, in a folder open to all: now the writer's")
        << 0777 << QString();
    QTest::newRow("a writable file in a folder the writer may not write")
        << 0755
        << "Cannot write %1: the file is replaced only as a whole, and its folder is not "
           "writable for you. Nothing was written; choose a folder you can write to.";
    QTest::newRow("someone else's file, in a sticky folder like /tmp")
        << 01777
        << "Cannot write %1: it is someone else's, in a folder where only a file's owner may "
           "replace it. Nothing was written; choose another name.";
}

void TstSafeFile::asAnotherUser()
{
    QFETCH(int, folderMode);
    QFETCH(QString, message);
    if (geteuid() != 0)
        QSKIP("only root can write as another user");
    const uid_t nobody = 65534;
    QTemporaryDir dir;
    chmod(dir.path().toLocal8Bit().constData(), 0755);
    QVERIFY(QDir(dir.path()).mkdir("shared"));
    const std::string folder = dir.filePath("shared").toStdString();
    chmod(folder.c_str(), mode_t(folderMode));
    const std::string path = folder + "/theirs.vcd";
    writePlain(path, "old\n");
    chmod(path.c_str(), 0646);

    const QString said = inChild([&]() -> std::string {
        if (setgid(nobody) != 0 || setuid(nobody) != 0)
            return "cannot become nobody";
        try {
            writeFileSafely(path, "new\n");
        } catch (const FileWriteError &error) {
            return error.what();
        }
        return {};
    });
    QCOMPARE(said, message.isEmpty() ? message : message.arg(QString::fromStdString(path)));
    QCOMPARE(readFile(path), std::string(message.isEmpty() ? "new\n" : "old\n"));
    QCOMPARE(QFileInfo(QString::fromStdString(path)).ownerId(), message.isEmpty() ? nobody : 0u);
    QCOMPARE(modeOf(path), mode_t(0646));
    QCOMPARE(entries(QString::fromStdString(folder)), QStringList{"theirs.vcd"});
}

void TstSafeFile::nullDeviceIsWritten()
{
    QCOMPARE(failureOf("/dev/null", "data\n"), QString());
}

void TstSafeFile::unfinishedNamedFileRemovedForASignal()
{
    // What a signal handler does while a file is half written where the folder has no
    // unnamed files: nothing may stay behind.
    const WithoutUnnamedFiles without(true);
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
