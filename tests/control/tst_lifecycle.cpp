// Start-up, the port settings window's logic, shutdown and the handling of run-time errors.

#include "control/activationtracker.h"
#include "fakes.h"

#include <QtTest>

using namespace la;
using la::test::fakePort;
using la::test::PortCall;
using la::test::Rig;

class TstLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void startupState();
    void portEntries_data();
    void portEntries();
    void portWindowToggles_data();
    void portWindowToggles();
    void exitWrites_data();
    void exitWrites();
    void startsOnTheBaseNamed();
    void exitWritesOnce_data();
    void exitWritesOnce();
    void exitWhileArmedReadsNothing();
    void exitWithPortFailureStillEnds();
    void signalEndsAsExitDoes_data();
    void signalEndsAsExitDoes();
    void eventsWaitForAHandlersMessage();
    void runtimeErrorEndsProgram();
    void activationRules_data();
    void activationRules();
};

void TstLifecycle::startupState()
{
    Rig rig;
    rig.inst.load();
    rig.inst.activate();
    const Instrument &in = rig.inst;
    QCOMPARE(int(in.data.data_port), 888);
    QCOMPARE(int(in.data.status_port), 889);
    QCOMPARE(int(in.data.control_port), 890);
    QCOMPARE(in.fields.zoom_step, std::string("001"));
    QCOMPARE(in.panel.Combo1.text(), std::string("001"));
    QCOMPARE(in.panel.Combo2.text(), std::string("100"));
    QCOMPARE(in.panel.VScroll3.smallStep(), 100);
    QCOMPARE(int(in.fields.port_shown), 0);
    QVERIFY(!in.portPanel.window.shown());
    QCOMPARE(in.portPanel.Combo1.text(), std::string("&H378"));
    QCOMPARE(in.portPanel.Text1.text(), std::string("0x378"));
    QCOMPARE(in.portPanel.Text2.text(), std::string("0x379"));
    QCOMPARE(in.portPanel.Text3.text(), std::string("0x37A"));
    QVERIFY(in.capture.perf() == nullptr);
    QCOMPARE(in.panel.Command9.caption(), std::string("ON"));
    QCOMPARE(in.panel.Text1.text(), std::string("uS"));
    for (const Trace *t : in.data.traces())
        for (int i : {0, 1, 5000, 9999, 10000})
            QCOMPARE(int((*t)[i]), 0);
    // The picture: the screen colour, the graticule, no dots.
    QCOMPARE(rig.pixel(20, 20), qRgb(70, 130, 180));
    QCOMPARE(rig.pixel(40, 20), qRgb(70, 86, 115));
    QCOMPARE(rig.pixel(20, 0), qRgb(70, 86, 115));
    QCOMPARE(rig.pixel(21, 1), qRgb(70, 130, 180));
    QVERIFY(fakePort().calls.empty());
}

void TstLifecycle::portEntries_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("base"); // as the 16-bit signed integer it is
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("&H378") << 0 << 0x378 << QStringList{"0x378", "0x379", "0x37A"};
    QTest::newRow("&H3BC") << 1 << 0x3BC << QStringList{"0x3BC", "0x3BD", "0x3BE"};
    QTest::newRow("&H278") << 2 << 0x278 << QStringList{"0x278", "0x279", "0x27A"};
    // A PCI card's port, found beyond the legacy three: negative as a 16-bit integer.
    QTest::newRow("&HD010, a card") << 3 << -0x2FF0 << QStringList{"0xD010", "0xD011", "0xD012"};
}

void TstLifecycle::portEntries()
{
    QFETCH(int, entry);
    QFETCH(int, base);
    QFETCH(QStringList, boxes);
    // The kernel lists the on-board port too: it is offered once, as a legacy entry.
    Rig rig(PortChoices{{0x378, 0xD010, 0xE000}});
    rig.start();
    QCOMPARE(rig.inst.portPanel.Combo1.entries(),
             (std::vector<std::string>{"&H378", "&H3BC", "&H278", "&HD010", "&HE000"}));
    rig.inst.gate.run([&] { rig.inst.panel.Command3.click(); });
    rig.inst.gate.run([&] { rig.inst.portPanel.Combo1.choose(entry); });
    QCOMPARE(int(rig.inst.data.data_port), base);
    QCOMPARE(int(rig.inst.data.status_port), base + 1);
    QCOMPARE(int(rig.inst.data.control_port), base + 2);
    const PortPanel &p = rig.inst.portPanel;
    QCOMPARE(
        QStringList({QString::fromStdString(p.Text1.text()), QString::fromStdString(p.Text2.text()),
                     QString::fromStdString(p.Text3.text())}),
        boxes);
    QVERIFY(fakePort().calls.empty()); // choosing writes nothing to the port
    rig.inst.gate.run([&] { rig.inst.portPanel.Command14.click(); });
    rig.inst.gate.run([&] { rig.inst.panel.Command3.click(); });
    QCOMPARE(p.Combo1.selectedIndex(), entry); // shown again with the last choice
}

