#include "settings/guide/GuideScenes.h"

#include "platform/ui/SystemColors.h"
#include "settings/guide/SceneCommon.h"

namespace guide {

namespace {

constexpr double growth = 1.45;

// Three short bars on a diagonal in the frame's bottom-right corner.
ui::Layer& gripMarks(ui::Layer& canvas, const core::Rect& frame)
{
    ui::Layer& grip = canvas.addSublayer();
    grip.setFrame(frame);
    const QColor colour = ui::systemColor("secondaryLabel");
    for (const core::Point at : {core::Point{frame.width() - 9, 3.5}, core::Point{frame.width() - 14, 8.5},
                                 core::Point{frame.width() - 19, 13.5}}) {
        ui::Layer& bar = grip.addSublayer();
        bar.setFrame({at.x, at.y, 8, 3});
        bar.cornerRadius = 1.5;
        bar.backgroundColor = colour;
    }
    return grip;
}

// The diagonal two-headed arrow the pointer turns into while it drags the corner.
ui::Layer& resizeArrow(ui::Layer& canvas)
{
    ui::Layer& arrow = canvas.addSublayer();
    arrow.setFrame({0, 0, 26, 26});
    ui::Layer& shape = arrow.addSublayer(ui::Layer::Kind::shape);
    shape.setFrame({0, 0, 26, 26});
    shape.path = ui::LayerPath::segment({5, 5}, {21, 21});
    shape.path.add(ui::LayerPath::polyline({{5, 12}, {5, 5}, {12, 5}}));
    shape.path.add(ui::LayerPath::polyline({{14, 21}, {21, 21}, {21, 14}}));
    shape.strokeColor = Qt::white;
    shape.lineWidth = 2.6;
    shape.shadowOpacity = 0.5;
    shape.shadowRadius = 1.8;
    return arrow;
}

}  // namespace

// Dragging the mini window's corner sizes it for now; its third top-bar icon makes the size
// the default.
void demoResizeAndDefault(ui::Layer& canvas)
{
    constexpr double loop = resizeLoop;
    const Screen screen = makeScreen(canvas);
    const core::Rect& pipRect = screen.pip2Rect;
    const core::Point anchor{pipRect.maxX(), pipRect.minY()};

    const PipWindow pip = pipWindow(canvas, pipRect, std::nullopt, pelicanContent(loop));
    ui::Layer& pip2 = *pip.panel;
    pip2.name = "pip2";
    // Grows about its bottom-right corner, so the dragged corner leads.
    pip2.anchorPoint = {1, 0};
    pip2.position = anchor;
    scaleLoop(pip2, {1, 1, growth, growth}, {0, 0.16, 0.44, 1}, loop);

    ui::Layer& grip = gripMarks(canvas, pipRect);
    grip.name = "grip";
    opacityLoop(grip, {0, 1, 1, 0, 0}, {0, 0.08, 0.18, 0.30, 1}, loop, 0);

    const core::Rect icon = topBarIconRect(pip, 2, pipRect);
    const core::Point iconAfterGrowth{anchor.x + (icon.midX() - anchor.x) * growth,
                                      anchor.y + (icon.midY() - anchor.y) * growth};
    const double side = growth * icon.width();
    const core::Rect gestureSquare{iconAfterGrowth.x - side / 2, iconAfterGrowth.y - side / 2, side, side};
    circleGesture(canvas, gestureSquare, 2.6, loop, 0.62, 0.74).name = "circle";

    fadingCaption(canvas, "已设为默认大小", "defaultLabel", {0, 0.78, 0.84, 1, 1}, loop,
                  {pipRect.minX() + 60, pipRect.minY() - 26});

    const core::Point home{220, 170};
    const core::Point corner{pipRect.minX(), pipRect.minY()};
    const core::Point grownCorner{anchor.x - growth * pipRect.width(), pipRect.minY()};
    const std::vector<core::Point> path{home,        corner,          corner,          grownCorner,
                                        grownCorner, iconAfterGrowth, iconAfterGrowth, home};
    const std::vector<double> pathTimes{0, 0.10, 0.16, 0.44, 0.58, 0.68, 0.78, 1};
    const std::vector<double> crossFade{0, 0.13, 0.17, 0.42, 0.46, 1};
    ui::Layer& pointer = cursor(canvas);
    pointer.name = "pointer";
    moveLoop(pointer, path, pathTimes, loop);
    opacityLoop(pointer, {1, 1, 0, 0, 1, 1}, crossFade, loop, 1);

    ui::Layer& arrow = resizeArrow(canvas);
    arrow.name = "resizeArrow";
    moveLoop(arrow, path, pathTimes, loop);
    opacityLoop(arrow, {0, 0, 1, 1, 0, 0}, crossFade, loop, 0);

    clickPulses(pointer, {0.78}, loop, 0.025);

    fadingCaption(canvas, "拖拽小窗四周，临时改变小窗大小", "caption1", {0, 0.06, 0.13, 0.52, 0.60}, loop);
    fadingCaption(canvas, "点击小窗左上角第三个图标，调整之后小窗的默认大小", "caption2", {0, 0.56, 0.64, 0.74, 0.80},
                  loop);
}

}  // namespace guide
