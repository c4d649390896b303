#include "acquisition/safefile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace la {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string &path, int error)
{
    std::string remedy;
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        remedy = " Choose a folder you can write to.";
        break;
    case ENOENT:
    case ENOTDIR:
        remedy = " Choose a folder that exists.";
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        remedy = " Free some space or choose another disk.";
        break;
    case EISDIR:
        remedy = " Give the name of a file, not of a folder.";
        break;
    default:
        break;
    }
    throw FileWriteError("Cannot write " + path + ": " + std::strerror(error) + "." + remedy);
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

void writeDirectly(const std::string &path, std::string_view contents)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        fail(path, errno);
    int error = writeAll(fd, contents);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        fail(path, error);
}

} // namespace

void writeFileSafely(const std::string &path, std::string_view contents)
{
    if (path.empty())
        throw FileWriteError("Cannot write a file without a name. Give the name of a file.");
    fs::path target(path);
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status))
        fail(path, EISDIR);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        writeDirectly(path, contents);
        return;
    }
    // A file replaced keeps its permissions; a new one gets what the umask allows.
    const mode_t mode =
        fs::exists(status) ? static_cast<mode_t>(status.permissions()) : newFileMode();
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        // Replace the file the link leads to, and keep the link.
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        fail(path, errno);

    int error = writeAll(fd, contents);
    if (error == 0 && ::fchmod(fd, mode) != 0)
        error = errno;
    // Synced before the rename, so that a crash leaves the old file or the new, never an
    // empty one.
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && std::rename(temp.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        fail(path, error);
    }
    // The rename itself lasts once the folder is synced; a folder that cannot be synced
    // still holds the complete file.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace la
