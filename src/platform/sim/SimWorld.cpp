#include "platform/sim/SimWorld.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/CoverIndex.h"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

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

void SimWorld::addDisplay(const desktop::DisplayInfo& display, bool hasMode)
{
    Lock lock(*this);
    settle();
    displays_.push_back(display);
    if (!hasMode) awaitingMode_.insert(display.id);
    for (std::size_t i = 0; i < displays_.size(); ++i) displays_[i].isMain = i == 0;
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::displays});
}

bool SimWorld::removeDisplay(desktop::DisplayID id)
{
    Lock lock(*this);
    settle();
    if (!dropDisplayLocked(id)) return false;
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::displays});
    return true;
}

bool SimWorld::dropDisplayLocked(desktop::DisplayID id)
{
    const auto it = std::find_if(displays_.begin(), displays_.end(), [&](const auto& d) { return d.id == id; });
    if (it == displays_.end()) return false;
    const core::Rect removedFrame = it->frame;
    displays_.erase(it);
    std::erase_if(pendingModes_, [&](const PendingMode& p) { return p.id == id; });
    awaitingMode_.erase(id);
    ended_.erase(id);
    for (std::size_t i = 0; i < displays_.size(); ++i) displays_[i].isMain = i == 0;
    gatherStrandedWindows(removedFrame);
    return true;
}

void SimWorld::gatherStrandedWindows(const core::Rect& removedFrame)
{
    if (displays_.empty()) return;
    const core::Rect primary = displays_.front().frame;
    const core::Rect area = displays_.front().visibleFrame;
    const auto onSomeDisplay = [&](const core::Rect& frame) {
        return std::any_of(displays_.begin(), displays_.end(), [&](const desktop::DisplayInfo& d) {
            return d.frame.intersects(frame) || d.frame.contains(frame.origin);
        });
    };
    // Where it lay on the display that went, on the primary, and inside its visible
    // frame (the top-left edges win for a window too big for it).
    const auto landing = [&](const core::Rect& frame) {
        const double x = frame.minX() - removedFrame.minX() + primary.minX();
        const double y = frame.minY() - removedFrame.minY() + primary.minY();
        return core::Rect(std::max(area.minX(), std::min(x, area.maxX() - frame.width())),
                          std::max(area.minY(), std::min(y, area.maxY() - frame.height())), frame.width(),
                          frame.height());
    };
    const double now = dispatch::now();
    for (auto& [id, window] : windows_) {
        if (window.layer <= desktopIconLayer || onSomeDisplay(window.frame)) continue;
        applyFrame(window, landing(window.frame), now);
        if (window.own && window.moved)
            dispatch::main().async([moved = window.moved, frame = window.frame] { moved(frame); });
    }
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

bool SimWorld::commitConfiguration(const std::vector<desktop::OriginChange>& changes)
{
    Lock lock(*this);
    settle();
    for (const auto& change : changes)
        if (!findDisplay(change.id)) return false;
    for (const auto& change : changes) {
        desktop::DisplayInfo& display = *findDisplay(change.id);
        placeDisplay(display, core::Rect(change.x, change.y, display.frame.width(), display.frame.height()));
    }
    std::vector<desktop::DisplayID> leaving;
    for (auto& [id, commitsLeft] : ended_)
        if (commitsLeft && --*commitsLeft <= 0) leaving.push_back(id);
    for (const auto id : leaving) dropDisplayLocked(id);
    refreshCoverage(dispatch::now());
    events_.push_back({Event::Kind::displays});
    return true;
}

void SimWorld::requestDisplayMode(desktop::DisplayID id, const desktop::DisplayMode& mode, double scale, double delay)
{
    Lock lock(*this);
    settle();
    if (ended_.count(id)) return;
    std::erase_if(pendingModes_, [&](const PendingMode& p) { return p.id == id; });
    pendingModes_.push_back({id, mode, scale, dispatch::now() + std::max(0.0, delay)});
    settle();
    if (delay > 0) settleAfter(delay);
}

std::optional<desktop::DisplayMode> SimWorld::currentMode(desktop::DisplayID id)
{
    Lock lock(*this);
    settle();
    const auto* display = findDisplay(id);
    if (!display || awaitingMode_.count(id)) return std::nullopt;
    return display->mode;
}

bool SimWorld::endDisplay(desktop::DisplayID id, std::optional<int> commitsLeft)
{
    Lock lock(*this);
    settle();
    if (!findDisplay(id) || ended_.count(id)) return false;
    std::erase_if(pendingModes_, [&](const PendingMode& p) { return p.id == id; });
    if (commitsLeft && *commitsLeft <= 0) return removeDisplay(id);
    ended_.emplace(id, commitsLeft);
    return true;
}

bool SimWorld::hasEnded(desktop::DisplayID id)
{
    Lock lock(*this);
    return ended_.count(id) > 0;
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
    Touched touched{id, {window.frame}};
    if (SimWindow* replaced = find(id)) {
        touched.frames.push_back(replaced->frame);
        setPendingFrame(*replaced, std::nullopt, 0);
        zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    }
    window.frame = window.frame.standardized();
    const auto pending = std::exchange(window.pendingFrame, std::nullopt);
    SimWindow& added = windows_[id] = std::move(window);
    setPendingFrame(added, pending, added.pendingDue);
    if (inFront)
        zOrder_.insert(zOrder_.begin(), id);
    else
        zOrder_.push_back(id);
    refreshCoverage(dispatch::now(), touched);
}

void SimWorld::addWindows(std::vector<SimWindow> windows)
{
    Lock lock(*this);
    settle();
    // A number given twice keeps its last place and state, as one addWindow after the
    // other would leave it.
    std::unordered_map<desktop::WindowID, std::size_t> last;
    last.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) last[windows[i].id] = i;
    std::erase_if(zOrder_, [&](desktop::WindowID id) { return last.count(id) > 0; });
    for (std::size_t i = 0; i < windows.size(); ++i) {
        SimWindow& window = windows[i];
        if (last.at(window.id) != i) continue;
        if (SimWindow* replaced = find(window.id)) setPendingFrame(*replaced, std::nullopt, 0);
        window.frame = window.frame.standardized();
        const auto pending = std::exchange(window.pendingFrame, std::nullopt);
        SimWindow& added = windows_[window.id] = std::move(window);
        setPendingFrame(added, pending, added.pendingDue);
        zOrder_.push_back(added.id);
    }
    refreshCoverage(dispatch::now());
}

