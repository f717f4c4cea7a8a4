#pragma once

#include "platform/desktop/Types.h"
#include "platform/dispatch/WhileAlive.h"

namespace app {

// Follows the activations of other applications: 0.35 s after one it reads the
// frontmost application, stores its pid in EventBridge::lastForeignFrontPid (the only
// writer) when it is another process, and lets window parking give back the activated
// application's parked windows. Activating this application does nothing. Main thread
// only.
class ForeignFrontWatch {
public:
    static constexpr double settleDelay = 0.35;

    ForeignFrontWatch();
    ~ForeignFrontWatch();
    ForeignFrontWatch(const ForeignFrontWatch&) = delete;
    ForeignFrontWatch& operator=(const ForeignFrontWatch&) = delete;

private:
    desktop::Token token_ = 0;
    // Pending reads go through this and do nothing once the watch has ended.
    dispatch::Lifetime<ForeignFrontWatch> lifetime_{this};
};

}  // namespace app
