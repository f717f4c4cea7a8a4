#include "settings/guide/PelicanScene.h"

#include "platform/ui/SystemColors.h"
#include "settings/guide/PelicanPedalling.h"
#include "settings/guide/SceneToolkit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace guide {
namespace {

constexpr double pi = std::numbers::pi;

// The drawing is made in a 400 x 240 design space, scaled by s from a corner.
struct DesignSpace {
    double s;
    core::Point origin;

    core::Rect rect(double x, double y, double w, double h) const
    {
        return {origin.x + x * s, origin.y + y * s, w * s, h * s};
    }
    core::Point point(double x, double y) const { return {origin.x + x * s, origin.y + y * s}; }
};

QColor grey(double white, double alpha = 1) { return QColor::fromRgbF(white, white, white, alpha); }

QColor system(const char* name, double alpha = 1)
{
    QColor color = ui::systemColor(name);
    color.setAlphaF(alpha);
    return color;
}

// An unfilled disc outline: wheels and the chainring.
ui::Layer& ring(ui::Layer& parent, const core::Rect& frame, const QColor& rim, double width)
{
    ui::Layer& layer = addBox(parent, frame, QColor(), frame.width() / 2);
    layer.borderColor = rim;
    layer.borderWidth = width;
    return layer;
}

void addBackdrop(ui::Layer& root, const DesignSpace& d)
{
    const double s = d.s;
    ui::Layer& sky = root.addSublayer(ui::Layer::Kind::gradient);
    sky.setFrame({0, 0, root.size.width, root.size.height});
    sky.colors = {QColor::fromRgbF(0.55, 0.78, 0.96), QColor::fromRgbF(0.8, 0.88, 0.98)};
    sky.startPoint = {0.5, 1};
    sky.endPoint = {0.5, 0};

    addBox(root, {0, d.origin.y, root.size.width, 44 * s}, grey(0.4), 0);
    addBox(root, d.rect(322, 178, 48, 48), system("systemYellow", 0.95), 24 * s);

    for (int i = 0; i < 2; ++i) {
        ui::Layer& cloud = addBox(root, d.rect(i == 0 ? 60 : 250, 186 + 8 * i, 76, 22), grey(1, 0.85), 11 * s);
        const core::Point c = center(cloud.frame());
        const double drift = i == 0 ? -26 * s : 26 * s;
        moveLoop(cloud, {c, {c.x + drift, c.y}}, {0, 1}, 9.6);
    }
    for (int i = 0; i < 5; ++i) {
        ui::Layer& mark = addBox(root, d.rect(14 + 84 * i, 18, 34, 6), grey(1, 0.8), 3 * s);
        const core::Point c = center(mark.frame());
        moveLoop(mark, {{c.x + 42 * s, c.y}, {c.x - 84 * s, c.y}}, {0, 1}, 3.3);
    }
}

void addWheel(ui::Layer& group, const DesignSpace& d, double centreX)
{
    const double s = d.s;
    const double r = 27 * s;
    ui::Layer& wheel = ring(group, d.rect(centreX - 27, 44, 54, 54), grey(0.12), std::max(0.14 * r, 1.8));
    addBox(wheel, {r - 2.6 * s, r - 2.6 * s, 5.2 * s, 5.2 * s}, grey(0.2), 2.6 * s);

    ui::Layer& spokes = wheel.addSublayer(ui::Layer::Kind::shape);
    spokes.setFrame({0, 0, 2 * r, 2 * r});
    const double reach = 0.94 * r;
    for (int i = 0; i < 4; ++i) {
        const double a = i * pi / 4;
        spokes.path.add(ui::LayerPath::segment({r - reach * std::cos(a), r - reach * std::sin(a)},
                                               {r + reach * std::cos(a), r + reach * std::sin(a)}));
    }
    spokes.strokeColor = grey(0.3, 0.55);
    spokes.lineWidth = std::max(0.035 * r, 0.8);

    const double m = std::max(0.06 * r, 1.6);
    const double q = std::max(0.12 * r, 3.2);
    addBox(wheel, {r - m, 0.06 * r, q, q}, system("systemOrange"), m);

    addLinearLoop(wheel, "transform.rotation", {ui::KeyValue::number(0), ui::KeyValue::number(-2 * pi)}, {0, 1},
                  crankTurnSeconds);
}

void addFrame(ui::Layer& group, const DesignSpace& d)
{
    ui::Layer& frame = group.addSublayer(ui::Layer::Kind::shape);
    frame.setFrame({0, 0, group.size.width, group.size.height});
    const core::Point rearHub = d.point(142, 71), bracket = d.point(202, 74), seat = d.point(186, 130),
                      head = d.point(250, 122), frontHub = d.point(262, 71);
    for (const auto& [from, to] :
         {std::pair{rearHub, bracket}, {bracket, seat}, {seat, head}, {bracket, head}, {head, frontHub}})
        frame.path.add(ui::LayerPath::segment(from, to));
    frame.strokeColor = grey(0.15);
    frame.lineWidth = std::max(3.4 * d.s, 2.0);
    frame.roundCaps = true;
}

// One crank arm and its pedal, half a turn apart for the two sides.
void addCrank(ui::Layer& group, const DesignSpace& d, double phase)
{
    const double s = d.s;
    const bool near = phase == 0;
    ui::Layer& arm = group.addSublayer();
    arm.anchorPoint = {0, 0.5};
    arm.position = d.point(202, 71);
    arm.size = {17 * s, 2.6 * s};
    arm.rotation = phase;
    arm.backgroundColor = grey(0.15, near ? 1 : 0.5);
    arm.cornerRadius = 1.3 * s;
    addLinearLoop(arm, "transform.rotation", {ui::KeyValue::number(phase), ui::KeyValue::number(phase - 2 * pi)},
                  {0, 1}, crankTurnSeconds);

    ui::Layer& pedal = group.addSublayer();
    pedal.size = {14 * s, std::max(4.4 * s, 3.0)};
    pedal.backgroundColor = grey(near ? 0.18 : 0.38);
    pedal.cornerRadius = pedal.size.height / 2;
    std::vector<double> times;
    for (int k = 0; k <= 8; ++k) times.push_back(k / 8.0);
    moveLoop(pedal, pedalPoints(s, phase), std::move(times), crankTurnSeconds);
}

void addPelican(ui::Layer& group, const DesignSpace& d)
{
    const double s = d.s;
    ui::Layer& body = addBox(group, d.rect(148, 128, 92, 58), grey(1), 29 * s);
    body.borderColor = grey(0.75);
    body.borderWidth = 1.4 * s;
    addBox(group, d.rect(136, 144, 20, 16), grey(0.92), 5 * s);

    ui::Layer& wing = addBox(group, d.rect(172, 138, 56, 36), grey(0.88), 18 * s);
    wing.borderColor = grey(0.72);
    wing.borderWidth = 1.2 * s;
    addLoop(wing, "transform.rotation",
            {ui::KeyValue::number(-0.28), ui::KeyValue::number(0.38), ui::KeyValue::number(-0.28)}, {0, 0.5, 1}, 1.32);

    addBox(group, d.rect(224, 174, 30, 30), grey(1), 15 * s);
    addBox(group, d.rect(250, 184, 46, 12), system("systemOrange"), 6 * s);
    addBox(group, d.rect(248, 174, 40, 11), system("systemOrange", 0.75), 5.5 * s);
    addBox(group, d.rect(240, 192, 7, 7), grey(0), 3.5 * s);

    addLeg(group, s, {196, 130}, 0, system("systemOrange"));
    addLeg(group, s, {212, 130}, pi, system("systemOrange", 0.8));
}

}  // namespace

