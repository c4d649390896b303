#pragma once

#include "acquisition/readclock.h"
#include "control/capturecycle.h"
#include "control/eventgate.h"
#include "control/frontpanel.h"
#include "control/powerswitch.h"
#include "display/scoperenderer.h"
#include "display/viewcontrols.h"
#include "port/portpanel.h"
#include "port/portsettings.h"
#include "state/instrumentstate.h"

#include <functional>
#include <string>

namespace la {

class CounterSource;
class Platform;
class PortIo;
class Screen;

// The instrument behind the main window: its state, its controls, and the handlers that
// tie them together. It needs no window: the widgets show the control models and forward
// the user's input through `gate`, and tests drive the same models directly.
class Instrument
{
public:
    // `counter` times a capture as a whole, `clock` each of its reads; `ports` are the port
    // window's choices beyond the legacy bases and the base it starts on.
    Instrument(Screen &screen, PortIo &port, CounterSource &counter, ReadClock clock,
               Platform &platform, const PortChoices &ports = {});

    // Main window events.
    void load();
    void activate();

    // The main window's public procedures.
    void draw_grid() { scope.draw_grid(); }
    void draw_sweep() { scope.draw_sweep(); }
    void on_all() { power.on_all(); }
    void off_all() { power.off_all(); }
    // Beeps, switches off, leaves 255 in the data register and 12 in the control register,
    // unloads the port window and ends the program.
    void unload_me();
    // The same ending for a signal (SIGTERM, SIGINT, SIGHUP): the exit status is 128 + it.
    void endBySignal(int signal);
    // An ending asked for at any moment from outside the handlers: the close box (status 0,
    // as "exit") or a signal (128 + it). A capture under way stops at its next read and is
    // dropped; the ending runs through the gate once the running handler has returned.
    void askToEnd(int status);
    // The port's part of the ending alone: 255 to the data register, 12 to the control
    // register, once a run whatever happens between (a library that ends the program in
    // its Out32, a display lost under the failure's message). For an ending that has no
    // window left to switch off (a lost display). A capture under way is stopped first; while
    // a read has not returned, the writes are waited for at most 2 s. Returns why the port
    // could not be left so, or nothing; the reason also goes to standard error.
    std::string leavePort();

    // Runs after every handler that came through the gate (the window's one repaint).
    std::function<void()> afterHandler;

    MainFields fields;
    GlobalData data;
    FrontPanel panel;
    PortPanel portPanel;
    Screen &screen;
    PortIo &port;
    Platform &platform;
    EventGate gate;
    ScopeRenderer scope;
    PowerSwitch power;
    CaptureCycle capture;
    ViewControls view;
    PortSettings portSettings;

private:
    void leave(int status);
    void giveUpReads();
    std::string writeExitValues();

    std::uint16_t m_startBase;
    bool m_portLeft = false;
    std::string m_asideFailure; // what the exit writes on the aside thread said
};

} // namespace la
