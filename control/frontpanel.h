#pragma once

#include "display/viewcontrols.h"
#include "state/buttonmodel.h"
#include "state/colour.h"
#include "state/listmodel.h"
#include "state/scrollbarmodel.h"
#include "state/shapemodel.h"
#include "state/textmodel.h"
#include "state/timermodel.h"

#include <array>

namespace la {

// The controls of the main window that the instrument's logic reads and changes. Start
// states are those of a switched-off instrument.
struct FrontPanel
{
    ScrollBarModel VScroll1{50, -50, 1, 1};          // "Light"
    ScrollBarModel VScroll2{50, -80, 1, 1};          // "Beam"
    ScrollBarModel VScroll3{10000, -10000, 100, 10}; // "h-pos"
    ScrollBarModel VScroll4{-100, 100, 1, 1};        // "v-pos"
    ButtonModel Command1{"Grid", false};
    ButtonModel Command3{"port"};
    ButtonModel Command4{"exit"};
    ButtonModel Command5{"get", false};
    ButtonModel Command9{"ON"};
    ListModel Combo1{{"001", "002", "005", "010", "020", "050", "100"}, false}; // zoom
    ListModel Combo2{{"1000", "500", "200", "100", "50", "20", "10"}, false};   // h-pos step
    ShapeModel Shape10{rgb(0, 128, 0)};                                         // power lamp
    ShapeModel led1{rgb(128, 128, 0)};
    ShapeModel led2{rgb(128, 128, 0)};
    ShapeModel led3{rgb(128, 128, 0)};
    ShapeModel led4{rgb(128, 128, 0)};
    ShapeModel led5{rgb(128, 128, 0)};
    ShapeModel get_led{rgb(128, 0, 0)}; // capture lamp
    TextModel Text1{"uS"};
    TimerModel Timer1{2000};

    // The controls that power switches together, in the order they are switched.
    std::array<ControlModel *, 8> panelSet()
    {
        return {&VScroll1, &VScroll2, &VScroll3, &VScroll4, &Command1, &Command5, &Combo1, &Combo2};
    }
    std::array<ShapeModel *, 5> lamps() { return {&led1, &led2, &led3, &led4, &led5}; }
    ViewColumn viewColumn() { return {VScroll1, VScroll2, VScroll3, VScroll4, Combo1, Combo2}; }
};

} // namespace la
