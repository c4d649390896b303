#pragma once

#include <string>

namespace la {

// Why the window could not open on the display this environment names, or empty when it
// may. Qt itself aborts with a core dump when its platform cannot start, so the program asks
// first: the platform named by QT_QPA_PLATFORM (or, without it, the X display of DISPLAY,
// or Wayland where the session is one) must be installed, and its display must answer.
std::string displayProblem();

} // namespace la
