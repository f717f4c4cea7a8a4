#include "settings/guide/SceneActors.h"

#include "foundation/Diag.h"
#include "platform/ui/SystemColors.h"
#include "settings/SettingsLayout.h"
#include "settings/guide/CaptionFit.h"

#include <algorithm>

namespace guide {

namespace {

QColor accent(double alpha)
{
    QColor color = ui::systemColor("controlAccent");
    color.setAlphaF(alpha);
    return color;
}

const QColor iconInk = QColor::fromRgbF(1, 1, 1, 0.95);

// A shape layer covering the icon holder, its outline given in units of the holder's side.
ui::Layer& addIconStroke(ui::Layer& holder, double side, std::vector<std::vector<core::Point>> lines, bool closed,
                         bool roundCaps)
{
    ui::Layer& shape = holder.addSublayer(ui::Layer::Kind::shape);
    shape.setFrame({0, 0, side, side});
    for (auto& line : lines) {
        for (core::Point& p : line) p = {p.x * side, p.y * side};
        shape.path.add(ui::LayerPath::polyline(std::move(line), closed));
    }
    shape.strokeColor = iconInk;
    shape.lineWidth = std::max(0.16 * side, 1.0);
    shape.roundCaps = roundCaps;
    return shape;
}

void drawCross(ui::Layer& holder, double side)
{
    addIconStroke(holder, side, {{{0.18, 0.18}, {0.82, 0.82}}, {{0.18, 0.82}, {0.82, 0.18}}}, false, true);
}

void drawBoxWithArrow(ui::Layer& holder, double side)
{
    addIconStroke(holder, side, {{{0.12, 0.88}, {0.12, 0.42}, {0.58, 0.42}, {0.58, 0.88}}}, true, false);
    addIconStroke(holder, side, {{{0.46, 0.54}, {0.88, 0.12}}, {{0.56, 0.12}, {0.88, 0.12}, {0.88, 0.44}}}, false, true);
}

void drawRingWithDot(ui::Layer& holder, double side)
{
    ui::Layer& ring = addIconStroke(holder, side, {}, false, false);
    ring.path = ui::LayerPath::ellipse({0.15 * side, 0.15 * side, 0.7 * side, 0.7 * side});
    ui::Layer& dot = holder.addSublayer(ui::Layer::Kind::shape);
    dot.setFrame({0, 0, side, side});
    const double diameter = 0.22 * side;
    dot.path = ui::LayerPath::ellipse({(side - diameter) / 2, (side - diameter) / 2, diameter, diameter});
    dot.fillColor = iconInk;
}

}  // namespace

ui::Layer& triggerBlock(ui::Layer& parent, const core::Rect& rect)
{
    const double w = rect.width();
    const double h = rect.height();
    ui::Layer& block = parent.addSublayer();
    block.setFrame(rect);
    block.cornerRadius = 0.12 * w;
    block.masksToBounds = true;

    ui::Layer& gradient = block.addSublayer(ui::Layer::Kind::gradient);
    gradient.setFrame({0, 0, w, h});
    gradient.colors = {QColor::fromRgbF(0.46, 0.45, 1.0, 0.96), QColor::fromRgbF(0.7, 0.32, 0.98, 0.96)};
    gradient.startPoint = {0.5, 1};
    gradient.endPoint = {0.5, 0};

    ui::Layer& mark = block.addSublayer();
    mark.setFrame({0.64 * w, 0.52 * h, 0.26 * w, 0.3 * h});
    mark.backgroundColor = QColor::fromRgbF(1, 1, 1, 0.95);
    mark.cornerRadius = 0.035 * w;
    return block;
}

PipWindow pipWindow(ui::Layer& parent, const core::Rect& rect, std::optional<QColor>, const ContentDrawer& customContent)
{
    const double w = rect.width();
    const double h = rect.height();
    ui::Layer& panel = parent.addSublayer();
    panel.setFrame(rect);
    panel.backgroundColor = ui::systemColor("windowBackground");
    panel.cornerRadius = 0.03 * w;
    panel.borderWidth = 1.5;
    panel.borderColor = accent(0.9);
    panel.masksToBounds = true;

    const double barHeight = std::max(0.116 * h, 11.0);
    ui::Layer& bar = panel.addSublayer();
    bar.setFrame({0, h - barHeight, w, barHeight});
    bar.backgroundColor = QColor::fromRgbF(0, 0, 0, 0.55);

    const double side = std::max(0.62 * barHeight, 7.0);
    using Drawing = void (*)(ui::Layer&, double);
    const Drawing drawings[] = {drawCross, drawBoxWithArrow, drawRingWithDot};
    PipWindow pip{&panel, {}};
    for (int k = 0; k < 3; ++k) {
        ui::Layer& holder = panel.addSublayer();
        holder.setFrame({0.32 * barHeight + k * 1.5 * side, h - barHeight + (barHeight - side) / 2, side, side});
        drawings[k](holder, side);
        pip.icons.push_back(&holder);
    }

    const core::Rect area{0, 0, w, h - barHeight - 1};
    if (customContent)
        customContent(panel, area);
    else
        content(panel, area);
    return pip;
}

ui::Layer& previewPanel(ui::Layer& parent, const core::Rect& rect, const ContentDrawer& customContent)
{
    ui::Layer& panel = parent.addSublayer();
    panel.setFrame(rect);
    panel.backgroundColor = ui::systemColor("windowBackground");
    panel.cornerRadius = 0.02 * rect.width();
    panel.borderWidth = 2;
    panel.borderColor = accent(1);
    panel.masksToBounds = true;
    if (customContent)
        customContent(panel, rect);
    else
        content(panel, {0, 0, rect.width(), rect.height()});
    return panel;
}

ui::Layer& cursor(ui::Layer& parent)
{
    // The tip sits at the layer's centre, the anchor, so position and scale act on the tip.
    constexpr core::Point tip{6.5, 9.5};
    const core::Point arrow[] = {{0, 0},       {0, -16.4},   {4.3, -12.4}, {6.8, -18.4},
                                 {9.3, -17.3}, {6.8, -11.3}, {11.6, -11.3}};
    std::vector<core::Point> outline;
    for (const core::Point& p : arrow) outline.push_back({p.x + tip.x, p.y + tip.y});

    ui::Layer& pointer = parent.addSublayer(ui::Layer::Kind::shape);
    pointer.setFrame({0, 0, 13, 19});
    pointer.path = ui::LayerPath::polyline(std::move(outline), true);
    pointer.fillColor = Qt::white;
    pointer.strokeColor = QColor::fromRgbF(0, 0, 0, 0.85);
    pointer.lineWidth = 1.1;
    pointer.roundJoins = true;
    pointer.shadowColor = Qt::black;
    pointer.shadowOpacity = 0.3;
    pointer.shadowRadius = 1.8;
    pointer.shadowOffset = {0, 0};
    return pointer;
}

void clickPulses(ui::Layer& layer, const std::vector<double>& at, double duration, double spread)
{
    std::vector<double> values{1};
    std::vector<double> times{0};
    for (double click : at) {
        // Less than two spreads after the previous click the pulses would overlap and the key
        // times run backwards (checked on the key times, so rounding cannot slip one through).
        if (times.size() > 1 && click - spread < times.back()) {
            Diag::log("引导动画: 点击过近 " + core::numberText(click));
            continue;
        }
        values.insert(values.end(), {1, 0.78, 1});
        times.insert(times.end(), {click - spread, click, click + spread});
    }
    values.push_back(1);
    times.push_back(1);
    scaleLoop(layer, std::move(values), std::move(times), duration);
}

ui::Layer& captionPill(ui::Layer& parent, const std::string& text, core::Point center)
{
    constexpr double height = 24;
    const CaptionFit fit = fitCaption(text, center, settings::qtTextMeasurer());
    ui::Layer& pill = parent.addSublayer();
    pill.setFrame({center.x - fit.width / 2, center.y - height / 2, fit.width, height});
    pill.backgroundColor = accent(0.92);
    pill.cornerRadius = height / 2;

    // Text is set from the top of its layer: a smaller size moves down by half the line
    // height it gave up, so that it stays centred in the pill.
    const double sink = 0.6 * (captionFontSize - fit.fontSize);
    ui::Layer& label = pill.addSublayer(ui::Layer::Kind::text);
    label.setFrame({0, 3.25 - sink, fit.width, 17.5});
    label.text = text;
    label.font = {fit.fontSize, ui::FontSpec::Weight::semibold};
    label.foregroundColor = Qt::white;
    return pill;
}

ui::Layer& circleGesture(ui::Layer& parent, const core::Rect& around, double width, double duration, double appear,
                         double vanish)
{
    ui::Layer& circle = parent.addSublayer(ui::Layer::Kind::shape);
    circle.setFrame(around.insetBy(-6, -6));
    circle.path = ui::LayerPath::ellipse({0, 0, circle.size.width, circle.size.height});
    circle.strokeColor = ui::systemColor("systemRed");
    circle.lineWidth = width;
    circle.roundCaps = true;
    circle.strokeEnd = 0;

    addLoop(circle, "strokeEnd",
            {ui::KeyValue::number(0), ui::KeyValue::number(0), ui::KeyValue::number(1), ui::KeyValue::number(1),
             ui::KeyValue::number(1)},
            {0, appear, appear + 0.045, vanish - 0.02, vanish}, duration);
    opacityLoop(circle, {0, 0, 1, 1, 0}, {0, std::max(appear - 0.01, 0.0), appear + 0.02, vanish - 0.02, vanish},
                duration, 0);
    return circle;
}

ui::Layer& highlightRing(ui::Layer& parent, const core::Rect& target, double outset, double cornerRadius)
{
    ui::Layer& ring = parent.addSublayer();
    ring.setFrame(target.insetBy(-outset, -outset));
    ring.cornerRadius = cornerRadius;
    ring.borderColor = accent(1);
    ring.borderWidth = 2.5;
    ring.opacity = 0;
    return ring;
}

}  // namespace guide
