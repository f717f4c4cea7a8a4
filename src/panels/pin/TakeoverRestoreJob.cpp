#include "panels/pin/TakeoverRestoreJob.h"

#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "panels/pin/ParkingLoan.h"

#include <algorithm>
#include <vector>

namespace pin {

namespace {

// Jobs keep themselves alive here until they end.
std::vector<std::shared_ptr<TakeoverRestoreJob>>& liveJobs()
{
    static std::vector<std::shared_ptr<TakeoverRestoreJob>> jobs;
    return jobs;
}

}  // namespace

TakeoverRestoreJob::TakeoverRestoreJob(const Source& source, std::function<void(core::Size)> onRestored)
    : source_(source), policy_(source.windowID, source.pid, source.savedFrame), onRestored_(std::move(onRestored))
{
}

std::shared_ptr<TakeoverRestoreJob> TakeoverRestoreJob::start(const Source& source,
                                                              std::function<void(core::Size)> onRestored)
{
    std::shared_ptr<TakeoverRestoreJob> job(new TakeoverRestoreJob(source, std::move(onRestored)));
    liveJobs().push_back(job);
    if (!job->attempt(0)) job->scheduleRetry(1);
    return job;
}

bool TakeoverRestoreJob::anyPending() { return !liveJobs().empty(); }

std::optional<core::Rect> TakeoverRestoreJob::withdraw()
{
    if (!pending_) return std::nullopt;
    end();
    return source_.savedFrame;
}

bool TakeoverRestoreJob::attempt(int n)
{
    if (!pending_) return true;
    // A write the window manager or the application took only in part, or clamped, still
    // succeeds: where the window stands tells whether it came back.
    const bool restored =
        policy_.canWrite() && EventBridge::axSetWindowFrame(source_.windowID, source_.pid, source_.savedFrame, false) &&
        policy_.landed(EventBridge::axWindowFrame(source_.windowID, source_.pid));
    const auto outcome = policy_.afterTry(n, restored);
    if (outcome.kind == pin::RestoreRetry::Outcome::Kind::retry) return false;
    Diag::log(outcome.logLine);
    const auto keepAlive = shared_from_this();
    end();
    if (outcome.kind == pin::RestoreRetry::Outcome::Kind::restored) {
        if (outcome.settle) ParkingLoan::releaseTakeover(*outcome.settle);
        if (onRestored_) onRestored_(source_.savedFrame.size);
    } else if (outcome.settle) {
        ParkingLoan::giveBack(*outcome.settle);
    }
    return true;
}

void TakeoverRestoreJob::scheduleRetry(int n)
{
    retry_ = dispatch::main().asyncAfter(pin::RestoreRetry::retryDelay, [self = shared_from_this(), n] {
        if (self->pending_ && !self->attempt(n)) self->scheduleRetry(n + 1);
    });
}

void TakeoverRestoreJob::end()
{
    pending_ = false;
    retry_.cancel();
    std::erase_if(liveJobs(), [this](const auto& job) { return job.get() == this; });
}

}  // namespace pin
