#include "platform/x11/X11WindowServer.h"
#include "platform/x11/X11Reply.h"

#include "platform/core/AppIdentity.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/dispatch/Queue.h"
#include "platform/x11/X11ClientFacts.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Ewmh.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11InputShape.h"
#include "platform/x11/X11WindowImage.h"

#include <algorithm>
#include <unistd.h>

namespace x11 {
namespace {

// The layer of the desktop's background window, under everything.
constexpr long desktopLayer = -2147483623;
constexpr std::uint32_t onEveryDesktop = 0xFFFFFFFF;

bool has(const std::vector<xcb_atom_t>& atoms, xcb_atom_t atom)
{
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

bool onShownDesktop(const ClientFacts& fact, std::optional<std::uint32_t> current)
{
    return !fact.desktop || !current || *fact.desktop == onEveryDesktop || *fact.desktop == *current;
}

// Notifications, menus, tooltips, toolbars and the like float over the application
// windows and are no window to mirror: a layer of their own keeps them out of the
// catalog. A window without a type, or typed normal or dialog, is an ordinary one.
class WindowTypes {
public:
    explicit WindowTypes(Connection& c)
        : ordinary_{c.atom("_NET_WM_WINDOW_TYPE_NORMAL"), c.atom("_NET_WM_WINDOW_TYPE_DIALOG")},
          floating_{c.atom("_NET_WM_WINDOW_TYPE_NOTIFICATION"), c.atom("_NET_WM_WINDOW_TYPE_UTILITY"),
                    c.atom("_NET_WM_WINDOW_TYPE_TOOLBAR"),      c.atom("_NET_WM_WINDOW_TYPE_MENU"),
                    c.atom("_NET_WM_WINDOW_TYPE_POPUP_MENU"),   c.atom("_NET_WM_WINDOW_TYPE_DROPDOWN_MENU"),
                    c.atom("_NET_WM_WINDOW_TYPE_TOOLTIP"),      c.atom("_NET_WM_WINDOW_TYPE_COMBO"),
                    c.atom("_NET_WM_WINDOW_TYPE_DND"),          c.atom("_NET_WM_WINDOW_TYPE_SPLASH")}
    {
    }

    // In the client's order of preference; a type of one desktop's own (KDE's) that
    // others do not know is passed over for the standard one behind it.
    bool ordinary(const std::vector<xcb_atom_t>& types) const
    {
        for (const auto type : types) {
            if (has(ordinary_, type)) return true;
            if (has(floating_, type)) return false;
        }
        return true;
    }

private:
    const std::vector<xcb_atom_t> ordinary_, floating_;
};

xcb_window_t nativeOf(const desktop::OwnWindowState& state) { return static_cast<xcb_window_t>(state.nativeWindow); }

}  // namespace

X11WindowServer::X11WindowServer(std::shared_ptr<Connection> connection, std::shared_ptr<ClientFactsCache> clients)
    : connection_(std::move(connection)), clients_(std::move(clients)), lifetimes_(connection_)
{
    handler_ = connection_->addEventHandler([this](const xcb_generic_event_t& event) { onEvent(event); });
}

X11WindowServer::~X11WindowServer() { connection_->removeEventHandler(handler_); }

std::vector<X11WindowServer::Entry> X11WindowServer::stackedEntries(std::optional<desktop::WindowID> only)
{
    auto& c = *connection_;
    // One window is what the periodic checks ask about (the source alive check, the
    // source poll): it is answered from what is known. A whole list is what a user's
    // action reads (a hot key, the menu), which must hold the windows the server told of.
    const auto snapshot = only ? clients_->currentSnapshot() : clients_->snapshot();
    const auto& facts = snapshot->clients;
    const auto current = snapshot->currentDesktop;
    const auto dock = c.atom("_NET_WM_WINDOW_TYPE_DOCK");
    const auto desktopType = c.atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    const auto above = c.atom("_NET_WM_STATE_ABOVE");
    const WindowTypes windowTypes(c);
    const desktop::Pid ownPid = ::getpid();
    const std::string& ownName = core::AppIdentity::current().name;

    std::map<desktop::WindowID, OwnWindow> own;
    {
        std::lock_guard lock(mutex_);
        own = own_;
    }
    std::vector<Entry> entries;
    entries.reserve(facts.size() + own.size());
    for (const auto& fact : facts) {
        const auto mine = std::find_if(own.begin(), own.end(),
                                       [&](const auto& held) { return nativeOf(held.second.state) == fact.window; });
        if (only && *only != (mine != own.end() ? mine->first : fact.window)) {
            if (mine != own.end()) own.erase(mine);
            continue;
        }
        Entry entry;
        auto& info = entry.info;
        info.number = fact.window;
        info.bounds = desktop::globalSpace().toGlobal(fact.pixels);
        info.isOnscreen = fact.viewable && !fact.iconic && onShownDesktop(fact, current);
        info.sharingState = 1;
        if (mine != own.end()) {
            info.number = mine->first;
            info.ownerPid = ownPid;
            if (!ownName.empty()) info.ownerName = ownName;
            info.name = mine->second.state.title;
            info.layer = mine->second.state.level;
            info.alpha = mine->second.state.alpha;
            own.erase(mine);
            entries.push_back(std::move(entry));
            continue;
        }
        if (fact.pid) info.ownerPid = *fact.pid;
        info.ownerName = fact.windowClass;
        info.name = fact.title;
        entry.desktopElement = has(fact.types, dock) || has(fact.types, desktopType);
        info.layer = has(fact.types, desktopType)                                   ? desktopLayer
                     : has(fact.types, dock)                                        ? desktop::level::dock
                     : has(fact.states, above) || !windowTypes.ordinary(fact.types) ? desktop::level::floating
                                                                                    : desktop::level::normal;
        info.alpha = fact.opacity.value_or(1.0);
        entries.push_back(std::move(entry));
    }

    // Our windows the window manager does not list (unmapped, unmanaged, or without an X
    // window) stand where their level puts them, the latest raised first.
    std::vector<std::pair<desktop::WindowID, OwnWindow>> unlisted(own.begin(), own.end());
    std::stable_sort(unlisted.begin(), unlisted.end(), [](const auto& a, const auto& b) {
        if (a.second.state.level != b.second.state.level) return a.second.state.level > b.second.state.level;
        return a.second.raisedAt > b.second.raisedAt;
    });
    auto insertAt = entries.begin();
    for (const auto& [number, window] : unlisted) {
        if (only && *only != number) continue;
        Entry entry;
        auto& info = entry.info;
        info.number = number;
        info.ownerPid = ownPid;
        if (!ownName.empty()) info.ownerName = ownName;
        info.name = window.state.title;
        info.layer = window.state.level;
        info.bounds = window.state.frame;
        info.isOnscreen = window.state.visible;
        info.alpha = window.state.alpha;
        info.sharingState = 1;
        insertAt = std::find_if(insertAt, entries.end(),
                                [&](const Entry& other) { return other.info.layer.value_or(0) < window.state.level; });
        insertAt = std::next(entries.insert(insertAt, std::move(entry)));
    }
    return entries;
}

std::optional<std::vector<desktop::WindowInfo>> X11WindowServer::windowList(desktop::WindowListOption option,
                                                                            desktop::WindowID relativeTo,
                                                                            bool excludeDesktopElements)
{
    using Option = desktop::WindowListOption;
    std::vector<desktop::WindowInfo> list;
    bool passedRelative = false;
    for (auto& entry : stackedEntries(option == Option::includingWindow ? std::optional(relativeTo) : std::nullopt)) {
        const bool isRelative = entry.info.number == relativeTo;
        if (option == Option::includingWindow) {
            if (isRelative) return std::vector<desktop::WindowInfo>{std::move(entry.info)};
            continue;
        }
        if (isRelative) passedRelative = true;
        if (option == Option::onScreenAboveWindow && passedRelative) break;
        const bool onScreen = entry.info.isOnscreen.value_or(false);
        const bool wanted = option == Option::all ||
                            (onScreen && (option == Option::onScreenOnly || option == Option::onScreenAboveWindow ||
                                          (option == Option::onScreenBelowWindow && passedRelative && !isRelative)));
        if (wanted && !(excludeDesktopElements && entry.desktopElement)) list.push_back(std::move(entry.info));
    }
    // Relative to a window that does not exist, nothing is above or below it.
    if ((option == Option::onScreenAboveWindow || option == Option::onScreenBelowWindow) && !passedRelative)
        list.clear();
    return list;
}

desktop::WindowPresence X11WindowServer::windowPresence(desktop::WindowID window)
{
    {
        std::lock_guard lock(mutex_);
        if (own_.count(window)) return desktop::WindowPresence::listed;
    }
    if (lifetimes_.destroyed(static_cast<xcb_window_t>(window))) return desktop::WindowPresence::destroyed;
    const auto snapshot = clients_->currentSnapshot();
    const auto& clients = snapshot->clients;
    const auto fact =
        std::find_if(clients.begin(), clients.end(), [&](const ClientFacts& client) { return client.window == window; });
    if (fact == clients.end()) return desktop::WindowPresence::unlisted;
    return onShownDesktop(*fact, snapshot->currentDesktop) ? desktop::WindowPresence::listedAlive
                                                           : desktop::WindowPresence::otherWorkspace;
}

desktop::WindowLife X11WindowServer::windowLife(desktop::WindowID window)
{
    return lifetimes_.life(static_cast<xcb_window_t>(window));
}

double X11WindowServer::scaleOf(xcb_window_t frame)
{
    const auto geometry = connection_->answer(xcb_get_geometry_reply, xcb_get_geometry(connection_->xcb(), frame));
    const auto monitors = desktop::globalSpace().monitors();
    if (!geometry || monitors.empty()) return monitors.empty() ? 1.0 : monitors.front().scale;
    const core::Point centre{geometry->x + geometry->width / 2.0, geometry->y + geometry->height / 2.0};
    for (const auto& monitor : monitors)
        if (monitor.pixels.contains(centre)) return monitor.scale;
    return monitors.front().scale;
}

desktop::PixelBufferRef X11WindowServer::windowImage(desktop::WindowID window, desktop::ImageResolution resolution)
{
    desktop::OwnWindowGrab grab;
    std::optional<core::Rect> ownFrame;
    bool visible = false;
    {
        std::lock_guard lock(mutex_);
        if (const auto found = own_.find(window); found != own_.end()) {
            grab = found->second.grab;
            ownFrame = found->second.state.frame;
            visible = found->second.state.visible;
        }
    }
    // Our own windows draw themselves, also where no X server composites them.
    if (ownFrame) {
        if (!visible) return nullptr;
        const double scale = resolution == desktop::ImageResolution::best
                                 ? desktop::globalSpace().toNative(*ownFrame).width() / std::max(1.0, ownFrame->width())
                                 : 1.0;
        return grab ? grab(scale) : nullptr;
    }
    const auto frame = frameWindow(*connection_, window);
    if (frame == XCB_WINDOW_NONE) return nullptr;
    const double scale = resolution == desktop::ImageResolution::best ? scaleOf(frame) : 1.0;
    return x11::windowImage(*connection_, frame, scale);
}

desktop::WindowID X11WindowServer::registerOwnWindow(const desktop::OwnWindowState& state, desktop::OwnWindowGrab grab,
                                                     desktop::OwnWindowEventSink, desktop::OwnWindowMoved)
{
    desktop::WindowID number = 0;
    {
        std::lock_guard lock(mutex_);
        // The X window's id when no other registration holds it (a widget registered
        // again before its last registration ended).
        number = state.nativeWindow && !own_.count(nativeOf(state)) ? nativeOf(state) : nextUnbackedNumber_++;
        own_[number] = OwnWindow{state, std::move(grab), ++raiseCount_, {}, XCB_WINDOW_NONE};
    }
    watch(state);
    if (state.nativeWindow && state.ignoresMouseEvents) letPointerThroughFrame(*connection_, nativeOf(state), true);
    restackOwnWindows();
    return number;
}

void X11WindowServer::updateOwnWindow(desktop::WindowID window, const desktop::OwnWindowState& newState)
{
    bool newNative = false, leftAbove = false, restack = false, inputChanged = false;
    auto state = newState;
    {
        std::lock_guard lock(mutex_);
        const auto found = own_.find(window);
        if (found == own_.end()) return;
        if (nativeOf(state) == found->second.gone) state.nativeWindow = 0;
        auto& old = found->second.state;
        newNative = state.nativeWindow != old.nativeWindow;
        leftAbove = state.nativeWindow && old.level > desktop::level::normal && state.level <= desktop::level::normal;
        // Moves and fades come often and change no stacking.
        restack = newNative || state.level != old.level || (state.visible && !old.visible);
        inputChanged = newNative || state.ignoresMouseEvents != old.ignoresMouseEvents;
        old = state;
    }
    if (newNative) watch(state);
    if (inputChanged && state.nativeWindow)
        letPointerThroughFrame(*connection_, nativeOf(state), state.ignoresMouseEvents);
    if (leftAbove) ewmh::setAbove(*connection_, nativeOf(state), false);
    if (restack) restackOwnWindows();
}

void X11WindowServer::orderOwnWindowFront(desktop::WindowID window)
{
    xcb_window_t native = XCB_WINDOW_NONE;
    {
        std::lock_guard lock(mutex_);
        const auto found = own_.find(window);
        if (found == own_.end()) return;
        found->second.raisedAt = ++raiseCount_;
        if (found->second.state.level <= desktop::level::normal) native = nativeOf(found->second.state);
    }
    if (native != XCB_WINDOW_NONE) ewmh::restack(*connection_, native, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE);
    restackOwnWindows();
}

void X11WindowServer::makeOwnWindowKey(desktop::WindowID window)
{
    xcb_window_t native = XCB_WINDOW_NONE;
    {
        std::lock_guard lock(mutex_);
        const auto found = own_.find(window);
        if (found == own_.end()) return;
        const auto& state = found->second.state;
        // Mini windows and other floating helpers never take the focus.
        if (state.level == desktop::level::normal && !state.title.empty()) native = nativeOf(state);
    }
    if (native != XCB_WINDOW_NONE) ewmh::activate(*connection_, native);
}

void X11WindowServer::unregisterOwnWindow(desktop::WindowID window)
{
    std::lock_guard lock(mutex_);
    own_.erase(window);
}

void X11WindowServer::onOwnWindowDestroyed(desktop::WindowID window, desktop::OwnWindowDestroyed destroyed)
{
    std::lock_guard lock(mutex_);
    if (const auto found = own_.find(window); found != own_.end()) found->second.destroyed = std::move(destroyed);
}

void X11WindowServer::restackOwnWindows()
{
    std::vector<std::pair<desktop::OwnWindowState, std::uint64_t>> floating;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [number, window] : own_)
            if (window.state.nativeWindow && window.state.visible && window.state.level > desktop::level::normal)
                floating.emplace_back(window.state, window.raisedAt);
    }
    std::sort(floating.begin(), floating.end(), [](const auto& a, const auto& b) {
        if (a.first.level != b.first.level) return a.first.level < b.first.level;
        return a.second < b.second;
    });
    auto& c = *connection_;
    // Bottom up, each above the one before: the last ends in front. The window manager
    // stacks the windows it manages; windows that bypass it are raised here, above them.
    xcb_window_t below = XCB_WINDOW_NONE;
    std::vector<xcb_window_t> natives;
    for (const auto& entry : floating) natives.push_back(nativeOf(entry.first));
    const auto bypassing = bypassWindowManager(natives);
    std::vector<xcb_window_t> unmanaged;
    for (std::size_t i = 0; i < natives.size(); ++i) {
        const auto native = natives[i];
        if (!bypassing[i]) continue;
        if (*bypassing[i]) {
            unmanaged.push_back(native);
            continue;
        }
        ewmh::setAbove(c, native, true);
        // The bottom one stays where the above layer puts it: a raise that names no
        // sibling reads to some window managers (icewm) as a request for attention.
        if (below != XCB_WINDOW_NONE) ewmh::restack(c, native, below, XCB_STACK_MODE_ABOVE);
        below = native;
    }
    for (const auto window : unmanaged) {
        const std::uint32_t mode = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c.xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
    }
    if (!unmanaged.empty()) c.flush();
}

