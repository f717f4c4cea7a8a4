#include "platform/sim/SimWorld.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorldLock.h"

#include <algorithm>

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
    display.visibleFrame =
        core::Rect(display.visibleFrame.x() + dx, display.visibleFrame.y() + dy,
                   std::max(0.0, display.visibleFrame.width() + dw), std::max(0.0, display.visibleFrame.height() + dh));
    display.mode.width = frame.width();
    display.mode.height = frame.height();
    display.mode.pixelWidth = static_cast<int>(frame.width() * display.scale);
    display.mode.pixelHeight = static_cast<int>(frame.height() * display.scale);
}

}  // namespace

void SimWorld::applyMode(const PendingMode& due)
{
    desktop::DisplayInfo* display = findDisplay(due.id);
    if (!display) return;
    awaitingMode_.erase(due.id);
    display->scale = due.scale;
    placeDisplay(*display, core::Rect(display->frame.x(), display->frame.y(), due.mode.width, due.mode.height));
    display->mode.refreshRate = due.mode.refreshRate;
    refreshCoverage(due.due);
    events_.push_back({Event::Kind::displays});
}

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

}  // namespace sim
