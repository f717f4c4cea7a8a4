#include "platform/sim/SimWorld.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorldLock.h"

#include <algorithm>

namespace sim {

void SimWorld::addApp(const SimApp& app)
{
    Lock lock(*this);
    appIndex_.emplace(app.info.pid, apps_.size());
    apps_.push_back(app);
    refreshCoverage(dispatch::now());
}

SimApp* SimWorld::findApp(desktop::Pid pid)
{
    const auto it = appIndex_.find(pid);
    return it == appIndex_.end() ? nullptr : &apps_[it->second];
}

const SimApp* SimWorld::appLocked(desktop::Pid pid) const
{
    const auto it = appIndex_.find(pid);
    return it == appIndex_.end() ? nullptr : &apps_[it->second];
}

std::optional<SimApp> SimWorld::app(desktop::Pid pid)
{
    Lock lock(*this);
    if (const SimApp* found = findApp(pid)) return *found;
    return std::nullopt;
}

std::string SimWorld::appName(desktop::Pid pid)
{
    Lock lock(*this);
    const SimApp* found = appLocked(pid);
    return found ? found->info.name : std::string();
}

std::vector<SimApp> SimWorld::apps()
{
    Lock lock(*this);
    return apps_;
}

void SimWorld::setHidden(desktop::Pid pid, bool hidden)
{
    Lock lock(*this);
    settle();
    if (SimApp* app = findApp(pid)) {
        app->info.hidden = hidden;
        if (hidden && frontmost_ == pid) {
            frontmost_.reset();
            app->info.active = false;
        }
        refreshCoverage(dispatch::now());
    }
}

void SimWorld::setBehavior(desktop::Pid pid, const AppBehavior& behavior)
{
    Lock lock(*this);
    // Moves already under way settle as they were asked.
    settle();
    if (SimApp* app = findApp(pid)) app->behavior = behavior;
}

SimWorld::Launch SimWorld::runningOrLaunched(const std::string& bundleIdentifier, const std::string& name)
{
    Lock lock(*this);
    for (const auto& app : apps_)
        if (app.info.bundleIdentifier == bundleIdentifier && !app.info.terminated) return {app.info.pid, false};
    while (appIndex_.count(nextLaunchPid_)) ++nextLaunchPid_;
    SimApp app;
    app.info.pid = nextLaunchPid_++;
    app.info.bundleIdentifier = bundleIdentifier;
    app.info.name = name;
    addApp(app);
    return {app.info.pid, true};
}

void SimWorld::terminate(desktop::Pid pid)
{
    Lock lock(*this);
    settle();
    SimApp* app = findApp(pid);
    if (!app) return;
    app->info.terminated = true;
    app->info.active = false;
    if (frontmost_ == pid) frontmost_.reset();
    std::erase_if(zOrder_, [&](desktop::WindowID id) { return windows_.at(id).pid == pid; });
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second.pid == pid) {
            setPendingFrame(it->second, std::nullopt, 0);
            it = windows_.erase(it);
        } else {
            ++it;
        }
    }
    refreshCoverage(dispatch::now());
}

void SimWorld::setFrontmost(desktop::Pid pid, bool allWindows)
{
    Lock lock(*this);
    settle();
    SimApp* app = findApp(pid);
    if (!app || app->info.terminated) return;
    for (auto& other : apps_) other.info.active = other.info.pid == pid;
    app->info.hidden = false;
    frontmost_ = pid;
    // Activation brings the application's windows (or only its front one) in front of the
    // other windows.
    const auto focus = focusMapLocked();
    const auto front = focus.find(pid);
    const auto comesForward = [&](desktop::WindowID id) {
        if (allWindows) return windows_.at(id).pid == pid;
        return front != focus.end() && front->second == id;
    };
    std::stable_partition(zOrder_.begin(), zOrder_.end(), comesForward);
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::activated, pid});
}

std::optional<desktop::Pid> SimWorld::frontmost()
{
    Lock lock(*this);
    return frontmost_;
}

// --- grants and policies ---

bool SimWorld::screenRecordingAllowed()
{
    Lock lock(*this);
    return screenRecording_;
}

void SimWorld::setScreenRecordingAllowed(bool allowed)
{
    Lock lock(*this);
    screenRecording_ = allowed;
}

bool SimWorld::accessibilityTrusted()
{
    Lock lock(*this);
    return accessibility_;
}

void SimWorld::setAccessibilityTrusted(bool trusted)
{
    Lock lock(*this);
    accessibility_ = trusted;
}

desktop::ActivationPolicy SimWorld::activationPolicy()
{
    Lock lock(*this);
    return policy_;
}

void SimWorld::setActivationPolicy(desktop::ActivationPolicy policy)
{
    Lock lock(*this);
    policy_ = policy;
}

}  // namespace sim