void SimWorld::removeWindow(desktop::WindowID id)
{
    Lock lock(*this);
    settle();
    SimWindow* window = find(id);
    if (!window) return;
    const Touched touched{id, {window->frame}};
    setPendingFrame(*window, std::nullopt, 0);
    windows_.erase(id);
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    refreshCoverage(dispatch::now(), touched);
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
    setPendingFrame(window, std::nullopt, 0);
    if (window.frame != from) events_.push_back({Event::Kind::frame, window.pid, window.id, from, window.frame});
    refreshCoverage(at, Touched{window.id, {from, window.frame}});
}

void SimWorld::setPendingFrame(SimWindow& window, std::optional<core::Rect> frame, double due)
{
    if (window.pendingFrame) pendingFrames_.erase({window.pendingDue, window.id});
    window.pendingFrame = frame;
    if (!frame) return;
    window.pendingDue = due;
    pendingFrames_.emplace(due, window.id);
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
    setPendingFrame(*w, frame.standardized(), dispatch::now() + delay);
    settleAfter(delay);
}

void SimWorld::setMinimized(desktop::WindowID id, bool minimized)
{
    Lock lock(*this);
    settle();
    if (SimWindow* w = find(id)) {
        w->minimized = minimized;
        refreshCoverage(dispatch::now(), Touched{id, {w->frame}});
    }
}

