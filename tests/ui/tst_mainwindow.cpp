// The main window: every control where the panel's layout puts it, what it paints, tab
// order and stacking, the controls that answer before power on, the capture timer, the
// repaint after a handler, activation and the close box.

#include "display/screenimage.h"
#include "ui/modeltimer.h"
#include "ui/scopescreen.h"
#include "ui/shapewidget.h"
#include "uirig.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QtTest>

using namespace la;
using la::test::fakePort;
using la::test::PortCall;
using la::test::UiRig;

namespace {

// A snapshot of everything a click could change: the picture and the models.
QString panelState(UiRig &rig)
{
    FrontPanel &p = rig.inst.panel;
    QStringList s;
    for (ScrollBarModel *bar : {&p.VScroll1, &p.VScroll2, &p.VScroll3, &p.VScroll4})
        s << QString::number(bar->position());
    s << QString::fromStdString(p.Combo1.text()) << QString::fromStdString(p.Combo2.text())
      << QString::fromStdString(p.Command9.caption()) << QString::number(p.Timer1.enabled())
      << QString::number(p.Command5.enabled()) << QString::number(rig.inst.fields.grid_on)
      << QString::number(qHash(
             QByteArray::fromRawData(reinterpret_cast<const char *>(rig.screen.image().constBits()),
                                     int(rig.screen.image().sizeInBytes()))));
    return s.join(' ');
}

QStringList tabWalk(int steps)
{
    QStringList names;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                              : QString("(none)"));
    }
    return names;
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void window();
    void paintedColours_data();
    void paintedColours();
    void enlargedWindowShowsPlainColour();
    void backgroundAsMade();
    void iconAsMade();
    void panelStyle_data();
    void panelStyle();
    void tabOrder_data();
    void tabOrder();
    void stacking();
    void disabledControlsIgnoreClicks_data();
    void disabledControlsIgnoreClicks();
    void powerButtonEnablesPanel();
    void portButtonShowsPortWindow();
    void exitButtonShutsDown_data();
    void exitButtonShutsDown();
    void captureTimer();
    void timeBoxShowsLeadingDigits_data();
    void timeBoxShowsLeadingDigits();
    void screenRepaint_data();
    void screenRepaint();
    void activation_data();
    void activation();
};

void TstMainWindow::layout_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");

    auto row = [](const char *name, const char *kind, QRect geometry, const char *text = "",
                  bool enabled = true, const char *parent = "main") {
        QTest::newRow(name) << QString(kind) << QString(parent) << geometry << QString(text)
                            << enabled;
    };
    // Group 1: scope screen.
    row("Shape1", "la::ShapeWidget", {16, 16, 573, 417});
    row("Picture1", "la::ScopeScreen", {24, 24, 557, 400});
    // Group 2: view column.
    row("Label2", "QLabel", {624, 24, 49, 17}, "Beam");
    row("VScroll2", "la::ArrowScrollBar", {624, 48, 49, 25}, "", false);
    row("Label1", "QLabel", {624, 80, 49, 17}, "Light");
    row("VScroll1", "la::ArrowScrollBar", {624, 96, 49, 25}, "", false);
    row("Label4", "QLabel", {624, 128, 49, 17}, "v-pos");
    row("VScroll4", "la::ArrowScrollBar", {624, 144, 49, 25}, "", false);
    row("Command1", "QPushButton", {624, 192, 49, 17}, "Grid", false);
    row("Label10", "QLabel", {624, 232, 49, 17}, "zoom");
    row("Combo1", "QComboBox", {624, 248, 49, 21}, "001", false);
    row("Label3", "QLabel", {624, 280, 49, 17}, "h-pos");
    row("VScroll3", "la::ArrowScrollBar", {624, 296, 49, 25}, "", false);
    row("Combo2", "QComboBox", {624, 328, 49, 21}, "100", false);
    // Group 3: power frame.
    row("Frame4", "la::FrameBox", {616, 424, 49, 89}, "Power");
    row("Shape10", "la::ShapeWidget", {8, 16, 33, 17}, "", true, "Frame4");
    row("Command9", "QPushButton", {8, 48, 33, 33}, "ON", true, "Frame4");
    // Group 4: lamps and capture.
    const char *lamps[] = {"led1", "led2", "led3", "led4", "led5"};
    const char *labels[] = {"Label5", "Label6", "Label7", "Label8", "Label9"};
    const char *numbers[] = {"1", "2", "3", "4", "5"};
    for (int k = 0; k < 5; ++k) {
        row(lamps[k], "la::ShapeWidget", {392 + 24 * k, 456, 9, 9});
        row(labels[k], "QLabel", {384 + 24 * k, 472, 25, 17}, numbers[k]);
    }
    row("get_led", "la::ShapeWidget", {528, 448, 33, 9});
    row("Command5", "QPushButton", {528, 464, 33, 17}, "get", false);
    row("Text1", "QLineEdit", {528, 488, 33, 19}, "uS");
    // Group 5: lower left.
    row("Command4", "QPushButton", {24, 496, 41, 17}, "exit");
    row("Command3", "QPushButton", {104, 496, 41, 17}, "port");
}

