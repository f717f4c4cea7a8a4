#pragma once

#include "platform/desktop/Types.h"

#include <functional>
#include <optional>

namespace desktop {

struct RunningApp {
    Pid pid = 0;
    std::string bundleIdentifier;  // empty when the application has none
    std::string name;              // localised name; empty when absent
    std::optional<std::string> bundlePath;
    bool hidden = false;
    bool terminated = false;
    bool active = false;
};

enum class ActivationPolicy { regular, accessory };

struct ActivationOptions {
    bool allWindows = false;
    bool ignoringOtherApps = false;
};

class Workspace {
public:
    virtual ~Workspace() = default;

    // In launch order; the application itself included.
    virtual std::vector<RunningApp> runningApplications() = 0;
    // This process's own identifier, as the desktop's window list and events carry it.
    virtual Pid ownPid() = 0;
    virtual std::optional<RunningApp> application(Pid pid) = 0;
    virtual std::vector<RunningApp> applications(const std::string& bundleIdentifier) = 0;
    virtual std::optional<RunningApp> frontmostApplication() = 0;

    // Brings the application forward; allWindows brings every window of it, not only the
    // front one; ignoringOtherApps forces it even when another is being used. False when
    // there is no such running application.
    virtual bool activate(Pid pid, ActivationOptions options = {}) = 0;
    virtual bool hide(Pid pid) = 0;
    virtual bool unhide(Pid pid) = 0;
    // Asks the application to quit; it may take a while or refuse.
    virtual bool terminate(Pid pid) = 0;
    // Opens (launches or activates) the application at a bundle path; completion on the
    // main queue with an error, or none.
    virtual void openApplication(const std::string& bundlePath, bool activates,
                                 std::function<void(std::optional<Error>)> completion) = 0;

    // Called on the main queue with the newly activated application's pid.
    virtual Token addActivationObserver(std::function<void(Pid)> onActivate) = 0;
    virtual void removeActivationObserver(Token token) = 0;

    // This application's Dock presence.
    virtual ActivationPolicy activationPolicy() = 0;
    virtual void setActivationPolicy(ActivationPolicy policy) = 0;
};

}  // namespace desktop
