#include "panels/pin/TakeoverGeometry.h"

#include "capture/NumberText.h"
#include <algorithm>
#include <cmath>

namespace pin {

namespace {

// The fit and the minimum forgive half a point of rounding in the frames read back.
constexpr double fitTolerance = 0.5;

}  // namespace

double flipHeight(const std::vector<ui::Screen>& screens, const std::optional<ui::Screen>& mainScreen)
{
    if (!screens.empty()) return screens.front().frame.height();
    if (mainScreen) return mainScreen->frame.height();
    return 900;
}

core::Rect globalBox(const core::Rect& screenBox, double flipHeight)
{
    return {screenBox.x(), flipHeight - screenBox.maxY(), screenBox.width(), screenBox.height()};
}

core::Rect centredInBox(core::Size size, const core::Rect& box)
{
    return {box.midX() - size.width / 2, box.midY() - size.height / 2, size.width, size.height};
}

core::Rect fittedFrame(const core::Rect& windowFrame, const core::Rect& box)
{
    const double w = windowFrame.width();
    const double h = windowFrame.height();
    // A window without an area has no aspect to keep: it takes the box rather than an
    // infinite scale.
    const bool fits = w > 0 && h > 0 && w <= box.width() + fitTolerance && h <= box.height() + fitTolerance;
    if (!fits) return box;
    const double s = std::min(box.width() / w, box.height() / h);
    return centredInBox({w * s, h * s}, box);
}

std::optional<core::Size> effectiveMinimum(const std::optional<core::Size>& reported,
                                           const std::optional<std::string>& bundleID,
                                           const std::map<std::string, core::Size>& learned)
{
    if (reported) return reported;
    if (!bundleID || bundleID->empty()) return std::nullopt;
    const auto entry = learned.find(*bundleID);
    if (entry == learned.end()) return std::nullopt;
    return entry->second;
}

std::optional<MinimumClamp> clampToMinimum(const core::Rect& fitted, const core::Rect& box,
                                           const std::optional<core::Size>& minimum)
{
    if (!minimum) return std::nullopt;
    if (fitted.width() >= minimum->width - fitTolerance && fitted.height() >= minimum->height - fitTolerance) {
        return std::nullopt;
    }
    const double w = std::max(fitted.width(), minimum->width);
    const double h = std::max(fitted.height(), minimum->height);
    return MinimumClamp{centredInBox({w, h}, box),
                        "接管预览: 应用最小尺寸 " + core::sizeText(*minimum) + " 钳制目标 " +
                            capture::wholeText(fitted.width()) + "x" + capture::wholeText(fitted.height()) + " → " +
                            capture::wholeText(w) + "x" + capture::wholeText(h) + "，按钳后尺寸重新居中"};
}

SavedFrameChoice savedFrameChoice(const std::optional<core::Rect>& parkedPlace, const core::Rect& currentFrame)
{
    if (!parkedPlace || *parkedPlace == currentFrame) return {currentFrame, {}};
    return {*parkedPlace, "接管预览: 源窗口曾被停放到虚拟屏 ⇒ 还原目标改用真正的原位 " + core::rectText(*parkedPlace) +
                              "（而不是它当前所在的 " + core::rectText(currentFrame) + "）"};
}

std::string takeoverMovedLogLine(const core::Rect& takeoverFrame, const core::Rect& currentFrame,
                                 const core::Rect& savedFrame, const core::Rect& box, desktop::WindowID windowID)
{
    return "接管预览: 源窗口移至 " + core::rectText(takeoverFrame) + " 当前 frame=" + core::rectText(currentFrame) +
           " 还原目标=" + core::rectText(savedFrame) + " 预览框=" + core::rectText(box) +
           " 样式=1 positionOnly=false keepPanel=false id=" + std::to_string(windowID);
}

}  // namespace pin
