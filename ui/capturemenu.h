#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace la {

class Instrument;

// The scope screen's right-click menu: "Save capture as VCD…" writes the last capture made
// to a file the user picks, whatever the screen shows now, and "Open in PulseView" hands the
// same file to PulseView. Both are offered only once a capture has run; the idle traces of
// power-on are no capture. Without PulseView its item stays, and says how to get it.
class CaptureMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *SaveText = "Save capture as VCD…";
    static constexpr const char *PulseViewText = "Open in PulseView";
    static constexpr const char *NoPulseViewText =
        "Open in PulseView (not installed: sudo apt install pulseview)";

    CaptureMenu(QWidget &screen, Instrument &instrument);

    // The menu as it would open now (the caller owns it).
    QMenu *buildMenu();
    // Writes the last capture to `path`; a failure is shown as one message. True on success;
    // false, writing nothing, before the first capture.
    bool saveTo(const QString &path);
    // Hands the last capture to PulseView; a failure is shown as one message.
    bool openInPulseView();

private:
    void open(const QPoint &where);
    void askAndSave();

    QWidget &m_screen;
    Instrument &m_instrument;
    QString m_lastFolder;
};

} // namespace la
