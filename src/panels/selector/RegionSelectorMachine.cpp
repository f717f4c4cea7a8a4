#include "panels/selector/RegionSelectorMachine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace selector {

namespace {

std::string printed(const char* format, double a, double b, double c, double d)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, a, b, c, d);
    return buffer;
}

const char* boolText(bool value) { return value ? "true" : "false"; }

}  // namespace

void RegionSelectorMachine::start(std::optional<ActiveWindow> restrictTo, bool armedByMouse, bool rightDownNow)
{
    reset();
    activeWindow_ = restrictTo;
    needReleaseFirst_ = !armedByMouse;
    lastRight_ = rightDownNow;
}

void RegionSelectorMachine::reset()
{
    dragging_ = false;
    activeWindow_.reset();
    selection_ = {};
    needReleaseFirst_ = false;
    errorText_.reset();
    errorUntil_ = 0;
}

void RegionSelectorMachine::flashHint(const std::string& text, double now)
{
    errorText_ = text;
    errorUntil_ = now + errorHintSeconds;
}

RegionSelectorMachine::TickResult RegionSelectorMachine::tick(const Input& input, const WindowLookup& windowUnder)
{
    if (errorText_ && input.now >= errorUntil_) errorText_.reset();

    // Only a new press of the right button cancels: one held since the start does not.
    if (input.rightDown && !lastRight_) {
        lastRight_ = true;
        TickResult result;
        result.outcome = Outcome::cancelled;
        result.logLines.push_back("框选: 取消（右键）");
        return result;
    }
    lastRight_ = input.rightDown;

    if (needReleaseFirst_) {
        if (!input.leftDown) needReleaseFirst_ = false;
        return {};
    }

    const core::Point p = input.pointer;
    if (dragging_) {
        core::Rect spanned(std::min(startPoint_.x, p.x), std::min(startPoint_.y, p.y), std::abs(p.x - startPoint_.x),
                           std::abs(p.y - startPoint_.y));
        if (activeWindow_) spanned = spanned.intersection(activeWindow_->appkitFrame);
        selection_ = spanned.isNull() ? core::Rect{} : spanned;
        if (input.leftDown) return {};
        return release(input.now);
    }

    if (!input.leftDown) return {};

    TickResult result;
    if (!activeWindow_) {
        const auto hit = windowUnder ? windowUnder(p) : std::nullopt;
        if (!hit) {
            flashHint("未找到可框选的窗口", input.now);
            needReleaseFirst_ = true;
            return result;
        }
        activeWindow_ = ActiveWindow{hit->windowID, hit->appkitFrame};
        result.logLines.push_back("框选: 起手选定窗口 id=" + std::to_string(hit->windowID) + " owner=" + hit->owner +
                                  " frame=" + core::rectText(hit->appkitFrame));
    }
    dragging_ = true;
    startPoint_ = p;
    selection_ = {};
    return result;
}

RegionSelectorMachine::TickResult RegionSelectorMachine::release(double now)
{
    if (selection_.isNull() || selection_.width() < minSelectionSide || selection_.height() < minSelectionSide) {
        TickResult result;
        result.logLines.push_back("框选: 忽略误触 " + fmt(selection_));
        failAttempt();
        return result;
    }
    // A drag always has its window: a restricted one, or the one chosen at the press.
    const core::Rect window = activeWindow_->appkitFrame;
    const auto region = panels::FocusRegion::from(selection_, window);
    if (!region) {
        const core::Rect overlap = selection_.intersection(window);
        const bool apart = overlap.isNull() || overlap.width() <= 1 || overlap.height() <= 1;
        flashHint(apart ? "框选区域与源窗口无交集" : "选区太小，框大一点再试", now);
        failAttempt();
        return {};
    }
    TickResult result{Outcome::finished, {}, activeWindow_->id, *region};
    result.logLines.push_back("框选: 完成 窗口=" + std::to_string(activeWindow_->id) + " 屏幕选区=" + fmt(selection_) +
                              " 窗口=" + fmt(window) + " → 归一化 " +
                              printed("x=%.4f y=%.4f w=%.4f h=%.4f", region->x, region->y, region->w, region->h));
    return result;
}

// The selector stays open for another try; the chosen window stays chosen.
void RegionSelectorMachine::failAttempt()
{
    selection_ = {};
    needReleaseFirst_ = true;
    dragging_ = false;
}

std::optional<std::size_t> RegionSelectorMachine::hintScreen(const std::vector<core::Rect>& screenFrames,
                                                             core::Point pointer) const
{
    if (screenFrames.empty()) return std::nullopt;
    const core::Point target =
        activeWindow_ ? core::Point{activeWindow_->appkitFrame.midX(), activeWindow_->appkitFrame.midY()} : pointer;
    for (std::size_t i = 0; i < screenFrames.size(); ++i)
        if (screenFrames[i].contains(target)) return i;
    return 0;
}

std::string RegionSelectorMachine::fmt(const core::Rect& rect)
{
    return printed("(%.0f, %.0f, %.0f×%.0f)", rect.minX(), rect.minY(), rect.width(), rect.height());
}

std::string RegionSelectorMachine::startLogLine(bool leftDown, std::size_t screenCount, double firstScreenHeight) const
{
    return std::string("框选: 开始 受限窗口=") + (activeWindow_ ? std::to_string(activeWindow_->id) : "无") +
           " 需先松开=" + boolText(needReleaseFirst_) + " 左键=" + boolText(leftDown) + " 右键=" + boolText(lastRight_) +
           " 屏=" + std::to_string(screenCount) + " 主屏高=" + std::to_string(static_cast<long>(firstScreenHeight));
}

}  // namespace selector
