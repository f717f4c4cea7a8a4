#pragma once

#include "platform/desktop/Types.h"

#include <cstdint>
#include <vector>

namespace testsupport {

// A picture's bytes, read as its receivers read them.
inline std::vector<std::uint8_t> pixelBytes(const desktop::PixelBuffer& picture)
{
    return {picture.data(), picture.data() + picture.byteCount()};
}

}  // namespace testsupport
