#include "settings/guide/PanelDesktop.h"

#include "platform/ui/SystemColors.h"
#include "settings/guide/SceneToolkit.h"

#include <cstddef>

namespace guide {

namespace {

ui::Layer& addStroke(ui::Layer& parent, ui::LayerPath path, const QColor& color, double width)
{
    ui::Layer& shape = parent.addSublayer(ui::Layer::Kind::shape);
    shape.setFrame({0, 0, parent.size.width, parent.size.height});
    shape.path = std::move(path);
    shape.strokeColor = color;
    shape.lineWidth = width;
    shape.roundCaps = true;
    return shape;
}

// Buttons whose application has a window open carry a mark under their icon; the third
// is the application the step-one pointer brings forward.
bool isRunning(std::size_t button) { return button == 0 || button == 2 || button == 5; }

}  // namespace

void addTopPanel(ui::Layer& screen, const core::Rect& frame)
{
    ui::Layer& panel = addBox(screen, frame, black(0.55), 0);
    const double h = frame.height();
    const double middle = h / 2;

    // Launcher, then two workspaces, the first one current.
    addBox(panel, {5.04, middle - 2.94, 5.88, 5.88}, white(0.8), 2.94);
    addBox(panel, {16.8, middle - 1.89, 8.4, 3.78}, white(0.7), 1.26);
    addBox(panel, {27.72, middle - 1.89, 8.4, 3.78}, white(0.25), 1.26);

    // The tray's icons, then the clock at the right end.
    const double clockWidth = 15.12;
    const double clockX = frame.width() - 6.72 - clockWidth;
    addBox(panel, {clockX, middle - 1.68, clockWidth, 3.36}, white(0.6), 0.84);
    constexpr double traySide = 5.04;
    constexpr double trayPitch = 8.4;
    for (int i = 0; i < 3; ++i)
        addBox(panel, {clockX - 7.56 - traySide - trayPitch * i, middle - traySide / 2, traySide, traySide}, white(0.6),
               1.26);
}

std::vector<ui::Layer*> addTaskBar(ui::Layer& screen, const core::Rect& frame, const std::vector<core::Rect>& buttons,
                                   const std::vector<QColor>& iconColors)
{
    ui::Layer& bar = addBox(screen, frame, black(0.45), 0);
    addBox(bar, {0, frame.height() - 0.84, frame.width(), 0.84}, white(0.12), 0);

    std::vector<ui::Layer*> shown;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const core::Rect& place = buttons[i];
        ui::Layer& button = addBox(bar, place, white(isRunning(i) ? 0.14 : 0.06), 2.52);
        const double inset = 3.78;
        addBox(button, {inset, inset + 0.84, place.width() - 2 * inset, place.height() - 2 * inset}, iconColors.at(i),
               2.52);
        if (isRunning(i)) addBox(button, {place.width() / 2 - 3.78, 0.84, 7.56, 1.68}, white(0.85), 0.84);
        shown.push_back(&button);
    }
    return shown;
}

void addWindowGlyphs(ui::Layer& window, core::Point closeCenter, double side)
{
    const double half = side / 2;
    const double lineWidth = side * 0.22;
    const core::Point c = closeCenter;
    addStroke(window,
              ui::LayerPath::segment({c.x - half, c.y - half}, {c.x + half, c.y + half})
                  .add(ui::LayerPath::segment({c.x - half, c.y + half}, {c.x + half, c.y - half})),
              ui::systemColor("label"), lineWidth);

    const double pitch = 2 * side;
    const QColor quieter = ui::systemColor("secondaryLabel");
    const double minimiseX = c.x + pitch;
    addStroke(window, ui::LayerPath::segment({minimiseX - half, c.y - half}, {minimiseX + half, c.y - half}), quieter,
              lineWidth);
    const double maximiseX = c.x + 2 * pitch;
    addStroke(window,
              ui::LayerPath::polyline({{maximiseX - half, c.y - half},
                                       {maximiseX + half, c.y - half},
                                       {maximiseX + half, c.y + half},
                                       {maximiseX - half, c.y + half}},
                                      true),
              quieter, lineWidth);
}

}  // namespace guide
