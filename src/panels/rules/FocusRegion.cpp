#include "panels/rules/FocusRegion.h"

#include "foundation/Diag.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace panels {

namespace {

constexpr double wholeWindowTolerance = 0.002;
constexpr double minimumFraction = 0.04;

template <class... Args>
std::string printed(const char* format, Args... args)
{
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

// The share of the window a region covers, 0 ... 1.
double coveredShare(const FocusRegion& r)
{
    const double share = r.w * r.h;
    return share <= 0 ? 0 : std::min(share, 1.0);
}

std::string threeDecimalRectText(const core::Rect& r)
{
    return printed("(%.3f, %.3f, %.3f, %.3f)", r.minX(), r.minY(), r.width(), r.height());
}

std::string regionText(const FocusRegion& r)
{
    return printed("x=%.3f y=%.3f w=%.3f h=%.3f 占比=%.0f%%", r.x, r.y, r.w, r.h, coveredShare(r) * 100);
}

std::string regionText(const std::optional<FocusRegion>& r) { return r ? regionText(*r) : "nil"; }

bool near(const std::optional<FocusRegion>& r, const FocusRegion& expected)
{
    constexpr double t = 0.001;
    return r && std::abs(r->x - expected.x) <= t && std::abs(r->y - expected.y) <= t &&
           std::abs(r->w - expected.w) <= t && std::abs(r->h - expected.h) <= t;
}

}  // namespace

bool FocusRegion::isWholeWindow() const
{
    return std::abs(x) <= wholeWindowTolerance && std::abs(y) <= wholeWindowTolerance &&
           std::abs(w - 1) <= wholeWindowTolerance && std::abs(h - 1) <= wholeWindowTolerance;
}

std::optional<FocusRegion> FocusRegion::from(const core::Rect& screenRect, const core::Rect& sourceFrame)
{
    const core::Rect s = sourceFrame.standardized();
    if (!(s.width() > 1) || !(s.height() > 1)) return std::nullopt;
    if (screenRect.isNull()) return std::nullopt;
    const core::Rect i = screenRect.intersection(s);
    if (i.isNull() || !(i.width() > 1) || !(i.height() > 1)) return std::nullopt;
    const double w = i.width() / s.width();
    const double h = i.height() / s.height();
    if (w < minimumFraction || h < minimumFraction) return std::nullopt;
    // Screen y grows upwards: the region's top is measured down from the window's top.
    return FocusRegion{(i.minX() - s.minX()) / s.width(), (s.maxY() - i.maxY()) / s.height(), w, h};
}

core::Rect FocusRegion::composedInto(const core::Rect& base) const
{
    const core::Rect b = base.standardized();
    return {b.minX() + x * b.width(), b.minY() + y * b.height(), w * b.width(), h * b.height()};
}

void FocusRegion::selfTest()
{
    const core::Rect e(0.05, 0, 0.9, 1.0);
    const core::Rect s(100, 200, 800, 600);
    int passed = 0;
    int failed = 0;
    auto report = [&](bool pass, const char* name, const std::string& detail) {
        (pass ? passed : failed) += 1;
        Diag::log(std::string("聚焦自检: ") + (pass ? "PASS" : "**FAIL**") + " " + name + " —— " + detail);
    };

    Diag::log("聚焦自检（E=" + threeDecimalRectText(e) + " 源窗口=" + threeDecimalRectText(s) + "）：");

    const core::Rect unfocused = FocusRegion{}.composedInto(e);
    report(unfocused == e, "未聚焦 = E（零回归）", "→ " + threeDecimalRectText(unfocused));

    const auto bottom = from({100, 200, 400, 300}, s);
    report(near(bottom, {0, 0.5, 0.5, 0.5}), "窗口底部 1/4 → y=0.5", regionText(bottom));

    const auto top = from({500, 500, 400, 300}, s);
    report(near(top, {0.5, 0, 0.5, 0.5}), "窗口顶部 1/4 → y=0", regionText(top));

    const auto halfWidth = from({100, 200, 400, 600}, s);
    const bool halfWidthPasses = halfWidth && std::abs(halfWidth->w - 0.5) <= 0.001 &&
                                 std::abs(halfWidth->h - 1.0) <= 0.001 && !halfWidth->isWholeWindow();
    report(halfWidthPasses, "任意比例（半宽全高）", regionText(halfWidth));

    const auto clipped = from({700, 700, 400, 400}, s);
    report(near(clipped, {0.75, 0, 0.25, 1.0 / 6}), "越界裁成交集", regionText(clipped));

    const auto outside = from({2000, 2000, 200, 200}, s);
    report(!outside, "无交集 → 无效", "→ " + regionText(outside));

    const auto tiny = from({400, 400, 20, 20}, s);
    report(!tiny, "过小 → 无效", "→ " + regionText(tiny));

    const core::Rect composed = halfWidth.value_or(FocusRegion{}).composedInto(e);
    const double baseAspect = e.width() / e.height();
    const double expected = 0.5 * baseAspect;
    const double actual = composed.width() / composed.height();
    report(std::abs(expected - actual) <= 0.0001, "复合比例正确",
           printed("E=%.4f 期望=%.4f 实际=%.4f", baseAspect, expected, actual));

    Diag::log("聚焦自检: 结束 —— " + std::to_string(passed) + " 项通过 / " + std::to_string(failed) + " 项失败 —— " +
              (failed == 0 ? "全部通过 ✅" : "**有失败 ❌**"));
}

std::string focusLockLogLine(const FocusRegion& focus, core::Size panelSize, core::Size sourceSize)
{
    const std::string description =
        focus.isWholeWindow() ? std::string("关闭（整窗）")
                              : printed("x=%.3f y=%.3f w=%.3f h=%.3f（占窗口 %.0f%%）小窗=%.0f×%.0f 源=%.0f×%.0f",
                                        focus.x, focus.y, focus.w, focus.h, coveredShare(focus) * 100, panelSize.width,
                                        panelSize.height, sourceSize.width, sourceSize.height);
    return "聚焦: 建窗锁定 " + description;
}

}  // namespace panels
