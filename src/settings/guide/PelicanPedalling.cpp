#include "settings/guide/PelicanPedalling.h"

#include "settings/guide/SceneToolkit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace guide {
namespace {

constexpr int legFrameCount = 37;
constexpr double thighLength = 38, shinLength = 40, footLength = 15;

ui::LayerPath thighPath(const LegFrame& f) { return ui::LayerPath::segment(f.hip, f.knee); }
ui::LayerPath shinPath(const LegFrame& f) { return ui::LayerPath::segment(f.knee, f.foot); }

ui::LayerPath footPath(const LegFrame& f, double s)
{
    // The pedal sits under the ball of the foot, so most of the foot points forward.
    return ui::LayerPath::segment({f.foot.x - 0.25 * footLength * s, f.foot.y},
                                  {f.foot.x + 0.75 * footLength * s, f.foot.y});
}

void addLegPart(ui::Layer& group, std::vector<ui::LayerPath> paths, const QColor& color, double width)
{
    ui::Layer& part = group.addSublayer(ui::Layer::Kind::shape);
    part.setFrame({0, 0, group.size.width, group.size.height});
    part.path = paths.front();
    part.strokeColor = color;
    part.lineWidth = width;
    part.roundCaps = true;

    std::vector<ui::KeyValue> steps;
    std::vector<double> times;
    for (int k = 0; k < legFrameCount; ++k) {
        steps.push_back(ui::KeyValue::number(k));
        times.push_back(k / double(legFrameCount - 1));
    }
    ui::Keyframes timing(std::move(steps), std::move(times), crankTurnSeconds,
                         ui::Keyframes::uniform(legFrameCount, ui::TimingFunction::linear()));
    if (!part.addPathAnimation("pedal-path", std::move(paths), std::move(timing))) logRefusedTrack(part, "pedal-path");
}

}  // namespace

std::vector<core::Point> pedalPoints(double s, double phase)
{
    std::vector<core::Point> points;
    for (int k = 0; k <= 8; ++k) {
        const double a = phase - k * std::numbers::pi / 4;
        points.push_back({202 * s + 17 * s * std::cos(a), 71 * s + 17 * s * std::sin(a)});
    }
    return points;
}

std::vector<LegFrame> legFrames(double s, core::Point hipDesign, double phase)
{
    const double l1 = thighLength * s, l2 = shinLength * s;
    const core::Point hip{hipDesign.x * s, hipDesign.y * s};
    std::vector<LegFrame> frames;
    for (int k = 0; k < legFrameCount; ++k) {
        // The feet ride 3 units above the pedals, on the same circle.
        const double a = phase - 2 * std::numbers::pi * k / (legFrameCount - 1);
        const core::Point foot{202 * s + 17 * s * std::cos(a), 74 * s + 17 * s * std::sin(a)};
        const double dx = foot.x - hip.x, dy = foot.y - hip.y;
        const double dist = std::max(std::hypot(dx, dy), 0.001);
        const double along = (l1 * l1 - l2 * l2 + dist * dist) / (2 * dist);
        const double h = std::sqrt(std::max(l1 * l1 - along * along, 0.0));
        const core::Point mid{hip.x + along * dx / dist, hip.y + along * dy / dist};
        const core::Point k1{mid.x + h * dy / dist, mid.y - h * dx / dist};
        const core::Point k2{mid.x - h * dy / dist, mid.y + h * dx / dist};
        // The knee points forward, towards the handlebar.
        frames.push_back({hip, k2.x > k1.x ? k2 : k1, foot});
    }
    return frames;
}

void addLeg(ui::Layer& group, double s, core::Point hipDesign, double phase, const QColor& color)
{
    const std::vector<LegFrame> frames = legFrames(s, hipDesign, phase);
    std::vector<ui::LayerPath> thighs, shins, feet;
    for (const LegFrame& f : frames) {
        thighs.push_back(thighPath(f));
        shins.push_back(shinPath(f));
        feet.push_back(footPath(f, s));
    }
    const double width = std::max(4.2 * s, 2.0);
    addLegPart(group, std::move(thighs), color, width);
    addLegPart(group, std::move(shins), color, width);
    addLegPart(group, std::move(feet), color, 0.95 * width);
}

}  // namespace guide