void SimWorld::setFullscreen(desktop::WindowID id, bool fullscreen)
{
    Lock lock(*this);
    settle();
    if (SimWindow* w = find(id)) {
        w->fullscreen = fullscreen;
        refreshCoverage(dispatch::now(), Touched{id, {w->frame}});
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
    const SimWindow* w = find(id);
    if (!w) return;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    zOrder_.insert(zOrder_.begin(), id);
    refreshCoverage(dispatch::now(), Touched{id, {w->frame}});
}

const std::vector<SimWindow*>& SimWorld::orderedLocked() const { return ordered_; }

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
    for (const SimWindow* w : orderedLocked()) {
        const SimApp* app = appLocked(w->pid);
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

bool SimWorld::onScreenLocked(const SimWindow& window) const { return onScreenLocked(window, appLocked(window.pid)); }

bool SimWorld::onVirtualDisplayLocked(const SimWindow& window) const
{
    const core::Point mid{window.frame.midX(), window.frame.midY()};
    for (const auto& d : displays_)
        if (d.frame.contains(mid)) return d.isVirtual;
    return false;
}

void SimWorld::refreshCoverage(double at, const std::optional<Touched>& touched)
{
    stackChanged_ = true;
    reorderLocked();
    const auto& ordered = orderedLocked();
    std::vector<Box> displays;
    for (const auto& d : displays_) displays.push_back(boxOf(d.frame));
    std::vector<Box> boxes;
    std::vector<bool> shown;
    std::vector<bool> hides;
    boxes.reserve(ordered.size());
    shown.reserve(ordered.size());
    hides.reserve(ordered.size());
    for (const SimWindow* w : ordered) {
        const bool onScreen = onScreenLocked(*w);
        boxes.push_back(boxOf(w->frame));
        shown.push_back(onScreen);
        hides.push_back(onScreen && w->alpha > 0);
    }
    std::vector<Box> touchedBoxes;
    if (touched)
        for (const auto& frame : touched->frames) touchedBoxes.push_back(boxOf(frame));
    const auto affected = [&](std::size_t rank) {
        return !touched || ordered[rank]->id == touched->window ||
               std::any_of(touchedBoxes.begin(), touchedBoxes.end(),
                           [&](const Box& box) { return overlaps(box, boxes[rank]); });
    };

    const CoverIndex cover(displays, boxes, hides);
    for (std::size_t rank = 0; rank < ordered.size(); ++rank) {
        if (!affected(rank)) continue;
        SimWindow& window = *ordered[rank];
        const bool isCovered = shown[rank] && !window.own && !onVirtualDisplayLocked(window) && cover.covered(rank);
        if (isCovered && !window.frozen) {
            window.frozen = true;
            window.frozenContentTime = window.content == Content::animated ? at : 0;
        } else if (!isCovered && window.frozen) {
            window.frozen = false;
        }
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

void SimWorld::setKeyOwnWindow(desktop::WindowID id)
{
    Lock lock(*this);
    keyOwnWindow_ = id;
}

std::optional<desktop::WindowID> SimWorld::keyOwnWindow()
{
    Lock lock(*this);
    settle();
    const SimWindow* w = find(keyOwnWindow_);
    if (!w || !w->own || !takesFocus(*w)) return std::nullopt;
    return w->id;
}

void SimWorld::settle()
{
    const double now = dispatch::now();
    for (;;) {
        PendingMode* mode = nullptr;
        for (auto& p : pendingModes_)
            if (p.due <= now && (!mode || p.due < mode->due)) mode = &p;
        SimWindow* window = nullptr;
        if (!pendingFrames_.empty() && pendingFrames_.begin()->first <= now) window = find(pendingFrames_.begin()->second);
        if (mode && (!window || mode->due <= window->pendingDue)) {
            const PendingMode due = *mode;
            pendingModes_.erase(pendingModes_.begin() + (mode - pendingModes_.data()));
            if (desktop::DisplayInfo* display = findDisplay(due.id)) {
                awaitingMode_.erase(due.id);
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
