#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace la {

// A file that could not be written. The message names the file, says why and what to do,
// e.g. "Cannot write /x/y.vcd: Permission denied. Choose a folder you can write to."
// Deliberately not a RuntimeError: the caller reports it and carries on.
class FileWriteError : public std::runtime_error
{
public:
    explicit FileWriteError(const std::string &what) : std::runtime_error(what) {}
};

// A file written so that it is either all there or as it was before. The pieces go to a
// hidden temporary file in the same folder; commit() syncs it and renames it over the
// target, which keeps the old file's mode (and owner, where the writer may give it). A file
// with other names (hard links), or one that belongs to someone else, is rewritten in place
// from the finished temporary file instead, so that it stays the same file. Unless
// committed, the temporary file is removed and the target left as it was.
//
// Refused before anything is written, each with one message: a folder, a file the user may
// not write (also root, for a file without any write permission), a symbolic link whose
// target does not exist, and anything that is not a regular file, but for /dev/stdout and
// /dev/null, which are written directly. A symbolic link to a file writes that file.
class SafeFile
{
public:
    explicit SafeFile(const std::string &path);
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    void write(std::string_view piece);
    void commit();

private:
    [[noreturn]] void fail(int error);
    void discard() noexcept;

    std::string m_path;   // as the user gave it, for messages
    std::string m_target; // the file itself, links followed
    std::string m_temp;   // the temporary file, or empty when writing directly
    int m_fd = -1;
    bool m_inPlace = false;
    bool m_committed = false;
};

// The whole of `contents` through a SafeFile. Throws FileWriteError.
void writeFileSafely(const std::string &path, std::string_view contents);

// Removes the temporary file of the SafeFile being written, if there is one. Safe to call
// from a signal handler, so that a program ended by a signal leaves nothing behind.
void removeUnfinishedFile() noexcept;

} // namespace la
