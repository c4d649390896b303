// The 17 lines: where each one's level sits in a sample word (the lines the port inverts
// above all), and the lists that choose them, with one message for each wrong list.

#include "acquisition/channelchoice.h"
#include "acquisition/channels.h"

#include <QtTest>

using namespace la;

namespace {

std::size_t lineNamed(const QString &id)
{
    for (std::size_t i = 0; i < PortLines.size(); ++i) {
        if (PortLines[i].id == id.toStdString())
            return i;
    }
    qFatal("no line %s", qPrintable(id));
}

} // namespace

class TstChannels : public QObject
{
    Q_OBJECT

private slots:
    void levelInSampleWord_data();
    void levelInSampleWord();
    void choice_data();
    void choice();
    void wrongList_data();
    void wrongList();
};

void TstChannels::levelInSampleWord_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<uint>("word"); // status | data << 8 | control << 16
    QTest::addColumn<bool>("high");

    // Each line's own bit set, and every other bit of the word set without it: a line sees
    // its bit alone. The inverted ones read high with their bit clear.
    // clang-format off
    QTest::newRow("ch1 without its bit")        << "ch1" << 0xFFFFEFu << false;
    QTest::newRow("ch3 Busy, inverted: set")    << "ch3" << 0x000080u << false;
    QTest::newRow("ch3 Busy, inverted: clear")  << "ch3" << 0xFFFF7Fu << true;
    QTest::newRow("d7, data bit 7")             << "d7"  << 0x008000u << true;
    QTest::newRow("c0 Strobe, inverted: set")   << "c0"  << 0x010000u << false;
    QTest::newRow("c0 Strobe, inverted: clear") << "c0"  << 0xFEFFFFu << true;
    QTest::newRow("c1 Auto Linefeed, inverted: set")   << "c1" << 0x020000u << false;
    QTest::newRow("c1 Auto Linefeed, inverted: clear") << "c1" << 0xFDFFFFu << true;
    QTest::newRow("c2 Init, not inverted: set")        << "c2" << 0x040000u << true;
    QTest::newRow("c2 Init, not inverted: clear")      << "c2" << 0xFBFFFFu << false;
    QTest::newRow("c3 Select In, inverted: set")       << "c3" << 0x080000u << false;
    QTest::newRow("c3 Select In, inverted: clear")     << "c3" << 0xF7FFFFu << true;
    // The direction bit and the bits above the control register carry no line.
    // clang-format on
}

void TstChannels::levelInSampleWord()
{
    QFETCH(QString, line);
    QFETCH(uint, word);
    QFETCH(bool, high);
    QCOMPARE(lineLevel(word, lineNamed(line)), high);
    // The five status lines read the same through the window's function, from a 16-bit read.
    if (line.startsWith("ch"))
        QCOMPARE(lineHigh(std::int16_t(word & 0xFFFF), lineNamed(line)), high);
}

void TstChannels::choice_data()
{
    QTest::addColumn<QString>("list");   // empty: no list given
    QTest::addColumn<QString>("chosen"); // the wires in order, name and line
    QTest::addColumn<QString>("reads");  // the registers read: s, d, c

    // clang-format off
    QTest::newRow("none given: the five status lines") << "" << "ch1 ch2 ch3 ch4 ch5" << "s";
    QTest::newRow("named lines and a range, as given")
        << "ch5=RX,d0-d7,c0=CS" << "RX=ch5 d0 d1 d2 d3 d4 d5 d6 d7 CS=c0" << "sdc";
    QTest::newRow("a range backwards: the bus most significant first")
        << "d3-d0" << "d3 d2 d1 d0" << "d";
    // clang-format on
}

void TstChannels::choice()
{
    QFETCH(QString, list);
    QFETCH(QString, chosen);
    QFETCH(QString, reads);
    std::string error;
    const std::optional<ChannelChoice> choice =
        list.isEmpty() ? ChannelChoice() : ChannelChoice::parse(list.toStdString(), error);
    QCOMPARE(QString::fromStdString(error), QString());
    QVERIFY(choice);
    QStringList wires;
    SampleWord bits = 0;
    for (const ChosenLine &wire : choice->lines()) {
        const QString id = QString::fromStdString(std::string(PortLines[wire.line].id));
        const QString name = QString::fromStdString(wire.name);
        wires << (name == id ? id : name + "=" + id);
        bits |= PortLines[wire.line].mask();
    }
    QCOMPARE(wires.join(' '), chosen);
    QCOMPARE(choice->bits(), bits);
    QString read;
    if (choice->reads(PortRegister::Status))
        read += 's';
    if (choice->reads(PortRegister::Data))
        read += 'd';
    if (choice->reads(PortRegister::Control))
        read += 'c';
    QCOMPARE(read, reads);
}

void TstChannels::wrongList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("message");
    const QString allowed =
        "list lines from ch1..ch5 (status), d0..d7 (data) and c0..c3 (control), alone or as "
        "ranges such as d0-d7, each at most once, a line named if you like, joined by commas, "
        "e.g. ch5=RX,d0-d7,c0=CS";
    const QString nameRule =
        "a name is a letter or _ followed by letters, digits or _, at most 32 characters";

    // clang-format off
    QTest::newRow("empty") << "" << "--channels needs a list of lines: " + allowed;
    QTest::newRow("not a line") << "d0,x1" << "'x1' is not a line: " + allowed;
    QTest::newRow("data line 8") << "d0-d8"
        << "there is no data line 8 in 'd0-d8': the data lines are d0 to d7";
    QTest::newRow("range across registers") << "d0-c3"
        << "'d0-c3' runs across two kinds of line: a range stays within ch1-ch5, d0-d7 or c0-c3";
    QTest::newRow("empty entry") << "ch1,,d0" << "the list 'ch1,,d0' has an empty entry: " + allowed;
    QTest::newRow("a line twice through a range") << "d0-d7,d3"
        << "d3 appears twice in the list 'd0-d7,d3': choose each line once";
    QTest::newRow("a named range") << "d0-d7=BUS"
        << "'d0-d7=BUS' names a range: a name belongs to one line, e.g. d0=BUS0";
    QTest::newRow("no name after =") << "ch5=" << "'ch5=' gives no name: write one after the =, e.g. ch5=RX, or leave out the =";
    QTest::newRow("a colon, which sigrok's options would split") << "ch5=uart:rx"
        << "'uart:rx' in 'ch5=uart:rx' is not a name: " + nameRule;
    QTest::newRow("one name twice") << "ch5=RX,d0=RX"
        << "two lines are named RX in 'ch5=RX,d0=RX': give each line a name of its own";
    // clang-format on
}

void TstChannels::wrongList()
{
    QFETCH(QString, list);
    QFETCH(QString, message);
    std::string error;
    QVERIFY(!ChannelChoice::parse(list.toStdString(), error));
    QCOMPARE(QString::fromStdString(error), message);
}

QTEST_APPLESS_MAIN(TstChannels)
#include "tst_channels.moc"
