#pragma once

#include <QPointer>
#include <QWidget>

namespace la {

class EventGate;
struct PortPanel;

// The port settings window: a small borderless window with the base address list and the
// three register addresses. Whether it is shown follows the panel's window model; showing
// it places it over the centre of its owner, the window given to `setOwner`, and keeps it
// above that window as an owned tool window: clicking the owner does not bury it.
class PortWindow : public QWidget
{
    Q_OBJECT

public:
    PortWindow(PortPanel &panel, EventGate &gate, QWidget *parent = nullptr);
    ~PortWindow() override;

    void setOwner(QWidget *window) { m_owner = window; }

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
    void stayAboveOwner();

    PortPanel &m_panel;
    QPointer<QWidget> m_owner;
    bool m_unloaded = false;
};

} // namespace la
