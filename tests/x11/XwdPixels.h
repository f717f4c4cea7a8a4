#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// The colour (0xRRGGBB) at a point of an xwd dump of a 32-bit screen; -1 where it cannot
// be read.
inline long colourAt(const std::string& dump, int x, int y)
{
    const auto field = [&](int index) -> std::uint32_t {
        const auto* bytes = reinterpret_cast<const unsigned char*>(dump.data()) + index * 4;
        return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
    };
    if (dump.size() < 100 || field(11) != 32) return -1;
    const std::size_t at = field(0) + std::size_t{field(19)} * 12 + std::size_t(y) * field(12) + std::size_t(x) * 4;
    if (x < 0 || y < 0 || std::uint32_t(x) >= field(4) || std::uint32_t(y) >= field(5) || at + 4 > dump.size())
        return -1;
    const auto* pixel = reinterpret_cast<const unsigned char*>(dump.data()) + at;
    const bool lsbFirst = field(7) == 0;
    const std::uint32_t value =
        lsbFirst ? pixel[0] | pixel[1] << 8 | pixel[2] << 16 : pixel[3] | pixel[2] << 8 | pixel[1] << 16;
    return value & 0xFFFFFF;
}

}  // namespace testsupport
