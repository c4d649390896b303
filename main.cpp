// logic-analyzer: builds the instrument, its two windows and its link to the port, and runs
// them. The one place where the parts are wired together.

#include "acquisition/monotoniccounter.h"
#include "acquisition/portlibrary.h"
#include "control/commandline.h"
#include "control/instrument.h"
#include "display/screenimage.h"
#include "ui/capturemenu.h"
#include "ui/mainwindow.h"
#include "ui/portwindow.h"
#include "ui/qtplatform.h"
#include "version.h"

#include <QAccessible>
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char *const Program = "logic-analyzer";

// Qt ends the process when it cannot reach a display; say why in our own words first.
bool displayReachable()
{
    auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before Qt starts, so that --help and --version need no display.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const la::CommandLine line = la::CommandLine::parse(arguments);
    if (const auto status = line.finishEarly(Program, la::CommandLine::usage(Program)))
        return *status;

    std::string libraryPath;
    try {
        libraryPath = line.portLibraryPath();
    } catch (const la::PortError &error) {
        std::fprintf(stderr, "%s: %s\n", Program, error.what());
        return 1;
    }
    if (!displayReachable()) {
        std::fprintf(stderr,
                     "%s: no display to open the window on (DISPLAY is not set). Start it from "
                     "a desktop session, or under xvfb-run.\n",
                     Program);
        return 1;
    }

    int qtArgc = 1; // Qt gets no options of its own: the command line above is all there is
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(Program);
    QApplication::setApplicationVersion(LA_VERSION);
    // Qt's accessibility bridge starts at its first use, which filling the first list would
    // bring about. On X11 it looks for the desktop's session bus, and where none runs the
    // D-Bus library forks a helper to find one; after a fork, the first write to each page
    // the program already had is a page fault. Started here, before the instrument and the
    // windows exist, the fork is over before their memory is first written (the scope
    // screen's image alone is 218 pages, which start-up fills and then draws on).
    QAccessible::isActive();

    la::ScreenImage screen;
    la::PortLibrary port(libraryPath); // loaded at the first read or write, not here
    la::MonotonicCounter counter;
    la::QtPlatform platform;
    la::Instrument instrument(screen, port, counter, la::monotonicNs, platform);
    la::PortWindow portWindow(instrument.portPanel, instrument.gate);
    la::MainWindow mainWindow(instrument, screen, portWindow);
    platform.setMainWindow(&mainWindow);
    la::CaptureMenu captureMenu(*mainWindow.findChild<QWidget *>(QStringLiteral("Picture1")),
                                instrument);

    instrument.gate.run([&] { instrument.load(); });
    if (instrument.gate.ended())
        return 1;
    mainWindow.show();
    return QApplication::exec();
}
