#pragma once

#include "settings/guide/PelicanScene.h"

#include <QColor>

#include <vector>

// The rider's pedalling: pedals and feet going round the crank, clockwise, once per 3.6 s.
namespace guide {

inline constexpr double crankTurnSeconds = 3.6;

// Where a pedal is at each eighth of a turn from phase, in the rider group's coordinates.
std::vector<core::Point> pedalPoints(double s, double phase);

// A leg's thigh, shin and foot layers, stepping through the leg's frames.
void addLeg(ui::Layer& group, double s, core::Point hipDesign, double phase, const QColor& color);

}  // namespace guide
