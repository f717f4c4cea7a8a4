#include "app/AppDelegate.h"

#include "foundation/Diag.h"
#include "panels/PipPanel.h"
#include "panels/pin/TakeoverRestoreJob.h"
#include "parking/display/DisplayController.h"
#include "parking/WindowParking.h"
#include "platform/dispatch/Queue.h"

#include <QPointer>

// The quit sequence: a chain of main-queue steps, so the put-back jobs of taken-over
// windows keep running while it waits for them.
namespace app {
namespace {

// A put-back job makes six tries 0.3 s apart.
constexpr double restoreJobsTimeout = 2.0;
constexpr double restoreWaitInterval = 0.05;
constexpr double parkedRestoreTimeout = 3.0;

// Runs done once no taken-over window is on its way back any more, or at the deadline.
void afterPendingRestores(double deadline, std::function<void()> done)
{
    if (!pin::TakeoverRestoreJob::anyPending() || dispatch::now() >= deadline) {
        done();
        return;
    }
    dispatch::main().asyncAfter(restoreWaitInterval,
                                [deadline, done = std::move(done)] { afterPendingRestores(deadline, done); });
}

void restoreParkedWindows()
{
    auto& parking = WindowParking::shared();
    // A snapshot: a hung application can hold the parking queue for seconds, and quit
    // promises to wait at most the restore's time-out.
    const int parked = parking.parkedCountSnapshot();
    if (parked >= 1) Diag::log("退出：还原 " + std::to_string(parked) + " 个被停放到虚拟屏的窗口");
    parking.restoreAllBlocking(parkedRestoreTimeout);
    parking::DisplayController::shared().terminateAll();
}

}  // namespace

void AppDelegate::applicationWillTerminate(std::function<void()> done)
{
    if (quitting_) return;
    quitting_ = true;
    refreshTimer_.cancel();
    // Closing a panel leaves its pinned preview, which starts putting a taken-over window
    // back; closing changes the registry, so the panels are taken first.
    std::vector<QPointer<PipPanel>> open(PipPanel::all().begin(), PipPanel::all().end());
    for (const auto& panel : open)
        if (panel) panel->closePanel(false);
    afterPendingRestores(dispatch::now() + restoreJobsTimeout, [done = std::move(done)] {
        restoreParkedWindows();
        // Closed panels are deleted on a later main-queue turn; the end comes after them.
        dispatch::main().async([done] { dispatch::main().async(done); });
    });
}

}  // namespace app
