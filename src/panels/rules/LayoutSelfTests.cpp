#include "panels/rules/LayoutSelfTests.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/rules/PanelLayoutLog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace panels {

namespace {

const char* cornerName(WindowCorner corner)
{
    switch (corner) {
    case WindowCorner::topRight: return "右上";
    case WindowCorner::bottomRight: return "右下";
    case WindowCorner::topLeft: return "左上";
    case WindowCorner::bottomLeft: return "左下";
    }
    return "右上";
}

// The size rule the current one replaced: the screen's own shape at 22.6 % of its diagonal.
core::Size formerScreenShapedSize(const core::Rect& visibleFrame, double screenAspect)
{
    const double d = 0.226 * std::hypot(visibleFrame.width(), visibleFrame.height());
    if (d > 1 && screenAspect > 0.01) {
        const double norm = std::sqrt(screenAspect * screenAspect + 1);
        return {screenAspect * d / norm, d / norm};
    }
    const double side = std::max(d, 2.0);
    return {side, side};
}

}  // namespace

void layoutSelfTest()
{
    const std::vector<core::Size> sizes{{320, 201}, {400, 250}, {320, 201}, {500, 320}, {320, 201}};
    const core::Rect visibleFrame(0, 0, 1512, 950);
    for (int raw = 0; raw <= 3; ++raw) {
        const auto corner = static_cast<WindowCorner>(raw);
        Diag::log("布局自检 " + L10n::t(cornerName(corner)) + "：");
        const std::vector<core::Rect> frames = layoutFrames(sizes, visibleFrame, corner);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const core::Rect& f = frames[i];
            Diag::log("   #" + std::to_string(i + 1) + " x=" + roundedText(f.minX()) + " y=" + roundedText(f.minY()) +
                      " " + roundedText(f.width()) + "x" + roundedText(f.height()) + " 右=" + roundedText(f.maxX()) +
                      " 上=" + roundedText(f.maxY()));
        }
    }
}

void sizeSelfTest()
{
    constexpr double multiplier = 1.2;
    const core::Rect visibleFrame(0, 0, 3440, 1410);
    Diag::log("尺寸自检（屏 " + roundedText(visibleFrame.width()) + "x" + roundedText(visibleFrame.height()) +
              "，倍数 1.2）：");
    char line[256];
    for (double aspect : {0.5, 0.797, 1.0, 1.6, 2.0, 2.44, 3.5}) {
        const core::Size size = pipSize(visibleFrame, multiplier, aspect);
        std::snprintf(line, sizeof line, "   宽高比 %.3f → %.0fx%.0f  面积 %.0f", aspect, size.width, size.height,
                      size.width * size.height);
        Diag::log(line);
    }
    const double screenAspect = visibleFrame.width() / visibleFrame.height();
    const core::Size current = pipSize(visibleFrame, multiplier, screenAspect);
    const core::Size former = formerScreenShapedSize(visibleFrame, screenAspect);
    std::snprintf(line, sizeof line, "   与旧算法对照（铺满屏幕 %.3f）：新 %.0fx%.0f vs 旧 %.0fx%.0f", screenAspect,
                  current.width, current.height, former.width, former.height);
    Diag::log(line);
}

}  // namespace panels
