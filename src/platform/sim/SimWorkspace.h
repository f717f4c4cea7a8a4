#pragma once

#include "platform/desktop/Workspace.h"
#include "platform/sim/MainQueueObservers.h"

#include <memory>

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
    // Only activates an application that runs, all its windows coming forward: the
    // simulated desktop launches nothing.
    void openApplication(const std::string& bundlePath, bool activates,
                         std::function<void(std::optional<desktop::Error>)> completion) override;

    desktop::Token addActivationObserver(std::function<void(desktop::Pid)> onActivate) override;
    void removeActivationObserver(desktop::Token token) override;

    desktop::ActivationPolicy activationPolicy() override;
    void setActivationPolicy(desktop::ActivationPolicy policy) override;

private:
    std::optional<desktop::RunningApp> running(desktop::Pid pid);

    std::shared_ptr<SimWorld> world_;
    MainQueueObservers<desktop::Pid> observers_;
    std::uint64_t listener_ = 0;
};

}  // namespace sim
