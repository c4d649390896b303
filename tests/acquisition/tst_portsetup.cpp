// The port set up for data and control lines and put back, on a port that records every
// call: for each route the setup's write comes first, the restoring write last and nothing
// else is written, whichever way the capture ends; the routes that cannot read a line refuse
// it before anything is touched.

#include "acquisition/channelchoice.h"
#include "acquisition/parallelport.h"
#include "acquisition/portsetup.h"
#include "fakes.h"

#include <QtTest>

#include <csignal>
#include <thread>

using namespace la;
using la::test::fakePort;

namespace {

// A recording port whose route is described as the test says.
class RoutedPort : public test::FakePort
{
public:
    RouteInputs route;
    RouteInputs inputs(std::int16_t) override { return route; }
};

// Through the kernel's driver: control reads never come from the pins.
RouteInputs ppdev(const char *modes, bool dataPins)
{
    return {dataPins, false, std::string(modes)};
}

SampleWord chosen(const QString &channels)
{
    std::string error;
    const auto choice = ChannelChoice::parse(channels.toStdString(), error);
    if (!choice)
        qFatal("%s", error.c_str());
    return choice->bits();
}

QString calls()
{
    QStringList text;
    for (const test::PortCall &call : fakePort().calls) {
        text << (call.op == 'r' ? QString("r %1").arg(call.address)
                                : QString("w %1 %2").arg(call.address).arg(call.value, 0, 16));
    }
    return text.join("; ");
}

PortSetup *g_setup = nullptr;
extern "C" void restoreOnSignal(int)
{
    g_setup->restore();
}

} // namespace

Q_DECLARE_METATYPE(la::RouteInputs)

class TstPortSetup : public QObject
{
    Q_OBJECT

private slots:
    void setUpAndPutBack_data();
    void setUpAndPutBack();
    void routeRefuses_data();
    void routeRefuses();
    void everyEndingPutsBackOnce_data();
    void everyEndingPutsBackOnce();
};

void TstPortSetup::setUpAndPutBack_data()
{
    QTest::addColumn<bool>("throughKernel"); // ppdev with TRISTATE, else direct access
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("channels");
    QTest::addColumn<int>("before"); // the control register as first read
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("putBack");

    // Control bits 0, 1, 3 set pull Strobe, Auto Linefeed and Select In low; bit 2 set lets
    // Init high. Released, each pin is high.
    // clang-format off
    QTest::newRow("status lines alone: nothing read or written")
        << false << 0x378 << "ch1-ch5" << 0x0C << "" << "";
    QTest::newRow("data lines through ppdev with TRISTATE")
        << true << 0x378 << "ch5,d0-d7" << 0x0C << "r 890; w 890 2c" << "w 890 c";
    QTest::newRow("a card's base, an address above 0x7FFF")
        << true << 0xD010 << "d7" << 0x04 << "r -12270; w -12270 24" << "w -12270 4";
    QTest::newRow("all control pins released")
        << false << 0x378 << "c0-c3" << 0x0B << "r 890; w 890 4" << "w 890 b";
    QTest::newRow("data and control in one write, the unused bits kept")
        << false << 0x278 << "d5,c3=CS" << 0xC8 << "r 634; w 634 e0" << "w 634 c8";
    QTest::newRow("already as needed: nothing written")
        << false << 0x378 << "d0,c0" << 0x24 << "r 890" << "";
    // clang-format on
}

void TstPortSetup::setUpAndPutBack()
{
    QFETCH(bool, throughKernel);
    QFETCH(int, base);
    QFETCH(QString, channels);
    QFETCH(int, before);
    QFETCH(QString, setUp);
    QFETCH(QString, putBack);

    RoutedPort port;
    if (throughKernel)
        port.route = ppdev("PCSPP,TRISTATE", true);
    fakePort().readValue = [before](int) { return std::int16_t(before); };
    {
        PortSetup setup(port, std::uint16_t(base), chosen(channels));
        QCOMPARE(calls(), QString());
        setup.setUp();
        QCOMPARE(calls(), setUp);
        setup.restore();
        QCOMPARE(calls(), setUp + (setUp.isEmpty() || putBack.isEmpty() ? "" : "; ") + putBack);
        setup.restore();
    }
    // A second restore() and the destructor add nothing.
    QCOMPARE(calls(), setUp + (setUp.isEmpty() || putBack.isEmpty() ? "" : "; ") + putBack);
}

