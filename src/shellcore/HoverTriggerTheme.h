#pragma once

namespace app {

// The colours of the hover trigger block. The settings window offers the same choice
// and writes it to the settings key "hoverTriggerTheme".
enum class HoverTriggerTheme : int {
    warmOrange = 0,
    teal = 1,
    gradient = 2,
};

struct HoverTriggerRgba {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

struct HoverTriggerColours {
    HoverTriggerRgba top;     // first stop of the vertical gradient, at the top edge
    HoverTriggerRgba bottom;  // second stop, at the bottom edge
    HoverTriggerRgba glyph;
};

// The stored theme: 0, 1 and 2 give their theme; anything else (absent, not an integer,
// out of range) gives the gradient.
HoverTriggerTheme currentHoverTriggerTheme();
HoverTriggerColours hoverTriggerColours(HoverTriggerTheme theme);

}  // namespace app
