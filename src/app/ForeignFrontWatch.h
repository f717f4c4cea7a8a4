#pragma once

#include "platform/desktop/Types.h"

#include <memory>

namespace app {

// Remembers the last application other than this one that came to the front, for the
// takeover: 0.35 s after any activation it reads the frontmost application and, when it
// is another process, stores its pid in EventBridge::lastForeignFrontPid (the only
// writer). Main thread only.
class ForeignFrontWatch {
public:
    static constexpr double settleDelay = 0.35;

    ForeignFrontWatch();
    ~ForeignFrontWatch();
    ForeignFrontWatch(const ForeignFrontWatch&) = delete;
    ForeignFrontWatch& operator=(const ForeignFrontWatch&) = delete;

private:
    desktop::Token token_ = 0;
    // Pending reads hold it weakly and do nothing once the watch has ended.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace app
