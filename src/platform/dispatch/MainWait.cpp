#include "platform/dispatch/MainWait.h"

#include "platform/dispatch/Scheduler.h"

namespace dispatch {

bool runMainUntil(const std::function<bool()>& done, double seconds) { return scheduler().runMainUntil(done, seconds); }

bool waitRealTime(const std::function<bool()>& done, double seconds) { return scheduler().waitRealTime(done, seconds); }

}  // namespace dispatch
