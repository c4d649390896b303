#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace la {

// A file that could not be written. The message names the file, says why and what to do,
// e.g. "Cannot write /x/y.vcd: Permission denied. Choose a folder you can write to."
// Deliberately not a RuntimeError: the caller reports it and carries on.
class FileWriteError : public std::runtime_error
{
public:
    explicit FileWriteError(const std::string &what) : std::runtime_error(what) {}
};

// Writes `contents` to `path` so that the file is either all there or as it was before: the
// bytes go to a temporary file in the same folder, are synced to the disk and then renamed
// over the target. On any failure the temporary file is removed and FileWriteError thrown.
// A path that names a symbolic link writes the file the link points to. A path that names
// a device or pipe (e.g. /dev/stdout) is written directly, since it cannot be replaced.
void writeFileSafely(const std::string &path, std::string_view contents);

} // namespace la
