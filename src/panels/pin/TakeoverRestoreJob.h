#pragma once

#include "panels/pin/RestoreRetry.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"

#include <functional>
#include <memory>
#include <optional>

namespace pin {

// Puts a taken-over source window back at its saved frame and settles its parking loan.
// It owns what it needs (window number, pid, saved frame), so it outlives the mini window
// that handed it over and always runs to an end: the frame restored and the loan
// released, or after the last try the loan given back. Main queue only.
class TakeoverRestoreJob : public std::enable_shared_from_this<TakeoverRestoreJob> {
public:
    struct Source {
        desktop::WindowID windowID = 0;
        desktop::Pid pid = 0;
        core::Rect savedFrame;
    };

    // Tries at once; further tries follow the retry policy. onRestored gets the saved frame's
    // size after a successful try (the hand-over's owner may be gone by then).
    static std::shared_ptr<TakeoverRestoreJob> start(const Source& source,
                                                     std::function<void(core::Size)> onRestored = {});

    // Whether any job has not ended yet; the application waits for them before it quits.
    static bool anyPending();

    bool pending() const { return pending_; }
    const Source& source() const { return source_; }

    // A new takeover of the same window: the retries stop without settling the loan, which
    // the new takeover now holds; answers the saved frame when it was not used yet.
    std::optional<core::Rect> withdraw();

private:
    TakeoverRestoreJob(const Source& source, std::function<void(core::Size)> onRestored);
    // Answers whether the job ended.
    bool attempt(int n);
    void scheduleRetry(int n);
    void end();

    const Source source_;
    const pin::RestoreRetry policy_;
    std::function<void(core::Size)> onRestored_;
    bool pending_ = true;
    dispatch::WorkItem retry_;
};

}  // namespace pin
