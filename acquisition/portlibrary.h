#pragma once

#include "acquisition/portio.h"

#include <string>

namespace la {

// A port library loaded with dlopen from an absolute path, never a search path or the
// working directory. Nothing happens at construction: the file is loaded at the first
// inp32() or out32(), and each function is looked up by name at its own first use, then
// kept. A load that fails is tried again at the next call, so the user may fix the file in
// the meantime. The functions handed out stay valid until the PortLibrary is destroyed.
class PortLibrary : public PortIo
{
public:
    explicit PortLibrary(std::string path);
    ~PortLibrary() override;
    PortLibrary(const PortLibrary &) = delete;
    PortLibrary &operator=(const PortLibrary &) = delete;

    const std::string &path() const { return m_path; }

    Inp32Fn inp32() override;
    Out32Fn out32() override;
    // Calls the library's PortLastError, if it has one. Loads nothing: before the library
    // is loaded no call can have failed.
    std::string takeLastError() override;
    // What the library's PortSource says; for a library without one (or that cannot say),
    // its file: "the port library /path/libport.so".
    std::string source(std::int16_t address) override;
    // What the library's PortInputs says; for a library without one, direct access.
    RouteInputs inputs(std::int16_t address) override;

private:
    void *load();
    void *lookUp(const char *name);
    void unload();

    std::string m_path;
    void *m_handle = nullptr;
    Inp32Fn m_inp32 = nullptr;
    Out32Fn m_out32 = nullptr;
    PortLastErrorFn m_lastError = nullptr;
    bool m_lastErrorLookedUp = false;
    PortSourceFn m_source = nullptr;
    bool m_sourceLookedUp = false;
    PortInputsFn m_inputs = nullptr;
    bool m_inputsLookedUp = false;
};

} // namespace la