void TstMainWindow::layout()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(bool, enabled);

    UiRig rig;
    QWidget *w = rig.control(QTest::currentDataTag());
    QVERIFY(w);
    QVERIFY2(w->inherits(kind.toLatin1()), w->metaObject()->className());
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(test::shownText(w), text);
    QCOMPARE(w->isEnabled(), enabled);
    // The lamp of each channel sits centred over its number.
    if (kind == "QLabel" && QByteArray(QTest::currentDataTag()).startsWith("Label") &&
        text.size() == 1 && text[0].isDigit()) {
        QWidget *lamp = rig.control("led" + text);
        QCOMPARE(lamp->geometry().center().x(), w->geometry().center().x());
    }
}

void TstMainWindow::window()
{
    UiRig rig;
    QCOMPARE(rig.window.windowTitle(), QString("Logic Analyzer : tavrun"));
    QCOMPARE(rig.window.size(), QSize(698, 522));
    QVERIFY(rig.window.maximumSize() != rig.window.minimumSize()); // the user may resize it
    // The window's icon goes up to 128 pixels; the 256-pixel one is the desktop menu's.
    const QList<QSize> sizes = rig.window.windowIcon().availableSizes();
    QCOMPARE(sizes.size(), 4);
    for (int side : {16, 32, 48, 128})
        QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    QVERIFY(rig.showActive());
    const QPoint offCentre =
        rig.window.frameGeometry().center() - rig.window.screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 2,
             qPrintable(QString("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    // With nothing else operable the power switch has the focus.
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("Command9"));
}

void TstMainWindow::paintedColours_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour"); // invalid: the background picture's pixel

    QTest::newRow("background") << QPoint(5, 5) << QColor();
    QTest::newRow("label is transparent") << QPoint(625, 25) << QColor();
    QTest::newRow("Shape1 frame") << QPoint(20, 20) << QColor(0, 0, 64);
    QTest::newRow("screen above Shape1") << QPoint(44, 44) << QColor(70, 130, 180);
    QTest::newRow("led1 outline") << QPoint(392, 456) << QColor(0, 0, 0);
    QTest::newRow("led1 fill") << QPoint(396, 460) << QColor(128, 128, 0);
    QTest::newRow("led3 follows its model") << QPoint(444, 460) << QColor(255, 255, 0);
    QTest::newRow("led5 fill") << QPoint(492, 460) << QColor(128, 128, 0);
    QTest::newRow("get_led fill") << QPoint(544, 452) << QColor(128, 0, 0);
    QTest::newRow("Frame4 background") << QPoint(620, 506) << QColor(0, 64, 64);
    QTest::newRow("Shape10 square") << QPoint(640, 448) << QColor(0, 128, 0);
    QTest::newRow("beside Shape10's square") << QPoint(626, 448) << QColor(0, 64, 64);
    QTest::newRow("Combo1 face") << QPoint(627, 251) << QColor(0, 0, 64);
    QTest::newRow("Text1 face") << QPoint(531, 491) << QColor(0, 0, 64);
}

