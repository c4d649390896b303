// A port library that talks on standard output: when it is loaded and at its first read, as
// a careless library does. Its status register reads 0xD8, an idle port's.
#include <cstdint>
#include <cstdio>

#define LA_FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
struct Greeting
{
    Greeting()
    {
        std::printf("chatty port library loaded\n");
        std::fflush(stdout);
    }
} greeting;
bool read = false;
} // namespace

LA_FAKE_EXPORT std::int16_t Inp32(std::int16_t)
{
    if (!read) {
        std::printf("chatty port library: first read\n");
        std::fflush(stdout);
        read = true;
    }
    return 0xD8;
}

LA_FAKE_EXPORT void Out32(std::int16_t, std::int16_t) {}
