#include "control/instrument.h"

#include "acquisition/portio.h"
#include "control/bindings.h"
#include "control/platform.h"
#include "control/state/int16.h"
#include "display/screen.h"

#include <cstdio>

namespace la {

Instrument::Instrument(Screen &screen_, PortIo &port_, CounterSource &counter, ReadClock clock,
                       Platform &platform_)
    : screen(screen_), port(port_), platform(platform_), gate(platform_,
                                                              [this] {
                                                                  if (afterHandler)
                                                                      afterHandler();
                                                              }),
      scope(screen_, fields, data, panel.Combo1), power(panel, data, screen_, scope),
      capture(panel, data, screen_, scope, port_, counter, clock, platform_),
      view(panel.viewColumn(), fields, screen_, scope), portSettings(portPanel, data, fields)
{
    bindHandlers(*this);
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
    portPanel.Combo1.setText("&H378");
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

void Instrument::leave(int status)
{
    platform.beep();
    power.off_all();
    if (const std::string failure = leavePort(); !failure.empty()) {
        // The program ends all the same; the user learns that the port was not left in its
        // final state, on standard error and, like every run-time error, in a message.
        const std::string text = "could not leave the port in its final state: " + failure;
        std::fprintf(stderr, "logic-analyzer: %s\n", text.c_str());
        std::fflush(stderr);
        platform.showMessage("logic-analyzer: port access failed",
                             "The program " + text + "\n\nThe program ends now.");
        status = 1;
    }
    portPanel.window.unload();
    gate.end(status);
}

std::string Instrument::leavePort()
{
    try {
        port.out32()(data.data_port, 255);
        std::string failure = port.takeLastError();
        if (failure.empty()) {
            port.out32()(data.control_port, 12);
            failure = port.takeLastError();
        }
        return failure;
    } catch (const PortError &error) {
        return error.what();
    }
}

} // namespace la