void TstLifecycle::portWindowToggles_data()
{
    QTest::addColumn<QString>("presses"); // p: "port", o: "OK"
    QTest::addColumn<bool>("shown");
    QTest::newRow("port") << "p" << true;
    QTest::newRow("port port") << "pp" << false;
    QTest::newRow("port OK") << "po" << false;
    QTest::newRow("port OK port") << "pop" << true;
    QTest::newRow("OK while hidden") << "o" << false;
    QTest::newRow("OK while hidden, then port") << "op" << true;
}

void TstLifecycle::portWindowToggles()
{
    QFETCH(QString, presses);
    QFETCH(bool, shown);
    Rig rig;
    rig.start();
    for (QChar c : presses) {
        ButtonModel &b = c == 'p' ? rig.inst.panel.Command3 : rig.inst.portPanel.Command14;
        rig.inst.gate.run([&] { b.click(); });
    }
    QCOMPARE(rig.inst.portPanel.window.shown(), shown);
    QCOMPARE(int(rig.inst.fields.port_shown), shown ? 1 : 0);
}

void TstLifecycle::exitWrites_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<bool>("powered");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("control");
    QTest::newRow("default base, never switched on") << 0 << false << 888 << 890;
    QTest::newRow("default base, switched on") << 0 << true << 888 << 890;
    QTest::newRow("after &H278") << 2 << true << 632 << 634;
    QTest::newRow("after &H3BC") << 1 << false << 956 << 958;
}

void TstLifecycle::exitWrites()
{
    QFETCH(int, entry);
    QFETCH(bool, powered);
    QFETCH(int, data);
    QFETCH(int, control);
    Rig rig;
    rig.start();
    rig.inst.gate.run([&] { rig.inst.portPanel.Combo1.choose(entry); });
    if (powered)
        rig.powerOn();
    rig.screen.ops.clear();
    rig.inst.gate.run([&] { rig.inst.panel.Command4.click(); });
    QCOMPARE(fakePort().calls, (std::vector<PortCall>{{'w', std::int16_t(data), 255},
                                                      {'w', std::int16_t(control), 12}}));
    QCOMPARE(rig.platform.events, (std::vector<std::string>{"beep", "end 0"}));
    QCOMPARE(QString::fromStdString(rig.screen.summary()), QString("clear grid"));
    QVERIFY(!rig.inst.panel.VScroll1.enabled() && !rig.inst.panel.Command5.enabled());
    QCOMPARE(rig.inst.panel.Command9.caption(), std::string(powered ? "OFF" : "ON"));
    QVERIFY(!rig.inst.portPanel.window.loaded());
    QVERIFY(rig.inst.gate.ended());
}

void TstLifecycle::startsOnTheBaseNamed()
{
    // --base 0xD010: the card's entry is chosen at start-up, so that the capture and the exit
    // go to its registers.
    Rig rig(PortChoices{{0xD010}, 0xD010});
    rig.start();
    QCOMPARE(rig.inst.portPanel.Combo1.text(), std::string("&HD010"));
    QCOMPARE(rig.inst.portPanel.Text2.text(), std::string("0xD011"));
    QCOMPARE(int(rig.inst.data.data_port), -0x2FF0);
}

void TstLifecycle::exitWritesOnce_data()
{
    QTest::addColumn<bool>("failing");
    QTest::addColumn<int>("writes");
    // Out32 calls exit(): the at-exit ending runs inside the first write.
    QTest::newRow("the library ends the program in its Out32") << false << 2;
    // Qt ends the program from the failure's message box when the X server goes.
    QTest::newRow("the display goes under the failure's message") << true << 1;
}

void TstLifecycle::exitWritesOnce()
{
    QFETCH(bool, failing);
    QFETCH(int, writes);
    Rig rig;
    rig.start();
    if (failing) {
        fakePort().deviceFailure = "the port is gone";
        rig.platform.duringMessage = [&] { rig.inst.leavePort(); };
    } else {
        fakePort().duringWrite = [&] { rig.inst.leavePort(); };
    }
    rig.inst.gate.run([&] { rig.inst.panel.Command4.click(); });
    const std::vector<PortCall> all{{'w', 888, 255}, {'w', 890, 12}};
    QCOMPARE(fakePort().calls, std::vector<PortCall>(all.begin(), all.begin() + writes));
}

void TstLifecycle::exitWhileArmedReadsNothing()
{
    Rig rig;
    rig.start();
    rig.powerOn();
    rig.inst.gate.run([&] { rig.inst.panel.Command5.click(); });
    rig.inst.gate.run([&] { rig.inst.unload_me(); }); // the close box's way
    rig.inst.gate.run([&] { rig.inst.panel.Timer1.fire(); });
    rig.inst.gate.run([&] { rig.inst.panel.Command9.click(); });
    QCOMPARE(int(fakePort().calls.size()), 2);
    QCOMPARE(fakePort().calls[0].op, 'w');
    QCOMPARE(rig.inst.panel.Command9.caption(), std::string("OFF"));
}