void TstMainWindow::paintedColours()
{
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    UiRig rig;
    rig.inst.activate(); // the screen as start-up leaves it
    rig.inst.panel.led3.setBackColour(rgb(255, 255, 0));
    const QImage shot = rig.window.grab().toImage();
    if (!colour.isValid())
        colour = QImage(LA_ASSETS_DIR "/background.jpg").pixelColor(at);
    QCOMPARE(shot.pixelColor(at), colour);
}

void TstMainWindow::enlargedWindowShowsPlainColour()
{
    UiRig rig;
    rig.window.resize(800, 600);
    const QRect before = rig.control("Command3")->geometry();
    const QImage shot = rig.window.grab().toImage();
    const QColor plain = rig.window.palette().color(QPalette::Window);
    QCOMPARE(shot.pixelColor(750, 100), plain);
    QCOMPARE(shot.pixelColor(100, 560), plain);
    QCOMPARE(shot.pixelColor(699, 524),
             QImage(LA_ASSETS_DIR "/background.jpg").pixelColor(699, 524));
    QCOMPARE(rig.control("Command3")->geometry(), before);
}

void TstMainWindow::backgroundAsMade()
{
    // Above the scope screen's frame only the background shows: every pixel of those rows
    // as the picture was made, in the window as the user first sees it and enlarged.
    UiRig rig;
    const QImage made =
        QImage(LA_ASSETS_DIR "/background.jpg").convertToFormat(QImage::Format_RGB32);
    const int rows = rig.control("Shape1")->y();
    QVERIFY(rows >= 8);
    for (QSize size : {QSize(698, 522), QSize(800, 600)}) {
        rig.window.resize(size);
        const QImage shot = rig.window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect strip(0, 0, qMin(size.width(), made.width()), rows);
        QCOMPARE(shot.copy(strip), made.copy(strip));
    }
}

void TstMainWindow::iconAsMade()
{
    // What the desktop is given for each size: the pixmap of the installed PNG, exactly.
    UiRig rig;
    const QIcon icon = rig.window.windowIcon();
    for (int side : {16, 32, 48, 128}) {
        const QImage made(QString(LA_ASSETS_DIR "/icon-%1.png").arg(side));
        QVERIFY(!made.isNull());
        QCOMPARE(icon.pixmap(QSize(side, side)).toImage(), QPixmap::fromImage(made).toImage());
    }
}

void TstMainWindow::panelStyle_data()
{
    QTest::addColumn<QString>("desktopStyle");
    QTest::newRow("desktop's style is the panel style") << "Fusion";
    QTest::newRow("desktop has another style") << "Windows";
}

void TstMainWindow::panelStyle()
{
    // Whatever style the desktop gives the program, both windows draw every control in them
    // with Fusion; where the desktop's style is Fusion already, with that very instance.
    QFETCH(QString, desktopStyle);
    const QString before = QApplication::style()->name();
    QApplication::setStyle(desktopStyle);
    {
        UiRig rig;
        for (QWidget *root :
             {static_cast<QWidget *>(&rig.window), static_cast<QWidget *>(&rig.portWindow)}) {
            QList<QWidget *> widgets = root->findChildren<QWidget *>();
            widgets << root;
            for (QWidget *w : widgets) {
                if (w->window() != root)
                    continue; // a list's popup, made when it first opens
                QVERIFY2(w->style()->name().compare("fusion", Qt::CaseInsensitive) == 0,
                         qPrintable(w->objectName() + ' ' + w->metaObject()->className()));
                if (desktopStyle == "Fusion")
                    QCOMPARE(w->style(), QApplication::style());
            }
        }
    }
    QApplication::setStyle(before);
}

