#include "platform/sim/SimWorld.h"

#include "platform/dispatch/Queue.h"

#include <algorithm>

namespace sim {
namespace {

// Rectangles as edges, for the coverage computation that runs over every pair of
// windows on each change.
struct Box {
    double x0, y0, x1, y1;
};

Box boxOf(const core::Rect& rect)
{
    const core::Rect r = rect.standardized();
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

bool overlaps(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

// The parts of r not inside cut (at most four boxes).
void subtract(const Box& r, const Box& cut, std::vector<Box>& out)
{
    if (!overlaps(r, cut)) {
        out.push_back(r);
        return;
    }
    const Box o{std::max(r.x0, cut.x0), std::max(r.y0, cut.y0), std::min(r.x1, cut.x1), std::min(r.y1, cut.y1)};
    if (o.y0 > r.y0) out.push_back({r.x0, r.y0, r.x1, o.y0});
    if (o.y1 < r.y1) out.push_back({r.x0, o.y1, r.x1, r.y1});
    if (o.x0 > r.x0) out.push_back({r.x0, o.y0, o.x0, o.y1});
    if (o.x1 < r.x1) out.push_back({o.x1, o.y0, r.x1, o.y1});
}

// Whether the boxes in front leave nothing of the window's part on the displays.
bool covered(const Box& window, const std::vector<Box>& displays, const std::vector<Box>& inFront)
{
    std::vector<Box> visible;
    for (const Box& display : displays)
        if (overlaps(window, display))
            visible.push_back({std::max(window.x0, display.x0), std::max(window.y0, display.y0),
                               std::min(window.x1, display.x1), std::min(window.y1, display.y1)});
    if (visible.empty()) return false;  // nothing of it is on a display to cover
    std::vector<Box> next;
    for (const Box& cover : inFront) {
        if (!overlaps(cover, window)) continue;
        next.clear();
        for (const Box& piece : visible) subtract(piece, cover, next);
        visible.swap(next);
        if (visible.empty()) return true;
    }
    return false;
}

// Gives the display a new frame; the visible frame keeps its insets and the mode follows.
void placeDisplay(desktop::DisplayInfo& display, const core::Rect& frame)
{
    const double dx = frame.x() - display.frame.x();
    const double dy = frame.y() - display.frame.y();
    const double dw = frame.width() - display.frame.width();
    const double dh = frame.height() - display.frame.height();
    display.frame = frame;
    display.visibleFrame = core::Rect(display.visibleFrame.x() + dx, display.visibleFrame.y() + dy,
                                      std::max(0.0, display.visibleFrame.width() + dw),
                                      std::max(0.0, display.visibleFrame.height() + dh));
    display.mode.width = frame.width();
    display.mode.height = frame.height();
    display.mode.pixelWidth = static_cast<int>(frame.width() * display.scale);
    display.mode.pixelHeight = static_cast<int>(frame.height() * display.scale);
}

bool takesFocus(const SimWindow& window)
{
    return !window.minimized && !window.offscreen && (!window.own || window.ownVisible);
}

}  // namespace

// Holds the world's lock; the outermost holder hands the notices gathered meanwhile to
// the listeners once the lock is released, so that listeners may call back in.
class SimWorld::Lock {
public:
    explicit Lock(SimWorld& world) : world_(world), lock_(world.mutex_) { ++world_.lockDepth_; }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    ~Lock()
    {
        if (world_.lockDepth_ == 1 && world_.stackChanged_) world_.refreshFocus();
        if (--world_.lockDepth_ > 0 || world_.events_.empty()) return;
        std::vector<Event> events;
        events.swap(world_.events_);
        const Listeners listeners = world_.listeners_;
        lock_.unlock();
        world_.deliver(events, listeners);
    }

private:
    SimWorld& world_;
    std::unique_lock<std::recursive_mutex> lock_;
};

SimWorld::SimWorld() : ownPid_(simulatedOwnPid) {}

// --- displays ---

desktop::DisplayInfo* SimWorld::findDisplay(desktop::DisplayID id)
{
    for (auto& d : displays_)
        if (d.id == id) return &d;
    return nullptr;
}

void SimWorld::addDisplay(const desktop::DisplayInfo& display)
{
    Lock lock(*this);
    settle();
    displays_.push_back(display);
    for (std::size_t i = 0; i < displays_.size(); ++i) displays_[i].isMain = i == 0;
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::displays});
}

bool SimWorld::removeDisplay(desktop::DisplayID id)
{
    Lock lock(*this);
    settle();
    const auto it = std::find_if(displays_.begin(), displays_.end(), [&](const auto& d) { return d.id == id; });
    if (it == displays_.end()) return false;
    displays_.erase(it);
    for (std::size_t i = 0; i < displays_.size(); ++i) displays_[i].isMain = i == 0;
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::displays});
    return true;
}

