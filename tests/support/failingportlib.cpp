// A port library whose port cannot be read: every Inp32 fails, and PortLastError says why,
// as a real library does when its port has gone.
#include <cstdint>

#define LA_FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
bool failed = false;
}

LA_FAKE_EXPORT std::int16_t Inp32(std::int16_t)
{
    failed = true;
    return -1;
}

LA_FAKE_EXPORT void Out32(std::int16_t, std::int16_t) {}

LA_FAKE_EXPORT const char *PortLastError(void)
{
    const bool was = failed;
    failed = false;
    return was ? "Cannot read the test port: it is unplugged." : nullptr;
}
