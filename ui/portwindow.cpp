#include "ui/portwindow.h"

#include "port/portpanel.h"
#include "ui/framebox.h"
#include "ui/modelbutton.h"
#include "ui/modelcombobox.h"
#include "ui/modeltextbox.h"
#include "ui/widgetlooks.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QWindow>

namespace la {

namespace {

const QColor FrameBack(0, 0, 64);
const QColor FrameCaption(255, 255, 192);
const QColor PaleGreen(192, 255, 192);
const QColor BoxText(0, 64, 64);

} // namespace

PortWindow::PortWindow(PortPanel &panel, EventGate &gate, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), m_panel(panel)
{
    setObjectName(QStringLiteral("port"));
    setWindowTitle(QStringLiteral("port"));
    setFixedSize(twipsRect(0, 0, 1305, 2235).size());
    setFont(panelFont());

    // The frame is larger than the window: its right and bottom edges are cut off.
    auto *frame = new FrameBox(QStringLiteral("Port"), FrameBack, FrameCaption, this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(twipsRect(0, 0, 1335, 2295));

    auto *list = new ModelComboBox(m_panel.Combo1, gate, frame);
    list->setObjectName(QStringLiteral("Combo1"));
    list->setGeometry(twipsRect(240, 240, 855, 315));
    setControlColours(list, PaleGreen, Qt::black);

    struct Row
    {
        const char *label;
        const char *labelName;
        TextModel *text;
        const char *textName;
        int top;
    };
    const Row rows[] = {{"Out", "Label2", &m_panel.Text1, "Text1", 720},
                        {"Inp", "Label3", &m_panel.Text2, "Text2", 1080},
                        {"Cnt", "Label4", &m_panel.Text3, "Text3", 1440}};
    QWidget *boxes[3];
    int i = 0;
    for (const Row &row : rows) {
        auto *label = new QLabel(QString::fromLatin1(row.label), frame);
        label->setObjectName(QString::fromLatin1(row.labelName));
        label->setGeometry(twipsRect(0, row.top, 375, 255));
        label->setAlignment(Qt::AlignCenter);
        setRole(label, QPalette::WindowText, PaleGreen);

        auto *box = new ModelTextBox(*row.text, frame);
        box->setObjectName(QString::fromLatin1(row.textName));
        box->setGeometry(twipsRect(360, row.top, 735, 285));
        setControlColours(box, PaleGreen, BoxText);
        boxes[i++] = box;
    }

    auto *ok = new ModelButton(m_panel.Command14, gate, frame);
    ok->setObjectName(QStringLiteral("Command14"));
    ok->setGeometry(twipsRect(360, 1800, 735, 255));
    QFont okFont(QStringLiteral("Verdana"));
    okFont.setPointSizeF(8.25);
    okFont.setWeight(QFont::Bold);
    ok->setFont(okFont);
    // The desktop's menu colour as the face.
    setRole(ok, QPalette::Button, QApplication::palette("QMenu").color(QPalette::Window));

    QWidget::setTabOrder(boxes[0], boxes[1]);
    QWidget::setTabOrder(boxes[1], boxes[2]);
    QWidget::setTabOrder(boxes[2], list);
    QWidget::setTabOrder(list, ok);

    usePanelStyle(this);
    m_panel.window.viewChanged = [this] { refresh(); };
    refresh();
}

PortWindow::~PortWindow()
{
    m_panel.window.viewChanged = nullptr;
}

void PortWindow::refresh()
{
    if (!m_panel.window.loaded()) {
        m_unloaded = true;
        close();
        return;
    }
    if (m_panel.window.shown() == isVisible())
        return;
    if (m_panel.window.shown()) {
        placeOverCentre();
        stayAboveOwner();
        show();
        raise();
        activateWindow();
    } else {
        const bool wasActive = QApplication::activeWindow() == this;
        hide();
        if (wasActive)
            emit hiddenWhileActive();
    }
}

void PortWindow::placeOverCentre()
{
    QRect area;
    if (m_owner && m_owner->isVisible())
        area = m_owner->geometry();
    else if (const QScreen *screen = this->screen())
        area = screen->availableGeometry();
    else
        return;
    QRect placed(QPoint(0, 0), size());
    placed.moveCenter(area.center());
    move(placed.topLeft());
}

void PortWindow::stayAboveOwner()
{
    // Not a QWidget parent: the window lives apart from the main window's children and is
    // unloaded on its own. A transient parent is what the desktop keeps it above.
    if (!m_owner || !m_owner->windowHandle())
        return;
    create();
    if (QWindow *window = windowHandle())
        window->setTransientParent(m_owner->windowHandle());
}

bool PortWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        emit activated();
    return QWidget::event(event);
}

void PortWindow::closeEvent(QCloseEvent *event)
{
    // Without a title bar the user cannot close it; only unloading ends it. A close from
    // elsewhere (the desktop's keyboard shortcut) would leave the model claiming the window
    // is shown, so it is refused.
    if (m_unloaded)
        event->accept();
    else
        event->ignore();
}

} // namespace la
