#include "platform/x11/X11Accessibility.h"

#include "platform/core/SystemLog.h"
#include "platform/desktop/AccessibilityObservers.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/dispatch/Queue.h"
#include "platform/x11/X11ClientFactsCache.h"
#include "platform/x11/X11ClientPid.h"
#include "platform/x11/X11Ewmh.h"
#include "platform/x11/X11FrameGeometry.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Iconic.h"

#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>

namespace x11 {
namespace ax = desktop::ax;
namespace {

bool isSystemWide(const desktop::Element& element) { return element.pid == 0 && element.window == 0; }

bool processExists(desktop::Pid pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

bool isMoveOrResize(const std::string& notification)
{
    return notification == ax::windowMoved || notification == ax::windowResized;
}

std::string hex(xcb_window_t window)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", window);
    return text;
}

// The pids of clients, as the shared client cache lists them; the server is asked only
// of a window the cache does not list. One per call, so that a call sees one list.
class ClientPids {
public:
    ClientPids(Connection& connection, const ClientFactsCache& clients)
        : connection_(connection), snapshot_(clients.snapshot())
    {
    }

    std::optional<desktop::Pid> of(xcb_window_t window) const
    {
        const auto& listed = snapshot_->clients;
        const auto found = std::find_if(listed.begin(), listed.end(),
                                        [window](const ClientFacts& client) { return client.window == window; });
        if (found != listed.end()) return found->pid;
        return clientPid(connection_, window);
    }

    bool belongTo(xcb_window_t window, desktop::Pid pid) const
    {
        return window != XCB_WINDOW_NONE && of(window) == pid;
    }

    // The listed clients, front to back.
    const std::vector<ClientFacts>& listed() const { return snapshot_->clients; }

private:
    Connection& connection_;
    const std::shared_ptr<const ClientSnapshot> snapshot_;
};

std::vector<xcb_window_t> clientsOf(Connection& connection, const ClientPids& pids, desktop::Pid pid)
{
    std::vector<xcb_window_t> result;
    for (const auto window : ewmh::clientList(connection))
        if (pids.of(window) == pid) result.push_back(window);
    return result;
}

std::optional<core::Rect> frameInPoints(Connection& connection, xcb_window_t window)
{
    const auto pixels = framePixels(connection, window);
    if (!pixels) return std::nullopt;
    return desktop::globalSpace().toGlobal(*pixels);
}

// The smallest frame the client accepts (WM_NORMAL_HINTS plus decorations), in points.
std::optional<core::Size> minimumSize(Connection& connection, xcb_window_t window)
{
    auto* c = connection.xcb();
    xcb_size_hints_t hints{};
    xcb_generic_error_t* error = nullptr;
    const bool hinted = xcb_icccm_get_wm_normal_hints_reply(c, xcb_icccm_get_wm_normal_hints(c, window), &hints, &error);
    if (error) connection.noteRefusal(*reply(error));
    if (!hinted) return std::nullopt;
    if (!(hints.flags & XCB_ICCCM_SIZE_HINT_P_MIN_SIZE) || (hints.min_width <= 0 && hints.min_height <= 0))
        return std::nullopt;
    const auto frame = framePixels(connection, window);
    if (!frame) return std::nullopt;
    const auto extents = frameExtents(connection, window);
    const core::Rect minimum(frame->origin, {hints.min_width + extents.left + extents.right,
                                             hints.min_height + extents.top + extents.bottom});
    return desktop::globalSpace().toGlobal(minimum).size;
}

void logGone(xcb_window_t window, desktop::Pid pid, const std::string& what)
{
    core::systemLog::write("[Glimra] X11 window " + hex(window) + " of pid " + std::to_string(pid) + " is gone; " +
                           what + " not done");
}

}  // namespace

struct X11Accessibility::Observers {
    desktop::AccessibilityObservers registry;
    // Guards what follows.
    std::mutex mutex;
    // The watched windows' frames as the observers last heard of them.
    std::map<desktop::WindowID, core::Rect> frames;
    // The active window as the last recheck read it.
    xcb_window_t active = XCB_WINDOW_NONE;
};

X11Accessibility::X11Accessibility(std::shared_ptr<Connection> connection, std::shared_ptr<ClientFactsCache> clients,
                                   std::shared_ptr<ActiveClient> active)
    : connection_(std::move(connection)),
      clients_(std::move(clients)),
      observers_(std::make_shared<Observers>()),
      corners_(connection_),
      placement_(connection_),
      active_(std::move(active))
{
    // Frames are children of the root: their moves and resizes show as its substructure.
    addEventMask(*connection_, connection_->root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    observers_->active = active_->current();

    const auto recheckAll = [weakConnection = std::weak_ptr<Connection>(connection_),
                             weakClients = std::weak_ptr<ClientFactsCache>(clients_),
                             weakActive = std::weak_ptr<ActiveClient>(active_),
                             weakObservers = std::weak_ptr<Observers>(observers_)] {
        const auto connection = weakConnection.lock();
        const auto clients = weakClients.lock();
        const auto active = weakActive.lock();
        const auto observers = weakObservers.lock();
        if (connection && clients && active && observers) recheck(*connection, *clients, active->current(), observers);
    };
    // The server is asked where the windows are, which may take long on a busy server:
    // never on the main queue, nor on the event thread.
    rechecks_ = std::make_shared<BatchedRead>(connection_, dispatch::Queue("x11.accessibility.recheck"), recheckAll);
    handler_ = connection_->addEventHandler([rechecks = rechecks_.get()](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) == XCB_CONFIGURE_NOTIFY) rechecks->notice();
    });
    // The active client is read once for every service; a new read is compared here.
    activeListener_ = active_->addListener([weakRechecks = std::weak_ptr<BatchedRead>(rechecks_)](xcb_window_t) {
        if (const auto rechecks = weakRechecks.lock()) rechecks->readSoon();
    });
}