void TstPortSetup::routeRefuses_data()
{
    QTest::addColumn<RouteInputs>("route");
    QTest::addColumn<QString>("channels");
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString where = "Cannot read %1 at the port at 0x378 through /dev/parport0: ";
    const QString modes = "the kernel reports its modes as %1, and its data pins are inputs only "
                          "in a TRISTATE, EPP or ECP mode";
    const QString firmware =
        "set the port to a bidirectional mode (PS/2, EPP or ECP) in the firmware setup";
    const QString copy = "the kernel's driver answers a control read from its own copy of the "
                         "register, not from the pins";
    const QString direct = "read control lines by direct access (as root, with the ppdev module "
                           "unloaded: sudo rmmod ppdev) or through a port library of your own";
    auto capital = [](QString text) { return text.replace(0, 1, text[0].toUpper()); };

    // clang-format off
    QTest::newRow("ppdev, a port without a bidirectional mode")
        << ppdev("PCSPP", false) << "ch1,d0-d7" << 0x378
        << where.arg("d0-d7") + modes.arg("PCSPP") + ". " + capital(firmware) + ", or leave them out of --channels.";
    QTest::newRow("ppdev, status lines on any port") << ppdev("PCSPP", false) << "ch1-ch5" << 0x378 << "";
    QTest::newRow("ppdev, a control line")
        << ppdev("PCSPP,TRISTATE", true) << "d0,c0=CS" << 0x378
        << where.arg("c0") + copy + ". " + capital(direct) + ", or leave it out of --channels.";
    QTest::newRow("ppdev, both, no modes reported")
        << ppdev("", false) << "d3,c1-c3" << 0x378
        << where.arg("d3 and c1-c3") + "the kernel reports no modes for it, and its data pins are "
           "inputs only in a TRISTATE, EPP or ECP mode; and " + copy + ". " + capital(firmware) +
           "; " + direct + ", or leave them out of --channels.";
    QTest::newRow("ppdev, a control line of a card")
        << ppdev("PCSPP,TRISTATE", true) << "c2" << 0xD010
        << QString(where).replace("0x378", "0xD010").arg("c2") + copy + ". Read control lines "
           "through a port library of your own (direct access reaches only the legacy bases "
           "0x378, 0x3BC or 0x278), or leave it out of --channels.";
    // clang-format on
}

void TstPortSetup::routeRefuses()
{
    QFETCH(RouteInputs, route);
    QFETCH(QString, channels);
    QFETCH(int, base);
    QFETCH(QString, message);

    RoutedPort port;
    port.route = route;
    fakePort().source = "the port at " + hexAddress(std::uint16_t(base)) + " through /dev/parport0";
    QString refused;
    try {
        PortSetup setup(port, std::uint16_t(base), chosen(channels));
        setup.setUp();
        setup.restore();
    } catch (const PortError &error) {
        refused = error.what();
    }
    QCOMPARE(refused, message);
    if (!message.isEmpty())
        QCOMPARE(calls(), QString());
}

void TstPortSetup::everyEndingPutsBackOnce_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("expected");

    const QString both = "r 890; w 890 2c; w 890 c";
    // The handler waits until the write is made and recorded, then puts it back.
    QTest::newRow("a signal during the setup write") << "signal in setup" << both;
    QTest::newRow("a signal during the restoring write") << "signal in restore" << both;
    QTest::newRow("a second thread during the setup write") << "thread in setup" << both;
    QTest::newRow("an ending before the setup: nothing changes") << "before"
                                                                 << "";
    QTest::newRow("a failed setup write is put back too") << "failing write" << both;
}

void TstPortSetup::everyEndingPutsBackOnce()
{
    QFETCH(QString, ending);
    QFETCH(QString, expected);

    RoutedPort port;
    fakePort().readValue = [](int) { return std::int16_t(0x0C); };
    struct sigaction action = {}, old = {};
    action.sa_handler = restoreOnSignal;
    sigaction(SIGUSR1, &action, &old);
    std::thread second;
    QString failure;
    {
        PortSetup setup(port, 0x378, chosen("d0-d7"));
        g_setup = &setup;
        int writes = 0;
        fakePort().duringWrite = [&] {
            ++writes;
            if ((ending == "signal in setup" && writes == 1) ||
                (ending == "signal in restore" && writes == 2))
                raise(SIGUSR1);
            if (ending == "thread in setup" && writes == 1)
                second = std::thread([&] { setup.restore(); });
            if (ending == "failing write" && writes == 1)
                fakePort().deviceFailure = "the port went away";
        };
        if (ending == "before")
            setup.restore();
        try {
            setup.setUp();
        } catch (const PortError &error) {
            failure = error.what();
        }
        if (second.joinable())
            second.join();
        if (ending == "signal in restore")
            setup.restore();
        // Whatever ended it first, the port is back before the capture's own end; a failure
        // leaves it to that end.
        if (ending != "failing write")
            QCOMPARE(calls(), expected);
        setup.restore();
        fakePort().duringWrite = nullptr;
    }
    sigaction(SIGUSR1, &old, nullptr);
    g_setup = nullptr;
    QCOMPARE(calls(), expected);
    QCOMPARE(failure, ending == "failing write" ? QString("the port went away") : QString());
}

QTEST_APPLESS_MAIN(TstPortSetup)
#include "tst_portsetup.moc"