std::vector<std::optional<bool>> X11WindowServer::bypassWindowManager(const std::vector<xcb_window_t>& windows)
{
    std::vector<std::optional<bool>> bypassing(windows.size());
    std::vector<std::size_t> unknown;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (const auto known = overrideRedirect_.find(windows[i]); known != overrideRedirect_.end())
                bypassing[i] = known->second;
            else
                unknown.push_back(i);
        }
    }
    if (unknown.empty()) return bypassing;
    auto* xcb = connection_->xcb();
    // All asked before any answer is awaited: one round trip.
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (const auto i : unknown) cookies.push_back(xcb_get_window_attributes(xcb, windows[i]));
    for (std::size_t k = 0; k < unknown.size(); ++k) {
        const auto attributes = connection_->answer(xcb_get_window_attributes_reply, cookies[k]);
        if (!attributes) continue;
        bypassing[unknown[k]] = attributes->override_redirect != 0;
        std::lock_guard lock(mutex_);
        // A map or configure notice heard meanwhile is newer.
        overrideRedirect_.emplace(windows[unknown[k]], attributes->override_redirect != 0);
    }
    return bypassing;
}

void X11WindowServer::watch(const desktop::OwnWindowState& state)
{
    if (!state.nativeWindow) return;
    // The window manager takes stacking requests only for windows it manages: the map
    // tells when ours is.
    addEventMask(*connection_, nativeOf(state), XCB_EVENT_MASK_STRUCTURE_NOTIFY);
}

