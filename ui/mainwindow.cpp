#include "ui/mainwindow.h"

#include "control/instrument.h"
#include "display/screenimage.h"
#include "ui/arrowscrollbar.h"
#include "ui/bitmap.h"
#include "ui/framebox.h"
#include "ui/modelbutton.h"
#include "ui/modelcombobox.h"
#include "ui/modeltextbox.h"
#include "ui/modeltimer.h"
#include "ui/portwindow.h"
#include "ui/scopescreen.h"
#include "ui/shapewidget.h"
#include "ui/widgetlooks.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace la {

namespace {

const QColor LabelText(255, 255, 192);
const QColor ListBack(0, 0, 64);
const QColor ListText(255, 255, 192);
const QColor ScreenFrame(0, 0, 64);
const QColor PowerBack(0, 64, 64);
const QColor PowerCaption(255, 255, 128);
const QColor LampOutline(0, 0, 0);
const QColor PowerFace(0, 128, 0);

// Everything in the view column lies at the same left edge and has the same width.
constexpr QRect columnRect(int top, int height)
{
    return twipsRect(9360, top, 735, height);
}

} // namespace

MainWindow::MainWindow(Instrument &instrument, ScreenImage &screen, PortWindow &portWindow,
                       QWidget *parent)
    : QWidget(parent), m_instrument(instrument), m_screen(screen), m_portWindow(portWindow),
      m_background(bitmapResource(QStringLiteral(":/assets/background.bmp")))
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Logic Analyzer : tavrun"));
    QIcon icon;
    for (int size : {16, 32, 48, 128}) {
        const QString file = QStringLiteral(":/assets/icon-%1.bmp").arg(size);
        icon.addPixmap(QPixmap::fromImage(bitmapResource(file)));
    }
    setWindowIcon(icon);
    resize(ClientSize);
    setFont(panelFont());
    setAttribute(Qt::WA_OpaquePaintEvent);

    // Shapes first: they lie on the window's surface, below every other control.
    buildScreen();
    buildLampStrip();
    buildViewColumn();
    buildPowerFrame();
    buildLowerLeft();
    setTabOrder();
    usePanelStyle(this);

    auto *timer = new ModelTimer(m_instrument.panel.Timer1, m_instrument.gate, this);
    timer->setObjectName(QStringLiteral("Timer1"));

    // A handler may plot thousands of dots; the window shows the result once, afterwards.
    m_instrument.afterHandler = [this] {
        if (m_screen.takeDirty())
            m_picture->update();
    };

    m_portWindow.setOwner(this);
    connect(&m_portWindow, &PortWindow::activated, this,
            [this] { windowActivated(ActivationTracker::Window::Port); });
    connect(&m_portWindow, &PortWindow::hiddenWhileActive, this, [this] { activateWindow(); });
}

MainWindow::~MainWindow()
{
    m_instrument.afterHandler = nullptr;
}

void MainWindow::buildScreen()
{
    auto *frame = new ShapeWidget(ShapeWidget::Form::Rectangle, ScreenFrame, ScreenFrame, this);
    frame->setObjectName(QStringLiteral("Shape1"));
    frame->setGeometry(twipsRect(240, 240, 8595, 6255));

    m_picture = new ScopeScreen(m_screen, this);
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setGeometry(twipsRect(360, 360, 8355, 6000));
    // The frame must stay below the screen whatever is added later.
    frame->lower();
}

void MainWindow::buildLampStrip()
{
    FrontPanel &panel = m_instrument.panel;
    const auto lamps = panel.lamps();
    for (int k = 0; k < 5; ++k) {
        auto *lamp = new ShapeWidget(ShapeWidget::Form::Rectangle, *lamps[k], LampOutline, this);
        lamp->setObjectName(QStringLiteral("led%1").arg(k + 1));
        lamp->setGeometry(twipsRect(5880 + 360 * k, 6840, 135, 135));
        lamp->lower();

        const QByteArray name = QByteArray("Label") + QByteArray::number(5 + k);
        const QByteArray text = QByteArray::number(k + 1);
        addLabel(name.constData(), text.constData(), twipsRect(5760 + 360 * k, 7080, 375, 255));
    }

    auto *captureLamp =
        new ShapeWidget(ShapeWidget::Form::Rectangle, panel.get_led, LampOutline, this);
    captureLamp->setObjectName(QStringLiteral("get_led"));
    captureLamp->setGeometry(twipsRect(7920, 6720, 495, 135));
    captureLamp->lower();

    auto *get = new ModelButton(panel.Command5, m_instrument.gate, this);
    get->setObjectName(QStringLiteral("Command5"));
    get->setGeometry(twipsRect(7920, 6960, 495, 255));

    auto *time = new ModelTextBox(panel.Text1, this);
    time->setObjectName(QStringLiteral("Text1"));
    time->setGeometry(twipsRect(7920, 7320, 495, 285));
    time->setFocusPolicy(Qt::ClickFocus);
    setControlColours(time, ListBack, ListText);
}

