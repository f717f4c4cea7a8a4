#pragma once

#include <QImage>

#include <memory>
#include <string>

namespace sim {

// A strip of one line of text on a plain background, as title and menu bars show it.
struct StripLook {
    std::string text;
    int width = 1;   // pixels
    int height = 1;  // pixels
    int fontPixels = 13;
    bool bold = false;
    bool centred = false;  // else from the left edge
    QRgb background = qRgb(0xFF, 0xFF, 0xFF);
    QRgb foreground = qRgb(0, 0, 0);
    QRgb edge = qRgb(0xFF, 0xFF, 0xFF);  // the bottom row
    auto operator<=>(const StripLook&) const = default;
};

// The strip drawn (RGB32), from a small cache since the same strips come back every
// frame. The text needs the fonts of a GUI application; without one the strip is blank.
// Thread-safe.
std::shared_ptr<const QImage> textStrip(const StripLook& look);

}  // namespace sim