void X11WindowServer::forgetDestroyed(xcb_window_t window)
{
    desktop::OwnWindowDestroyed destroyed;
    {
        std::lock_guard lock(mutex_);
        overrideRedirect_.erase(window);
        const auto ours = std::find_if(own_.begin(), own_.end(),
                                       [&](const auto& entry) { return nativeOf(entry.second.state) == window; });
        if (ours == own_.end()) return;
        // Until the widget names its next window, if it gets one, there is none to stack.
        ours->second.state.nativeWindow = 0;
        ours->second.gone = window;
        destroyed = ours->second.destroyed;
    }
    if (destroyed) dispatch::main().async([destroyed, window] { destroyed(window); });
}

void X11WindowServer::onEvent(const xcb_generic_event_t& event)
{
    const auto type = event.response_type & 0x7f;
    if (type == XCB_DESTROY_NOTIFY) {
        forgetDestroyed(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
        return;
    }
    if (type == XCB_CONFIGURE_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
        std::lock_guard lock(mutex_);
        if (const auto known = overrideRedirect_.find(notify.window); known != overrideRedirect_.end())
            known->second = notify.override_redirect != 0;
        return;
    }
    if (type != XCB_MAP_NOTIFY) return;
    const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(event);
    const auto window = map.window;
    bool ignoresMouse = false;
    {
        std::lock_guard lock(mutex_);
        const auto ours = std::find_if(own_.begin(), own_.end(),
                                       [&](const auto& entry) { return nativeOf(entry.second.state) == window; });
        if (ours == own_.end()) return;
        ignoresMouse = ours->second.state.ignoresMouseEvents;
        overrideRedirect_[window] = map.override_redirect != 0;
    }
    // The window manager frames a window anew each time it maps it.
    if (ignoresMouse) letPointerThroughFrame(*connection_, window, true);
    restackOwnWindows();
}

}  // namespace x11
