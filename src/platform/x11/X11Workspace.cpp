#include "platform/x11/X11Workspace.h"

#include "platform/core/AppIdentity.h"
#include "platform/dispatch/Queue.h"
#include "platform/linux/InstanceLock.h"
#include "platform/x11/X11ApplicationIdentity.h"
#include "platform/x11/X11Ewmh.h"

#include <algorithm>
#include <set>
#include <unistd.h>

namespace x11 {
namespace {

// The code the desktop answers for an application it cannot open.
constexpr long applicationNotFound = -10814;

bool has(const std::vector<xcb_atom_t>& atoms, xcb_atom_t atom)
{
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

}  // namespace

X11Workspace::X11Workspace(std::shared_ptr<Connection> connection, std::shared_ptr<ClientFactsCache> clients,
                           std::shared_ptr<ActiveClient> active)
    : connection_(std::move(connection)),
      clientList_(std::move(clients)),
      ownPid_(static_cast<desktop::Pid>(::getpid())),
      front_(std::make_shared<Front>()),
      active_(std::move(active))
{
    refresh();
    activeListener_ = active_->addListener([weakConnection = std::weak_ptr<Connection>(connection_),
                                            weakFront = std::weak_ptr<Front>(front_),
                                            observers = observers_](xcb_window_t window) {
        const auto connection = weakConnection.lock();
        const auto front = weakFront.lock();
        if (connection && front) followFront(*connection, *front, observers, window);
    });
    active_->readSoon();
}

X11Workspace::~X11Workspace() { active_->removeListener(activeListener_); }

std::optional<desktop::Pid> X11Workspace::otherInstance()
{
    const auto pid = linuxdesktop::InstanceLock::otherLiveHolder(linuxdesktop::InstanceLock::defaultFolder());
    if (!pid) return std::nullopt;
    return static_cast<desktop::Pid>(*pid);
}

desktop::RunningApp X11Workspace::describe(desktop::Pid pid, const std::optional<std::string>& windowClass,
                                           std::optional<desktop::Pid> other)
{
    desktop::RunningApp app;
    app.pid = pid;
    if (pid == ownPid_ || pid == other) {
        const auto& identity = core::AppIdentity::current();
        app.bundleIdentifier = identity.bundleIdentifier;
        app.name = identity.name;
        return app;
    }
    const auto executable = executableOf(pid);
    app.name = windowClass ? *windowClass : executable ? executable->substr(executable->rfind('/') + 1) : "";
    app.bundleIdentifier = applicationIdentifier(pid, windowClass);
    return app;
}

std::vector<ClientFacts> X11Workspace::refresh()
{
    const auto snapshot = clientList_->snapshot();
    auto clients = snapshot->clients;
    std::erase_if(clients, [](const ClientFacts& client) { return !client.pid; });
    const xcb_window_t activeWindow = snapshot->activeWindow;
    const auto other = otherInstance();

    struct Seen {
        std::optional<std::string> windowClass;
        bool allHidden = true;
        bool active = false;
    };
    std::map<desktop::Pid, Seen> seen;
    // In the client list's own order, oldest first, so launches keep their order.
    for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
        auto& entry = seen[*it->pid];
        if (!entry.windowClass) entry.windowClass = it->windowClass;
        entry.allHidden = entry.allHidden && it->iconic;
        entry.active = entry.active || it->window == activeWindow;
    }
    for (const auto pid : {std::optional<desktop::Pid>(ownPid_), other})
        if (pid && !seen.count(*pid)) seen[*pid].allHidden = false;

