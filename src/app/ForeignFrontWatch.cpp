#include "app/ForeignFrontWatch.h"

#include "foundation/EventBridge.h"
#include "parking/WindowParking.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

namespace app {

ForeignFrontWatch::ForeignFrontWatch()
{
    token_ = desktop::workspace().addActivationObserver([weak = std::weak_ptr<bool>(alive_)](desktop::Pid activated) {
        if (activated == desktop::workspace().ownPid()) return;
        dispatch::main().asyncAfter(settleDelay, [weak, activated] {
            if (weak.expired()) return;
            auto& workspace = desktop::workspace();
            const auto front = workspace.frontmostApplication();
            std::optional<desktop::Pid> frontPid;
            if (front) frontPid = front->pid;
            if (front && front->pid != workspace.ownPid()) EventBridge::lastForeignFrontPid = front->pid;
            WindowParking::shared().restoreForActivatedApp(activated, frontPid);
        });
    });
}

ForeignFrontWatch::~ForeignFrontWatch() { desktop::workspace().removeActivationObserver(token_); }

}  // namespace app
