#pragma once

#include "platform/ui/Layer.h"

// The five demonstration scenes of the guide, each built into the canvas's layer: the
// mock desktop first, then its named actors, every loop starting at once.
namespace guide {

inline constexpr double triggerLoop = 16;
inline constexpr double hoverPreviewLoop = 12;
inline constexpr double pinPreviewLoop = 16;
inline constexpr double openOriginalLoop = 18;
inline constexpr double resizeLoop = 16;

// Actors: windowA windowB block1 block2 pip1 pip2 pointer dockIcon dockRing caption1 caption2
void demoTrigger(ui::Layer& canvas);
// Actors: pip1 pip2 preview hoverRing pointer caption1 caption2
void demoHoverPreview(ui::Layer& canvas);
// Actors: pip1 pip2 preview keyboard pointer clickRing caption1
void demoPinPreview(ui::Layer& canvas);
// Actors: appWindow pip2 circle pointer caption1 caption2 caption3
void demoOpenOriginal(ui::Layer& canvas);
// Actors: pip2 grip circle defaultLabel pointer resizeArrow caption1 caption2
void demoResizeAndDefault(ui::Layer& canvas);

}  // namespace guide
