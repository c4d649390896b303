#pragma once

#include "control/activationtracker.h"

#include <QImage>
#include <QWidget>

namespace la {

class Instrument;
class PortWindow;
class ScopeScreen;
class ScreenImage;

// The instrument's front panel: the scope screen, the view controls, the lamps and the
// capture and power controls, each shown from its model in `instrument.panel` and placed as
// the panel's layout fixes it (the window does not rearrange itself when resized). It also
// runs the window events of the instrument: activation (with the port window's help) and
// the close box.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize ClientSize{698, 522};

    MainWindow(Instrument &instrument, ScreenImage &screen, PortWindow &portWindow,
               QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildScreen();
    void buildViewColumn();
    void buildPowerFrame();
    void buildLampStrip();
    void buildLowerLeft();
    void setTabOrder();
    QWidget *addLabel(const char *name, const char *text, const QRect &geometry);
    void windowActivated(ActivationTracker::Window window);

    Instrument &m_instrument;
    ScreenImage &m_screen;
    PortWindow &m_portWindow;
    ActivationTracker m_activation;
    QImage m_background; // over the resource's own bytes
    ScopeScreen *m_picture = nullptr;
    bool m_placed = false;
};

} // namespace la
