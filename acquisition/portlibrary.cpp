#include "acquisition/portlibrary.h"

#include "acquisition/channels.h"
#include "acquisition/parallelport.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace la {

namespace {

const char *const kRemedy = "Give the path of a port library file with --port-library PATH, or "
                            "start with --simulate to use the simulated probe.";

[[noreturn]] void cannotLoad(const std::string &path, const std::string &what,
                             const char *remedy = kRemedy)
{
    throw PortError("Cannot load the port library " + path + ": " + what + ". " + remedy);
}

// Why the file at path cannot be a library we load, or empty when it may be one.
std::string unsuitable(const std::string &path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT)
            return "the file does not exist";
        return std::string("it cannot be reached (") + std::strerror(error) + ")";
    }
    if (S_ISDIR(info.st_mode))
        return "it is a directory";
    if (!S_ISREG(info.st_mode))
        return "it is not a regular file";
    if (access(path.c_str(), R_OK) != 0)
        return std::string("it cannot be read (") + std::strerror(errno) + ")";
    return {};
}

} // namespace

PortLibrary::PortLibrary(std::string path) : m_path(std::move(path)) {}

PortLibrary::~PortLibrary()
{
    unload();
}

void PortLibrary::unload()
{
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
    m_inp32 = nullptr;
    m_out32 = nullptr;
    m_lastError = nullptr;
    m_lastErrorLookedUp = false;
    m_source = nullptr;
    m_sourceLookedUp = false;
    m_inputs = nullptr;
    m_inputsLookedUp = false;
}

void *PortLibrary::load()
{
    if (m_handle)
        return m_handle;
    // dlopen searches LD_LIBRARY_PATH and the system directories for a name without a slash,
    // and resolves a relative one against the working directory: neither is ours to trust.
    if (m_path.empty() || m_path.front() != '/') {
        cannotLoad(m_path.empty() ? std::string("\"\"") : m_path,
                   "the path is relative, and a port library is loaded only from an absolute "
                   "path (one that starts with /), never from a search path or the working "
                   "directory",
                   "Give the library's full path with --port-library PATH, or start with "
                   "--simulate to use the simulated probe.");
    }
    if (const std::string why = unsuitable(m_path); !why.empty())
        cannotLoad(m_path, why);
    m_handle = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char *detail = dlerror();
        cannotLoad(m_path, std::string("it is not a shared object this program can load (") +
                               (detail ? detail : "unknown dlopen error") + ")");
    }
    return m_handle;
}

void *PortLibrary::lookUp(const char *name)
{
    void *handle = load();
    void *function = dlsym(handle, name);
    if (!function) {
        // With nothing taken from it yet, let go of the file so that the next call loads it
        // afresh: the user may replace it with a proper port library.
        if (!m_inp32 && !m_out32 && !m_lastError && !m_source && !m_inputs)
            unload();
        throw PortError("The port library " + m_path + " has no function " + name +
                        ": it is not a port library (one exports Inp32 and Out32 with C "
                        "linkage). " +
                        kRemedy);
    }
    return function;
}

Inp32Fn PortLibrary::inp32()
{
    if (!m_inp32)
        m_inp32 = reinterpret_cast<Inp32Fn>(lookUp("Inp32"));
    return m_inp32;
}

Out32Fn PortLibrary::out32()
{
    if (!m_out32)
        m_out32 = reinterpret_cast<Out32Fn>(lookUp("Out32"));
    return m_out32;
}

std::string PortLibrary::takeLastError()
{
    if (!m_handle)
        return {};
    if (!m_lastErrorLookedUp) {
        m_lastError = reinterpret_cast<PortLastErrorFn>(dlsym(m_handle, "PortLastError"));
        m_lastErrorLookedUp = true;
    }
    if (!m_lastError)
        return {};
    const char *message = m_lastError();
    return message ? message : "";
}

std::string PortLibrary::source(std::int16_t address)
{
    if (m_handle && !m_sourceLookedUp) {
        m_source = reinterpret_cast<PortSourceFn>(dlsym(m_handle, "PortSource"));
        m_sourceLookedUp = true;
    }
    if (m_handle && m_source) {
        if (const char *text = m_source(address); text && *text)
            return text;
    }
    return "the port library " + m_path;
}

RouteInputs PortLibrary::inputs(std::int16_t address)
{
    void *handle = load();
    if (!m_inputsLookedUp) {
        m_inputs = reinterpret_cast<PortInputsFn>(dlsym(handle, "PortInputs"));
        m_inputsLookedUp = true;
    }
    RouteInputs route;
    if (!m_inputs)
        return route;
    const char *modes = nullptr;
    const int readable = m_inputs(address, &modes);
    if (readable < 0) {
        const std::string why = takeLastError();
        throw PortError(!why.empty() ? why
                                     : "The port library " + m_path + " cannot reach the port at " +
                                           hexAddress(static_cast<std::uint16_t>(address)) +
                                           ". Check the port, or start with --simulate to use "
                                           "the simulated probe.");
    }
    route.dataPins = (readable & DataPinsReadable) != 0;
    route.controlPins = (readable & ControlPinsReadable) != 0;
    if (modes)
        route.kernelModes = modes;
    return route;
}

} // namespace la
