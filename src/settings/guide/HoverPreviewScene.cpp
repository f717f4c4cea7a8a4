#include "settings/guide/GuideScenes.h"

#include "settings/guide/SceneCommon.h"

namespace guide {

// Hovering a mini window grows a preview out of it; leaving shrinks it back.
void demoHoverPreview(ui::Layer& canvas)
{
    constexpr double loop = hoverPreviewLoop;
    const Screen screen = makeScreen(canvas);
    const core::Rect& pipRect = screen.pip2Rect;
    const core::Rect& previewRect = screen.previewRect;
    // The preview at exactly the mini window's size.
    const double k = pipRect.width() / previewRect.width();

    pipWindow(canvas, screen.pip1Rect).panel->name = "pip1";
    pipWindow(canvas, pipRect, std::nullopt, pelicanContent(loop)).panel->name = "pip2";

    ui::Layer& preview = previewPanel(canvas, previewRect, pelicanAtOrigin(loop));
    preview.name = "preview";
    const core::Point atPip = center(pipRect);
    const core::Point atMiddle = center(previewRect);
    const std::vector<double> growTimes{0, 0.24, 0.36, 0.62, 0.74, 1};
    moveLoop(preview, {atPip, atPip, atMiddle, atMiddle, atPip, atPip}, growTimes, loop);
    scaleLoop(preview, {k, k, 1, 1, k, k}, growTimes, loop);
    opacityLoop(preview, {0, 0, 1, 1, 0, 0}, {0, 0.24, 0.33, 0.62, 0.72, 1}, loop, 0);

    ui::Layer& hoverRing = highlightRing(canvas, pipRect, 4, 10);
    hoverRing.name = "hoverRing";
    opacityLoop(hoverRing, {0, 0, 1, 1, 0, 0}, {0, 0.18, 0.24, 0.60, 0.68, 1}, loop, 0);

    const core::Point home{220, 170};
    const core::Point emptySpot{screen.visRect.minX() + 29.4, screen.visRect.minY() + 25.2};
    ui::Layer& pointer = cursor(canvas);
    pointer.name = "pointer";
    moveLoop(pointer, {home, atPip, atPip, emptySpot, home}, {0, 0.20, 0.62, 0.80, 1}, loop);

    fadingCaption(canvas, "悬停 PIP → 弹出快速预览", "caption1", {0, 0.06, 0.14, 0.56, 0.64}, loop);
    fadingCaption(canvas, "移到空白处 → 预览消失", "caption2", {0, 0.70, 0.78, 0.95, 1}, loop);
}

}  // namespace guide
