#include "platform/sim/SimWorld.h"

#include "platform/dispatch/Queue.h"

#include <algorithm>

namespace sim {
namespace {

// The parts of r not inside cut (at most four rectangles).
void subtract(const core::Rect& r, const core::Rect& cut, std::vector<core::Rect>& out)
{
    const core::Rect overlap = r.intersection(cut);
    if (overlap.isNull() || overlap.isEmpty()) {
        out.push_back(r);
        return;
    }
    if (overlap.minY() > r.minY()) out.emplace_back(r.minX(), r.minY(), r.width(), overlap.minY() - r.minY());
    if (overlap.maxY() < r.maxY()) out.emplace_back(r.minX(), overlap.maxY(), r.width(), r.maxY() - overlap.maxY());
    if (overlap.minX() > r.minX()) out.emplace_back(r.minX(), overlap.minY(), overlap.minX() - r.minX(), overlap.height());
    if (overlap.maxX() < r.maxX()) out.emplace_back(overlap.maxX(), overlap.minY(), r.maxX() - overlap.maxX(), overlap.height());
}

}  // namespace

SimWorld::SimWorld() : ownPid_(simulatedOwnPid) {}

// --- displays ---

void SimWorld::addDisplay(const desktop::DisplayInfo& display)
{
    {
        std::lock_guard lock(mutex_);
        displays_.push_back(display);
        if (displays_.size() == 1) displays_.front().isMain = true;
        refreshCoverage(dispatch::now());
    }
    notifyDisplays();
}

bool SimWorld::removeDisplay(desktop::DisplayID id)
{
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(displays_.begin(), displays_.end(), [&](const auto& d) { return d.id == id; });
        if (it == displays_.end()) return false;
        displays_.erase(it);
        for (std::size_t i = 0; i < displays_.size(); ++i) displays_[i].isMain = i == 0;
        refreshCoverage(dispatch::now());
    }
    notifyDisplays();
    return true;
}

bool SimWorld::setDisplayFrame(desktop::DisplayID id, const core::Rect& frame)
{
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(displays_.begin(), displays_.end(), [&](const auto& d) { return d.id == id; });
        if (it == displays_.end()) return false;
        const double dx = frame.x() - it->frame.x();
        const double dy = frame.y() - it->frame.y();
        const double dw = frame.width() - it->frame.width();
        const double dh = frame.height() - it->frame.height();
        it->frame = frame;
        it->visibleFrame = core::Rect(it->visibleFrame.x() + dx, it->visibleFrame.y() + dy,
                                      std::max(0.0, it->visibleFrame.width() + dw),
                                      std::max(0.0, it->visibleFrame.height() + dh));
        it->mode.width = frame.width();
        it->mode.height = frame.height();
        it->mode.pixelWidth = static_cast<int>(frame.width() * it->scale);
        it->mode.pixelHeight = static_cast<int>(frame.height() * it->scale);
        refreshCoverage(dispatch::now());
    }
    notifyDisplays();
    return true;
}

std::vector<desktop::DisplayInfo> SimWorld::displays()
{
    std::lock_guard lock(mutex_);
    return displays_;
}

std::optional<desktop::DisplayInfo> SimWorld::display(desktop::DisplayID id)
{
    std::lock_guard lock(mutex_);
    for (const auto& d : displays_)
        if (d.id == id) return d;
    return std::nullopt;
}

std::optional<desktop::DisplayID> SimWorld::displayAt(core::Point point)
{
    std::lock_guard lock(mutex_);
    for (const auto& d : displays_)
        if (d.frame.contains(point)) return d.id;
    return std::nullopt;
}

double SimWorld::firstScreenHeight()
{
    std::lock_guard lock(mutex_);
    return displays_.empty() ? 900.0 : displays_.front().frame.height();
}

void SimWorld::notifyDisplays()
{
    std::vector<std::function<void()>> listeners;
    {
        std::lock_guard lock(mutex_);
        listeners = displayListeners_;
    }
    for (const auto& listener : listeners) listener();
}

// --- applications ---

void SimWorld::addApp(const SimApp& app)
{
    std::lock_guard lock(mutex_);
    apps_.push_back(app);
}

SimApp* SimWorld::findApp(desktop::Pid pid)
{
    for (auto& app : apps_)
        if (app.info.pid == pid) return &app;
    return nullptr;
}

std::optional<SimApp> SimWorld::app(desktop::Pid pid)
{
    std::lock_guard lock(mutex_);
    if (const SimApp* found = findApp(pid)) return *found;
    return std::nullopt;
}

std::vector<SimApp> SimWorld::apps()
{
    std::lock_guard lock(mutex_);
    return apps_;
}

void SimWorld::setHidden(desktop::Pid pid, bool hidden)
{
    std::lock_guard lock(mutex_);
    settle();
    if (SimApp* app = findApp(pid)) {
        app->info.hidden = hidden;
        if (hidden && frontmost_ == pid) frontmost_.reset();
        refreshCoverage(dispatch::now());
    }
}

