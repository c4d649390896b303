// A thousand captures of the simulated probe in one process: every capture makes exactly
// 9999 reads, and memory stays flat.

#include "acquisition/monotoniccounter.h"
#include "acquisition/portlibrary.h"
#include "fakes.h"

#include <QtTest>

#include <fstream>
#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// Exported by the sanitizer runtime; GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace la;

namespace {

// Counts the reads on their way to the loaded library's Inp32.
Inp32Fn g_inp32 = nullptr;
long g_reads = 0;
std::int16_t countingInp32(std::int16_t address)
{
    ++g_reads;
    return g_inp32(address);
}

class CountingPort : public PortIo
{
public:
    explicit CountingPort(PortIo &inner) : m_inner(inner) {}
    Inp32Fn inp32() override
    {
        g_inp32 = m_inner.inp32();
        return &countingInp32;
    }
    Out32Fn out32() override { return m_inner.out32(); }
    std::string takeLastError() override { return m_inner.takeLastError(); }
    std::string source(std::int16_t address) override { return m_inner.source(address); }

private:
    PortIo &m_inner;
};

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 10, '\n');
    }
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator keeps freed memory in quarantine, so the resident size says
// nothing there; its own count of live bytes does.
constexpr bool Sanitized = true;
std::size_t heapInUse()
{
    return __sanitizer_get_current_allocated_bytes();
}
#else
constexpr bool Sanitized = false;
std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}
#endif

} // namespace

class TstSoak : public QObject
{
    Q_OBJECT

private slots:
    void thousandCaptures();
};

void TstSoak::thousandCaptures()
{
    PortLibrary library(SIMULATED_PORT_LIBRARY);
    CountingPort port(library);
    MonotonicCounter counter;
    test::FakePlatform platform;
    ScreenImage screen;
    Instrument in(screen, port, counter, monotonicNs, platform);
    in.load();
    in.activate();
    in.gate.run([&] { in.panel.Command9.click(); });

    auto capture = [&] {
        const long before = g_reads;
        in.gate.run([&] { in.panel.Command5.click(); });
        in.gate.run([&] { in.panel.Timer1.fire(); });
        return g_reads - before;
    };
    for (int i = 0; i < 20; ++i) // warm up: the library, the interval timer, the allocator
        QCOMPARE(capture(), 9999L);

    const long rssBefore = residentKiB();
    const std::size_t heapBefore = heapInUse();
    int timesChanged = 0; // the shown time moves from capture to capture: the probe is real
    std::string previous = in.panel.Text1.text();
    for (int i = 0; i < 1000; ++i) {
        QCOMPARE(capture(), 9999L);
        if (in.panel.Text1.text() != previous)
            ++timesChanged;
        previous = in.panel.Text1.text();
    }
    const long rssAfter = residentKiB();
    const std::size_t heapAfter = heapInUse();

    qInfo("soak: 1000 captures, resident %ld KiB -> %ld KiB, heap in use %zu -> %zu bytes, "
          "the capture time changed %d times",
          rssBefore, rssAfter, heapBefore, heapAfter, timesChanged);
    QVERIFY(platform.events.empty());
    QCOMPARE(in.capture.completedCaptures(), 1020);
    QVERIFY2(heapAfter <= heapBefore + 1024, "the heap grew across the captures");
    if (!Sanitized)
        QVERIFY2(rssAfter <= rssBefore + 1024, "the resident size grew across the captures");
}

QTEST_APPLESS_MAIN(TstSoak)
#include "tst_soak.moc"
