#pragma once

#include <memory>
#include <optional>

namespace app {

// The one way the application ends: it writes the settings still pending, then records
// the status, which the scenario or live run reads to end. Called off the main thread
// (a watchdog) it ends the process at once, as the main thread may be stuck.
class ProcessExit {
public:
    // The first status recorded stays.
    void exit(int status);
    std::optional<int> status() const { return *status_; }

private:
    // Shared with work still queued, which may run after the owner is gone.
    std::shared_ptr<std::optional<int>> status_ = std::make_shared<std::optional<int>>();
};

}  // namespace app
