#include "settings/guide/SceneToolkit.h"

#include "foundation/Diag.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/SystemColors.h"
#include "settings/guide/PanelDesktop.h"

#include <algorithm>

namespace guide {

namespace {

const core::Rect screenArea{52.48, 58, 635.04, 412.44};
const core::Rect dockFrame{260.8, 62.2, 218.4, 30.24};
const core::Size pipSize{129.024, 80.976};
constexpr double menuBarHeight = 10.08;
constexpr int dockIconCount = 7;
constexpr int dockIconIndex = 2;

core::Rect dockIconFrame(int i) { return {8.4 + 27.72 * i, 3.78, 22.68, 22.68}; }

// Icons 2 and 4 trade hues so that the one the pointer visits stands out from its neighbours.
double dockIconHue(int i)
{
    if (i == 2) return 0.571;
    if (i == 4) return 0.286;
    return i / 7.0;
}

void addMenuBar(ui::Layer& container)
{
    addBox(container, {screenArea.x(), screenArea.maxY() - menuBarHeight, screenArea.width(), menuBarHeight},
           white(0.16), 0);
    for (int i = 0; i < 5; ++i) addBox(container, {60.04 + 10.92 * i, 463.72, 6.72, 3.36}, white(0.55), 0.84);
    for (int i = 0; i < 3; ++i) addBox(container, {654.76 + 10.08 * i, 463.3, 6.72, 4.2}, white(0.55), 0.84);
    addBox(container, {328, 457, 84, 13.44}, black(1), 3.78);
}

QColor dockIconColor(int i) { return QColor::fromHsvF(dockIconHue(i), 0.55, 0.9); }

ui::Layer* addDock(ui::Layer& container)
{
    ui::Layer& dock = addBox(container, dockFrame, white(0.22), 8.4);
    ui::Layer* chosen = nullptr;
    for (int i = 0; i < dockIconCount; ++i) {
        ui::Layer& icon = addBox(dock, dockIconFrame(i), dockIconColor(i), 5.46);
        if (i == dockIconIndex) chosen = &icon;
    }
    return chosen;
}

bool drawsPanelAndTaskBar()
{
    return desktop::conventions().furniture == desktop::Conventions::Furniture::panelAndTaskBar;
}

// The panel takes the menu bar's strip and the task bar's buttons the Dock icons' places,
// so that every place the scenes use stays where it is.
ui::Layer* addPanelAndTaskBar(ui::Layer& screen)
{
    const double width = screenArea.width();
    addTopPanel(screen, {0, screenArea.height() - menuBarHeight, width, menuBarHeight});

    const double iconMiddle = dockFrame.y() + dockIconFrame(0).midY() - screenArea.y();
    const core::Rect bar{0, 0, width, 2 * iconMiddle};
    std::vector<core::Rect> buttons;
    std::vector<QColor> colors;
    for (int i = 0; i < dockIconCount; ++i) {
        buttons.push_back(dockIconFrame(i).offsetBy(dockFrame.x() - screenArea.x(), dockFrame.y() - screenArea.y()));
        colors.push_back(dockIconColor(i));
    }
    return addTaskBar(screen, bar, buttons, colors).at(dockIconIndex);
}

std::vector<ui::KeyValue> numbers(const std::vector<double>& values)
{
    std::vector<ui::KeyValue> result;
    for (double v : values) result.push_back(ui::KeyValue::number(v));
    return result;
}

bool addTrack(ui::Layer& layer, const std::string& keyPath, ui::Keyframes frames)
{
    const std::string key = keyPath + "-loop";
    if (layer.addAnimation(key, keyPath, std::move(frames))) return true;
    logRefusedTrack(layer, key);
    return false;
}

}  // namespace

QColor white(double alpha) { return QColor::fromRgbF(1, 1, 1, alpha); }

QColor black(double alpha) { return QColor::fromRgbF(0, 0, 0, alpha); }

ui::Layer& addBox(ui::Layer& parent, const core::Rect& frame, const QColor& color, double cornerRadius)
{
    ui::Layer& box = parent.addSublayer();
    box.setFrame(frame);
    box.backgroundColor = color;
    box.cornerRadius = cornerRadius;
    return box;
}

void logRefusedTrack(const ui::Layer& layer, const std::string& key)
{
    Diag::log("引导动画: 关键帧被拒 " + (layer.name.empty() ? std::string("?") : layer.name) + " " + key);
}

Screen screenGeometry()
{
    Screen s;
    s.visRect = {52.48, 100, 635.04, 356.16};
    s.winRect = {72.64, 170.56, 339.36, 215.04};
    s.blockRect = {s.winRect.maxX() - 38.64, s.winRect.maxY() - 26.88, 35.28, 23.52};
    s.pip1Rect = {{screenArea.maxX() - 7.56 - pipSize.width, screenArea.maxY() - menuBarHeight - 6.72 - pipSize.height},
                  pipSize};
    s.pip2Rect = {{s.pip1Rect.x(), s.pip1Rect.y() - 5.04 - pipSize.height}, pipSize};
    const core::Size previewSize{pipSize.width * 2.2, pipSize.height * 2.2};
    const core::Point middle = center(s.visRect);
    s.previewRect = {{middle.x - previewSize.width / 2, middle.y - previewSize.height / 2}, previewSize};
    s.dockIconRect = dockIconFrame(dockIconIndex).offsetBy(dockFrame.x(), dockFrame.y());
    s.screenBottom = screenArea.y();
    return s;
}

Screen makeScreen(ui::Layer& layer)
{
    Screen s = screenGeometry();
    ui::Layer& container = layer.addSublayer();
    container.setFrame({0, 0, canvasWidth, canvasHeight});

    ui::Layer& screen = addBox(container, screenArea, black(1), 8.4);
    screen.masksToBounds = true;
    ui::Layer& wallpaper = screen.addSublayer(ui::Layer::Kind::gradient);
    wallpaper.setFrame({0, 0, screenArea.width(), screenArea.height()});
    wallpaper.colors = {QColor::fromRgbF(0.26, 0.34, 0.54), QColor::fromRgbF(0.1, 0.13, 0.22)};
    wallpaper.startPoint = {0.1, 1};
    wallpaper.endPoint = {0.9, 0};

    if (drawsPanelAndTaskBar()) {
        s.dockIcon = addPanelAndTaskBar(screen);
    } else {
        addMenuBar(container);
        s.dockIcon = addDock(container);
    }
    s.container = &container;
    return s;
}

ui::Layer& appWindow(ui::Layer& parent, const core::Rect& rect)
{
    const double w = rect.width();
    const double h = rect.height();
    ui::Layer& window = addBox(parent, rect, ui::systemColor("windowBackground"), 5.04);
    window.borderWidth = 1;
    window.borderColor = black(0.25);
    window.masksToBounds = true;

    addBox(window, {0, h - 11.76, w, 11.76}, ui::systemColor("controlBackground"), 0);
    if (drawsPanelAndTaskBar()) {
        addWindowGlyphs(window, {5.88 + 3.78 / 2, h - 7.56 + 3.78 / 2}, 3.78);
        return window;
    }
    const char* buttonColors[] = {"systemRed", "systemYellow", "systemGreen"};
    const double buttonX[] = {5.88, 13.44, 21.0};
    for (int i = 0; i < 3; ++i)
        addBox(window, {buttonX[i], h - 7.56, 3.78, 3.78}, ui::systemColor(buttonColors[i]), 1.89);
    return window;
}

void content(ui::Layer& layer, const core::Rect& rect, int barCount)
{
    constexpr double cycle = 30;
    constexpr double barStagger = 7.0 / 120.0;
    const double w = rect.width();
    const double h = rect.height();
    ui::Layer& area = layer.addSublayer();
    area.setFrame({0, 0, w, h});
    area.masksToBounds = true;

    const double sideInset = std::max(0.055 * w, 3.0);
    const double b = std::max(0.05 * h, 2.5);
    const double topInset = std::max(0.04 * h, 3.0);
    QColor barColor = ui::systemColor("tertiaryLabel");
    barColor.setAlphaF(0.5);
    for (int i = 0; i < barCount; ++i) {
        ui::Layer& bar = area.addSublayer();
        bar.anchorPoint = {0, 0.5};
        bar.position = {rect.minX() + sideInset, rect.maxY() - topInset - b - 2 * b * i + b / 2};
        bar.size = {0.001 * b, b};
        bar.backgroundColor = barColor;
        bar.cornerRadius = b / 2;
        const double target = w * std::max(0.78 - 0.05 * i, 0.3);
        addLoop(bar, "bounds.size",
                {ui::KeyValue::size(0.001 * b, b), ui::KeyValue::size(0.001 * b, b), ui::KeyValue::size(target, b)},
                {0, 0.03 + i * barStagger, 0.0825 + i * barStagger}, cycle);
    }

    const double overflow = topInset + 2 * barCount * b - h;
    if (overflow > 1) {
        const core::Point top = center(rect);
        const core::Point scrolled{top.x, top.y + overflow};
        moveLoop(area, {top, top, scrolled, scrolled, top}, {0, 0.72, 0.82, 0.9, 1}, cycle);
    }
}

bool addLoop(ui::Layer& layer, const std::string& keyPath, std::vector<ui::KeyValue> values, std::vector<double> times,
             double duration)
{
    auto timings = ui::Keyframes::uniform(values.size(), ui::TimingFunction::easeInEaseOut());
    return addTrack(layer, keyPath, ui::Keyframes(std::move(values), std::move(times), duration, std::move(timings)));
}

bool addLinearLoop(ui::Layer& layer, const std::string& keyPath, std::vector<ui::KeyValue> values,
                   std::vector<double> times, double duration)
{
    return addTrack(layer, keyPath, ui::Keyframes(std::move(values), std::move(times), duration));
}

bool opacityLoop(ui::Layer& layer, std::vector<double> values, std::vector<double> times, double duration, double resting)
{
    const bool added = addLoop(layer, "opacity", numbers(values), std::move(times), duration);
    layer.opacity = resting;
    return added;
}

bool scaleLoop(ui::Layer& layer, std::vector<double> values, std::vector<double> times, double duration)
{
    return addLoop(layer, "transform.scale", numbers(values), std::move(times), duration);
}

bool moveLoop(ui::Layer& layer, const std::vector<core::Point>& points, std::vector<double> times, double duration)
{
    std::vector<ui::KeyValue> values;
    for (const core::Point& p : points) values.push_back(ui::KeyValue::point(p.x, p.y));
    return addLoop(layer, "position", std::move(values), std::move(times), duration);
}

core::Point center(const core::Rect& r) { return {r.midX(), r.midY()}; }

}  // namespace guide
