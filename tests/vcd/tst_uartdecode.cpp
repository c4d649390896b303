// The real client on the simulated probe: captures made by logic-capture, decoded by
// sigrok's UART decoder on ch5 at 9600 baud, must give the simulated text. A decoder that
// starts in the middle of a stream may need a few characters to find the frame, so each
// capture is judged from its first three consecutive right characters on: from there every
// byte must be the next character of the message, and at least 80% of the captures judged
// must find the frame. A capture whose longest pause is half a bit (52 us) or more is not
// judged: a pause that long may hide a bit, and the file says where it was.

#include "runprogram.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using la::test::Run;
using la::test::run;

namespace {

const QByteArray Message = "Hello, logic!\r\n";
constexpr int Wanted = 20;     // captures to judge
constexpr int MostTaken = 100; // captures to take at most for them, on a machine that pauses

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

} // namespace

class TstUartDecode : public QObject
{
    Q_OBJECT

private slots:
    void simulatedTextDecodes();
    void triggeredLongCaptureDecodes();
};

void TstUartDecode::simulatedTextDecodes()
{
    if (QStandardPaths::findExecutable("sigrok-cli").isEmpty())
        QSKIP("sigrok-cli is not installed (scripts/install-deps.sh test installs it)");
    QTemporaryDir dir;
    const QString file = dir.filePath("uart.vcd");
    int taken = 0, judged = 0, locked = 0, skipped = 0;
    while (judged < Wanted && taken < MostTaken) {
        ++taken;
        const Run capture = run(LA_LOGIC_CAPTURE, {"--simulate", "--output", file});
        QCOMPARE(capture.status, 0);
        if (longestPauseUs(capture.err) >= 52) {
            ++skipped;
            continue;
        }
        ++judged;
        const Run decoded = run("sigrok-cli", {"-i", file, "-I", "vcd", "-P",
                                               "uart:rx=ch5:baudrate=9600", "-A", "uart=rx-data"});
        QCOMPARE(decoded.status, 0);
        QByteArray bytes;
        for (const QString &line : decoded.out.split('\n', Qt::SkipEmptyParts))
            bytes += char(line.section(": ", 1).toInt(nullptr, 16));
        const auto [first, at] = frameFound(bytes);
        if (first < 0)
            continue;
        ++locked;
        for (int i = first; i < bytes.size(); ++i) {
            const char expected = Message[(at + i - first) % Message.size()];
            QVERIFY2(bytes[i] == expected,
                     qPrintable(QString("capture %1 (%2) decodes to %3: byte %4 is not the next "
                                        "character of the message")
                                    .arg(taken)
                                    .arg(capture.err.trimmed())
                                    .arg(QString::fromLatin1(bytes.toHex(' ')))
                                    .arg(i)));
        }
    }
    qInfo("%d captures taken: %d judged, %d of them found the frame; %d skipped for a pause of "
          "half a bit or more",
          taken, judged, locked, skipped);
    QVERIFY2(judged >= Wanted / 2, "fewer than half the captures wanted could be judged");
    QVERIFY2(locked * 5 >= judged * 4, "fewer than 80% of the judged captures found the frame");
}

void TstUartDecode::triggeredLongCaptureDecodes()
{
    // 200000 reads, about eight messages, from the UART's first falling edge, straight from
    // logic-capture's standard output into sigrok-cli's standard input. Somewhere the text
    // must come twice in a row, cleanly; a capture that shows it nowhere is judged only if
    // no pause of half a bit or more could have spoilt it.
    if (QStandardPaths::findExecutable("sigrok-cli").isEmpty())
        QSKIP("sigrok-cli is not installed (scripts/install-deps.sh test installs it)");
    const QByteArray twice = Message + Message;
    int taken = 0, judged = 0, skipped = 0;
    while (judged < 3 && taken < 10) {
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
        QByteArray bytes;
        for (const QByteArray &out : decoder.readAllStandardOutput().split('\n')) {
            if (out.startsWith("uart-1: "))
                bytes += char(out.mid(8).toInt(nullptr, 16));
        }
        if (bytes.contains(twice)) {
            ++judged;
            continue;
        }
        QVERIFY2(longestPauseUs(line) >= 52,
                 qPrintable(QString("no two clean messages in a row, and no long pause: %1 %2")
                                .arg(line.trimmed(), QString::fromLatin1(bytes.toHex(' ')))));
        ++skipped;
    }
    qInfo("%d captures of 200000 reads: %d with the message twice in a row, %d skipped for a "
          "pause of half a bit or more",
          taken, judged, skipped);
    QVERIFY2(judged >= 3, "fewer than three captures could be judged");
}

QTEST_APPLESS_MAIN(TstUartDecode)
#include "tst_uartdecode.moc"
