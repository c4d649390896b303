#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace la {

class Instrument;

// The scope screen's right-click menu: "Save capture as VCD…" writes the last capture made
// to a file the user picks, whatever the screen shows now. It is offered only once a capture
// has run; the idle traces of power-on are no capture. Nothing is written unless the user
// asks.
class CaptureMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *SaveText = "Save capture as VCD…";

    CaptureMenu(QWidget &screen, Instrument &instrument);

    // The menu as it would open now (the caller owns it).
    QMenu *buildMenu();
    // Writes the last capture to `path`; a failure is shown as one message. True on success;
    // false, writing nothing, before the first capture.
    bool saveTo(const QString &path);

private:
    void open(const QPoint &where);
    void askAndSave();

    QWidget &m_screen;
    Instrument &m_instrument;
    QString m_lastFolder;
};

} // namespace la
