#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace desktop {

using WindowID = std::uint32_t;   // the window server's window number
// Which of the windows that held a number in turn: a window server may give a destroyed
// window's number to a new window.
using WindowLife = std::uint64_t;
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
// copied on the way from capture to the screen. The pixels are its own bytes, or memory
// that storage keeps alive (a shared-memory segment the X server wrote into), which goes
// back to its owner when the last reference to the buffer goes. Read the pixels through
// data() or row(): they may be drawn only when first read.
struct PixelBuffer {
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    std::vector<std::uint8_t> bytes;
    std::shared_ptr<void> storage;
    std::uint8_t* storedPixels = nullptr;
    // Every pixel is opaque and its fourth byte is padding that may hold anything (a
    // window without alpha, read as it is); otherwise that byte is premultiplied alpha.
    bool opaque = false;
    // With opaque: the fourth byte of every pixel is 0xFF too, so the pixels draw as they
    // are, without a pass that fills it.
    bool fourthByteOpaque = false;

    PixelBuffer() = default;
    PixelBuffer(int w, int h) : width(w), height(h), bytesPerRow(w * 4), bytes(static_cast<std::size_t>(w) * h * 4) {}
    // A buffer over memory of size at least h * rowBytes that storage owns.
    PixelBuffer(int w, int h, int rowBytes, std::shared_ptr<void> owner, std::uint8_t* pixels)
        : width(w), height(h), bytesPerRow(rowBytes), storage(std::move(owner)), storedPixels(pixels)
    {
    }

    std::uint8_t* data()
    {
        drawDeferred();
        return pixels();
    }
    const std::uint8_t* data() const
    {
        drawDeferred();
        return pixels();
    }
    std::size_t byteCount() const
    {
        return storedPixels ? static_cast<std::size_t>(bytesPerRow) * static_cast<std::size_t>(height) : bytes.size();
    }
    std::uint8_t* row(int y) { return data() + static_cast<std::size_t>(y) * bytesPerRow; }
    const std::uint8_t* row(int y) const { return data() + static_cast<std::size_t>(y) * bytesPerRow; }

    // draw fills the pixels, which storage holds, when they are first read, on the reading
    // thread: a picture nobody looks at then costs nothing. Set while nobody else holds
    // the buffer; its copies share the drawing as they share the pixels.
    void drawOnFirstRead(std::function<void(std::uint8_t* pixels)> draw)
    {
        deferred_ = std::make_shared<DeferredDraw>();
        deferred_->draw = [draw = std::move(draw), pixels = storedPixels] { draw(pixels); };
    }

private:
    struct DeferredDraw {
        std::once_flag drawn;
        std::function<void()> draw;
    };

    std::uint8_t* pixels() const { return storedPixels ? storedPixels : const_cast<std::uint8_t*>(bytes.data()); }
    void drawDeferred() const
    {
        if (deferred_)
            std::call_once(deferred_->drawn, [this] {
                deferred_->draw();
                deferred_->draw = nullptr;
            });
    }

    std::shared_ptr<DeferredDraw> deferred_;
};
using PixelBufferRef = std::shared_ptr<const PixelBuffer>;

// A registration that a caller removes later (observers, monitors, taps, hot keys).
using Token = std::uint64_t;

}  // namespace desktop
