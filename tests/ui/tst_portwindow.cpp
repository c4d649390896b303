// The port settings window: its layout, its looks, its tab order, the address list through
// the widget, and how it shows, hides and ends.

#include "uirig.h"

#include <QtTest>

using namespace la;
using la::test::UiRig;

class TstPortWindow : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void window();
    void paintedColours_data();
    void paintedColours();
    void tabOrder();
    void pickingAnEntry_data();
    void pickingAnEntry();
    void showHideAndUnload();
};

void TstPortWindow::layout_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    auto row = [](const char *name, const char *kind, QRect geometry, const char *text,
                  const char *parent = "Frame1") {
        QTest::newRow(name) << QString(kind) << QString(parent) << geometry << QString(text);
    };
    row("Frame1", "la::FrameBox", {0, 0, 89, 153}, "Port", "port");
    row("Combo1", "QComboBox", {16, 16, 57, 21}, "&H378");
    row("Label2", "QLabel", {0, 48, 25, 17}, "Out");
    row("Text1", "QLineEdit", {24, 48, 49, 19}, "0x378");
    row("Label3", "QLabel", {0, 72, 25, 17}, "Inp");
    row("Text2", "QLineEdit", {24, 72, 49, 19}, "0x379");
    row("Label4", "QLabel", {0, 96, 25, 17}, "Cnt");
    row("Text3", "QLineEdit", {24, 96, 49, 19}, "0x37A");
    row("Command14", "QPushButton", {24, 120, 49, 17}, "OK");
}

void TstPortWindow::layout()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    UiRig rig;
    QWidget *w = rig.control(QTest::currentDataTag(), &rig.portWindow);
    QVERIFY(w);
    QVERIFY2(w->inherits(kind.toLatin1()), w->metaObject()->className());
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(w->geometry(), geometry);
    QVERIFY(w->isEnabled());
    QCOMPARE(test::shownText(w), text);
    if (auto *box = qobject_cast<QLineEdit *>(w)) {
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }
}

void TstPortWindow::window()
{
    UiRig rig;
    QWidget &port = rig.portWindow;
    QCOMPARE(port.size(), QSize(87, 149));
    QVERIFY(port.isWindow());
    QVERIFY(port.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!port.isVisible()); // created hidden at start-up
}

void TstPortWindow::paintedColours_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("label is transparent") << QPoint(12, 48) << QColor(0, 0, 64);
    QTest::newRow("Text1 face") << QPoint(27, 51) << QColor(192, 255, 192);
    QTest::newRow("Combo1 face") << QPoint(19, 19) << QColor(192, 255, 192);
    // The frame's right and bottom edges lie beyond the window.
    QTest::newRow("right edge cut off") << QPoint(86, 60) << QColor(0, 0, 64);
    QTest::newRow("bottom edge cut off") << QPoint(40, 148) << QColor(0, 0, 64);
}

void TstPortWindow::paintedColours()
{
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    UiRig rig;
    const QImage shot = rig.portWindow.grab().toImage();
    QCOMPARE(shot.size(), QSize(87, 149));
    QCOMPARE(shot.pixelColor(at), colour);
}

void TstPortWindow::tabOrder()
{
    UiRig rig;
    QVERIFY(rig.showActive());
    rig.click("Command3");
    // A tool window counts as active with its owner (the style shares activation): wait for
    // the application's own active window instead.
    QTRY_VERIFY(QApplication::activeWindow() == &rig.portWindow);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("Text1"));
    QStringList walk;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walk, (QStringList{"Text2", "Text3", "Combo1", "Command14", "Text1"}));
    for (const char *name : {"Frame1", "Label2", "Label3", "Label4"})
        QCOMPARE(rig.control(name, &rig.portWindow)->focusPolicy(), Qt::NoFocus);
}

void TstPortWindow::pickingAnEntry_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("base");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("down once: &H3BC")
        << QList<int>{Qt::Key_Down} << 0x3BC << QStringList{"0x3BC", "0x3BD", "0x3BE"};
    QTest::newRow("down twice: &H278") << QList<int>{Qt::Key_Down, Qt::Key_Down} << 0x278
                                       << QStringList{"0x278", "0x279", "0x27A"};
    QTest::newRow("down and up: &H378")
        << QList<int>{Qt::Key_Down, Qt::Key_Up} << 0x378 << QStringList{"0x378", "0x379", "0x37A"};
}

void TstPortWindow::pickingAnEntry()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, base);
    QFETCH(QStringList, boxes);
    UiRig rig;
    QVERIFY(rig.showActive());
    rig.click("Command3");
    auto *list = rig.control<QComboBox>("Combo1", &rig.portWindow);
    for (int key : keys)
        QTest::keyClick(list, Qt::Key(key));
    QCOMPARE(int(rig.inst.data.data_port), base);
    QCOMPARE(int(rig.inst.data.status_port), base + 1);
    QCOMPARE(int(rig.inst.data.control_port), base + 2);
    const char *names[] = {"Text1", "Text2", "Text3"};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rig.control<QLineEdit>(names[i], &rig.portWindow)->text(), boxes[i]);
    // Hidden and shown again, the window keeps the choice.
    rig.click("Command14", &rig.portWindow);
    rig.click("Command3");
    QCOMPARE(list->currentIndex(), (base - 0x378) == 0 ? 0 : (base == 0x3BC ? 1 : 2));
    QCOMPARE(QString::fromStdString(rig.inst.portPanel.Combo1.text()), list->currentText());
}

void TstPortWindow::showHideAndUnload()
{
    UiRig rig;
    QVERIFY(rig.showActive());
    rig.click("Command3");
    QVERIFY(rig.portWindow.isVisible());
    rig.click("Command14", &rig.portWindow);
    QVERIFY(!rig.portWindow.isVisible());
    QCOMPARE(int(rig.inst.fields.port_shown), 0);
    rig.click("Command3");
    QVERIFY(rig.portWindow.isVisible());
    // The desktop cannot close it behind the instrument's back; unloading ends it.
    QVERIFY(!rig.portWindow.close());
    QVERIFY(rig.portWindow.isVisible());
    rig.inst.gate.run([&] { rig.inst.portPanel.window.unload(); });
    QVERIFY(!rig.portWindow.isVisible());
}

QTEST_MAIN(TstPortWindow)
#include "tst_portwindow.moc"
