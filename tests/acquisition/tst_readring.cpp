// The ring between the reading thread and the keeping thread: every read arrives once, in
// order, with its stamp, however often the ring wraps and whichever side is faster; the
// reads are handed over in batches, sooner when they are slow; a full ring stops the reads
// before one is lost.

#include "acquisition/readring.h"
#include "acquisition/streamreader.h"
#include "fakes.h"
#include "streamrig.h"

#include <QtTest>

#include <thread>

using namespace la;
using la::test::fakePort;
using la::test::FakeReadClock;

class TstReadRing : public QObject
{
    Q_OBJECT

private slots:
    void twoThreads_data();
    void twoThreads();
    void publishedInBatches_data();
    void publishedInBatches();
    void fullRingStopsTheReads();
};

void TstReadRing::twoThreads_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("freeEvery"); // the consumer frees its slots after this many reads
    QTest::newRow("small ring, slots freed at once") << 512 << 1;
    QTest::newRow("small ring, freed in chunks") << 512 << 300;
    QTest::newRow("larger ring, freed in large chunks") << 4096 << 2000;
}

void TstReadRing::twoThreads()
{
    // A million reads through a ring of a few hundred slots: it wraps thousands of times,
    // and the producer waits for room whenever the consumer lags.
    QFETCH(int, capacity);
    QFETCH(int, freeEvery);
    constexpr std::uint64_t Reads = 1'000'000;
    ReadRing ring{std::size_t(capacity)};
    std::thread producer([&] {
        for (std::uint64_t i = 0; i < Reads; ++i) {
            while (!ring.hasRoom())
                std::this_thread::yield();
            ring.put(std::int16_t(i & 0x7FFF), std::int64_t(i) * 3);
            if (ring.batchFull())
                ring.publish();
        }
        ring.publish();
    });
    std::uint64_t next = 0, wrong = 0;
    while (next < Reads) {
        const std::uint64_t upTo = ring.published();
        for (; next < upTo; ++next) {
            wrong += ring.read(next) != std::int16_t(next & 0x7FFF) ||
                     ring.stamp(next) != std::int64_t(next) * 3;
            if ((next + 1) % std::uint64_t(freeEvery) == 0)
                ring.free(next + 1);
        }
        ring.free(next);
        std::this_thread::yield();
    }
    producer.join();
    QCOMPARE(wrong, std::uint64_t(0));
    QCOMPARE(ring.published(), Reads);
}

void TstReadRing::publishedInBatches_data()
{
    QTest::addColumn<qint64>("stepNs");        // the fake clock's time per read
    QTest::addColumn<int>("reads");            // made before the reads stop
    QTest::addColumn<QList<int>>("seenAfter"); // published after read 1, 255, 256, 300
    const QList<int> batch{0, 0, 256, 256};
    QTest::newRow("fast reads: a batch at a time") << 1000LL << 400 << batch;
    QTest::newRow("slow reads: each at once") << 2'000'000LL << 400 << QList<int>{1, 255, 256, 300};
}

void TstReadRing::publishedInBatches()
{
    // The reads as the keeping side sees them while the reading goes on: counted at every
    // read by a port whose reads look at what the ring has published.
    QFETCH(qint64, stepNs);
    QFETCH(int, reads);
    QFETCH(QList<int>, seenAfter);
    static ReadRing *ring = nullptr;
    ReadRing ownRing(1024);
    ring = &ownRing;
    test::FakePort port;
    FakeReadClock::state().step = stepNs;
    std::vector<std::uint64_t> published;
    fakePort().readValue = [&](int) {
        published.push_back(ring->published());
        return std::int16_t(0x10);
    };
    StreamControl control;
    test::readStream(port.inp32(), FakeReadClock::now, ownRing, std::uint64_t(reads), control);
    // The read of index n sees what was published before it: after read n.
    QList<int> seen;
    for (const int n : {1, 255, 256, 300})
        seen << int(published[std::size_t(n)]);
    QCOMPARE(seen, seenAfter);
    QCOMPARE(ownRing.published(), std::uint64_t(reads)); // all of them once the reads end
    QCOMPARE(control.reads.load(), std::uint64_t(reads));
    QCOMPARE(control.ending(), StreamEnd::None);
}

void TstReadRing::fullRingStopsTheReads()
{
    // Nobody frees a slot: the reads stop when the ring is full, before a read that would
    // have nowhere to go, and say why.
    ReadRing ring(512);
    test::FakePort port;
    StreamControl control;
    test::readStream(port.inp32(), FakeReadClock::now, ring, NoReadLimit, control);
    QCOMPARE(control.ending(), StreamEnd::CouldNotKeepUp);
    QCOMPARE(control.reads.load(), std::uint64_t(512));
    QCOMPARE(int(fakePort().calls.size()), 512);
    QCOMPARE(ring.published(), std::uint64_t(512));
    // Freeing some lets the reads go on where they stopped.
    ring.free(100);
    QVERIFY(ring.hasRoom());
}

QTEST_APPLESS_MAIN(TstReadRing)
#include "tst_readring.moc"
