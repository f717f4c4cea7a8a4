#pragma once

namespace app {

// Once SIGTERM or SIGINT came, ends the process with status 0, its settings written, when
// the main thread then takes no task for a second: it waits on what may never come
// (another client's grab of the X server holds every request, Qt's among them), and a
// quit must not wait for that. Checks on a worker, for the rest of the process's life.
void endQuitsThatHang();

}  // namespace app
