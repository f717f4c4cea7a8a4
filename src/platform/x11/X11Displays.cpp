#include "platform/x11/X11Displays.h"
#include "platform/x11/X11Reply.h"

#include "platform/desktop/GlobalSpace.h"
#include "platform/dispatch/Queue.h"
#include "platform/x11/X11EventMask.h"
#include "platform/x11/X11Ewmh.h"

#include <QGuiApplication>
#include <QScreen>

#include <xcb/randr.h>

#include <algorithm>
#include <cstdlib>

namespace x11 {
namespace {

constexpr int illegalArgument = 1001;

struct Monitor {
    std::string name;
    core::Rect pixels;
    core::Size millimeters;
    bool primary = false;
};

std::string atomName(Connection& connection, xcb_atom_t atom)
{
    const auto answer = connection.answer(xcb_get_atom_name_reply, xcb_get_atom_name(connection.xcb(), atom));
    if (!answer) return {};
    return std::string(xcb_get_atom_name_name(answer.get()),
                       static_cast<std::size_t>(xcb_get_atom_name_name_length(answer.get())));
}

// Smaller than this, a monitor holds no window of ours: a menu or a mini window would not fit.
constexpr double smallestMonitorWidth = 200, smallestMonitorHeight = 150;

// The monitors as far as they show the root, the primary first. Any client may define a
// monitor of any size anywhere, and a window placed on a part beyond the root is out of reach:
// each is cut to the root, and one too small for our windows is left out; the root stands
// for them when none is left.
std::vector<Monitor> readMonitors(Connection& connection)
{
    auto* c = connection.xcb();
    const auto monitorsCookie = xcb_randr_get_monitors(c, connection.root(), 1);
    const auto rootGeometry = connection.answer(xcb_get_geometry_reply, xcb_get_geometry(c, connection.root()));
    const auto answer = connection.answer(xcb_randr_get_monitors_reply, monitorsCookie);
    std::vector<Monitor> monitors;
    if (!answer || !rootGeometry) return monitors;
    const core::Rect root(0, 0, rootGeometry->width, rootGeometry->height);
    for (auto it = xcb_randr_get_monitors_monitors_iterator(answer.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
        const auto& info = *it.data;
        const core::Rect shown = core::Rect(info.x, info.y, info.width, info.height).intersection(root);
        if (shown.isNull() || shown.width() < smallestMonitorWidth || shown.height() < smallestMonitorHeight) continue;
        monitors.push_back(
            {atomName(connection, info.name), shown,
             core::Size{static_cast<double>(info.width_in_millimeters), static_cast<double>(info.height_in_millimeters)},
             info.primary != 0});
    }
    if (monitors.empty()) {
        const auto* screen = connection.screen();
        return {{"root", root,
                 core::Size{static_cast<double>(screen->width_in_millimeters),
                            static_cast<double>(screen->height_in_millimeters)},
                 true}};
    }
    // Without a primary, the monitor at the root's origin leads, as a single screen's does.
    auto main = std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    if (main == monitors.end())
        main = std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) {
            return m.pixels.contains({0, 0});
        });
    if (main != monitors.end()) std::rotate(monitors.begin(), main, main + 1);
    return monitors;
}

// Qt's device pixel ratio of the screen showing the monitor: by name, else by origin
// (Qt keeps screen origins in pixels), else the primary screen's.
double scaleOf(const Monitor& monitor)
{
    if (!qGuiApp) return 1;
    const auto screens = QGuiApplication::screens();
    for (const auto* screen : screens)
        if (screen->name().toStdString() == monitor.name) return screen->devicePixelRatio();
    for (const auto* screen : screens)
        if (screen->geometry().topLeft() ==
            QPoint(static_cast<int>(monitor.pixels.x()), static_cast<int>(monitor.pixels.y())))
            return screen->devicePixelRatio();
    const auto* primary = QGuiApplication::primaryScreen();
    return primary ? primary->devicePixelRatio() : 1;
}

// Stable across runs and servers: monitors keep their names.
desktop::DisplayID idOf(const std::string& name)
{
    std::uint32_t hash = 2166136261u;
    for (const unsigned char ch : name) hash = (hash ^ ch) * 16777619u;
    return hash == 0 ? 1 : hash;
}

bool sameDisplay(const desktop::DisplayInfo& a, const desktop::DisplayInfo& b)
{
    return a.id == b.id && a.frame == b.frame && a.visibleFrame == b.visibleFrame && a.scale == b.scale &&
           a.name == b.name && a.isMain == b.isMain && a.physicalSizeMM == b.physicalSizeMM;
}

void selectDisplayEvents(Connection& connection)
{
    xcb_randr_select_input(connection.xcb(), connection.root(),
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE | XCB_RANDR_NOTIFY_MASK_RESOURCE_CHANGE);
    addEventMask(connection, connection.root(), XCB_EVENT_MASK_PROPERTY_CHANGE);
}

}  // namespace

