#pragma once

#include "platform/desktop/Workspace.h"
#include "platform/sim/MainQueueObservers.h"
#include "platform/x11/X11ActiveClient.h"
#include "platform/x11/X11ClientFactsCache.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace x11 {

// The running applications of the X11 desktop: an application is the set of client
// windows of one process, from the window manager's client list as the shared client cache
// last read it. This process counts always,
// with or without windows, and so does another copy of it that holds the instance lock;
// both carry this application's identifier.
class X11Workspace : public desktop::Workspace {
public:
    X11Workspace(std::shared_ptr<Connection> connection, std::shared_ptr<ClientFactsCache> clients,
                 std::shared_ptr<ActiveClient> active);
    ~X11Workspace() override;
    X11Workspace(const X11Workspace&) = delete;
    X11Workspace& operator=(const X11Workspace&) = delete;

    std::vector<desktop::RunningApp> runningApplications() override;
    desktop::Pid ownPid() override;
    // An application whose windows have all gone answers with terminated set.
    std::optional<desktop::RunningApp> application(desktop::Pid pid) override;
    std::vector<desktop::RunningApp> applications(const std::string& bundleIdentifier) override;
    // From the client list as a whole list reads it (which may wait for a window that just
    // came or went); where no window is named active, the focus as last read after its
    // notices, with a read asked for and not waited on.
    std::optional<desktop::RunningApp> frontmostApplication() override;

    // Activating the other copy of this application asks it to reopen.
    bool activate(desktop::Pid pid, desktop::ActivationOptions options = {}) override;
    bool hide(desktop::Pid pid) override;
    bool unhide(desktop::Pid pid) override;
    bool terminate(desktop::Pid pid) override;
    // Nothing is opened from a path here: always an error.
    void openApplication(const std::string& bundlePath, bool activates,
                         std::function<void(std::optional<desktop::Error>)> completion) override;

    desktop::Token addActivationObserver(std::function<void(desktop::Pid)> onActivate) override;
    void removeActivationObserver(desktop::Token token) override;

    // Only stored: our windows' task-bar entries are the windows' own concern.
    desktop::ActivationPolicy activationPolicy() override;
    void setActivationPolicy(desktop::ActivationPolicy policy) override;

private:
    struct App {
        desktop::RunningApp info;
        std::uint64_t launchedAt = 0;
    };
    // Brings the applications up to date with the client list; answers the clients front
    // to back.
    std::vector<ClientFacts> refresh();
    std::optional<desktop::Pid> otherInstance();
    desktop::RunningApp describe(desktop::Pid pid, const std::optional<std::string>& windowClass,
                                 std::optional<desktop::Pid> other);
    std::vector<xcb_window_t> windowsOf(desktop::Pid pid, const std::vector<ClientFacts>& clients, bool focusableOnly);
    void activateWindow(xcb_window_t window);
    // The application in front, as the latest read of the active client found it.
    struct Front {
        std::mutex mutex;
        std::optional<desktop::Pid> pid;
        // The last one the activation observers heard of.
        std::optional<desktop::Pid> lastActivated;
    };
    static void followFront(Connection& connection, Front& front, const sim::MainQueueObservers<desktop::Pid>& observers,
                            xcb_window_t active);

    std::shared_ptr<Connection> connection_;
    const std::shared_ptr<ClientFactsCache> clientList_;
    const desktop::Pid ownPid_;
    std::mutex mutex_;
    std::map<desktop::Pid, App> apps_;
    std::uint64_t launches_ = 0;
    sim::MainQueueObservers<desktop::Pid> observers_;
    std::atomic<desktop::ActivationPolicy> policy_{desktop::ActivationPolicy::regular};
    const std::shared_ptr<Front> front_;
    const std::shared_ptr<ActiveClient> active_;
    desktop::Token activeListener_ = 0;
};

}  // namespace x11