bool SimWorld::setDisplayFrame(desktop::DisplayID id, const core::Rect& frame)
{
    Lock lock(*this);
    settle();
    desktop::DisplayInfo* display = findDisplay(id);
    if (!display) return false;
    placeDisplay(*display, frame);
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::displays});
    return true;
}

bool SimWorld::moveDisplays(const std::vector<desktop::OriginChange>& changes)
{
    Lock lock(*this);
    settle();
    for (const auto& change : changes)
        if (!findDisplay(change.id)) return false;
    for (const auto& change : changes) {
        desktop::DisplayInfo& display = *findDisplay(change.id);
        placeDisplay(display, core::Rect(change.x, change.y, display.frame.width(), display.frame.height()));
    }
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::displays});
    return true;
}

void SimWorld::requestDisplayMode(desktop::DisplayID id, const desktop::DisplayMode& mode, double scale, double delay)
{
    Lock lock(*this);
    settle();
    pendingModes_.erase(std::remove_if(pendingModes_.begin(), pendingModes_.end(), [&](const auto& p) { return p.id == id; }),
                        pendingModes_.end());
    pendingModes_.push_back({id, mode, scale, dispatch::now() + std::max(0.0, delay)});
    settle();
    if (delay > 0) settleAfter(delay);
}

std::vector<desktop::DisplayInfo> SimWorld::displays()
{
    Lock lock(*this);
    settle();
    return displays_;
}

std::optional<desktop::DisplayInfo> SimWorld::display(desktop::DisplayID id)
{
    Lock lock(*this);
    settle();
    if (const auto* d = findDisplay(id)) return *d;
    return std::nullopt;
}

std::optional<desktop::DisplayID> SimWorld::displayAt(core::Point point)
{
    Lock lock(*this);
    settle();
    for (const auto& d : displays_)
        if (d.frame.contains(point)) return d.id;
    return std::nullopt;
}

double SimWorld::firstScreenHeight()
{
    Lock lock(*this);
    settle();
    return displays_.empty() ? 900.0 : displays_.front().frame.height();
}

desktop::DisplayID SimWorld::allocateDisplayID()
{
    Lock lock(*this);
    while (findDisplay(nextDisplayID_)) ++nextDisplayID_;
    return nextDisplayID_++;
}

double SimWorld::scaleAt(const core::Rect& frame)
{
    Lock lock(*this);
    settle();
    const core::Point mid{frame.midX(), frame.midY()};
    for (const auto& d : displays_)
        if (d.frame.contains(mid)) return d.scale;
    return displays_.empty() ? 1.0 : displays_.front().scale;
}

// --- applications ---

void SimWorld::addApp(const SimApp& app)
{
    Lock lock(*this);
    apps_.push_back(app);
    refreshCoverage(dispatch::now());
}

SimApp* SimWorld::findApp(desktop::Pid pid)
{
    for (auto& app : apps_)
        if (app.info.pid == pid) return &app;
    return nullptr;
}

std::unordered_map<desktop::Pid, const SimApp*> SimWorld::appIndexLocked() const
{
    std::unordered_map<desktop::Pid, const SimApp*> index;
    index.reserve(apps_.size());
    for (const auto& app : apps_) index.emplace(app.info.pid, &app);
    return index;
}

std::optional<SimApp> SimWorld::app(desktop::Pid pid)
{
    Lock lock(*this);
    if (const SimApp* found = findApp(pid)) return *found;
    return std::nullopt;
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

void SimWorld::terminate(desktop::Pid pid)
{
    Lock lock(*this);
    settle();
    SimApp* app = findApp(pid);
    if (!app) return;
    app->info.terminated = true;
    app->info.active = false;
    if (frontmost_ == pid) frontmost_.reset();
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second.pid == pid) {
            zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), it->first), zOrder_.end());
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

