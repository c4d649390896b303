// The real client on the simulated probe: captures of its UART, decoded by sigrok's UART
// decoder on ch5 at 9600 baud, must give the simulated text. A pause of the reads of half a
// bit (52 us) or more may hide a bit, and a busy machine pauses them often, so each capture
// is judged in its stretches between such pauses, which its read times show: a decoder that
// starts in the middle of a stream may need a few characters to find the frame, so each
// stretch is judged from its first three consecutive right characters on, and from there
// every byte wholly inside it must be the next character of the message.

#include "acquisition/monotoniccounter.h"
#include "acquisition/perfcounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/samplingloop.h"
#include "output/vcdwriter.h"
#include "runprogram.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using la::test::Run;
using la::test::run;

namespace {

const QByteArray Message = "Hello, logic!\r\n";
constexpr std::int64_t HalfBitNs = 52'000;

// The longest pause logic-capture reports on its capture line, in microseconds.
double longestPauseUs(const QString &line)
{
    const QRegularExpressionMatch m =
        QRegularExpression("(?:the longest|1 pause of) ([\\d.]+) (µs|ms)").match(line);
    if (!m.hasMatch())
        return 0;
    return m.captured(1).toDouble() * (m.captured(2) == "ms" ? 1000 : 1);
}

// Where the decoded bytes first hold three consecutive characters of the message, and at
// which character of it; -1 when nowhere.
std::pair<int, int> frameFound(const QByteArray &bytes)
{
    for (int i = 0; i + 3 <= bytes.size(); ++i) {
        for (int at = 0; at < Message.size(); ++at) {
            bool match = true;
            for (int j = 0; j < 3 && match; ++j)
                match = bytes[i + j] == Message[(at + j) % Message.size()];
            if (match)
                return {i, at};
        }
    }
    return {-1, -1};
}

// The bytes of sigrok-cli's "uart-1: 48" lines.
QByteArray decodedBytes(const QByteArray &out)
{
    QByteArray bytes;
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("uart-1: "))
            bytes += char(line.mid(8).toInt(nullptr, 16));
    }
    return bytes;
}

} // namespace

class TstUartDecode : public QObject
{
    Q_OBJECT

private slots:
    void simulatedTextDecodes();
    void triggeredLongCaptureDecodes();
    void continuousCaptureDecodes();
};

