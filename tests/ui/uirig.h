#pragma once

// The instrument on fakes (see ../core/fakes.h) with its two real windows around it.

#include "fakes.h"
#include "ui/mainwindow.h"
#include "ui/portwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace la::test {

// What a control shows as its text, whatever its kind; a frame's caption.
inline QString shownText(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QPushButton *>(w))
        return button->text();
    if (auto *list = qobject_cast<QComboBox *>(w))
        return list->currentText();
    if (auto *box = qobject_cast<QLineEdit *>(w))
        return box->text();
    return w->property("caption").toString();
}

struct UiRig : Rig
{
    PortWindow portWindow{inst.portPanel, inst.gate};
    MainWindow window{inst, screen, portWindow};

    UiRig()
    {
        inst.load();
        screen.ops.clear(); // start-up's own drawing (the zoom list's redraw) is not counted
    }

    // A control of either window by its name; `inWindow` chooses the window.
    template <class W = QWidget> W *control(const QString &name, QWidget *inWindow = nullptr)
    {
        QWidget *root = inWindow ? inWindow : &window;
        return root->objectName() == name ? qobject_cast<W *>(root) : root->findChild<W *>(name);
    }

    // Shows the main window and waits until it is the active window.
    bool showActive()
    {
        window.show();
        return QTest::qWaitForWindowActive(&window);
    }

    // How often the main window's activation ran (each one clears the screen).
    int activations() const
    {
        return int(std::count(screen.ops.begin(), screen.ops.end(), std::string("clear")));
    }

    // A left click in the middle of a control, through Qt's event delivery.
    void click(const QString &name, QWidget *inWindow = nullptr)
    {
        QWidget *widget = control(name, inWindow);
        QVERIFY2(widget, qPrintable(name));
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
};

} // namespace la::test
