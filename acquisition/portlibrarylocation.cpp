#include "acquisition/portlibrarylocation.h"

#include "acquisition/portio.h"

#include <filesystem>

namespace la {

namespace fs = std::filesystem;

// The same in the build tree and in an installed tree (LA_PORTLIB_SUBDIR in CMakeLists.txt).
const char *const kLibrarySubdir = "lib/logic-analyzer";

std::string portLibraryDirBeside(const std::string &programPath)
{
    const fs::path dir = fs::path(programPath).parent_path() / ".." / kLibrarySubdir;
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(dir, error);
    return error ? dir.lexically_normal().string() : canonical.string();
}

std::string defaultPortLibraryDir()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        throw PortError("Cannot find the port libraries: the program cannot find its own file "
                        "(/proc/self/exe: " +
                        error.message() +
                        "). Give the path of a port library file with --port-library PATH.");
    }
    return portLibraryDirBeside(program.string());
}

} // namespace la
