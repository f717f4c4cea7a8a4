#pragma once

#include "platform/sim/SimWorld.h"

#include <functional>
#include <optional>
#include <string>

namespace sim {

// Which windows a picture of the desktop shows; only windows on screen are ever shown.
using WindowSelection = std::function<bool(const SimWindow&)>;

// The part `region` (global points) of the desktop at pixelWidth × pixelHeight: the
// desktop background, then the selected windows back to front, each as it looks now,
// and each display's menu bar over them.
// The application's own windows are drawn through their grab function, so select them
// only on the thread that owns them.
desktop::PixelBufferRef composeRegion(SimWorld& world, const core::Rect& region, int pixelWidth, int pixelHeight,
                                      const WindowSelection& selects);

// Writes one display, or all displays side by side (in order, left to right, top
// aligned), at one pixel per point, as a PNG file whose bytes depend only on what the
// desktop shows. False when the display is unknown or the file cannot be written;
// std::bad_alloc when there is no memory for the picture.
bool writeDesktopPng(SimWorld& world, std::optional<desktop::DisplayID> display, const std::string& path);

}  // namespace sim