void SimWorld::terminate(desktop::Pid pid)
{
    std::lock_guard lock(mutex_);
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

void SimWorld::setFrontmost(desktop::Pid pid)
{
    std::vector<std::function<void(desktop::Pid)>> listeners;
    {
        std::lock_guard lock(mutex_);
        settle();
        SimApp* app = findApp(pid);
        if (!app || app->info.terminated) return;
        for (auto& other : apps_) other.info.active = other.info.pid == pid;
        app->info.hidden = false;
        frontmost_ = pid;
        // Activation brings the application's windows in front of the other windows.
        std::vector<desktop::WindowID> mine;
        for (auto id : zOrder_)
            if (windows_.at(id).pid == pid) mine.push_back(id);
        std::vector<desktop::WindowID> rest;
        for (auto id : zOrder_)
            if (windows_.at(id).pid != pid) rest.push_back(id);
        zOrder_ = mine;
        zOrder_.insert(zOrder_.end(), rest.begin(), rest.end());
        refreshCoverage(dispatch::now());
        listeners = activationListeners_;
    }
    for (const auto& listener : listeners) listener(pid);
}

std::optional<desktop::Pid> SimWorld::frontmost()
{
    std::lock_guard lock(mutex_);
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
    std::lock_guard lock(mutex_);
    settle();
    const auto id = window.id;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    windows_[id] = std::move(window);
    if (inFront)
        zOrder_.insert(zOrder_.begin(), id);
    else
        zOrder_.push_back(id);
    refreshCoverage(dispatch::now());
}

void SimWorld::removeWindow(desktop::WindowID id)
{
    std::lock_guard lock(mutex_);
    settle();
    if (windows_.erase(id) == 0) return;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    refreshCoverage(dispatch::now());
}

std::optional<SimWindow> SimWorld::window(desktop::WindowID id)
{
    std::lock_guard lock(mutex_);
    settle();
    if (const SimWindow* w = find(id)) return *w;
    return std::nullopt;
}

void SimWorld::setFrame(desktop::WindowID id, const core::Rect& frame)
{
    std::lock_guard lock(mutex_);
    settle();
    if (SimWindow* w = find(id)) {
        w->frame = frame.standardized();
        w->pendingFrame.reset();
        refreshCoverage(dispatch::now());
    }
}

void SimWorld::requestFrame(desktop::WindowID id, const core::Rect& frame, double delay)
{
    std::lock_guard lock(mutex_);
    settle();
    SimWindow* w = find(id);
    if (!w) return;
    if (delay <= 0) {
        w->frame = frame.standardized();
        w->pendingFrame.reset();
        refreshCoverage(dispatch::now());
        return;
    }
    w->pendingFrame = frame.standardized();
    w->pendingDue = dispatch::now() + delay;
}

void SimWorld::setMinimized(desktop::WindowID id, bool minimized)
{
    std::lock_guard lock(mutex_);
    settle();
    if (SimWindow* w = find(id)) {
        w->minimized = minimized;
        refreshCoverage(dispatch::now());
    }
}

void SimWorld::setContent(desktop::WindowID id, Content content)
{
    std::lock_guard lock(mutex_);
    settle();
    if (SimWindow* w = find(id)) w->content = content;
}

void SimWorld::raise(desktop::WindowID id)
{
    std::lock_guard lock(mutex_);
    settle();
    if (!find(id)) return;
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
    zOrder_.insert(zOrder_.begin(), id);
    refreshCoverage(dispatch::now());
}

std::vector<const SimWindow*> SimWorld::orderedLocked() const
{
    std::vector<const SimWindow*> ordered;
    ordered.reserve(zOrder_.size());
    for (auto id : zOrder_) ordered.push_back(&windows_.at(id));
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const SimWindow* a, const SimWindow* b) { return a->layer > b->layer; });
    return ordered;
}

std::vector<SimWindow> SimWorld::stack()
{
    std::lock_guard lock(mutex_);
    settle();
    std::vector<SimWindow> result;
    const auto ordered = orderedLocked();
    result.reserve(ordered.size());
    for (const SimWindow* w : ordered) result.push_back(*w);
    return result;
}

std::vector<desktop::WindowID> SimWorld::stackIds()
{
    std::lock_guard lock(mutex_);
    settle();
    std::vector<desktop::WindowID> ids;
    for (const SimWindow* w : orderedLocked()) ids.push_back(w->id);
    return ids;
}

desktop::WindowID SimWorld::allocateWindowNumber()
{
    std::lock_guard lock(mutex_);
    while (windows_.count(nextOwnNumber_)) ++nextOwnNumber_;
    return nextOwnNumber_++;
}

void SimWorld::updateOwnWindow(desktop::WindowID id, const desktop::OwnWindowState& state)
{
    std::lock_guard lock(mutex_);
    settle();
    SimWindow* w = find(id);
    if (!w) return;
    w->title = state.title;
    w->frame = state.frame.standardized();
    w->layer = state.level;
    w->alpha = state.alpha;
    w->ownVisible = state.visible;
    w->ignoresMouseEvents = state.ignoresMouseEvents;
    refreshCoverage(dispatch::now());
}