// --- windows ---

SimWindow* SimWorld::find(desktop::WindowID id)
{
    const auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
}

void SimWorld::addWindow(SimWindow window, bool inFront)
{
    Lock lock(*this);
    settle();
    const auto id = window.id;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    window.frame = window.frame.standardized();
    windows_[id] = std::move(window);
    if (inFront)
        zOrder_.insert(zOrder_.begin(), id);
    else
        zOrder_.push_back(id);
    refreshCoverage(dispatch::now());
}

void SimWorld::removeWindow(desktop::WindowID id)
{
    Lock lock(*this);
    settle();
    if (windows_.erase(id) == 0) return;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    refreshCoverage(dispatch::now());
}

std::optional<SimWindow> SimWorld::window(desktop::WindowID id)
{
    Lock lock(*this);
    settle();
    if (const SimWindow* w = find(id)) return *w;
    return std::nullopt;
}

void SimWorld::applyFrame(SimWindow& window, const core::Rect& frame, double at)
{
    const core::Rect from = window.frame;
    window.frame = frame.standardized();
    window.pendingFrame.reset();
    if (window.frame != from) events_.push_back({Event::Kind::frame, window.pid, window.id, from, window.frame});
    refreshCoverage(at);
}

void SimWorld::setFrame(desktop::WindowID id, const core::Rect& frame)
{
    Lock lock(*this);
    settle();
    if (SimWindow* w = find(id)) applyFrame(*w, frame, dispatch::now());
}

void SimWorld::requestFrame(desktop::WindowID id, const core::Rect& frame, double delay)
{
    Lock lock(*this);
    settle();
    SimWindow* w = find(id);
    if (!w) return;
    if (delay <= 0) {
        applyFrame(*w, frame, dispatch::now());
        return;
    }
    w->pendingFrame = frame.standardized();
    w->pendingDue = dispatch::now() + delay;
    settleAfter(delay);
}

void SimWorld::setMinimized(desktop::WindowID id, bool minimized)
{
    Lock lock(*this);
    settle();
    if (SimWindow* w = find(id)) {
        w->minimized = minimized;
        refreshCoverage(dispatch::now());
    }
}

void SimWorld::setFullscreen(desktop::WindowID id, bool fullscreen)
{
    Lock lock(*this);
    settle();
    if (SimWindow* w = find(id)) {
        w->fullscreen = fullscreen;
        refreshCoverage(dispatch::now());
    }
}

void SimWorld::setContent(desktop::WindowID id, Content content)
{
    Lock lock(*this);
    settle();
    SimWindow* w = find(id);
    if (!w) return;
    // A frozen window switching content shows the new content's picture of that moment.
    if (w->frozen && content != w->content) w->frozenContentTime = content == Content::animated ? dispatch::now() : 0;
    w->content = content;
}

void SimWorld::raise(desktop::WindowID id)
{
    Lock lock(*this);
    settle();
    if (!find(id)) return;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    zOrder_.insert(zOrder_.begin(), id);
    refreshCoverage(dispatch::now());
}

const std::vector<const SimWindow*>& SimWorld::orderedLocked() const { return ordered_; }

void SimWorld::reorderLocked()
{
    ordered_.clear();
    ordered_.reserve(zOrder_.size());
    for (auto id : zOrder_) ordered_.push_back(&windows_.at(id));
    std::stable_sort(ordered_.begin(), ordered_.end(),
                     [](const SimWindow* a, const SimWindow* b) { return a->layer > b->layer; });
}

std::vector<SimWindow> SimWorld::stack()
{
    Lock lock(*this);
    settle();
    std::vector<SimWindow> result;
    result.reserve(orderedLocked().size());
    for (const SimWindow* w : orderedLocked()) result.push_back(*w);
    return result;
}

std::vector<desktop::WindowID> SimWorld::stackIds()
{
    Lock lock(*this);
    settle();
    std::vector<desktop::WindowID> ids;
    ids.reserve(orderedLocked().size());
    for (const SimWindow* w : orderedLocked()) ids.push_back(w->id);
    return ids;
}

std::size_t SimWorld::windowCount()
{
    Lock lock(*this);
    return windows_.size();
}