void TstMainWindow::tabOrder_data()
{
    QTest::addColumn<bool>("powerOn");
    QTest::addColumn<QStringList>("order"); // from the power switch onwards

    QTest::newRow("switched off") << false
                                  << QStringList{"Picture1", "Command3", "Command4", "Command9",
                                                 "Picture1"};
    QTest::newRow("switched on") << true
                                 << QStringList{"Picture1", "VScroll3", "VScroll4", "Command3",
                                                "Command4", "Command5", "Combo1",   "Combo2",
                                                "VScroll1", "VScroll2", "Command1", "Command9"};
}

void TstMainWindow::tabOrder()
{
    QFETCH(bool, powerOn);
    QFETCH(QStringList, order);
    UiRig rig;
    QVERIFY(rig.showActive());
    if (powerOn)
        rig.click("Command9");
    rig.control("Command9")->setFocus();
    QCOMPARE(tabWalk(int(order.size())), order);
    // Text1 takes the focus from a click but is no tab stop; labels and frames take none.
    QCOMPARE(rig.control("Text1")->focusPolicy(), Qt::ClickFocus);
    for (const char *name : {"Label1", "Label5", "Label10", "Frame4"})
        QCOMPARE(rig.control(name)->focusPolicy(), Qt::NoFocus);
}

void TstMainWindow::stacking()
{
    UiRig rig;
    const QObjectList siblings = rig.window.children();
    const auto index = [&](const char *name) { return siblings.indexOf(rig.control(name)); };
    QVERIFY(index("Shape1") < index("Picture1"));
    // Every shape lies below every control that is not a shape.
    int highestShape = -1, lowestOther = int(siblings.size());
    for (int i = 0; i < siblings.size(); ++i) {
        auto *w = qobject_cast<QWidget *>(siblings[i]);
        if (!w)
            continue;
        if (qobject_cast<ShapeWidget *>(w))
            highestShape = qMax(highestShape, i);
        else
            lowestOther = qMin(lowestOther, i);
    }
    QVERIFY(highestShape < lowestOther);
    const QObjectList inFrame = rig.control("Frame4")->children();
    QVERIFY(inFrame.indexOf(rig.control("Shape10")) < inFrame.indexOf(rig.control("Command9")));
}

void TstMainWindow::disabledControlsIgnoreClicks_data()
{
    QTest::addColumn<QPoint>("offset"); // from the control's top left; (-1,-1): its centre
    QTest::newRow("VScroll1") << QPoint(24, 4);
    QTest::newRow("VScroll2") << QPoint(24, 20);
    QTest::newRow("VScroll3") << QPoint(24, 4);
    QTest::newRow("VScroll4") << QPoint(24, 20);
    QTest::newRow("Command1") << QPoint(-1, -1);
    QTest::newRow("Command5") << QPoint(-1, -1);
    QTest::newRow("Combo1") << QPoint(-1, -1);
    QTest::newRow("Combo2") << QPoint(40, 10);
}

void TstMainWindow::disabledControlsIgnoreClicks()
{
    QFETCH(QPoint, offset);
    UiRig rig;
    QVERIFY(rig.showActive());
    QWidget *w = rig.control(QTest::currentDataTag());
    const QString before = panelState(rig);
    const QPoint at = offset.x() < 0 ? w->rect().center() : offset;
    QTest::mouseClick(w, Qt::LeftButton, {}, at);
    QTest::keyClick(w, Qt::Key_Up);
    QTest::keyClick(w, Qt::Key_Down);
    QCoreApplication::processEvents();
    QCOMPARE(panelState(rig), before);
    QVERIFY(!QApplication::activePopupWidget());
    QVERIFY(rig.platform.events.empty());
}

