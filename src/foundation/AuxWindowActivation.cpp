#include "foundation/AuxWindowActivation.h"

#include "foundation/Diag.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <algorithm>
#include <vector>

namespace AuxWindowActivation {
namespace {

constexpr const char* dockBundleID = "com.apple.dock";

std::vector<Provider>& providers()
{
    static std::vector<Provider> list;
    return list;
}

void activateSelf()
{
    auto& workspace = desktop::workspace();
    workspace.activate(workspace.ownPid(), {.ignoringOtherApps = true});
}

// Becoming a regular application does not bring it forward by itself: passing through
// the Dock first makes the switch take.
void activateThroughDock()
{
    dispatch::main().asyncAfter(0.05, [] {
        const auto docks = desktop::workspace().applications(dockBundleID);
        if (!docks.empty()) desktop::workspace().activate(docks.front().pid, {});
        dispatch::main().asyncAfter(0.2, activateSelf);
    });
}

}  // namespace

void registerProvider(Provider provider) { providers().push_back(std::move(provider)); }

void refresh()
{
    using desktop::ActivationPolicy;
    const bool anyVisible = std::any_of(providers().begin(), providers().end(),
                                        [](const Provider& isVisible) { return isVisible && isVisible(); });
    const ActivationPolicy target = anyVisible ? ActivationPolicy::regular : ActivationPolicy::accessory;

    auto& workspace = desktop::workspace();
    const ActivationPolicy current = workspace.activationPolicy();
    if (current != target) {
        workspace.setActivationPolicy(target);
        Diag::log(std::string("激活策略: → ") +
                  (target == ActivationPolicy::regular ? "regular(程序坞可见)" : "accessory(菜单栏)"));
        if (current == ActivationPolicy::accessory) activateThroughDock();
    }
    if (target == ActivationPolicy::regular) activateSelf();
}

}  // namespace AuxWindowActivation
