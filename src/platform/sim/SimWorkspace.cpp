#include "platform/sim/SimWorkspace.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorld.h"

namespace sim {
namespace {

constexpr long applicationNotFound = -10814;

}  // namespace

SimWorkspace::SimWorkspace(std::shared_ptr<SimWorld> world) : world_(std::move(world))
{
    listener_ = world_->onActivated([observers = observers_](desktop::Pid pid) { observers.post(pid); });
}

SimWorkspace::~SimWorkspace() { world_->removeListener(listener_); }

std::optional<desktop::RunningApp> SimWorkspace::otherInstanceEntry()
{
    std::lock_guard lock(otherMutex_);
    if (!other_) return std::nullopt;
    const auto own = world_->app(world_->ownPid());
    desktop::RunningApp entry;
    entry.pid = other_->pid;
    if (own) {
        entry.bundleIdentifier = own->info.bundleIdentifier;
        entry.name = own->info.name;
        entry.bundlePath = own->info.bundlePath;
    }
    return entry;
}

void SimWorkspace::setOtherInstance(std::optional<OtherInstance> instance)
{
    std::lock_guard lock(otherMutex_);
    other_ = std::move(instance);
}

std::vector<desktop::RunningApp> SimWorkspace::runningApplications()
{
    std::vector<desktop::RunningApp> result;
    if (auto other = otherInstanceEntry()) result.push_back(*other);
    for (const auto& app : world_->apps())
        if (!app.info.terminated) result.push_back(app.info);
    return result;
}

desktop::Pid SimWorkspace::ownPid() { return world_->ownPid(); }

std::optional<desktop::RunningApp> SimWorkspace::application(desktop::Pid pid)
{
    const auto app = world_->app(pid);
    if (!app) return std::nullopt;
    return app->info;
}

std::optional<desktop::RunningApp> SimWorkspace::running(desktop::Pid pid)
{
    auto app = application(pid);
    if (!app || app->terminated) return std::nullopt;
    return app;
}

std::vector<desktop::RunningApp> SimWorkspace::applications(const std::string& bundleIdentifier)
{
    std::vector<desktop::RunningApp> result;
    if (bundleIdentifier.empty()) return result;
    for (const auto& app : runningApplications())
        if (app.bundleIdentifier == bundleIdentifier) result.push_back(app);
    return result;
}

std::optional<desktop::RunningApp> SimWorkspace::frontmostApplication()
{
    const auto pid = world_->frontmost();
    return pid ? running(*pid) : std::nullopt;
}

bool SimWorkspace::activate(desktop::Pid pid, desktop::ActivationOptions options)
{
    if (const auto other = otherInstanceEntry(); other && other->pid == pid) {
        world_->record({{"do", "app.activate"},
                        {"pid", pid},
                        {"bundleID", other->bundleIdentifier},
                        {"allWindows", options.allWindows},
                        {"result", true}});
        std::function<void()> onActivate;
        {
            std::lock_guard lock(otherMutex_);
            if (other_) onActivate = other_->onActivate;
        }
        if (onActivate) onActivate();
        return true;
    }
    const auto app = running(pid);
    world_->record({{"do", "app.activate"},
                    {"pid", pid},
                    {"bundleID", app ? app->bundleIdentifier : ""},
                    {"allWindows", options.allWindows},
                    {"result", app.has_value()}});
    if (!app) return false;
    world_->setFrontmost(pid, options.allWindows);
    return true;
}

bool SimWorkspace::hide(desktop::Pid pid)
{
    if (!running(pid)) return false;
    world_->setHidden(pid, true);
    return true;
}

bool SimWorkspace::unhide(desktop::Pid pid)
{
    if (!running(pid)) return false;
    world_->setHidden(pid, false);
    return true;
}

bool SimWorkspace::terminate(desktop::Pid pid)
{
    const auto app = world_->app(pid);
    const bool runs = app && !app->info.terminated && pid != world_->ownPid();
    world_->record(
        {{"do", "app.terminate"}, {"pid", pid}, {"bundleID", app ? app->info.bundleIdentifier : ""}, {"result", runs}});
    if (!runs) return false;
    // The request is delivered; an application that ignores it simply goes on running.
    if (!app->ignoresTerminate) world_->terminate(pid);
    return true;
}

void SimWorkspace::openApplication(const std::string& bundlePath, bool activates,
                                   std::function<void(std::optional<desktop::Error>)> completion)
{
    std::optional<desktop::Pid> found;
    for (const auto& app : runningApplications())
        if (app.bundlePath == bundlePath) {
            found = app.pid;
            break;
        }
    world_->record({{"do", "app.open"}, {"path", bundlePath}, {"activates", activates}, {"result", found.has_value()}});
    std::optional<desktop::Error> error;
    if (!found) {
        const std::string text = "The application \"" + bundlePath + "\" cannot be found.";
        error = desktop::Error{"NSOSStatusErrorDomain", applicationNotFound, text, text};
    } else if (activates) {
        // Opening a running application brings all its windows forward, as a click on its
        // icon does.
        world_->setFrontmost(*found, true);
    }
    if (completion) dispatch::main().async([completion = std::move(completion), error] { completion(error); });
}

desktop::Token SimWorkspace::addActivationObserver(std::function<void(desktop::Pid)> onActivate)
{
    return observers_.add(std::move(onActivate));
}

void SimWorkspace::removeActivationObserver(desktop::Token token) { observers_.remove(token); }

desktop::ActivationPolicy SimWorkspace::activationPolicy() { return world_->activationPolicy(); }

void SimWorkspace::setActivationPolicy(desktop::ActivationPolicy policy) { world_->setActivationPolicy(policy); }

}  // namespace sim
