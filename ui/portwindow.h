#pragma once

#include <QPointer>
#include <QWidget>

namespace la {

class EventGate;
struct PortPanel;

// The port settings window: a small borderless window with the base address list and the
// three register addresses. Whether it is shown follows the panel's window model; showing
// it places it over the centre of the window given to `setCentreOver`.
class PortWindow : public QWidget
{
    Q_OBJECT

public:
    PortWindow(PortPanel &panel, EventGate &gate, QWidget *parent = nullptr);
    ~PortWindow() override;

    void setCentreOver(QWidget *window) { m_centreOver = window; }

signals:
    // The window became the program's active window.
    void activated();
    // The window was hidden while it was the active window: another window of the program
    // should take the keyboard focus.
    void hiddenWhileActive();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void refresh();
    void placeOverCentre();

    PortPanel &m_panel;
    QPointer<QWidget> m_centreOver;
    bool m_unloaded = false;
};

} // namespace la
