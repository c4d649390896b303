// logic-analyzer: builds the instrument, its two windows and its link to the port, and runs
// them. The one place where the parts are wired together.

#include "acquisition/monotoniccounter.h"
#include "acquisition/portlibrary.h"
#include "acquisition/portlibs/parportdevices.h"
#include "acquisition/switchableport.h"
#include "acquisition/tscclock.h"
#include "cli/commandline.h"
#include "control/instrument.h"
#include "display/screenimage.h"
#include "ui/capturemenu.h"
#include "ui/displaycheck.h"
#include "ui/mainwindow.h"
#include "ui/portwindow.h"
#include "ui/qtplatform.h"
#include "ui/signalwatcher.h"
#include "version.h"

#include <QAccessible>
#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

const char *const Program = "logic-analyzer";

// The instrument, for an ending that bypasses the event loop: Qt calls exit() itself when
// the connection to the X server breaks. The port is then still left as "exit" leaves it;
// there is no window left to switch off.
la::Instrument *running = nullptr;

void leavePortAtExit()
{
    if (running && !running->gate.ended())
        running->leavePort();
}

// The port window's choices: beyond the legacy bases, the machine's own parallel ports
// (a PCI or PCIe card sits at a base of its own) whenever the run reads a real port; and
// the base the window starts on, --base or the first legacy one.
la::PortChoices portChoices(const la::CommandLine &line)
{
    la::PortChoices choices;
    if (!line.simulate) {
        for (const la::ParportDevice &found : la::listParports())
            choices.found.push_back(found.base);
    }
    if (line.base)
        choices.start = *line.base;
    return choices;
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
    // Qt aborts with a core dump when it cannot reach a display: say why in our own words.
    la::DisplayCheck displayCheck(Program);
    int qtArgc = 1; // Qt gets no options of its own: the command line above is all there is
    QApplication app(qtArgc, argv);
    displayCheck.passed();
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
    la::PortLibrary wired(libraryPath); // loaded at the first read or write, not here
    la::SwitchablePort port(wired);
    la::MonotonicCounter counter;
    la::QtPlatform platform;
    la::Instrument instrument(screen, port, counter, la::captureClock(), platform,
                              portChoices(line));
    la::PortWindow portWindow(instrument.portPanel, instrument.gate);
    la::MainWindow mainWindow(instrument, screen, portWindow);
    platform.setMainWindow(&mainWindow);
    la::CaptureMenu captureMenu(*mainWindow.findChild<QWidget *>(QStringLiteral("Picture1")),
                                instrument);

    // A port that cannot be read (the menu entry starts the real one) leaves a way on: the
    // failure's message offers the simulated probe for the rest of this run; the exit writes
    // still go to the port the user wired.
    std::optional<la::PortLibrary> simulatedProbe;
    if (!line.simulate) {
        la::CommandLine simulated;
        simulated.simulate = true;
        try {
            instrument.capture.offerOnFailure("Use the simulated probe",
                                              [&, path = simulated.portLibraryPath()] {
                                                  port.readFrom(simulatedProbe.emplace(path));
                                              });
        } catch (const la::PortError &) {
            // The program cannot find its own libraries: there is no simulated probe to offer.
        }
    }

    // Every ending that can be caught runs the same exit procedure, once: the close box and
    // "exit" through the window, the signals through the event loop (a message box open
    // then is closed, so that the handler under it finishes first), a lost display here.
    la::SignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalWatcher, &la::SignalWatcher::caught, [&](int signal) {
        platform.dismissMessages();
        instrument.askToEnd(128 + signal);
    });
    running = &instrument;
    std::atexit(leavePortAtExit);
    // Past a file-size limit (ulimit -f) a save fails with a message instead of SIGXFSZ
    // ending the program before the port is left as exit leaves it.
    std::signal(SIGXFSZ, SIG_IGN);

    instrument.gate.run([&] { instrument.load(); });
    if (instrument.gate.ended())
        return 1;
    mainWindow.show();
    const int status = QApplication::exec();
    running = nullptr;
    if (instrument.capture.readStuck()) {
        // A read of the port never returned: its thread still runs in the port library and
        // writes into the capture. The program ends here, before anything it may touch goes.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
