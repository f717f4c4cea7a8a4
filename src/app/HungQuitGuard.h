#pragma once

#include <functional>
#include <optional>

namespace app {

// Once SIGTERM or SIGINT came, ends the process with status 0, its settings written, when
// the main thread has taken no task for 10 s, or for a second while the display server has
// not answered for as long (`serverUnansweredFor` tells for how long, none when it cannot
// tell): it is held by another client's grab, which holds Qt's drawing and every request
// of ours, and a quit must not wait for its end. Checks on a worker, for the rest of the
// process's life.
void endQuitsThatHang(std::function<std::optional<double>()> serverUnansweredFor);

}  // namespace app