void TstLifecycle::exitWithPortFailureStillEnds()
{
    Rig rig;
    rig.start();
    fakePort().lookupFailure = "cannot load the port library";
    rig.inst.gate.run([&] { rig.inst.panel.Command4.click(); });
    // Said in a message, like every run-time error, before the program ends.
    QCOMPARE(rig.platform.events,
             (std::vector<std::string>{
                 "beep",
                 "message: logic-analyzer: port access failed: The program could not leave the "
                 "port in its final state: cannot load the port library\n\nThe program ends now.",
                 "end 1"}));
    QVERIFY(!rig.inst.portPanel.window.loaded());
}

void TstLifecycle::signalEndsAsExitDoes_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("armed");
    QTest::newRow("SIGTERM") << 15 << false;
    QTest::newRow("SIGINT with a capture armed") << 2 << true;
    QTest::newRow("SIGHUP") << 1 << false;
}

void TstLifecycle::signalEndsAsExitDoes()
{
    QFETCH(int, signal);
    QFETCH(bool, armed);
    Rig rig;
    rig.start();
    rig.powerOn();
    if (armed)
        rig.inst.gate.run([&] { rig.inst.panel.Command5.click(); });
    rig.inst.gate.run([&] { rig.inst.endBySignal(signal); });
    rig.inst.gate.run([&] { rig.inst.panel.Timer1.fire(); }); // too late: nothing is read
    rig.inst.gate.run([&] { rig.inst.endBySignal(signal); }); // and it ends once
    QCOMPARE(fakePort().calls, (std::vector<PortCall>{{'w', 888, 255}, {'w', 890, 12}}));
    QCOMPARE(rig.platform.events,
             (std::vector<std::string>{"beep", "end " + std::to_string(128 + signal)}));
    QVERIFY(!rig.inst.panel.VScroll1.enabled());
    QVERIFY(!rig.inst.portPanel.window.loaded());
}

void TstLifecycle::eventsWaitForAHandlersMessage()
{
    // The capture fails and its message is open; meanwhile a held h-pos arrow and a second
    // click arrive. They run after the handler, in order, not inside it.
    Rig rig;
    rig.start();
    rig.powerOn();
    std::vector<std::string> order;
    rig.platform.duringMessage = [&] {
        order.push_back("message open");
        rig.inst.gate.run([&] {
            order.push_back("h-pos step");
            rig.inst.panel.VScroll3.clickBottomArrow();
        });
        rig.inst.gate.run([&] { order.push_back("grid"); });
        QCOMPARE(rig.inst.panel.VScroll3.position(), 0); // not yet
    };
    fakePort().lookupFailure = "no port here";
    rig.capture();
    order.push_back("after");
    QCOMPARE(order, (std::vector<std::string>{"message open", "h-pos step", "grid", "after"}));
    QCOMPARE(rig.inst.panel.VScroll3.position(), -100);
}

void TstLifecycle::runtimeErrorEndsProgram()
{
    Rig rig;
    rig.start();
    rig.inst.gate.run([&] { rig.inst.panel.VScroll1.setPosition(99); });
    QCOMPARE(int(rig.platform.events.size()), 2);
    QVERIFY(rig.platform.events[0].find("Invalid property value") != std::string::npos);
    QCOMPARE(rig.platform.events[1], std::string("end 1"));
    rig.inst.gate.run([&] { rig.inst.panel.Command9.click(); }); // nothing runs any more
    QCOMPARE(rig.inst.panel.Command9.caption(), std::string("ON"));
}

void TstLifecycle::activationRules_data()
{
    // clang-format off
    QTest::addColumn<QString>("windows"); // m: main active, p: port active
    QTest::addColumn<QString>("runs");    // 1 where the main activation runs
    QTest::newRow("first show") << "m" << "1";
    QTest::newRow("back from another application") << "mm" << "10";
    QTest::newRow("port window then main") << "mpm" << "101";
    QTest::newRow("port active first") << "pm" << "01";
    QTest::newRow("to and fro") << "mpmpmm" << "101010";
    // clang-format on
}

void TstLifecycle::activationRules()
{
    QFETCH(QString, windows);
    QFETCH(QString, runs);
    ActivationTracker tracker;
    QString got;
    for (QChar w : windows)
        got += tracker.windowActivated(w == 'm' ? ActivationTracker::Window::Main
                                                : ActivationTracker::Window::Port)
                   ? '1'
                   : '0';
    QCOMPARE(got, runs);
}

QTEST_APPLESS_MAIN(TstLifecycle)
#include "tst_lifecycle.moc"