void SimWorld::visitStack(const StackVisitor& visit)
{
    Lock lock(*this);
    settle();
    const auto index = appIndexLocked();
    for (const SimWindow* w : orderedLocked()) {
        const auto owner = index.find(w->pid);
        const SimApp* app = owner == index.end() ? nullptr : owner->second;
        if (!visit(*w, app, onScreenLocked(*w, app))) return;
    }
}

desktop::WindowID SimWorld::allocateWindowNumber()
{
    Lock lock(*this);
    while (windows_.count(nextOwnNumber_)) ++nextOwnNumber_;
    return nextOwnNumber_++;
}

void SimWorld::updateOwnWindow(desktop::WindowID id, const desktop::OwnWindowState& state)
{
    Lock lock(*this);
    settle();
    SimWindow* w = find(id);
    if (!w) return;
    w->title = state.title;
    w->layer = state.level;
    w->alpha = state.alpha;
    w->ownVisible = state.visible;
    w->ignoresMouseEvents = state.ignoresMouseEvents;
    applyFrame(*w, state.frame, dispatch::now());
}

bool SimWorld::onScreenLocked(const SimWindow& window, const SimApp* owner) const
{
    if (window.own) return window.ownVisible;
    if (window.minimized || window.offscreen || window.fullscreen) return false;
    return !owner || (!owner->info.hidden && !owner->info.terminated);
}

bool SimWorld::onScreenLocked(const SimWindow& window) const
{
    for (const auto& app : apps_)
        if (app.info.pid == window.pid) return onScreenLocked(window, &app);
    return onScreenLocked(window, nullptr);
}

bool SimWorld::onVirtualDisplayLocked(const SimWindow& window) const
{
    const core::Point mid{window.frame.midX(), window.frame.midY()};
    for (const auto& d : displays_)
        if (d.frame.contains(mid)) return d.isVirtual;
    return false;
}

void SimWorld::refreshCoverage(double at)
{
    stackChanged_ = true;
    reorderLocked();
    const auto index = appIndexLocked();
    std::vector<Box> displays;
    for (const auto& d : displays_) displays.push_back(boxOf(d.frame));
    std::vector<Box> inFront;
    for (const SimWindow* w : orderedLocked()) {
        auto& window = windows_.at(w->id);
        const auto owner = index.find(window.pid);
        const bool shown = onScreenLocked(window, owner == index.end() ? nullptr : owner->second);
        const Box box = boxOf(window.frame);
        const bool isCovered = shown && !window.own && !onVirtualDisplayLocked(window) && covered(box, displays, inFront);
        if (isCovered && !window.frozen) {
            window.frozen = true;
            window.frozenContentTime = window.content == Content::animated ? at : 0;
        } else if (!isCovered && window.frozen) {
            window.frozen = false;
        }
        if (shown && window.alpha > 0) inFront.push_back(box);
    }
}

std::map<desktop::Pid, desktop::WindowID> SimWorld::focusMapLocked() const
{
    std::map<desktop::Pid, desktop::WindowID> focus;
    for (const SimWindow* w : orderedLocked())
        if (takesFocus(*w)) focus.emplace(w->pid, w->id);
    return focus;
}

void SimWorld::refreshFocus()
{
    stackChanged_ = false;
    auto focus = focusMapLocked();
    for (const auto& [pid, id] : focus) {
        const auto before = focused_.find(pid);
        if (before == focused_.end() || before->second != id) events_.push_back({Event::Kind::focus, pid, id});
    }
    focused_ = std::move(focus);
}

std::optional<desktop::WindowID> SimWorld::focusedWindow(desktop::Pid pid)
{
    Lock lock(*this);
    settle();
    for (const SimWindow* w : orderedLocked())
        if (w->pid == pid && takesFocus(*w)) return w->id;
    return std::nullopt;
}

