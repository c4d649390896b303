#pragma once

#include <cstdint>
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

// A file written so that it is either all there or as it was before. The pieces go to an
// unnamed temporary file in the target's folder (O_TMPFILE), which nothing else can see and
// which vanishes with the process, however it ends. commit() syncs it, gives it a hidden
// name and renames it over the target, which keeps the old file's mode (and its owner, for
// root; its group, where the writer may give it). The rename replaces this name alone: a
// file with other names (hard links) keeps its old contents under those, and a file of
// someone else's becomes the writer's. Where the filesystem has no unnamed files, a hidden
// named one stands in (see removeUnfinishedFile).
//
// Refused before anything is written, each with one message: a folder, a file the user may
// not write (also root, for a file without any write permission), a file whose folder the
// user may not write, or that belongs to someone else in a folder where only the owner may
// replace it (sticky, like /tmp), a symbolic link whose target does not exist, and anything
// that is not a regular file, but for /dev/stdout, /dev/stderr and /dev/null, which are
// written directly. A symbolic link to a file writes that file.
class SafeFile
{
public:
    explicit SafeFile(const std::string &path);
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    void write(std::string_view piece);
    // Whether text written can be written again in place: a regular file, not one opened
    // for appending (a redirected standard output may be either).
    bool canWriteAt() const { return m_rewritable; }
    // Writes `piece` over what was written `offset` bytes after this file's start.
    void writeAt(std::uint64_t offset, std::string_view piece);
    void commit();

private:
    [[noreturn]] void fail(int error);
    void discard() noexcept;
    void openTemporary();
    int linkIntoPlace(std::string &linked) const;

    std::string m_path;   // as the user gave it, for messages
    std::string m_target; // the file itself, links followed; empty when writing directly
    std::string m_folder; // the target's folder
    std::string m_hidden; // the start of a hidden name beside the target: "folder/.name."
    std::string m_named;  // the named temporary file, where there is no unnamed one
    int m_fd = -1;
    bool m_committed = false;
    bool m_rewritable = false;
    off_t m_start = 0; // where this file's text starts in a file written directly
};

// The whole of `contents` through a SafeFile. Throws FileWriteError.
void writeFileSafely(const std::string &path, std::string_view contents);

// Removes the named temporary file of the SafeFile being written, if there is one: only on
// a filesystem without unnamed files is there any. Safe to call from a signal handler, so
// that a program ended by a signal leaves nothing behind there either.
void removeUnfinishedFile() noexcept;

} // namespace la
