#pragma once

#include <string>

namespace la {

// The file names of the two port libraries the analyzer ships.
inline constexpr char kHardwarePortLibrary[] = "libport-hardware.so";
inline constexpr char kSimulatedPortLibrary[] = "libport-simulated.so";

// Where the port libraries sit relative to a program: <program's directory>/../lib/
// logic-analyzer, made canonical (as far as it exists). The build tree has the same shape.
std::string portLibraryDirBeside(const std::string &programPath);

// The port library directory of the running program, found through /proc/self/exe. Throws
// PortError when the program cannot find itself.
std::string defaultPortLibraryDir();

} // namespace la