void TstMainWindow::powerButtonEnablesPanel()
{
    UiRig rig;
    QVERIFY(rig.showActive());
    rig.click("Command9");
    QCOMPARE(rig.control<QPushButton>("Command9")->text(), QString("OFF"));
    for (const char *name : {"VScroll1", "VScroll2", "VScroll3", "VScroll4", "Command1", "Command5",
                             "Combo1", "Combo2"})
        QVERIFY2(rig.control(name)->isEnabled(), name);
    // Now the bars answer: the top arrow of "Light" brightens the screen.
    const QPoint topArrow(24, 4);
    QTest::mouseClick(rig.control("VScroll1"), Qt::LeftButton, {}, topArrow);
    QCOMPARE(rig.inst.panel.VScroll1.position(), 1);

    rig.click("Command9");
    QCOMPARE(rig.control<QPushButton>("Command9")->text(), QString("ON"));
    QVERIFY(!rig.control("Combo1")->isEnabled());
}

void TstMainWindow::portButtonShowsPortWindow()
{
    UiRig rig;
    QVERIFY(rig.showActive());
    rig.click("Command3");
    QVERIFY(rig.portWindow.isVisible());
    QVERIFY(qAbs(rig.portWindow.geometry().center().x() - rig.window.geometry().center().x()) <= 1);
    QVERIFY(qAbs(rig.portWindow.geometry().center().y() - rig.window.geometry().center().y()) <= 1);
    rig.click("Command3");
    QVERIFY(!rig.portWindow.isVisible());
    QCOMPARE(int(rig.inst.fields.port_shown), 0);
}

void TstMainWindow::exitButtonShutsDown_data()
{
    QTest::addColumn<bool>("byCloseBox");
    QTest::newRow("exit button") << false;
    QTest::newRow("close box") << true;
}

void TstMainWindow::exitButtonShutsDown()
{
    QFETCH(bool, byCloseBox);
    UiRig rig;
    QVERIFY(rig.showActive());
    rig.click("Command3"); // the port window is open when the program ends
    QVERIFY(rig.portWindow.isVisible());
    rig.window.activateWindow();
    if (byCloseBox)
        QVERIFY(rig.window.close());
    else
        rig.click("Command4");
    QCOMPARE(rig.platform.events, (std::vector<std::string>{"beep", "end 0"}));
    QCOMPARE(fakePort().calls, (std::vector<PortCall>{{'w', 888, 255}, {'w', 890, 12}}));
    QVERIFY(!rig.portWindow.isVisible());
    // Once ended, nothing runs again: neither a second close nor a click.
    rig.window.show();
    rig.window.close();
    QCOMPARE(rig.platform.events.size(), std::size_t(2));
    QCOMPARE(fakePort().calls.size(), std::size_t(2));
}

void TstMainWindow::captureTimer()
{
    UiRig rig;
    QVERIFY(rig.showActive());
    auto *timer = rig.window.findChild<ModelTimer *>("Timer1");
    QVERIFY(timer);
    QVERIFY(!timer->clock().isActive());
    rig.click("Command9");
    QElapsedTimer armed;
    armed.start();
    rig.click("Command5");
    QVERIFY(timer->clock().isActive());
    QCOMPARE(timer->clock().interval(), 2000);
    QVERIFY(!rig.control("Command5")->isEnabled());
    // Two seconds later at the soonest (the clock is precise: never early); a busy machine may
    // only make it later.
    QTRY_COMPARE_WITH_TIMEOUT(rig.inst.capture.completedCaptures(), 1, 20000);
    QVERIFY(armed.elapsed() >= 2000);
    QVERIFY(!timer->clock().isActive());
    QVERIFY(rig.control("Command5")->isEnabled());
    QVERIFY(rig.control<QLineEdit>("Text1")->text() != "uS");
    QCOMPARE(fakePort().reads, 9999);

    // Armed when the program ends: the clock stops, so the port is not read again.
    rig.click("Command5");
    rig.click("Command4");
    const_cast<QTimer &>(timer->clock()).setInterval(0); // its tick now, not in two seconds
    QTRY_VERIFY(!timer->clock().isActive());
    QCOMPARE(fakePort().reads, 9999);
}