void pelicanScene(ui::Layer& in, const core::Rect& rect, double)
{
    const double width = rect.width(), height = rect.height();
    const double s = std::min(width / 400, height / 240);
    // Laid out in the root's own bounds, so a rectangle away from the origin draws alike.
    const DesignSpace drawing{s, {width / 2 - 200 * s, height / 2 - 120 * s}};

    ui::Layer& root = in.addSublayer();
    root.setFrame(rect);
    root.masksToBounds = true;
    root.cornerRadius = 8;
    addBackdrop(root, drawing);

    ui::Layer& group = root.addSublayer();
    group.setFrame(drawing.rect(0, 0, 400, 240));
    const core::Point rest = center(group.frame());
    moveLoop(group, {rest, {rest.x, rest.y + 3.2 * s}, rest}, {0, 0.5, 1}, 2.0);

    const DesignSpace d{s, {0, 0}};
    addWheel(group, d, 142);
    addWheel(group, d, 262);
    addFrame(group, d);
    addBox(group, d.rect(172, 128, 30, 8), grey(0.15), 4 * s);
    addBox(group, d.rect(240, 120, 26, 6), grey(0.15), 3 * s);
    ring(group, d.rect(191, 60, 22, 22), grey(0.15), std::max(2.4 * s, 2.0));
    addBox(group, d.rect(198.5, 70.5, 7, 7), grey(0.25), 3.5 * s);
    addCrank(group, d, 0);
    addCrank(group, d, pi);
    addPelican(group, d);
}

}  // namespace guide
