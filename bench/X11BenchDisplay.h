#pragma once

#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <memory>

// The process's connection to the display the run started on (its own when DISPLAY was
// unset); a benchmark without one cannot measure anything and stops the run.
inline std::shared_ptr<x11::Connection> openBenchDisplay()
{
    auto opened = x11::Connection::open();
    if (!std::holds_alternative<std::shared_ptr<x11::Connection>>(opened)) std::abort();
    return std::get<std::shared_ptr<x11::Connection>>(opened);
}
