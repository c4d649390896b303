/* A port library whose every read is a fixed amount of work of about a microsecond, like the
   bus cycle of a legacy port: unlike a read that waits on the clock, its cost does not shrink
   when the caller's own work takes part of the microsecond. The work is measured once, when
   the library is loaded, in the thread's own processor time and from the fastest of a few
   rounds, so that a busy machine does not make the reads shorter. The status register reads
   0xD8, as an idle port's does. */
#include <stdint.h>
#include <time.h>

static long spinsPerRead = 1000;

static void spin(long n)
{
    for (long k = 0; k < n; ++k)
        __asm__ volatile("" ::: "memory");
}

static int64_t cpuNs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

__attribute__((constructor)) static void calibrate(void)
{
    int64_t fastest = INT64_MAX;
    for (int round = 0; round < 5; ++round) {
        const int64_t start = cpuNs();
        for (int i = 0; i < 4000; ++i)
            spin(spinsPerRead);
        const int64_t spent = cpuNs() - start;
        if (spent < fastest)
            fastest = spent;
    }
    spinsPerRead = (long)(spinsPerRead * 1000.0 / ((double)fastest / 4000));
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
