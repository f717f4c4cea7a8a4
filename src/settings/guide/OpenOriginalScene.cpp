#include "settings/guide/GuideScenes.h"

#include "settings/guide/PelicanScene.h"
#include "settings/guide/SceneCommon.h"

#include <utility>

namespace guide {

namespace {

// A scale loop that swells the pointer to 1.45 at each press.
std::pair<std::vector<double>, std::vector<double>> pressMarks(const std::vector<double>& presses)
{
    std::vector<double> values{1};
    std::vector<double> times{0};
    for (double press : presses) {
        values.insert(values.end(), {1, 1.45, 1});
        times.insert(times.end(), {press - 0.012, press, press + 0.022});
    }
    values.push_back(1);
    times.push_back(1);
    return {values, times};
}

}  // namespace

// A double-click on the mini window opens the application and keeps the mini window; its
// second top-bar icon opens the application and lets the mini window go.
void demoOpenOriginal(ui::Layer& canvas)
{
    constexpr double loop = openOriginalLoop;
    const Screen screen = makeScreen(canvas);
    const core::Rect& win = screen.winRect;
    const core::Rect& pipRect = screen.pip2Rect;
    const core::Rect& vis = screen.visRect;
    const double k = pipRect.width() / win.width();
    const double stretched = vis.width() / win.width();
    const core::Point opened = center({vis.minX(), screen.screenBottom, vis.width(), vis.maxY() - screen.screenBottom});
    // The red title-bar dot of the opened window.
    const core::Point closeButton{opened.x + (7.77 - win.width() / 2) * stretched,
                                  opened.y + (win.height() - 11.76 + 6.09 - win.height() / 2) * stretched};

    ui::Layer& window = appWindow(canvas, win);
    window.name = "appWindow";
    pelicanScene(window, {0, 0, win.width(), win.height() - 12.6}, loop);
    const core::Point atPip = center(pipRect);
    const std::vector<double> zoomTimes{0, 0.18, 0.24, 0.39, 0.41, 0.72, 0.80, 1};
    moveLoop(window, {atPip, atPip, opened, opened, atPip, atPip, opened, opened}, zoomTimes, loop);
    scaleLoop(window, {k, k, stretched, stretched, k, k, stretched, stretched}, zoomTimes, loop);
    opacityLoop(window, {0, 0, 1, 1, 0, 0, 1, 1}, {0, 0.18, 0.22, 0.39, 0.45, 0.72, 0.78, 1}, loop, 0);

    const PipWindow pip = pipWindow(canvas, pipRect, std::nullopt, pelicanContent(loop));
    pip.panel->name = "pip2";
    opacityLoop(*pip.panel, {1, 1, 1, 0, 0}, {0, 0.72, 0.76, 0.81, 1}, loop, 1);
    const core::Rect openIcon = topBarIconRect(pip, 1, pipRect);

    circleGesture(canvas, openIcon, 2.6, loop, 0.6, 0.72).name = "circle";

    const core::Point home{220, 170};
    const core::Point icon = center(openIcon);
    ui::Layer& pointer = cursor(canvas);
    pointer.name = "pointer";
    moveLoop(pointer, {home, atPip, atPip, atPip, atPip, closeButton, closeButton, closeButton, icon, icon, icon, home},
             {0, 0.07, 0.11, 0.15, 0.24, 0.34, 0.37, 0.45, 0.55, 0.68, 0.88, 0.96}, loop);
    auto [pressValues, pressTimes] = pressMarks({0.11, 0.145, 0.37, 0.68});
    scaleLoop(pointer, std::move(pressValues), std::move(pressTimes), loop);

    fadingCaption(canvas, "双击小窗 → 打开原应用，小窗保留", "caption1", {0, 0.04, 0.09, 0.40, 0.48}, loop);
    fadingCaption(canvas, "点击小窗左上角第二个图标", "caption2", {0, 0.56, 0.62, 0.70, 0.76}, loop);
    fadingCaption(canvas, "打开原应用，小窗消失", "caption3", {0, 0.70, 0.78, 0.99, 1}, loop);
}

}  // namespace guide
