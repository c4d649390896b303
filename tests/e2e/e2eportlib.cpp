// A port library for the whole-program checks. Inp32 answers every capture of 9999 reads with
// a known pattern, and every call is appended to the file named by LA_E2E_PORT_LOG, one line
// each: "r 889" for a read, "w 888 255" for a write.
//
// Built a second time with LA_E2E_WITHOUT_C_LINKAGE: the same functions with C++ names, the
// usual mistake in a hand-made library, so that the program finds neither. And a third time
// with LA_E2E_WITHOUT_INP32: a library that can only write, so that a capture fails while the
// exit writes still reach it.
//
// A slow or stuck port, by the environment: LA_E2E_READ_US makes every read take that many
// microseconds; the read numbered LA_E2E_HANG_AT (from 0) never returns; with
// LA_E2E_HANG_LOCKS=1 the library serialises its calls with one lock, as the hardware
// library does, which that read then holds for good. The read numbered LA_E2E_FAIL_AT fails
// (returns -1).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

#ifdef LA_E2E_WITHOUT_C_LINKAGE
#define LA_E2E_EXPORT __attribute__((visibility("default")))
#else
#define LA_E2E_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr long ReadsPerCapture = 9999;
// Reads 1..PatternSwitch of each capture return EarlyPattern, the rest LatePattern.
constexpr long PatternSwitch = 300;
constexpr std::int16_t EarlyPattern = 0x10 | 0x40;
constexpr std::int16_t LatePattern = 0x20 | 0x80 | 0x08;

// One line per call, written straight through: the program may end at any moment.
void record(const char *line)
{
    static int fd = -2;
    if (fd == -2) {
        const char *path = std::getenv("LA_E2E_PORT_LOG");
        fd = path && *path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }
    if (fd >= 0 && write(fd, line, std::strlen(line)) < 0)
        std::perror("e2e port library: log");
}

long setting(const char *name, long otherwise)
{
    const char *value = std::getenv(name);
    return value && *value ? std::atol(value) : otherwise;
}

std::mutex calls;
const bool locking = setting("LA_E2E_HANG_LOCKS", 0) == 1;

} // namespace

#ifndef LA_E2E_WITHOUT_INP32
LA_E2E_EXPORT std::int16_t Inp32(std::int16_t address)
{
    char line[32];
    std::snprintf(line, sizeof line, "r %d\n", address);
    std::unique_lock lock(calls, std::defer_lock);
    if (locking)
        lock.lock();
    record(line);
    static const long readNs = setting("LA_E2E_READ_US", 0) * 1000;
    static const long hangAt = setting("LA_E2E_HANG_AT", -1);
    static const long failAt = setting("LA_E2E_FAIL_AT", -1);
    static long reads = 0;
    if (reads == failAt) {
        ++reads;
        return -1;
    }
    if (reads == hangAt) {
        for (;;)
            pause();
    }
    if (readNs > 0) {
        const timespec wait{readNs / 1'000'000'000, readNs % 1'000'000'000};
        nanosleep(&wait, nullptr);
    }
    const long k = reads++ % ReadsPerCapture;
    return k < PatternSwitch ? EarlyPattern : LatePattern;
}
#endif

LA_E2E_EXPORT void Out32(std::int16_t address, std::int16_t value)
{
    std::unique_lock lock(calls, std::defer_lock);
    if (locking)
        lock.lock();
    char line[32];
    std::snprintf(line, sizeof line, "w %d %d\n", address, value);
    record(line);
}
