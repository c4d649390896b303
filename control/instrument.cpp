#include "control/instrument.h"

#include "acquisition/portio.h"
#include "control/bindings.h"
#include "control/platform.h"
#include "display/screen.h"
#include "state/int16.h"

#include <cstdio>
#include <utility>

namespace la {

Instrument::Instrument(Screen &screen_, PortIo &port_, CounterSource &counter, ReadClock clock,
                       Platform &platform_, const PortChoices &ports)
    : portPanel(ports.found), screen(screen_), port(port_), platform(platform_),
      gate(platform_,
           [this] {
               if (afterHandler)
                   afterHandler();
           }),
      scope(screen_, fields, data, panel.Combo1), power(panel, data, screen_, scope),
      capture(panel, data, screen_, scope, port_, counter, clock, platform_),
      view(panel.viewColumn(), fields, screen_, scope), portSettings(portPanel, data, fields),
      m_startBase(ports.start)
{
    bindHandlers(*this);
    capture.onReadStuck([this] { giveUpReads(); });
}

void Instrument::load()
{
    fields.screen_red = toInt16(70);
    fields.screen_green = toInt16(130);
    fields.screen_blue = toInt16(180);
    screen.setBackColour(rgb(fields.screen_red, fields.screen_green, fields.screen_blue));
    fields.grid_on = 1;
    fields.grid_step_x = 40;
    fields.grid_step_y = 40;
    fields.beam_green = 200;
    fields.h_pos = 0;
    fields.v_pos = 0;
    // The port window exists, hidden, from here on; choosing its entry fills its boxes.
    portPanel.Combo1.setText(baseEntry(m_startBase)); // "&H378" unless the user named another
    panel.Combo1.setText("001");
    panel.Combo2.setText("100");
    fields.zoom_step = panel.Combo1.text();
    data.setDataPort(textToInt16(portPanel.Combo1.text()));
    fields.port_shown = 0;
}

void Instrument::activate()
{
    screen.clear();
    scope.draw_grid();
}

void Instrument::unload_me()
{
    leave(0);
}

void Instrument::endBySignal(int signal)
{
    leave(128 + signal);
}

void Instrument::askToEnd(int status)
{
    capture.stop();
    gate.run([this, status] { leave(status); });
}

void Instrument::leave(int status)
{
    platform.beep();
    power.off_all();
    if (const std::string failure = leavePort(); !failure.empty()) {
        // The program ends all the same; like every run-time error, the failure is also
        // said in a message.
        platform.showMessage("logic-analyzer: port access failed",
                             "The program could not leave the port in its final state: " + failure +
                                 "\n\nThe program ends now.");
        status = 1;
    }
    portPanel.window.unload();
    gate.end(status);
}

std::string Instrument::leavePort()
{
    if (std::exchange(m_portLeft, true))
        return {};
    std::string failure;
    capture.stop();
    if (capture.readsReturned())
        failure = writeExitValues();
    else if (capture.callAside([this] { m_asideFailure = writeExitValues(); }))
        failure = m_asideFailure;
    else
        // The read that never returned may hold the library's own lock.
        failure = "the port library has not returned from Out32 for 2 s either";
    if (!failure.empty()) {
        std::fprintf(stderr, "logic-analyzer: could not leave the port in its final state: %s\n",
                     failure.c_str());
        std::fflush(stderr);
    }
    return failure;
}

std::string Instrument::writeExitValues()
{
    try {
        port.out32()(data.data_port, 255);
        if (std::string failure = port.takeLastError(); !failure.empty())
            return failure;
        port.out32()(data.control_port, 12);
        return port.takeLastError();
    } catch (const PortError &error) {
        return error.what();
    }
}

void Instrument::giveUpReads()
{
    // The ending as "exit" runs it, for a port library that may never return: the exit
    // writes are bounded like the reads, and the program ends as on any run-time error.
    platform.beep();
    power.off_all();
    const std::string failure = leavePort();
    portPanel.window.unload();
    throw RuntimeError(
        RuntimeError::Kind::PortAccess,
        "The port library has not returned from a read of the port for 2 s: the "
        "capture is given up, and " +
            (failure.empty() ? std::string("the port was left as exit leaves it")
                             : "the port could not be left in its final state (" + failure + ")") +
            ". Check the port and its library, or start with --simulate to run "
            "the simulated probe.");
}

} // namespace la
