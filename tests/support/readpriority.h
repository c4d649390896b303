#pragma once

// What a capture's line says of its reads' priority in this process: real-time where it may
// take it (root in CI), else why not.

#include "acquisition/threadpriority.h"

#include <string>

namespace la::test {

inline std::string priorityWords()
{
    ThreadPriority thread; // gives the thread its own priority back
    return thread.raise() == 0 ? "real-time priority"
                               : "ordinary priority: no permission for real-time";
}

} // namespace la::test
