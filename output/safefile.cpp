#include "output/safefile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace la {

namespace fs = std::filesystem;

namespace {

// The named temporary file being written, for removeUnfinishedFile. The programs write one
// file at a time; the name is set and cleared with signals blocked, so a handler sees it whole.
char unfinished[PATH_MAX];
volatile sig_atomic_t hasUnfinished = 0;

// Blocks the signals that end a program for as long as it lives.
class SignalsHeld
{
public:
    SignalsHeld()
    {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &m_old);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }

private:
    sigset_t m_old;
};

[[noreturn]] void refuse(const std::string &path, const std::string &why, const std::string &remedy)
{
    throw FileWriteError("Cannot write " + path + ": " + why + ". Nothing was written; " + remedy +
                         ".");
}

std::string remedyFor(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return " Choose a folder you can write to.";
    case ENOENT:
    case ENOTDIR:
        return " Choose a folder that exists.";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return " Free some space or choose another disk.";
    case EISDIR:
        return " Give the name of a file, not of a folder.";
    default:
        return {};
    }
}

// Writes all of `contents` to fd; returns 0 or the errno of the failure.
int writeAll(int fd, std::string_view contents)
{
    const char *next = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return 0;
}

const char *kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a named pipe (FIFO)";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

// `hidden` and six random letters: a name that nothing uses yet, most likely.
std::string randomName(const std::string &hidden)
{
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string name = hidden;
    for (int i = 0; i < 6; ++i)
        name += Letters[random() % (sizeof Letters - 1)];
    return name;
}

constexpr int NameAttempts = 100;

// Where an unnamed file open as `fd` can be linked from.
std::string procPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace

SafeFile::SafeFile(const std::string &path) : m_path(path)
{
    if (path.empty())
        throw FileWriteError("Cannot write a file without a name. Give the name of a file.");
    if (path == "/dev/stdout" || path == "/dev/stderr" || path == "/dev/null") {
        m_fd = path == "/dev/null" ? ::open(path.c_str(), O_WRONLY | O_CLOEXEC)
                                   : ::fcntl(path == "/dev/stdout" ? STDOUT_FILENO : STDERR_FILENO,
                                             F_DUPFD_CLOEXEC, 3);
        if (m_fd < 0)
            fail(errno);
        struct stat info = {};
        const int flags = ::fcntl(m_fd, F_GETFL);
        m_start = ::lseek(m_fd, 0, SEEK_CUR);
        m_rewritable = ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode) && flags >= 0 &&
                       (flags & O_APPEND) == 0 && m_start >= 0;
        return;
    }

    struct stat link = {};
    std::string target = path;
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::error_code ec;
        const fs::path resolved = fs::canonical(path, ec);
        if (ec) {
            const fs::path to = fs::read_symlink(path, ec);
            refuse(path, "it is a symbolic link to " + to.string() + ", which does not exist",
                   "give the name of a file, or create " + to.string() + " first");
        }
        target = resolved.string();
    }
    const fs::path targetPath(target);
    m_folder = targetPath.has_parent_path() ? targetPath.parent_path().string() : ".";
    m_hidden = m_folder + "/." + targetPath.filename().string() + ".";

    struct stat info = {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    const uid_t user = ::geteuid();
    const bool root = user == 0;
    if (exists) {
        if (S_ISDIR(info.st_mode))
            fail(EISDIR);
        if (!S_ISREG(info.st_mode))
            refuse(path, std::string("it is ") + kindOf(info.st_mode),
                   "give the name of a regular file");
        if (::access(target.c_str(), W_OK) != 0 || (root && (info.st_mode & 0222) == 0))
            refuse(path, "the file is read-only for you",
                   "choose another name, or make the file writable first");
        // The new file takes the old one's place in the folder. Rewritten in place, it would
        // be half old and half new for a while, and for good if the writing stopped.
        struct stat folder = {};
        if (::access(m_folder.c_str(), W_OK) != 0 && errno == EACCES)
            refuse(path,
                   "the file is replaced only as a whole, and its folder is not writable "
                   "for you",
                   "choose a folder you can write to");
        if (!root && info.st_uid != user && ::stat(m_folder.c_str(), &folder) == 0 &&
            (folder.st_mode & S_ISVTX) != 0 && folder.st_uid != user)
            refuse(path,
                   "it is someone else's, in a folder where only a file's owner may replace "
                   "it",
                   "choose another name");
    }
    m_target = target;
    openTemporary();
    m_rewritable = true;
    if (exists) {
        // Root keeps the file its owner's; anyone else can keep at most its group. The mode
        // comes after, since a change of owner clears the set-user-ID bit.
        (void)::fchown(m_fd, root ? info.st_uid : uid_t(-1), info.st_gid);
        if (::fchmod(m_fd, info.st_mode & 07777) != 0)
            fail(errno);
    }
}

