// Decoding status samples into the five traces and lamps.

#include "acquisition/channeldecoder.h"
#include "acquisition/channels.h"
#include "state/shapemodel.h"

#include <QtTest>

using namespace la;

class TstDecoder : public QObject
{
    Q_OBJECT

private slots:
    void constantSamples_data();
    void constantSamples();
    void lampFollowsLastSampleOnly_data();
    void lampFollowsLastSampleOnly();
    void samplesKeepReadingOrder();
    void outerElementsUntouched();

private:
    struct Lamps
    {
        ShapeModel l1{0}, l2{0}, l3{0}, l4{0}, l5{0};
        std::array<ShapeModel *, 5> all() { return {&l1, &l2, &l3, &l4, &l5}; }
    };
};

void TstDecoder::constantSamples_data()
{
    // clang-format off
    QTest::addColumn<int>("sample");
    QTest::addColumn<QList<int>>("levels");
    QTest::addColumn<QString>("lit"); // lamps 1..5, '1' lit
    QTest::newRow("all clear") << 0 << QList<int>{65, 130, 165, 260, 325} << "00100";
    QTest::newRow("bits 3 to 7 set") << 0xF8 << QList<int>{35, 100, 195, 230, 295} << "11011";
    QTest::newRow("bits 0 to 2 ignored") << 0x07 << QList<int>{65, 130, 165, 260, 325} << "00100";
    QTest::newRow("high byte ignored") << 0xFF00 << QList<int>{65, 130, 165, 260, 325} << "00100";
    QTest::newRow("channel 1 alone (bit 4)") << 0x10 << QList<int>{35, 130, 165, 260, 325} << "10100";
    QTest::newRow("channel 2 alone (bit 5)") << 0x20 << QList<int>{65, 100, 165, 260, 325} << "01100";
    QTest::newRow("channel 3 line low (bit 7 set)") << 0x80 << QList<int>{65, 130, 195, 260, 325} << "00000";
    QTest::newRow("channel 4 alone (bit 6)") << 0x40 << QList<int>{65, 130, 165, 230, 325} << "00110";
    QTest::newRow("channel 5 alone (bit 3)") << 0x08 << QList<int>{65, 130, 165, 260, 295} << "00101";
    QTest::newRow("negative sample") << -1 << QList<int>{35, 100, 195, 230, 295} << "11011";
    // clang-format on
}

void TstDecoder::constantSamples()
{
    QFETCH(int, sample);
    QFETCH(QList<int>, levels);
    QFETCH(QString, lit);
    GlobalData data;
    for (int i = 1; i <= 9999; ++i)
        data.samples[i] = std::int16_t(sample);
    Lamps lamps;
    decode_channels(data, lamps.all());
    const auto traces = data.traces();
    for (int k = 0; k < 5; ++k) {
        for (int i : {1, 5000, 9999})
            QCOMPARE(int((*traces[k])[i]), levels[k]);
        QCOMPARE(lamps.all()[k]->backColour(), lit[k] == '1' ? LampLit : LampUnlit);
    }
}

void TstDecoder::lampFollowsLastSampleOnly_data()
{
    QTest::addColumn<int>("channel");
    for (int k = 1; k <= 5; ++k)
        QTest::newRow(qPrintable(QString("channel %1").arg(k))) << k;
}

void TstDecoder::lampFollowsLastSampleOnly()
{
    // The channel sits at its upper level in every sample but the last.
    QFETCH(int, channel);
    const Channel &c = Channels[channel - 1];
    const ChannelWire &wire = ChannelWires[channel - 1];
    const bool upperWhenSet = !wire.inverted;
    GlobalData data;
    for (int i = 1; i <= 9999; ++i)
        data.samples[i] = std::int16_t(upperWhenSet == (i < 9999) ? wire.mask : 0);
    Lamps lamps;
    decode_channels(data, lamps.all());
    const Trace &trace = *data.traces()[channel - 1];
    QCOMPARE(trace[1], c.upperLevel);
    QCOMPARE(trace[9998], c.upperLevel);
    QCOMPARE(trace[9999], c.lowerLevel);
    QCOMPARE(lamps.all()[channel - 1]->backColour(), LampUnlit);
}

void TstDecoder::samplesKeepReadingOrder()
{
    GlobalData data;
    for (int i = 1; i <= 9999; ++i)
        data.samples[i] = std::int16_t((i % 2) ? 0x10 : 0);
    Lamps lamps;
    decode_channels(data, lamps.all());
    QCOMPARE(int(data.trace1[1]), 35);
    QCOMPARE(int(data.trace1[2]), 65);
    QCOMPARE(int(data.trace1[9998]), 65);
    QCOMPARE(int(data.trace1[9999]), 35);
    QCOMPARE(lamps.l1.backColour(), LampLit);
}

void TstDecoder::outerElementsUntouched()
{
    GlobalData data;
    for (Trace *t : data.traces()) {
        (*t)[0] = 11;
        (*t)[10000] = 22;
    }
    for (int i = 1; i <= 9999; ++i)
        data.samples[i] = std::int16_t(0xF8);
    Lamps lamps;
    decode_channels(data, lamps.all());
    for (Trace *t : data.traces()) {
        QCOMPARE(int((*t)[0]), 11);
        QCOMPARE(int((*t)[10000]), 22);
    }
}

QTEST_APPLESS_MAIN(TstDecoder)
#include "tst_decoder.moc"
