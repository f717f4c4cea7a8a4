#pragma once

#include "settings/guide/SceneActors.h"

#include <cstddef>
#include <string>
#include <vector>

// What the five step scenes share: fading captions and the closures that put the
// illustrations inside mini windows and previews.
namespace guide {

inline constexpr core::Point captionCenter{370, 26};

// The translated caption, hidden at rest and shown by opacity 0, 0, 1, 1, 0 at the times.
ui::Layer& fadingCaption(ui::Layer& canvas, const std::string& source, const std::string& name,
                         std::vector<double> times, double duration, core::Point center = captionCenter);

// The rectangle's size at (0, 0): a preview hands its content its frame in the canvas,
// while the content is drawn inside the panel.
core::Rect atOrigin(const core::Rect& rect);

// The pelican in the rectangle as given (mini windows) or from the panel's origin (previews).
ContentDrawer pelicanContent(double duration);
ContentDrawer pelicanAtOrigin(double duration);

// A mini window's top-bar icon in the canvas.
core::Rect topBarIconRect(const PipWindow& pip, std::size_t index, const core::Rect& pipRect);

}  // namespace guide
