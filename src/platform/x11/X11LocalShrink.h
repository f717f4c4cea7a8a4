#pragma once

#include "platform/desktop/Types.h"

namespace x11 {

// The frame shrunk here to width × height, nearest pixel, every fourth byte 0xFF so that
// it draws as it is. For a picture shown a little smaller than it is: the server's
// bilinear scaling costs it more than reading the whole picture until the picture shown
// is about a fifth of it.
desktop::PixelBufferRef shrinkHere(const desktop::PixelBuffer& frame, int width, int height);

}  // namespace x11
