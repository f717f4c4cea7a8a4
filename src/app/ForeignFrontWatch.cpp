#include "app/ForeignFrontWatch.h"

#include "foundation/EventBridge.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

namespace app {

ForeignFrontWatch::ForeignFrontWatch()
{
    token_ = desktop::workspace().addActivationObserver([weak = std::weak_ptr<bool>(alive_)](desktop::Pid) {
        dispatch::main().asyncAfter(settleDelay, [weak] {
            if (weak.expired()) return;
            auto& workspace = desktop::workspace();
            const auto front = workspace.frontmostApplication();
            if (front && front->pid != workspace.ownPid()) EventBridge::lastForeignFrontPid = front->pid;
        });
    });
}

ForeignFrontWatch::~ForeignFrontWatch()
{
    desktop::workspace().removeActivationObserver(token_);
}

}  // namespace app
