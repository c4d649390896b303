// A port library that tells a test when the capture has begun, and can end the program there
// as a faulty library would. Its status register reads 0xD8, an idle port's. At its first
// read it creates the file named by LA_TEST_FIRST_READ, when that is set, and then does what
// LA_TEST_THEN says: "hang" (the read never returns), "crash", "abort" or "exit"; with
// anything else the reads go on.
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

#define LA_FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
bool begun = false;
}

LA_FAKE_EXPORT std::int16_t Inp32(std::int16_t)
{
    if (!begun) {
        begun = true;
        if (const char *mark = std::getenv("LA_TEST_FIRST_READ"))
            ::close(::open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        const char *setting = std::getenv("LA_TEST_THEN");
        const std::string_view then = setting ? setting : "";
        if (then == "hang") {
            for (;;)
                ::pause();
        }
        if (then == "crash")
            std::raise(SIGSEGV);
        if (then == "abort")
            std::abort();
        if (then == "exit")
            std::exit(7);
    }
    return 0xD8;
}

LA_FAKE_EXPORT void Out32(std::int16_t, std::int16_t) {}