void SimWorld::settle()
{
    const double now = dispatch::now();
    for (;;) {
        PendingMode* mode = nullptr;
        for (auto& p : pendingModes_)
            if (p.due <= now && (!mode || p.due < mode->due)) mode = &p;
        SimWindow* window = nullptr;
        for (auto& [id, w] : windows_)
            if (w.pendingFrame && w.pendingDue <= now && (!window || w.pendingDue < window->pendingDue)) window = &w;
        if (mode && (!window || mode->due <= window->pendingDue)) {
            const PendingMode due = *mode;
            pendingModes_.erase(pendingModes_.begin() + (mode - pendingModes_.data()));
            if (desktop::DisplayInfo* display = findDisplay(due.id)) {
                display->scale = due.scale;
                placeDisplay(*display, core::Rect(display->frame.x(), display->frame.y(), due.mode.width, due.mode.height));
                display->mode.refreshRate = due.mode.refreshRate;
                refreshCoverage(due.due);
                events_.push_back({Event::Kind::displays});
            }
        } else if (window) {
            applyFrame(*window, *window->pendingFrame, window->pendingDue);
        } else {
            return;
        }
    }
}

void SimWorld::settleAfter(double delay)
{
    const std::weak_ptr<SimWorld> weak = weak_from_this();
    if (weak.expired()) return;
    dispatch::global().asyncAfter(delay, [weak] {
        if (const auto world = weak.lock()) {
            Lock lock(*world);
            world->settle();
        }
    });
}

bool SimWorld::isOnScreen(desktop::WindowID id)
{
    Lock lock(*this);
    settle();
    const SimWindow* w = find(id);
    return w && onScreenLocked(*w);
}

bool SimWorld::isCovered(desktop::WindowID id)
{
    Lock lock(*this);
    settle();
    const SimWindow* w = find(id);
    return w && w->frozen;
}

double SimWorld::contentTime(desktop::WindowID id)
{
    Lock lock(*this);
    settle();
    const SimWindow* w = find(id);
    if (!w || w->content == Content::still) return 0;
    return w->frozen ? w->frozenContentTime : dispatch::now();
}

std::optional<SimWindow> SimWorld::windowAt(core::Point point)
{
    Lock lock(*this);
    settle();
    for (const SimWindow* w : orderedLocked()) {
        if (!onScreenLocked(*w) || w->alpha <= 0) continue;
        if (w->own && w->ignoresMouseEvents) continue;
        if (w->frame.contains(point)) return *w;
    }
    return std::nullopt;
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

// --- notices and journal ---

SimWorld::ListenerToken SimWorld::onDisplaysChanged(std::function<void()> listener)
{
    Lock lock(*this);
    listeners_.displays.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

SimWorld::ListenerToken SimWorld::onActivated(std::function<void(desktop::Pid)> listener)
{
    Lock lock(*this);
    listeners_.activated.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

SimWorld::ListenerToken SimWorld::onWindowFrameChanged(
    std::function<void(desktop::WindowID, desktop::Pid, const core::Rect&, const core::Rect&)> listener)
{
    Lock lock(*this);
    listeners_.frame.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

SimWorld::ListenerToken SimWorld::onFocusedWindowChanged(std::function<void(desktop::Pid, desktop::WindowID)> listener)
{
    Lock lock(*this);
    listeners_.focus.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

void SimWorld::removeListener(ListenerToken token)
{
    Lock lock(*this);
    listeners_.displays.erase(token);
    listeners_.activated.erase(token);
    listeners_.frame.erase(token);
    listeners_.focus.erase(token);
}

void SimWorld::deliver(const std::vector<Event>& events, const Listeners& listeners)
{
    for (const auto& event : events) {
        switch (event.kind) {
        case Event::Kind::displays:
            for (const auto& [token, listener] : listeners.displays) listener();
            break;
        case Event::Kind::activated:
            for (const auto& [token, listener] : listeners.activated) listener(event.pid);
            break;
        case Event::Kind::frame:
            for (const auto& [token, listener] : listeners.frame) listener(event.window, event.pid, event.from, event.to);
            break;
        case Event::Kind::focus:
            for (const auto& [token, listener] : listeners.focus) listener(event.pid, event.window);
            break;
        }
    }
}

void SimWorld::setJournal(Journal journal)
{
    Lock lock(*this);
    journal_ = std::move(journal);
}

void SimWorld::record(nlohmann::json event)
{
    Journal journal;
    {
        Lock lock(*this);
        journal = journal_;
    }
    if (!journal) return;
    nlohmann::json line = nlohmann::json::object();
    line["t"] = dispatch::now();
    for (auto& [key, value] : event.items()) line[key] = value;
    journal(line);
}

}  // namespace sim
