#include "ui/capturemenu.h"

#include "control/instrument.h"
#include "control/platform.h"
#include "output/safefile.h"
#include "output/vcdwriter.h"
#include "ui/pulseviewhandoff.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace la {

CaptureMenu::CaptureMenu(QWidget &screen, Instrument &instrument)
    : m_screen(screen), m_instrument(instrument), m_lastFolder(QDir::homePath())
{
    m_screen.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_screen, &QWidget::customContextMenuRequested, this, &CaptureMenu::open);
}

QMenu *CaptureMenu::buildMenu()
{
    auto *menu = new QMenu(&m_screen);
    const bool captured = m_instrument.capture.lastCapture() != nullptr;
    QAction *save = menu->addAction(QString::fromUtf8(SaveText));
    save->setEnabled(captured);
    connect(save, &QAction::triggered, this, &CaptureMenu::askAndSave);

    const bool installed = !PulseViewHandoff::program().isEmpty();
    QAction *open = menu->addAction(QString::fromUtf8(installed ? PulseViewText : NoPulseViewText));
    open->setEnabled(captured && installed);
    connect(open, &QAction::triggered, this, &CaptureMenu::openInPulseView);
    return menu;
}

bool CaptureMenu::saveTo(const QString &path)
{
    // The capture as it was read, not the traces: power-on replaces those with idle levels.
    const std::shared_ptr<const Capture> capture = m_instrument.capture.lastCapture();
    if (!capture)
        return false;
    bool saved = false;
    m_instrument.gate.run([&] {
        try {
            saveCaptureAsVcd(QFile::encodeName(path).toStdString(), *capture);
            saved = true;
        } catch (const FileWriteError &error) {
            m_instrument.platform.showMessage("Save capture", error.what());
        }
    });
    return saved;
}

bool CaptureMenu::openInPulseView()
{
    const std::shared_ptr<const Capture> capture = m_instrument.capture.lastCapture();
    if (!capture)
        return false;
    bool opened = false;
    m_instrument.gate.run([&] {
        const std::string failure = PulseViewHandoff::open(*capture);
        if (!failure.empty())
            m_instrument.platform.showMessage("Open in PulseView", failure);
        opened = failure.empty();
    });
    return opened;
}

void CaptureMenu::open(const QPoint &where)
{
    QMenu *menu = buildMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_screen.mapToGlobal(where));
}

void CaptureMenu::askAndSave()
{
    const QString suggested = QDir(m_lastFolder).filePath(QStringLiteral("capture.vcd"));
    const QString path = QFileDialog::getSaveFileName(
        m_screen.window(), QStringLiteral("Save capture as VCD"), suggested,
        QStringLiteral("Value change dump (*.vcd);;All files (*)"));
    if (path.isEmpty())
        return;
    if (saveTo(path))
        m_lastFolder = QFileInfo(path).absolutePath();
}

} // namespace la
