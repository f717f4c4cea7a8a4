#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace desktop {

using WindowID = std::uint32_t;   // the window server's window number
using Pid = std::int32_t;         // process identifier
using DisplayID = std::uint32_t;  // display number

// An error of an asynchronous platform call, as the caller sees it: a domain and a code
// to compare against, a description for logs and a localised one for people.
struct Error {
    std::string domain;
    long code = 0;
    std::string description;
    std::string localizedDescription;
};

// A bitmap in BGRA order, 8 bits per channel, rows of bytesPerRow bytes. Shared, never
// copied on the way from capture to the screen.
struct PixelBuffer {
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    std::vector<std::uint8_t> bytes;

    PixelBuffer() = default;
    PixelBuffer(int w, int h) : width(w), height(h), bytesPerRow(w * 4), bytes(static_cast<std::size_t>(w) * h * 4) {}
    std::uint8_t* row(int y) { return bytes.data() + static_cast<std::size_t>(y) * bytesPerRow; }
    const std::uint8_t* row(int y) const { return bytes.data() + static_cast<std::size_t>(y) * bytesPerRow; }
};
using PixelBufferRef = std::shared_ptr<const PixelBuffer>;

// A registration that a caller removes later (observers, monitors, taps, hot keys).
using Token = std::uint64_t;

}  // namespace desktop
