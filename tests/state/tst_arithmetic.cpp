// 16-bit arithmetic, text conversion, the colour builder, bounded arrays and the rule that
// keeps the status and control addresses beside the base.

#include "state/boundedarray.h"
#include "state/colour.h"
#include "state/instrumentstate.h"
#include "state/int16.h"

#include <QtTest>

using namespace la;

Q_DECLARE_METATYPE(la::RuntimeError::Kind)

class TstArithmetic : public QObject
{
    Q_OBJECT

private slots:
    void add16_data();
    void add16();
    void textToInt16_data();
    void textToInt16();
    void textToInt16Rejects_data();
    void textToInt16Rejects();
    void colourBuilder_data();
    void colourBuilder();
    void boundedArrayIndex_data();
    void boundedArrayIndex();
    void dataPortDerivesRegisters_data();
    void dataPortDerivesRegisters();
    void dataPortOverflowStoresWhatCameBefore();
};

void TstArithmetic::add16_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<bool>("overflows");
    QTest::addColumn<int>("sum");
    QTest::newRow("base plus one") << 888 << 1 << false << 889;
    QTest::newRow("top of the range") << 32766 << 1 << false << 32767;
    QTest::newRow("one past the top") << 32767 << 1 << true << 0;
    QTest::newRow("bottom of the range") << -32767 << -1 << false << -32768;
    QTest::newRow("one past the bottom") << -32768 << -1 << true << 0;
    QTest::newRow("light bar bottom end") << -50 << 70 << false << 20;
}

void TstArithmetic::add16()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(bool, overflows);
    QFETCH(int, sum);
    if (overflows) {
        try {
            la::add16(a, b);
            QFAIL("no overflow raised");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.kind(), RuntimeError::Kind::Overflow);
        }
    } else {
        QCOMPARE(int(la::add16(a, b)), sum);
    }
}

void TstArithmetic::textToInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("&H378") << "&H378" << 888;
    QTest::newRow("&H3BC") << "&H3BC" << 956;
    QTest::newRow("&H278") << "&H278" << 632;
    QTest::newRow("lower-case hex digits") << "&H3bc" << 956;
    QTest::newRow("four hex digits are two's complement") << "&HFFFF" << -1;
    QTest::newRow("&H7FFF") << "&H7FFF" << 32767;
    QTest::newRow("zoom 001") << "001" << 1;
    QTest::newRow("step 1000") << "1000" << 1000;
    QTest::newRow("negative") << "-5" << -5;
}

void TstArithmetic::textToInt16()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(int(la::textToInt16(text.toStdString())), value);
}

void TstArithmetic::textToInt16Rejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<RuntimeError::Kind>("kind");
    QTest::newRow("empty") << "" << RuntimeError::Kind::TypeMismatch;
    QTest::newRow("word") << "zoom" << RuntimeError::Kind::TypeMismatch;
    QTest::newRow("trailing junk") << "10x" << RuntimeError::Kind::TypeMismatch;
    QTest::newRow("prefix alone") << "&H" << RuntimeError::Kind::TypeMismatch;
    QTest::newRow("bad hex digit") << "&H37G" << RuntimeError::Kind::TypeMismatch;
    QTest::newRow("decimal too large") << "40000" << RuntimeError::Kind::Overflow;
    QTest::newRow("hex too large") << "&H10000" << RuntimeError::Kind::Overflow;
    QTest::newRow("far too large") << "99999999999999999999" << RuntimeError::Kind::Overflow;
}

void TstArithmetic::textToInt16Rejects()
{
    QFETCH(QString, text);
    QFETCH(RuntimeError::Kind, kind);
    try {
        la::textToInt16(text.toStdString());
        QFAIL("accepted");
    } catch (const RuntimeError &e) {
        QCOMPARE(e.kind(), kind);
    }
}

void TstArithmetic::colourBuilder_data()
{
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::addColumn<uint>("colour");
    QTest::newRow("screen at start") << 70 << 130 << 180 << uint(70 + 256 * 130 + 65536 * 180);
    QTest::newRow("white") << 255 << 255 << 255 << 0xFFFFFFu;
    QTest::newRow("components above 255 count as 255") << 300 << 256 << 32767 << 0xFFFFFFu;
    QTest::newRow("only blue capped") << 1 << 2 << 999 << uint(1 + 256 * 2 + 65536 * 255);
}

void TstArithmetic::colourBuilder()
{
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);
    QFETCH(uint, colour);
    QCOMPARE(la::rgb(r, g, b), colour);
    QCOMPARE(toArgb32(colour), qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255)));
}

void TstArithmetic::boundedArrayIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("valid");
    QTest::newRow("first") << 0 << true;
    QTest::newRow("last") << 10000 << true;
    QTest::newRow("below") << -1 << false;
    QTest::newRow("above") << 10001 << false;
}

void TstArithmetic::boundedArrayIndex()
{
    QFETCH(int, index);
    QFETCH(bool, valid);
    Trace trace;
    try {
        trace[index] = 7;
        QVERIFY(valid);
        QCOMPARE(int(trace[index]), 7);
    } catch (const RuntimeError &e) {
        QVERIFY(!valid);
        QCOMPARE(e.kind(), RuntimeError::Kind::IndexOutOfRange);
    }
}

void TstArithmetic::dataPortDerivesRegisters_data()
{
    QTest::addColumn<int>("base");
    QTest::newRow("0x378") << 0x378;
    QTest::newRow("0x3BC") << 0x3BC;
    QTest::newRow("0x278") << 0x278;
    QTest::newRow("largest that fits") << 32765;
}

void TstArithmetic::dataPortDerivesRegisters()
{
    QFETCH(int, base);
    GlobalData data;
    data.setDataPort(std::int16_t(base));
    QCOMPARE(int(data.data_port), base);
    QCOMPARE(int(data.status_port), base + 1);
    QCOMPARE(int(data.control_port), base + 2);
}

void TstArithmetic::dataPortOverflowStoresWhatCameBefore()
{
    GlobalData data;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, data.setDataPort(32766));
    QCOMPARE(int(data.data_port), 32766);
    QCOMPARE(int(data.status_port), 32767); // stored before the + 2 overflowed
    QCOMPARE(int(data.control_port), 890);

    GlobalData other;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, other.setDataPort(32767));
    QCOMPARE(int(other.status_port), 889);
    QCOMPARE(int(other.control_port), 890);
}

QTEST_APPLESS_MAIN(TstArithmetic)
#include "tst_arithmetic.moc"