X11Accessibility::~X11Accessibility()
{
    active_->removeListener(activeListener_);
    connection_->removeEventHandler(handler_);
}

bool X11Accessibility::isTrusted(bool) { return true; }

ax::Error X11Accessibility::copyAttribute(const desktop::Element& element, const std::string& attribute,
                                          desktop::AXValue& value)
{
    value = std::monostate{};
    if (isSystemWide(element)) {
        if (attribute != ax::focusedApplication) return ax::attributeUnsupported;
        const auto pid = ClientPids(*connection_, *clients_).of(ewmh::activeOrFocusedClient(*connection_));
        if (!pid) return ax::noValue;
        value = applicationElement(*pid);
        return ax::success;
    }
    if (element.window == 0) {
        if (!processExists(element.pid)) return ax::invalidUIElement;
        return copyOfApplication(element.pid, attribute, value);
    }
    if (!ClientPids(*connection_, *clients_).belongTo(element.window, element.pid)) return ax::invalidUIElement;
    return copyOfWindow(element.window, attribute, value);
}

ax::Error X11Accessibility::copyOfApplication(desktop::Pid pid, const std::string& attribute, desktop::AXValue& value)
{
    const ClientPids pids(*connection_, *clients_);
    if (attribute == ax::windows) {
        std::vector<desktop::Element> windows;
        for (const auto window : clientsOf(*connection_, pids, pid)) windows.push_back({pid, window});
        value = std::move(windows);
        return ax::success;
    }
    if (attribute == ax::focusedWindow) {
        // The active window when it is this application's, else its topmost one.
        const auto active = ewmh::activeOrFocusedClient(*connection_);
        if (pids.belongTo(active, pid)) {
            value = desktop::Element{pid, active};
            return ax::success;
        }
        // The cache's list, which made-up ids in front of the root's cannot push out.
        for (const auto& client : pids.listed()) {
            if (client.pid != pid) continue;
            value = desktop::Element{pid, client.window};
            return ax::success;
        }
        return ax::noValue;
    }
    return ax::attributeUnsupported;
}

ax::Error X11Accessibility::copyOfWindow(xcb_window_t window, const std::string& attribute, desktop::AXValue& value)
{
    if (attribute == ax::position || attribute == ax::size) {
        const auto frame = frameInPoints(*connection_, window);
        if (!frame) return ax::invalidUIElement;
        if (attribute == ax::position)
            value = frame->origin;
        else
            value = frame->size;
        return ax::success;
    }
    if (attribute == ax::minimized) {
        value = isIconic(*connection_, window);
        return ax::success;
    }
    if (attribute == ax::minSize) {
        const auto minimum = minimumSize(*connection_, window);
        if (!minimum) return ax::attributeUnsupported;
        value = *minimum;
        return ax::success;
    }
    return ax::attributeUnsupported;
}

