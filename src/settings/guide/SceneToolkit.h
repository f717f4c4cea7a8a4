#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/Keyframes.h"
#include "platform/ui/Layer.h"

#include <string>
#include <vector>

// The guide's demonstration scenes: looping cartoons of a mock desktop on a 740 x 480
// canvas (bottom-left origin). Every builder adds layers to the layer it is given and
// keeps no state; every loop starts when the scene is built.
namespace guide {

inline constexpr double canvasWidth = 740;
inline constexpr double canvasHeight = 480;

// The mock desktop and the places the scenes use, in the canvas's coordinates.
struct Screen {
    ui::Layer* container = nullptr;
    core::Rect visRect;
    core::Rect winRect;
    core::Rect blockRect;
    core::Rect pip1Rect;
    core::Rect pip2Rect;
    core::Rect previewRect;
    core::Rect dockIconRect;
    ui::Layer* dockIcon = nullptr;
    double screenBottom = 0;
};

// The rectangles alone, derived as the desktop is drawn (tests, scenes).
Screen screenGeometry();

Screen makeScreen(ui::Layer& layer);
// A mock application window; the caller adds content below its title bar, in
// (0, 0, width, height - 12.6).
ui::Layer& appWindow(ui::Layer& parent, const core::Rect& rect);
// Twelve growing text bars on their own 30 s cycle, scrolling when they overflow.
void content(ui::Layer& layer, const core::Rect& rect, int barCount = 12);

// A looping keyframe track under "<keyPath>-loop", eased in and out on every segment.
// False, with one log line naming the layer and the key, when the key times are refused.
bool addLoop(ui::Layer& layer, const std::string& keyPath, std::vector<ui::KeyValue> values, std::vector<double> times,
             double duration);
// The same with linear segments (turning wheels, leg paths' timing).
bool addLinearLoop(ui::Layer& layer, const std::string& keyPath, std::vector<ui::KeyValue> values,
                   std::vector<double> times, double duration);
// An opacity loop; the layer's own opacity becomes the resting value.
bool opacityLoop(ui::Layer& layer, std::vector<double> values, std::vector<double> times, double duration,
                 double resting);
bool scaleLoop(ui::Layer& layer, std::vector<double> values, std::vector<double> times, double duration);
// The one line a refused track leaves.
void logRefusedTrack(const ui::Layer& layer, const std::string& key);
// "position-loop" through the points.
bool moveLoop(ui::Layer& layer, const std::vector<core::Point>& points, std::vector<double> times, double duration);

core::Point center(const core::Rect& r);

// A filled rectangle above the parent's other sublayers.
ui::Layer& addBox(ui::Layer& parent, const core::Rect& frame, const QColor& color, double cornerRadius);
QColor white(double alpha);
QColor black(double alpha);

}  // namespace guide
