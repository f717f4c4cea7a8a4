#pragma once

namespace x11 {

struct PixelSize {
    int width = 0;
    int height = 0;
};

// A part of a picture, in its pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The size a picture of width × height pixels is read at: its own, shrunk (on the
// server, keeping its shape) where it is larger than the room asked for (a bound below
// 1 asks for none) or than the largest monitor's pixels, the largest view a picture
// ever fills, so a huge window never costs more than a screenful.
PixelSize readSize(int width, int height, int roomWidth = 0, int roomHeight = 0);

}  // namespace x11