ax::Error X11Accessibility::setAttribute(const desktop::Element& element, const std::string& attribute,
                                         const desktop::AXValue& value)
{
    const bool known = attribute == ax::position || attribute == ax::size || attribute == ax::minimized;
    if (!known || element.window == 0) return ax::attributeUnsupported;
    if (!ClientPids(*connection_, *clients_).belongTo(element.window, element.pid)) {
        logGone(element.window, element.pid, "setting " + attribute);
        return ax::invalidUIElement;
    }
    if (attribute == ax::minimized) return setMinimized(element.window, value);
    const auto* point = std::get_if<core::Point>(&value);
    const auto* size = std::get_if<core::Size>(&value);
    if (attribute == ax::position && !point) return ax::illegalArgument;
    if (attribute == ax::size && !size) return ax::illegalArgument;
    return place(element, "setting " + attribute, point ? std::optional(*point) : std::nullopt,
                 size ? std::optional(*size) : std::nullopt);
}

desktop::Accessibility::FrameWrite X11Accessibility::setFrame(const desktop::Element& element, const core::Rect& frame,
                                                              bool)
{
    if (element.window == 0) return {ax::attributeUnsupported, ax::attributeUnsupported};
    const std::string what = "setting the frame";
    if (!ClientPids(*connection_, *clients_).belongTo(element.window, element.pid)) {
        logGone(element.window, element.pid, what);
        return {ax::invalidUIElement, ax::invalidUIElement};
    }
    const auto result = place(element, what, frame.origin, frame.size);
    return {result, result};
}

ax::Error X11Accessibility::place(const desktop::Element& element, const std::string& what,
                                  std::optional<core::Point> origin, std::optional<core::Size> size)
{
    if (origin && (!std::isfinite(origin->x) || !std::isfinite(origin->y))) return ax::illegalArgument;
    if (size && (!std::isfinite(size->width) || !std::isfinite(size->height) || size->width < 0 || size->height < 0))
        return ax::illegalArgument;

    const auto window = element.window;
    const auto frame = framePixels(*connection_, window);
    if (!frame) {
        logGone(window, element.pid, what);
        return ax::invalidUIElement;
    }
    const auto& space = desktop::globalSpace();
    const core::Rect now = space.toGlobal(*frame);
    const core::Rect asked = space.toNative(core::Rect(origin.value_or(now.origin), size.value_or(now.size)));
    const auto result = placement_.place(window, origin ? std::optional(asked.origin) : std::nullopt,
                                         size ? std::optional(asked.size) : std::nullopt);
    if (result == ax::invalidUIElement) logGone(window, element.pid, what);
    return result;
}

ax::Error X11Accessibility::setMinimized(xcb_window_t window, const desktop::AXValue& value)
{
    const auto* flag = std::get_if<bool>(&value);
    if (!flag) return ax::illegalArgument;
    if (*flag) {
        ewmh::iconify(*connection_, window);
    } else if (isIconic(*connection_, window)) {
        // Activation restores an iconified window (EWMH's way for pagers).
        ewmh::activate(*connection_, window);
    }
    return ax::success;
}

ax::Error X11Accessibility::performAction(const desktop::Element& element, const std::string& action)
{
    if (action != ax::raise || element.window == 0) return ax::actionUnsupported;
    if (!ClientPids(*connection_, *clients_).belongTo(element.window, element.pid)) {
        logGone(element.window, element.pid, "raising");
        return ax::invalidUIElement;
    }
    // Above every sibling of its layer (no sibling given).
    ewmh::restack(*connection_, element.window, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE);
    return ax::success;
}

std::optional<desktop::WindowID> X11Accessibility::windowNumber(const desktop::Element& element)
{
    if (element.window == 0 || !ClientPids(*connection_, *clients_).belongTo(element.window, element.pid))
        return std::nullopt;
    return element.window;
}

desktop::CornerInset X11Accessibility::buttonFreeCorner(desktop::WindowID window)
{
    return corners_.of(static_cast<xcb_window_t>(window));
}

