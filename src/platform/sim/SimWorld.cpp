#include "platform/sim/SimWorld.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/sim/CoverIndex.h"
#include "platform/sim/SimWorldLock.h"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

bool takesFocus(const SimWindow& window)
{
    return !window.minimized && !window.offscreen && (!window.own || window.ownVisible);
}

}  // namespace

SimWorld::SimWorld() : ownPid_(simulatedOwnPid) {}

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
        if (!pendingFrames_.empty() && pendingFrames_.begin()->first <= now)
            window = find(pendingFrames_.begin()->second);
        if (mode && (!window || mode->due <= window->pendingDue)) {
            const PendingMode due = *mode;
            pendingModes_.erase(pendingModes_.begin() + (mode - pendingModes_.data()));
            applyMode(due);
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
    dispatch::global().asyncAfter(delay, dispatch::whileAlive(weak, [](SimWorld& world) {
                                      Lock lock(world);
                                      world.settle();
                                  }));
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

}  // namespace sim
