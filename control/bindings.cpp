#include "control/bindings.h"

#include "control/instrument.h"

namespace la {

void bindHandlers(Instrument &in)
{
    FrontPanel &main = in.panel;
    PortPanel &port = in.portPanel;

    // Main window: the control and its event, the handler it runs
    main.Command9.onClick = [&in] { in.power.command9Click(); };        // power switch
    main.Command5.onClick = [&in] { in.capture.command5Click(); };      // "get"
    main.Timer1.onTick = [&in] { in.capture.timer1Tick(); };            // the capture
    main.VScroll1.onChange = [&in] { in.view.lightChange(); };          // "Light"
    main.VScroll2.onChange = [&in] { in.view.beamChange(); };           // "Beam"
    main.VScroll3.onChange = [&in] { in.view.hposChange(); };           // "h-pos"
    main.VScroll4.onChange = [&in] { in.view.vposChange(); };           // "v-pos"
    main.Combo1.onClick = [&in] { in.view.zoomClick(); };               // zoom list
    main.Combo2.onClick = [&in] { in.view.stepClick(); };               // h-pos step list
    main.Command1.onClick = [&in] { in.view.gridClick(); };             // "Grid"
    main.Command3.onClick = [&in] { in.portSettings.command3Click(); }; // "port"
    main.Command4.onClick = [&in] { in.unload_me(); };                  // "exit"

    // Port window
    port.Combo1.onClick = [&in] { in.portSettings.combo1Click(); };       // base address
    port.Command14.onClick = [&in] { in.portSettings.command14Click(); }; // "OK"
}

} // namespace la
