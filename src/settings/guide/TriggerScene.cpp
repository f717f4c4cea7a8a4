#include "settings/guide/GuideScenes.h"

#include "settings/guide/PelicanScene.h"
#include "settings/guide/SceneCommon.h"

namespace guide {

// The pointer hovers a window's corner, the trigger block shows and a click makes a mini
// window; then a second application comes from the Dock and gets the same.
void demoTrigger(ui::Layer& canvas)
{
    constexpr double loop = triggerLoop;
    const Screen screen = makeScreen(canvas);
    const core::Rect& win = screen.winRect;
    const core::Rect windowContent{0, 0, win.width(), win.height() - 12.6};

    ui::Layer& windowA = appWindow(canvas, win);
    windowA.name = "windowA";
    content(windowA, windowContent);
    opacityLoop(windowA, {0, 1, 1, 0, 0}, {0, 0.05, 0.48, 0.54, 1}, loop, 0);

    ui::Layer& windowB = appWindow(canvas, win);
    windowB.name = "windowB";
    pelicanScene(windowB, windowContent, loop);
    opacityLoop(windowB, {0, 0, 1, 1, 1}, {0, 0.57, 0.63, 0.95, 1}, loop, 0);
    scaleLoop(windowB, {0.9, 0.9, 1, 1}, {0, 0.57, 0.65, 1}, loop);

    ui::Layer& block1 = triggerBlock(canvas, screen.blockRect);
    block1.name = "block1";
    opacityLoop(block1, {0, 0, 1, 1, 0, 0}, {0, 0.15, 0.19, 0.23, 0.27, 1}, loop, 0);

    ui::Layer& block2 = triggerBlock(canvas, screen.blockRect);
    block2.name = "block2";
    opacityLoop(block2, {0, 0, 1, 1, 0, 0}, {0, 0.72, 0.76, 0.80, 0.84, 1}, loop, 0);

    ui::Layer& pip1 = *pipWindow(canvas, screen.pip1Rect).panel;
    pip1.name = "pip1";
    scaleLoop(pip1, {0.3, 0.3, 1, 1, 1}, {0, 0.30, 0.38, 0.96, 1}, loop);
    opacityLoop(pip1, {0, 0, 1, 1, 0}, {0, 0.30, 0.38, 0.94, 1}, loop, 0);

    ui::Layer& pip2 = *pipWindow(canvas, screen.pip2Rect, std::nullopt, pelicanContent(loop)).panel;
    pip2.name = "pip2";
    scaleLoop(pip2, {0.3, 0.3, 1, 1, 1}, {0, 0.82, 0.90, 0.97, 1}, loop);
    opacityLoop(pip2, {0, 0, 1, 1, 0}, {0, 0.82, 0.90, 0.97, 1}, loop, 0);

    const core::Point home{170, 115};
    const core::Point block = center(screen.blockRect);
    const core::Point dock = center(screen.dockIconRect);
    ui::Layer& pointer = cursor(canvas);
    pointer.name = "pointer";
    // Two points at 0.94: the pointer jumps home instead of gliding across the desktop.
    moveLoop(pointer, {home, block, block, dock, dock, block, block, home, home},
             {0, 0.14, 0.47, 0.56, 0.63, 0.70, 0.94, 0.94, 1}, loop);
    clickPulses(pointer, {0.21, 0.56, 0.78}, loop, 0.03);

    ui::Layer& dockIcon = *screen.dockIcon;
    dockIcon.name = "dockIcon";
    scaleLoop(dockIcon, {1, 1, 1.35, 1, 1}, {0, 0.56, 0.605, 0.67, 1}, loop);

    ui::Layer& dockRing = highlightRing(canvas, screen.dockIconRect, 5, 8);
    dockRing.name = "dockRing";
    opacityLoop(dockRing, {0, 0, 1, 1, 0}, {0, 0.55, 0.58, 0.64, 0.70}, loop, 0);

    fadingCaption(canvas, "⌘⌥P 可快捷操作", "caption1", {0, 0.06, 0.14, 0.42, 0.50}, loop);
    fadingCaption(canvas, "支持多个小窗", "caption2", {0, 0.78, 0.86, 0.98, 1}, loop);
}

}  // namespace guide