ax::Error X11Accessibility::createObserver(desktop::Pid pid, ObserverCallback callback, desktop::Token& observer)
{
    return observers_->registry.create(pid, std::move(callback), observer);
}

ax::Error X11Accessibility::addNotification(desktop::Token observer, const desktop::Element& element,
                                            const std::string& notification)
{
    const auto pid = observers_->registry.pidOf(observer);
    if (!pid) return ax::invalidUIElementObserver;
    if (element.pid != *pid) return ax::illegalArgument;
    if (!processExists(*pid)) return ax::invalidUIElement;
    const ClientPids pids(*connection_, *clients_);
    if (element.window != 0 && !pids.belongTo(element.window, *pid)) return ax::invalidUIElement;
    if (!isMoveOrResize(notification) && notification != ax::focusedWindowChanged) return ax::notificationUnsupported;

    // Where the windows are now is what later changes compare with.
    std::map<desktop::WindowID, core::Rect> frames;
    if (isMoveOrResize(notification)) {
        const auto windows =
            element.window != 0 ? std::vector<xcb_window_t>{element.window} : clientsOf(*connection_, pids, *pid);
        for (const auto window : windows) {
            // The window manager resizes the client after its frame: the client's own
            // notice tells when both are done.
            addEventMask(*connection_, window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
            if (const auto frame = frameInPoints(*connection_, window)) frames.emplace(window, *frame);
        }
    }
    {
        std::lock_guard lock(observers_->mutex);
        observers_->frames.insert(frames.begin(), frames.end());
    }
    return observers_->registry.subscribe(observer, element, notification);
}

ax::Error X11Accessibility::removeNotification(desktop::Token observer, const desktop::Element& element,
                                               const std::string& notification)
{
    return observers_->registry.unsubscribe(observer, element, notification);
}

void X11Accessibility::destroyObserver(desktop::Token observer) { observers_->registry.destroy(observer); }

void X11Accessibility::recheck(Connection& connection, const ClientFactsCache& clients, xcb_window_t active,
                               const std::shared_ptr<Observers>& observers)
{
    const ClientPids pids(connection, clients);
    // Which windows are watched, by whom (a subscription on the application watches all
    // its windows).
    std::map<desktop::WindowID, desktop::Pid> windows;
    std::set<desktop::Pid> wholeApplications;
    for (const auto& [pid, window, notification] : observers->registry.subscriptions()) {
        if (!isMoveOrResize(notification)) continue;
        if (window != 0)
            windows.emplace(window, pid);
        else
            wholeApplications.insert(pid);
    }
    for (const auto pid : wholeApplications)
        for (const auto client : clientsOf(connection, pids, pid)) windows.emplace(client, pid);
    std::map<desktop::WindowID, std::optional<core::Rect>> frames;
    for (const auto& [window, pid] : windows) frames.emplace(window, frameInPoints(connection, window));
    const auto activePid = pids.of(active);

    struct Notice {
        desktop::Pid pid;
        desktop::WindowID window;
        std::string notification;
    };
    std::vector<Notice> notices;
    {
        std::lock_guard lock(observers->mutex);
        const auto tell = [&](desktop::Pid pid, desktop::WindowID window, const std::string& notification) {
            notices.push_back({pid, window, notification});
        };
        for (const auto& [window, frame] : frames) {
            if (!frame) {
                observers->frames.erase(window);
                continue;
            }
            const auto last = observers->frames.find(window);
            if (last != observers->frames.end()) {
                if (last->second.size != frame->size) tell(windows[window], window, ax::windowResized);
                if (last->second.origin != frame->origin) tell(windows[window], window, ax::windowMoved);
            }
            observers->frames[window] = *frame;
        }
        if (active != observers->active) {
            observers->active = active;
            if (activePid) tell(*activePid, active, ax::focusedWindowChanged);
        }
    }
    // Shares the observers' life: a notice for observers gone by its turn is dropped.
    const std::weak_ptr<desktop::AccessibilityObservers> registry =
        std::shared_ptr<desktop::AccessibilityObservers>(observers, &observers->registry);
    for (const auto& notice : notices)
        desktop::AccessibilityObservers::post(registry, notice.pid, notice.window, notice.notification);
}

}  // namespace x11
