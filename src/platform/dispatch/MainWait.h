#pragma once

#include <functional>

namespace dispatch {

// Runs main-queue work on the main thread until done() holds or seconds pass (virtual
// seconds under the manual scheduler, which runs the tasks due on the way). Returns done().
bool runMainUntil(const std::function<bool()>& done, double seconds);

// Waits for something outside this process (a child's file): polls done() every 50 ms of
// real time for at most seconds of real time, running main-queue work that is due. The
// virtual clock of the manual scheduler stays still. Returns done().
bool waitRealTime(const std::function<bool()>& done, double seconds);

}  // namespace dispatch
