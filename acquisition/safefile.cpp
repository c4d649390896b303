#include "acquisition/safefile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace la {

namespace fs = std::filesystem;

namespace {

// The temporary file being written, for removeUnfinishedFile. The programs write one file
// at a time; the name is set and cleared with signals blocked, so a handler sees it whole.
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

// The mode a new file gets from open(..., 0666): mkstemp makes its file 0600, which would
// hide the result from the user's group. The umask is read from /proc, since setting it to
// find it out would race with other threads.
mode_t newFileMode()
{
    mode_t mask = 022;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
            break;
        }
    }
    return 0666 & ~mask;
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

// Copies the finished temporary file into the target's own inode.
int copyInto(int from, const std::string &target)
{
    const int to = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (to < 0)
        return errno;
    int error = ::lseek(from, 0, SEEK_SET) < 0 ? errno : 0;
    char buffer[1 << 16];
    while (error == 0) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        error = writeAll(to, std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    if (error == 0 && ::fsync(to) != 0)
        error = errno;
    if (::close(to) != 0 && error == 0)
        error = errno;
    return error;
}

} // namespace

SafeFile::SafeFile(const std::string &path) : m_path(path)
{
    if (path.empty())
        throw FileWriteError("Cannot write a file without a name. Give the name of a file.");
    if (path == "/dev/stdout" || path == "/dev/null") {
        m_fd = path == "/dev/null" ? ::open(path.c_str(), O_WRONLY | O_CLOEXEC)
                                   : ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
        if (m_fd < 0)
            fail(errno);
        return;
    }

    struct stat link
    {
    };
    const bool exists = ::lstat(path.c_str(), &link) == 0;
    m_target = path;
    if (exists && S_ISLNK(link.st_mode)) {
        std::error_code ec;
        const fs::path resolved = fs::canonical(path, ec);
        if (ec) {
            const fs::path to = fs::read_symlink(path, ec);
            refuse(path, "it is a symbolic link to " + to.string() + ", which does not exist",
                   "give the name of a file, or create " + to.string() + " first");
        }
        m_target = resolved.string();
    }

    struct stat info
    {
    };
    const bool targetExists = ::stat(m_target.c_str(), &info) == 0;
    mode_t mode = newFileMode();
    if (targetExists) {
        if (S_ISDIR(info.st_mode))
            fail(EISDIR);
        if (!S_ISREG(info.st_mode))
            refuse(path, std::string("it is ") + kindOf(info.st_mode),
                   "give the name of a regular file");
        const bool root = ::geteuid() == 0;
        if (::access(m_target.c_str(), W_OK) != 0 || (root && (info.st_mode & 0222) == 0))
            refuse(path, "the file is read-only for you",
                   "choose another name, or make the file writable first");
        mode = info.st_mode & 07777;
        // Renaming a new file over it would split its hard links, or give it to the writer.
        m_inPlace = info.st_nlink > 1 || (!root && info.st_uid != ::geteuid());
    }

    const fs::path target(m_target);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // Hidden, beside the target, unique: ".name.XXXXXX".
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    std::string temp = (folder / hidden).string();
    {
        const SignalsHeld held;
        m_fd = ::mkstemp(temp.data());
        if (m_fd < 0)
            fail(errno);
        if (temp.size() < sizeof unfinished) {
            std::memcpy(unfinished, temp.c_str(), temp.size() + 1);
            hasUnfinished = 1;
        }
        m_temp = temp;
    }
    ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
    if (::fchmod(m_fd, mode) != 0)
        fail(errno);
    // Root keeps the file its owner's; anyone else can only hand over what is theirs.
    if (targetExists && !m_inPlace && ::geteuid() == 0)
        (void)::fchown(m_fd, info.st_uid, info.st_gid);
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
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
    hasUnfinished = 0;
}

void SafeFile::fail(int error)
{
    discard();
    if (m_path == "/dev/stdout")
        throw FileWriteError(std::string("Cannot write to standard output: ") +
                             std::strerror(error) + ".");
    throw FileWriteError("Cannot write " + m_path + ": " + std::strerror(error) + "." +
                         remedyFor(error));
}

void SafeFile::write(std::string_view piece)
{
    if (const int error = writeAll(m_fd, piece); error != 0)
        fail(error);
}

void SafeFile::commit()
{
    if (m_temp.empty()) {
        // Written directly: standard output or /dev/null.
        const int fd = std::exchange(m_fd, -1);
        m_committed = true;
        if (::close(fd) != 0 && errno != EINTR)
            fail(errno);
        return;
    }
    // Synced before the rename, so that a crash leaves the old file or the new, never an
    // empty one.
    int error = ::fsync(m_fd) != 0 ? errno : 0;
    if (error == 0 && m_inPlace)
        error = copyInto(m_fd, m_target);
    if (error != 0)
        fail(error);
    {
        const SignalsHeld held;
        if (!m_inPlace && std::rename(m_temp.c_str(), m_target.c_str()) != 0)
            error = errno;
        else if (m_inPlace)
            ::unlink(m_temp.c_str());
        if (error == 0) {
            hasUnfinished = 0;
            m_temp.clear();
        }
    }
    if (error != 0)
        fail(error);
    ::close(m_fd);
    m_fd = -1;
    m_committed = true;
    // The rename itself lasts once the folder is synced; a folder that cannot be synced
    // still holds the complete file.
    const fs::path folder =
        fs::path(m_target).has_parent_path() ? fs::path(m_target).parent_path() : fs::path(".");
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
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
