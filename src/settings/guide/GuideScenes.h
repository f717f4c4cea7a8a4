#pragma once

#include "platform/ui/Layer.h"

#include <string>
#include <vector>

// The five demonstration scenes of the guide, each built into the canvas's layer: the
// mock desktop first, then its named actors, every loop starting at once.
namespace guide {

inline constexpr double triggerLoop = 16;
inline constexpr double hoverPreviewLoop = 12;
inline constexpr double pinPreviewLoop = 16;
inline constexpr double openOriginalLoop = 18;
inline constexpr double resizeLoop = 16;

// The actors each scene names, step by step, in the order the scene sets them going (the
// dock icon of step 1 is drawn with the desktop but set going after the pointer); a state
// dump lists them so.
inline const std::vector<std::vector<std::string>> sceneActorNames{
    {"windowA", "windowB", "block1", "block2", "pip1", "pip2", "pointer", "dockIcon", "dockRing", "caption1",
     "caption2"},
    {"pip1", "pip2", "preview", "hoverRing", "pointer", "caption1", "caption2"},
    {"pip1", "pip2", "preview", "keyboard", "pointer", "clickRing", "caption1"},
    {"appWindow", "pip2", "circle", "pointer", "caption1", "caption2", "caption3"},
    {"pip2", "grip", "circle", "defaultLabel", "pointer", "resizeArrow", "caption1", "caption2"},
};

void demoTrigger(ui::Layer& canvas);
void demoHoverPreview(ui::Layer& canvas);
void demoPinPreview(ui::Layer& canvas);
void demoOpenOriginal(ui::Layer& canvas);
void demoResizeAndDefault(ui::Layer& canvas);

}  // namespace guide
