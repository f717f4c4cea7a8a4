#include "app/ForeignFrontWatch.h"

#include "foundation/EventBridge.h"
#include "parking/WindowParking.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

namespace app {

ForeignFrontWatch::ForeignFrontWatch()
{
    const auto settle = lifetime_.guard([](ForeignFrontWatch&, desktop::Pid activated) {
        auto& workspace = desktop::workspace();
        const auto front = workspace.frontmostApplication();
        std::optional<desktop::Pid> frontPid;
        if (front) frontPid = front->pid;
        if (front && front->pid != workspace.ownPid()) EventBridge::lastForeignFrontPid = front->pid;
        WindowParking::shared().restoreForActivatedApp(activated, frontPid);
    });
    token_ = desktop::workspace().addActivationObserver([settle](desktop::Pid activated) {
        if (activated == desktop::workspace().ownPid()) return;
        dispatch::main().asyncAfter(settleDelay, [settle, activated] { settle(activated); });
    });
}

ForeignFrontWatch::~ForeignFrontWatch() { desktop::workspace().removeActivationObserver(token_); }

}  // namespace app
