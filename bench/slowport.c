/* A port library whose every read is a fixed amount of work of about a microsecond, like the
   bus cycle of a legacy port: unlike a read that waits on the clock, its cost does not shrink
   when the caller's own work takes part of the microsecond. The work is measured once, when
   the library is loaded. The status register reads 0xD8, as an idle port's does. */
#include <stdint.h>
#include <time.h>

static long spinsPerRead = 1000;

static void spin(long n)
{
    for (long k = 0; k < n; ++k)
        __asm__ volatile("" ::: "memory");
}

static int64_t nowNs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

__attribute__((constructor)) static void calibrate(void)
{
    const int64_t start = nowNs();
    for (int i = 0; i < 20000; ++i)
        spin(spinsPerRead);
    const double ns = (double)(nowNs() - start) / 20000;
    spinsPerRead = (long)(spinsPerRead * 1000.0 / ns);
}

int16_t Inp32(int16_t address)
{
    (void)address;
    spin(spinsPerRead);
    return 0xD8;
}

void Out32(int16_t address, int16_t value)
{
    (void)address;
    (void)value;
}