void MainWindow::buildViewColumn()
{
    FrontPanel &panel = m_instrument.panel;
    EventGate &gate = m_instrument.gate;
    struct Bar
    {
        const char *label;
        const char *labelName;
        int labelTop;
        ScrollBarModel *model;
        const char *name;
        int top;
    };
    const Bar bars[] = {{"Beam", "Label2", 360, &panel.VScroll2, "VScroll2", 720},
                        {"Light", "Label1", 1200, &panel.VScroll1, "VScroll1", 1440},
                        {"v-pos", "Label4", 1920, &panel.VScroll4, "VScroll4", 2160}};
    for (const Bar &bar : bars) {
        addLabel(bar.labelName, bar.label, columnRect(bar.labelTop, 255));
        auto *widget = new ArrowScrollBar(*bar.model, gate, this);
        widget->setObjectName(QString::fromLatin1(bar.name));
        widget->setGeometry(columnRect(bar.top, 375));
    }

    auto *grid = new ModelButton(panel.Command1, gate, this);
    grid->setObjectName(QStringLiteral("Command1"));
    grid->setGeometry(columnRect(2880, 255));

    addLabel("Label10", "zoom", columnRect(3480, 255));
    auto *zoom = new ModelComboBox(panel.Combo1, gate, this);
    zoom->setObjectName(QStringLiteral("Combo1"));
    zoom->setGeometry(columnRect(3720, 315));
    setControlColours(zoom, ListBack, ListText);

    addLabel("Label3", "h-pos", columnRect(4200, 255));
    auto *hpos = new ArrowScrollBar(panel.VScroll3, gate, this);
    hpos->setObjectName(QStringLiteral("VScroll3"));
    hpos->setGeometry(columnRect(4440, 375));

    auto *step = new ModelComboBox(panel.Combo2, gate, this);
    step->setObjectName(QStringLiteral("Combo2"));
    step->setGeometry(columnRect(4920, 315));
    setControlColours(step, ListBack, ListText);
}

void MainWindow::buildPowerFrame()
{
    FrontPanel &panel = m_instrument.panel;
    auto *frame = new FrameBox(QStringLiteral("Power"), PowerBack, PowerCaption, this);
    frame->setObjectName(QStringLiteral("Frame4"));
    frame->setGeometry(twipsRect(9240, 6360, 735, 1335));

    auto *lamp = new ShapeWidget(ShapeWidget::Form::Square, panel.Shape10, LampOutline, frame);
    lamp->setObjectName(QStringLiteral("Shape10"));
    lamp->setGeometry(twipsRect(120, 240, 495, 255));

    auto *power = new ModelButton(panel.Command9, m_instrument.gate, frame);
    power->setObjectName(QStringLiteral("Command9"));
    power->setGeometry(twipsRect(120, 720, 495, 495));
    setRole(power, QPalette::Button, PowerFace);
    lamp->lower();
}

void MainWindow::buildLowerLeft()
{
    FrontPanel &panel = m_instrument.panel;
    auto *exit = new ModelButton(panel.Command4, m_instrument.gate, this);
    exit->setObjectName(QStringLiteral("Command4"));
    exit->setGeometry(twipsRect(360, 7440, 615, 255));

    auto *port = new ModelButton(panel.Command3, m_instrument.gate, this);
    port->setObjectName(QStringLiteral("Command3"));
    port->setGeometry(twipsRect(1560, 7440, 615, 255));
}

void MainWindow::setTabOrder()
{
    // The panel's tab order; labels, the frame, the shapes and the time box take no part.
    const char *const order[] = {"VScroll1", "VScroll2", "Command1", "Command9",
                                 "Picture1", "VScroll3", "VScroll4", "Command3",
                                 "Command4", "Command5", "Combo1",   "Combo2"};
    QWidget *previous = nullptr;
    for (const char *name : order) {
        auto *widget = findChild<QWidget *>(QString::fromLatin1(name));
        Q_ASSERT(widget);
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

QWidget *MainWindow::addLabel(const char *name, const char *text, const QRect &geometry)
{
    auto *label = new QLabel(QString::fromLatin1(text), this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    setRole(label, QPalette::WindowText, LabelText);
    return label;
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        windowActivated(ActivationTracker::Window::Main);
    return QWidget::event(event);
}

void MainWindow::windowActivated(ActivationTracker::Window window)
{
    if (m_activation.windowActivated(window))
        m_instrument.gate.run([this] { m_instrument.activate(); });
}

void MainWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Beyond the picture (a window enlarged by the user) the window's plain colour shows.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawImage(0, 0, m_background);
}

void MainWindow::showEvent(QShowEvent *event)
{
    if (!m_placed && !testAttribute(Qt::WA_Moved)) {
        if (const QScreen *screen = this->screen()) {
            // The frame's size where the desktop already tells it; move() places the frame.
            QRect placed(QPoint(0, 0), frameGeometry().size());
            placed.moveCenter(screen->availableGeometry().center());
            move(placed.topLeft());
        }
    }
    m_placed = true;
    QWidget::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The close box is the same shutdown as "exit". During a capture it stops the reads, and
    // the window stays until the shutdown has run, after the capture's handler.
    if (!m_instrument.gate.ended())
        m_instrument.askToEnd(0);
    event->setAccepted(m_instrument.gate.ended());
}

} // namespace la