void TstUartDecode::simulatedTextDecodes()
{
    if (QStandardPaths::findExecutable("sigrok-cli").isEmpty())
        QSKIP("sigrok-cli is not installed (scripts/install-deps.sh test installs it)");
    using namespace la;
    PortLibrary port(LA_SIMULATED_LIB);
    MonotonicCounter counter;
    cPerfCounter perf(counter);
    QTemporaryDir dir;
    const QString file = dir.filePath("uart.vcd");
    constexpr int Wanted = 20; // stretches of six characters or more to judge
    int taken = 0, judged = 0, locked = 0, bytesJudged = 0;
    while (judged < Wanted && taken < 30) {
        ++taken;
        // 100 ms of reads: about 60 characters.
        const Capture capture = readCapture(port, perf, monotonicNs, 0x379, 100'000);
        saveCaptureAsVcd(file.toStdString(), capture);
        const Run decoded =
            run("sigrok-cli", {"-i", file, "-I", "vcd", "-P", "uart:rx=ch5:baudrate=9600", "-A",
                               "uart=rx-data", "--protocol-decoder-samplenum"});
        QCOMPARE(decoded.status, 0);
        // The pauses of half a bit or more, in nanoseconds from the first read: the file's
        // time, which sigrok counts in samples of its unit, 100 ns.
        std::vector<std::pair<std::int64_t, std::int64_t>> pauses;
        for (std::size_t i = 1; i < capture.size(); ++i) {
            if (capture.times[i] - capture.times[i - 1] >= HalfBitNs)
                pauses.emplace_back(capture.times[i - 1] - capture.times[0],
                                    capture.times[i] - capture.times[0]);
        }
        pauses.emplace_back(std::numeric_limits<std::int64_t>::max(),
                            std::numeric_limits<std::int64_t>::max());
        QByteArray stretch;
        auto judge = [&] {
            if (stretch.size() >= 6) {
                ++judged;
                const auto [first, at] = frameFound(stretch);
                locked += first >= 0 ? 1 : 0;
                for (int i = std::max(first, 0); first >= 0 && i < stretch.size(); ++i) {
                    ++bytesJudged;
                    QVERIFY2(stretch[i] == Message[(at + i - first) % Message.size()],
                             qPrintable(QString("capture %1 (%2) decodes a stretch to %3: byte "
                                                "%4 is not the next character of the message")
                                            .arg(taken)
                                            .arg(QString::fromStdString(describeCapture(capture)))
                                            .arg(QString::fromLatin1(stretch.toHex(' ')))
                                            .arg(i)));
                }
            }
            stretch.clear();
        };
        const QRegularExpression annotation("^(\\d+)-(\\d+) uart-1: ([0-9A-F]{2})$");
        std::size_t next = 0; // the first pause that ends after the byte before
        for (const QString &line : decoded.out.split('\n', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch m = annotation.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            // The annotation spans the data bits; the frame adds a start and a stop bit.
            const std::int64_t from = m.captured(1).toLongLong() * 100 - 2 * HalfBitNs;
            const std::int64_t to = m.captured(2).toLongLong() * 100 + 2 * HalfBitNs;
            for (; pauses[next].second <= from; ++next)
                judge(); // a pause came between: a new stretch begins
            if (pauses[next].first < to) {
                judge(); // a pause inside the frame: the byte is not judged
                continue;
            }
            stretch += char(m.captured(3).toInt(nullptr, 16));
        }
        judge();
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("%d captures of 100000 reads: %d stretches judged, %d of them found the frame; %d "
          "bytes judged",
          taken, judged, locked, bytesJudged);
    if (judged < 5)
        QSKIP("the reads paused for half a bit or more too often to judge the decoder: the "
              "machine is too busy");
    QVERIFY2(locked * 5 >= judged * 4, "fewer than 80% of the judged stretches found the frame");
}

void TstUartDecode::triggeredLongCaptureDecodes()
{
    // 200000 reads, about eight messages, from the UART's first falling edge, straight from
    // logic-capture's standard output into sigrok-cli's standard input: somewhere the text
    // must come twice in a row, cleanly. The pipe hides the read times, so a capture with a
    // pause of half a bit or more, which may have spoilt any message, is taken again.
    if (QStandardPaths::findExecutable("sigrok-cli").isEmpty())
        QSKIP("sigrok-cli is not installed (scripts/install-deps.sh test installs it)");
    const QByteArray twice = Message + Message;
    int taken = 0, judged = 0, skipped = 0;
    while (judged < 1 && taken < 20) {
        ++taken;
        QProcess capture, decoder;
        capture.setStandardOutputProcess(&decoder);
        capture.start(LA_LOGIC_CAPTURE,
                      {"--simulate", "--samples", "200000", "--trigger", "ch5:fall"});
        decoder.start("sigrok-cli", {"-i", "-", "-I", "vcd", "-P", "uart:rx=ch5:baudrate=9600",
                                     "-A", "uart=rx-data"});
        QVERIFY(capture.waitForFinished(60000) && decoder.waitForFinished(60000));
        QCOMPARE(capture.exitCode(), 0);
        QCOMPARE(decoder.exitCode(), 0);
        const QString line = QString::fromUtf8(capture.readAllStandardError());
        QVERIFY2(line.startsWith("capture: 200000 reads in "), qPrintable(line));
        const QByteArray bytes = decodedBytes(decoder.readAllStandardOutput());
        if (bytes.contains(twice)) {
            ++judged;
            continue;
        }
        QVERIFY2(longestPauseUs(line) >= 52,
                 qPrintable(QString("no two clean messages in a row, and no long pause: %1 %2")
                                .arg(line.trimmed(), QString::fromLatin1(bytes.toHex(' ')))));
        ++skipped;
    }
    qInfo("%d captures of 200000 reads: %d with the message twice in a row, %d taken again for "
          "a pause of half a bit or more",
          taken, judged, skipped);
    QVERIFY2(judged >= 1, "no capture could be judged");
}

void TstUartDecode::continuousCaptureDecodes()
{
    // A capture without end handed to sigrok-cli as it is written, for five seconds from its
    // first piece, then ended by Ctrl-C: the file is completed, and the text comes through,
    // twice in a row somewhere in some three thousand characters.
    if (QStandardPaths::findExecutable("sigrok-cli").isEmpty())
        QSKIP("sigrok-cli is not installed (scripts/install-deps.sh test installs it)");
    QProcess capture, decoder;
    decoder.start("sigrok-cli", {"-i", "-", "-I", "vcd", "-P", "uart:rx=ch5:baudrate=9600", "-A",
                                 "uart=rx-data"});
    QVERIFY(decoder.waitForStarted());
    capture.start(LA_LOGIC_CAPTURE, {"--simulate", "--continuous"});
    // The capture's output is taken at once and handed on as the decoder takes it: a decoder
    // slower than the reads on a busy machine must not hold the capture up.
    auto handOn = [&] {
        decoder.write(capture.readAllStandardOutput());
        decoder.waitForBytesWritten(0);
    };
    QVERIFY(capture.waitForReadyRead(60000)); // the file's first piece: the capture runs
    QElapsedTimer length;
    length.start();
    while (length.elapsed() < 5000) {
        capture.waitForReadyRead(100);
        handOn();
    }
    QVERIFY2(la::test::sendSignal(capture, SIGINT), capture.readAllStandardError().constData());
    while (!capture.waitForFinished(100))
        handOn();
    handOn();
    decoder.closeWriteChannel();
    QVERIFY(decoder.waitForFinished(120000));
    const QString line = QString::fromUtf8(capture.readAllStandardError());
    QVERIFY2(capture.exitCode() == 0, qPrintable(line));
    QCOMPARE(decoder.exitCode(), 0);
    const QByteArray bytes = decodedBytes(decoder.readAllStandardOutput());
    QVERIFY2(bytes.size() > 2000, qPrintable(line));
    QVERIFY2(bytes.contains(Message + Message), qPrintable(line));
}

QTEST_APPLESS_MAIN(TstUartDecode)
#include "tst_uartdecode.moc"
