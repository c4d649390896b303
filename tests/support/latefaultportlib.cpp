// A port library whose port goes wrong late, as a driver or a cable may. Its lines: ch1
// toggles every 100 reads, the rest stay low. LA_TEST_READ_US makes every read sleep that
// many microseconds, LA_TEST_READ_NS makes it last at least that many nanoseconds (busy,
// as a port's bus cycle is); at the read numbered LA_TEST_AT (from 0), LA_TEST_DO says what
// happens: "block" (the read never returns) or "fail" (it and every later read fail, and
// PortLastError says why). It creates the file named by LA_TEST_FIRST_READ at its first
// read, so that a test knows when the capture has begun.
#include "acquisition/channels.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <thread>
#include <unistd.h>

#define LA_TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

long reads = 0;
bool failed = false;

long setting(const char *name, long otherwise)
{
    const char *value = std::getenv(name);
    return value ? std::atol(value) : otherwise;
}

} // namespace

LA_TEST_EXPORT std::int16_t Inp32(std::int16_t)
{
    static const long readUs = setting("LA_TEST_READ_US", 0);
    static const long readNs = setting("LA_TEST_READ_NS", 0);
    const auto start = std::chrono::steady_clock::now();
    static const long at = setting("LA_TEST_AT", -1);
    static const char *const what = std::getenv("LA_TEST_DO");
    const long n = reads++;
    if (n == 0) {
        if (const char *mark = std::getenv("LA_TEST_FIRST_READ"))
            ::close(::open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    if (readUs > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(readUs));
    while (readNs > 0 &&
           std::chrono::steady_clock::now() - start < std::chrono::nanoseconds(readNs)) {
    }
    if (n >= at && at >= 0 && what) {
        if (std::string_view(what) == "block") {
            for (;;)
                ::pause();
        }
        if (std::string_view(what) == "fail") {
            failed = true;
            return -1;
        }
    }
    return la::statusFor((n / 100) % 2 ? 1u : 0u);
}

LA_TEST_EXPORT void Out32(std::int16_t, std::int16_t) {}

LA_TEST_EXPORT const char *PortLastError(void)
{
    const bool was = failed;
    failed = false;
    return was ? "Cannot read the test port: its cable came loose." : nullptr;
}