    std::lock_guard lock(mutex_);
    for (auto& [pid, app] : apps_)
        if (!seen.count(pid)) {
            app.info.terminated = true;
            app.info.active = false;
        }
    for (const auto& [pid, entry] : seen) {
        auto found = apps_.find(pid);
        // A pid seen again after its application ended is another launch.
        if (found == apps_.end() || found->second.info.terminated) {
            found = apps_.insert_or_assign(pid, App{describe(pid, entry.windowClass, other), ++launches_}).first;
        }
        // The lock may name a process only after its windows were seen.
        if (pid == other) found->second.info = describe(pid, entry.windowClass, other);
        found->second.info.hidden = entry.allHidden;
        found->second.info.active = entry.active;
    }
    return clients;
}

std::vector<desktop::RunningApp> X11Workspace::runningApplications()
{
    refresh();
    std::vector<const App*> running;
    std::lock_guard lock(mutex_);
    for (const auto& [pid, app] : apps_)
        if (!app.info.terminated) running.push_back(&app);
    std::sort(running.begin(), running.end(), [](const App* a, const App* b) { return a->launchedAt < b->launchedAt; });
    std::vector<desktop::RunningApp> result;
    result.reserve(running.size());
    for (const auto* app : running) result.push_back(app->info);
    return result;
}

desktop::Pid X11Workspace::ownPid() { return ownPid_; }

std::optional<desktop::RunningApp> X11Workspace::application(desktop::Pid pid)
{
    refresh();
    std::lock_guard lock(mutex_);
    const auto found = apps_.find(pid);
    if (found == apps_.end()) return std::nullopt;
    return found->second.info;
}

std::vector<desktop::RunningApp> X11Workspace::applications(const std::string& bundleIdentifier)
{
    auto result = runningApplications();
    std::erase_if(result, [&](const auto& app) { return app.bundleIdentifier != bundleIdentifier; });
    // The copy that holds the instance lock comes first: it is the one a second copy
    // hands over to.
    if (const auto other = otherInstance())
        std::stable_partition(result.begin(), result.end(), [&](const auto& app) { return app.pid == *other; });
    return result;
}

std::optional<desktop::RunningApp> X11Workspace::frontmostApplication()
{
    auto running = runningApplications();
    for (auto& app : running)
        if (app.active) return app;
    // A window manager that names no active window (xmonad) leaves it to the input focus,
    // which only the root's focus notices and the asks tell of.
    if (clientList_->snapshot()->activeWindow != XCB_WINDOW_NONE) return std::nullopt;
    active_->readSoon();
    std::optional<desktop::Pid> focused;
    {
        std::lock_guard lock(front_->mutex);
        focused = front_->pid;
    }
    for (auto& app : running)
        if (app.pid == focused) {
            app.active = true;
            return app;
        }
    return std::nullopt;
}

std::vector<xcb_window_t> X11Workspace::windowsOf(desktop::Pid pid, const std::vector<ClientFacts>& clients,
                                                  bool focusableOnly)
{
    auto& c = *connection_;
    const auto normal = c.atom("_NET_WM_WINDOW_TYPE_NORMAL");
    const auto dialog = c.atom("_NET_WM_WINDOW_TYPE_DIALOG");
    const auto skipTaskbar = c.atom("_NET_WM_STATE_SKIP_TASKBAR");
    const auto above = c.atom("_NET_WM_STATE_ABOVE");
    std::vector<xcb_window_t> windows;
    for (const auto& client : clients) {
        if (client.pid != pid) continue;
        // Floating helpers (our mini windows among them) never take the focus.
        const bool focusable = (client.types.empty() || has(client.types, normal) || has(client.types, dialog)) &&
                               !has(client.states, skipTaskbar) && !has(client.states, above);
        if (!focusableOnly || focusable) windows.push_back(client.window);
    }
    return windows;
}

void X11Workspace::activateWindow(xcb_window_t window) { ewmh::activate(*connection_, window); }

bool X11Workspace::activate(desktop::Pid pid, desktop::ActivationOptions options)
{
    if (pid != ownPid_ && pid == otherInstance())
        return linuxdesktop::InstanceLock::sendReopen(linuxdesktop::InstanceLock::defaultFolder());
    const auto clients = refresh();
    auto windows = windowsOf(pid, clients, true);
    if (windows.empty() && pid != ownPid_) windows = windowsOf(pid, clients, false);
    if (windows.empty()) return pid == ownPid_;
    if (!options.allWindows) windows.resize(1);
    // Back to front, so the application's front window ends in front and focused.
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) activateWindow(*it);
    return true;
}

bool X11Workspace::hide(desktop::Pid pid)
{
    const auto windows = windowsOf(pid, refresh(), false);
    for (const auto window : windows) ewmh::iconify(*connection_, window);
    if (windows.empty()) return false;
    std::lock_guard lock(mutex_);
    if (const auto found = apps_.find(pid); found != apps_.end()) found->second.info.hidden = true;
    return true;
}

bool X11Workspace::unhide(desktop::Pid pid)
{
    const auto windows = windowsOf(pid, refresh(), false);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) activateWindow(*it);
    return !windows.empty();
}

bool X11Workspace::terminate(desktop::Pid pid)
{
    if (pid == ownPid_) return false;
    const auto windows = windowsOf(pid, refresh(), false);
    for (const auto window : windows) ewmh::close(*connection_, window);
    return !windows.empty();
}

void X11Workspace::openApplication(const std::string& bundlePath, bool,
                                   std::function<void(std::optional<desktop::Error>)> completion)
{
    const std::string text = "The application \"" + bundlePath + "\" cannot be opened on this desktop.";
    const desktop::Error error{"NSOSStatusErrorDomain", applicationNotFound, text, text};
    if (completion) dispatch::main().async([completion = std::move(completion), error] { completion(error); });
}

desktop::Token X11Workspace::addActivationObserver(std::function<void(desktop::Pid)> onActivate)
{
    return observers_.add(std::move(onActivate));
}

void X11Workspace::removeActivationObserver(desktop::Token token) { observers_.remove(token); }

desktop::ActivationPolicy X11Workspace::activationPolicy() { return policy_; }

void X11Workspace::setActivationPolicy(desktop::ActivationPolicy policy) { policy_ = policy; }

void X11Workspace::followFront(Connection& connection, Front& front,
                               const sim::MainQueueObservers<desktop::Pid>& observers, xcb_window_t active)
{
    std::optional<desktop::Pid> pid;
    if (active != XCB_WINDOW_NONE)
        if (const auto facts = readClientFacts(connection, {active}); !facts.empty() && facts[0]) pid = facts[0]->pid;
    {
        std::lock_guard lock(front.mutex);
        front.pid = pid;
        if (!pid || front.lastActivated == pid) return;
        front.lastActivated = pid;
    }
    observers.post(*pid);
}

}  // namespace x11