bool SimWorld::onScreenLocked(const SimWindow& window) const
{
    if (window.own) return window.ownVisible;
    if (window.minimized || window.offscreen) return false;
    for (const auto& app : apps_)
        if (app.info.pid == window.pid) return !app.info.hidden && !app.info.terminated;
    return true;
}

bool SimWorld::onVirtualDisplayLocked(const SimWindow& window) const
{
    const core::Point mid{window.frame.midX(), window.frame.midY()};
    for (const auto& d : displays_)
        if (d.frame.contains(mid)) return d.isVirtual;
    return false;
}

bool SimWorld::coveredLocked(const SimWindow& window, const std::vector<const SimWindow*>& inFront) const
{
    std::vector<core::Rect> visible;
    for (const auto& d : displays_) {
        const core::Rect part = window.frame.intersection(d.frame);
        if (!part.isNull() && !part.isEmpty()) visible.push_back(part);
    }
    if (visible.empty()) return false;  // nothing of it is on a display to cover
    for (const SimWindow* cover : inFront) {
        std::vector<core::Rect> next;
        for (const auto& piece : visible) subtract(piece, cover->frame, next);
        visible.swap(next);
        if (visible.empty()) return true;
    }
    return false;
}

void SimWorld::refreshCoverage(double at)
{
    std::vector<const SimWindow*> inFront;
    for (const SimWindow* w : orderedLocked()) {
        auto& window = windows_.at(w->id);
        const bool shown = onScreenLocked(window);
        const bool covered = shown && !window.own && !onVirtualDisplayLocked(window) && coveredLocked(window, inFront);
        if (covered && !window.frozen) {
            window.frozen = true;
            window.frozenContentTime = window.content == Content::animated ? at : 0;
        } else if (!covered && window.frozen) {
            window.frozen = false;
        }
        if (shown && window.alpha > 0) inFront.push_back(w);
    }
}

void SimWorld::settle()
{
    for (;;) {
        SimWindow* next = nullptr;
        for (auto& [id, w] : windows_)
            if (w.pendingFrame && w.pendingDue <= dispatch::now() && (!next || w.pendingDue < next->pendingDue))
                next = &w;
        if (!next) return;
        next->frame = *next->pendingFrame;
        next->pendingFrame.reset();
        refreshCoverage(next->pendingDue);
    }
}

bool SimWorld::isOnScreen(desktop::WindowID id)
{
    std::lock_guard lock(mutex_);
    settle();
    const SimWindow* w = find(id);
    return w && onScreenLocked(*w);
}

bool SimWorld::isCovered(desktop::WindowID id)
{
    std::lock_guard lock(mutex_);
    settle();
    const SimWindow* w = find(id);
    return w && w->frozen;
}

bool SimWorld::isOnVirtualDisplay(desktop::WindowID id)
{
    std::lock_guard lock(mutex_);
    settle();
    const SimWindow* w = find(id);
    return w && onVirtualDisplayLocked(*w);
}

double SimWorld::contentTime(desktop::WindowID id)
{
    std::lock_guard lock(mutex_);
    settle();
    const SimWindow* w = find(id);
    if (!w || w->content == Content::still) return 0;
    return w->frozen ? w->frozenContentTime : dispatch::now();
}

std::optional<SimWindow> SimWorld::windowAt(core::Point point)
{
    std::lock_guard lock(mutex_);
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
    std::lock_guard lock(mutex_);
    return screenRecording_;
}

void SimWorld::setScreenRecordingAllowed(bool allowed)
{
    std::lock_guard lock(mutex_);
    screenRecording_ = allowed;
}

bool SimWorld::accessibilityTrusted()
{
    std::lock_guard lock(mutex_);
    return accessibility_;
}

void SimWorld::setAccessibilityTrusted(bool trusted)
{
    std::lock_guard lock(mutex_);
    accessibility_ = trusted;
}

desktop::ActivationPolicy SimWorld::activationPolicy()
{
    std::lock_guard lock(mutex_);
    return policy_;
}

void SimWorld::setActivationPolicy(desktop::ActivationPolicy policy)
{
    std::lock_guard lock(mutex_);
    policy_ = policy;
}

// --- notices and journal ---

void SimWorld::onDisplaysChanged(std::function<void()> listener)
{
    std::lock_guard lock(mutex_);
    displayListeners_.push_back(std::move(listener));
}

void SimWorld::onActivated(std::function<void(desktop::Pid)> listener)
{
    std::lock_guard lock(mutex_);
    activationListeners_.push_back(std::move(listener));
}

void SimWorld::setJournal(Journal journal)
{
    std::lock_guard lock(mutex_);
    journal_ = std::move(journal);
}

void SimWorld::record(nlohmann::json event)
{
    Journal journal;
    {
        std::lock_guard lock(mutex_);
        journal = journal_;
    }
    if (!journal) return;
    nlohmann::json line = nlohmann::json::object();
    line["t"] = dispatch::now();
    for (auto& [key, value] : event.items()) line[key] = value;
    journal(line);
}

}  // namespace sim