void TstMainWindow::timeBoxShowsLeadingDigits_data()
{
    QTest::addColumn<qint64>("us"); // the reads' time at the fake counter's 1 MHz
    QTest::addColumn<QString>("text");
    QTest::newRow("10.4 ms: fits") << qint64(10'432) << "010.4";
    QTest::newRow("1089.04 ms: wider than the box") << qint64(1'089'040) << "1089.0";
    QTest::newRow("3607.5 ms") << qint64(3'607'500) << "3607.5";
}

void TstMainWindow::timeBoxShowsLeadingDigits()
{
    // A slow port's time is wider than the box: it must lose its end, not its thousands.
    QFETCH(qint64, us);
    QFETCH(QString, text);
    UiRig rig;
    QVERIFY(rig.showActive());
    rig.powerOn();
    rig.counter.advancePerRead = us;
    rig.capture();
    auto *box = rig.control<QLineEdit>("Text1");
    QCOMPARE(box->text(), text);
    QCOMPARE(box->cursorPosition(), 0);
    // The first character stands at the box's left side, where the view starts.
    const int start = box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    QVERIFY2(start >= 0 && start < box->width() / 2, qPrintable(QString::number(start)));
    // The tooltip says what the box cannot.
    QVERIFY(box->toolTip().startsWith("9999 reads in "));
}

void TstMainWindow::screenRepaint_data()
{
    QTest::addColumn<bool>("draws");
    QTest::addColumn<int>("paints");
    QTest::newRow("handler plots thousands of dots") << true << 1;
    QTest::newRow("handler draws nothing") << false << 0;
}

void TstMainWindow::screenRepaint()
{
    QFETCH(bool, draws);
    QFETCH(int, paints);
    UiRig rig;
    QVERIFY(rig.showActive());
    QTRY_COMPARE(rig.activations(), 1);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(); // the first show's own repaints

    struct PaintCounter : QObject
    {
        int count = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    QWidget *picture = rig.control("Picture1");
    picture->installEventFilter(&counter);
    rig.inst.gate.run([&] {
        if (draws) {
            rig.inst.on_all();
            rig.inst.draw_sweep();
        }
    });
    // The repaint is a posted event: once every pending event has been handled, it has
    // happened or never will.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(counter.count, paints);
    // What the screen shows is the picture, pixel for pixel.
    const QImage shown = picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, rig.screen.image().convertToFormat(QImage::Format_RGB32));
}

void TstMainWindow::activation_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("activations");

    QTest::newRow("first show") << "" << 1;
    QTest::newRow("port window shown, main clicked") << "port main" << 2;
    QTest::newRow("port window closed with OK") << "port ok" << 2;
    QTest::newRow("port window shown and hidden with port") << "port port" << 2;
    QTest::newRow("another window and back") << "other main" << 1;
    QTest::newRow("port, other window, main") << "port other main" << 2;
}

void TstMainWindow::activation()
{
    QFETCH(QString, steps);
    QFETCH(int, activations);
    UiRig rig;
    QVERIFY(rig.showActive());
    QTRY_COMPARE(rig.activations(), 1);

    QWidget other; // stands for another program's window
    other.resize(50, 50);
    for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
        if (step == "port") {
            rig.window.activateWindow(); // a click on the button activates its window first
            QVERIFY(QTest::qWaitForWindowActive(&rig.window));
            rig.click("Command3");
        } else if (step == "ok") {
            // A tool window counts as active with its owner (the style shares activation): wait
            // for the application's own active window instead.
            QTRY_VERIFY(QApplication::activeWindow() == &rig.portWindow);
            rig.click("Command14", &rig.portWindow);
        } else if (step == "main") {
            rig.window.activateWindow();
        } else if (step == "other") {
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        QTest::qWait(20);
    }
    // The window system's events arrive when they do: wait for the count, then make sure no
    // further activation follows.
    QTRY_COMPARE_WITH_TIMEOUT(rig.activations(), activations, 10000);
    QTest::qWait(50);
    QCOMPARE(rig.activations(), activations);
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