void SafeFile::openTemporary()
{
    // Created with 0666, the file gets the mode the umask gives a new file.
    m_fd = ::open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        // It is given its name through /proc; without /proc it could not be.
        if (::access(procPath(m_fd).c_str(), F_OK) == 0)
            return;
        ::close(m_fd);
        m_fd = -1;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        fail(errno); // EISDIR and EINVAL: a kernel or filesystem without unnamed files
    }
    // A hidden named file instead, known to removeUnfinishedFile.
    const SignalsHeld held;
    for (int attempt = 1; m_fd < 0; ++attempt) {
        std::string named = randomName(m_hidden);
        m_fd = ::open(named.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (m_fd < 0 && (errno != EEXIST || attempt == NameAttempts))
            fail(errno);
        if (m_fd >= 0) {
            m_named = std::move(named);
            if (m_named.size() < sizeof unfinished) {
                std::memcpy(unfinished, m_named.c_str(), m_named.size() + 1);
                hasUnfinished = 1;
            }
        }
    }
}

SafeFile::~SafeFile()
{
    if (!m_committed)
        discard();
}

void SafeFile::discard() noexcept
{
    const SignalsHeld held;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_named.empty())
        ::unlink(m_named.c_str());
    m_named.clear();
    hasUnfinished = 0;
}

void SafeFile::fail(int error)
{
    discard();
    if (m_path == "/dev/stdout" || m_path == "/dev/stderr")
        throw FileWriteError(std::string("Cannot write to standard ") +
                             (m_path == "/dev/stdout" ? "output: " : "error: ") +
                             std::strerror(error) + ".");
    throw FileWriteError("Cannot write " + m_path + ": " + std::strerror(error) + "." +
                         remedyFor(error));
}

void SafeFile::write(std::string_view piece)
{
    if (const int error = writeAll(m_fd, piece); error != 0)
        fail(error);
}

void SafeFile::writeAt(std::uint64_t offset, std::string_view piece)
{
    std::size_t done = 0;
    while (done < piece.size()) {
        const ssize_t written = ::pwrite(m_fd, piece.data() + done, piece.size() - done,
                                         m_start + off_t(offset + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            fail(errno);
        done += std::size_t(written);
    }
}

int SafeFile::linkIntoPlace(std::string &linked) const
{
    const std::string self = procPath(m_fd);
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        linked = randomName(m_hidden);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, linked.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

void SafeFile::commit()
{
    if (m_target.empty()) {
        // Written directly: standard output or error, or /dev/null.
        const int fd = std::exchange(m_fd, -1);
        m_committed = true;
        if (::close(fd) != 0 && errno != EINTR)
            fail(errno);
        return;
    }
    // Synced before it takes the target's name, so that a crash leaves the old file or the
    // new, never an empty one.
    int error = ::fsync(m_fd) != 0 ? errno : 0;
    if (error == 0) {
        // From the link to the rename the new file has a hidden name too: no signal may end
        // the program in between and leave it.
        const SignalsHeld held;
        std::string linked = m_named;
        if (linked.empty())
            error = linkIntoPlace(linked);
        if (error == 0 && std::rename(linked.c_str(), m_target.c_str()) != 0) {
            error = errno;
            if (m_named.empty())
                ::unlink(linked.c_str());
        }
        if (error == 0) {
            m_named.clear();
            hasUnfinished = 0;
        }
    }
    if (error != 0)
        fail(error);
    ::close(m_fd);
    m_fd = -1;
    m_committed = true;
    // The rename itself lasts once the folder is synced; a folder that cannot be synced
    // still holds the complete file.
    const int folder = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void writeFileSafely(const std::string &path, std::string_view contents)
{
    SafeFile file(path);
    file.write(contents);
    file.commit();
}

void removeUnfinishedFile() noexcept
{
    if (hasUnfinished)
        ::unlink(unfinished);
}

} // namespace la
