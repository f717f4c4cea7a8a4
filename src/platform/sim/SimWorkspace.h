#pragma once

#include "platform/desktop/Workspace.h"
#include "platform/sim/MainQueueObservers.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace sim {

class SimWorld;

// The running applications of the simulated desktop. Activation takes effect at once;
// its notice reaches the observers on the main queue.
class SimWorkspace : public desktop::Workspace {
public:
    explicit SimWorkspace(std::shared_ptr<SimWorld> world);
    ~SimWorkspace() override;

    // Terminated applications leave the lists; application(pid) still answers for them,
    // with terminated set, as a reference held on them would.
    std::vector<desktop::RunningApp> runningApplications() override;
    desktop::Pid ownPid() override;
    std::optional<desktop::RunningApp> application(desktop::Pid pid) override;
    std::vector<desktop::RunningApp> applications(const std::string& bundleIdentifier) override;
    std::optional<desktop::RunningApp> frontmostApplication() override;

    bool activate(desktop::Pid pid, desktop::ActivationOptions options = {}) override;
    bool hide(desktop::Pid pid) override;
    bool unhide(desktop::Pid pid) override;
    bool terminate(desktop::Pid pid) override;
    // Only activates an application that runs: the simulated desktop launches nothing.
    void openApplication(const std::string& bundlePath, bool activates,
                         std::function<void(std::optional<desktop::Error>)> completion) override;

    desktop::Token addActivationObserver(std::function<void(desktop::Pid)> onActivate) override;
    void removeActivationObserver(desktop::Token token) override;

    desktop::ActivationPolicy activationPolicy() override;
    void setActivationPolicy(desktop::ActivationPolicy policy) override;

    // A copy of this application running outside the simulated desktop (in a live run,
    // the holder of the single-instance lock).
    struct OtherInstance {
        desktop::Pid pid = 0;
        // Runs on the activating thread in place of an activation.
        std::function<void()> onActivate;
    };
    // While set, the other copy is listed first among the applications with this
    // application's bundle identifier (and among all running applications), and
    // activating it calls its onActivate. None takes it away.
    void setOtherInstance(std::optional<OtherInstance> instance);

private:
    std::optional<desktop::RunningApp> running(desktop::Pid pid);
    std::optional<desktop::RunningApp> otherInstanceEntry();

    std::mutex otherMutex_;
    std::optional<OtherInstance> other_;

    std::shared_ptr<SimWorld> world_;
    MainQueueObservers<desktop::Pid> observers_;
    std::uint64_t listener_ = 0;
};

}  // namespace sim