struct X11Displays::State {
    std::mutex mutex;
    std::vector<desktop::DisplayInfo> displays;
};

X11Displays::X11Displays(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)), state_(std::make_shared<State>())
{
    selectDisplayEvents(*connection_);
    qtRootProperties_ = relayRootPropertiesToQt(connection_);
    reread(*connection_, *state_);

    const auto rereadAndTell = [weakConnection = std::weak_ptr<Connection>(connection_),
                                weakState = std::weak_ptr<State>(state_), observers = observers_] {
        const auto connection = weakConnection.lock();
        const auto state = weakState.lock();
        if (connection && state && reread(*connection, *state)) observers.post();
    };
    rereads_ = std::make_unique<BatchedRead>(connection_, dispatch::main(), rereadAndTell);
    const auto randr = connection_->events().randr;
    const auto workAreaAtom = connection_->atom("_NET_WORKAREA");
    const auto currentDesktopAtom = connection_->atom("_NET_CURRENT_DESKTOP");
    for (const auto atom : {workAreaAtom, currentDesktopAtom}) connection_->watchRootProperty(atom);
    const auto root = connection_->root();
    handler_ = connection_->addEventHandler([=, rereads = rereads_.get()](const xcb_generic_event_t& event) {
        const auto type = event.response_type & 0x7f;
        bool relevant = type == randr + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == randr + XCB_RANDR_NOTIFY;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            relevant = notify.window == root && (notify.atom == workAreaAtom || notify.atom == currentDesktopAtom);
        }
        if (relevant) rereads->notice();
    });
}

X11Displays::~X11Displays() { connection_->removeEventHandler(handler_); }

bool X11Displays::reread(Connection& connection, State& state)
{
    const auto monitors = readMonitors(connection);
    std::vector<desktop::NativeMonitor> native;
    for (const auto& monitor : monitors) native.push_back({monitor.pixels, scaleOf(monitor)});
    desktop::globalSpace().setMonitors(native);

    const auto& space = desktop::globalSpace();
    const auto area = ewmh::workArea(connection);
    std::vector<desktop::DisplayInfo> displays;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const auto& monitor = monitors[i];
        desktop::DisplayInfo info;
        info.id = idOf(monitor.name);
        info.name = monitor.name;
        info.scale = native[i].scale;
        info.frame = space.toGlobal(monitor.pixels);
        const auto visible = area ? area->intersection(monitor.pixels) : core::Rect::null();
        info.visibleFrame = visible.isEmpty() ? info.frame : space.toGlobal(visible);
        info.mode = {info.frame.width(), info.frame.height(), static_cast<int>(monitor.pixels.width()),
                     static_cast<int>(monitor.pixels.height()), 60};
        info.physicalSizeMM = monitor.millimeters;
        info.isMain = i == 0;
        displays.push_back(std::move(info));
    }

    std::lock_guard lock(state.mutex);
    const bool changed =
        !std::equal(displays.begin(), displays.end(), state.displays.begin(), state.displays.end(), sameDisplay);
    state.displays = std::move(displays);
    return changed;
}

std::vector<desktop::DisplayInfo> X11Displays::activeDisplays()
{
    std::lock_guard lock(state_->mutex);
    return state_->displays;
}

std::optional<desktop::DisplayInfo> X11Displays::display(desktop::DisplayID id)
{
    std::lock_guard lock(state_->mutex);
    for (const auto& info : state_->displays)
        if (info.id == id) return info;
    return std::nullopt;
}

std::optional<desktop::DisplayID> X11Displays::mainDisplayID()
{
    std::lock_guard lock(state_->mutex);
    if (state_->displays.empty()) return std::nullopt;
    return state_->displays.front().id;
}

std::optional<desktop::DisplayMode> X11Displays::currentMode(desktop::DisplayID id)
{
    const auto info = display(id);
    if (!info) return std::nullopt;
    return info->mode;
}

std::optional<desktop::DisplayID> X11Displays::displayAt(core::Point point)
{
    std::lock_guard lock(state_->mutex);
    for (const auto& info : state_->displays)
        if (info.frame.contains(point)) return info.id;
    return std::nullopt;
}

int X11Displays::commitConfiguration(const std::vector<desktop::OriginChange>& changes)
{
    return changes.empty() ? 0 : illegalArgument;
}

desktop::Token X11Displays::addConfigurationObserver(std::function<void()> onChange)
{
    return observers_.add(std::move(onChange));
}

void X11Displays::removeConfigurationObserver(desktop::Token token) { observers_.remove(token); }

}  // namespace x11
