#pragma once

#include <QRect>
#include <QRegion>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace ui {

// 32-bit pixels to show: the part source of rows bytesPerRow apart. With alphaSet every
// fourth byte is the pixel's premultiplied alpha (0xFF where opaque); otherwise the pixels
// are opaque and it is padding.
struct ShownPixels {
    const std::uint8_t* pixels = nullptr;
    int bytesPerRow = 0;
    QRect source;
    bool alphaSet = false;
    // What owns the pixels' memory, if anything: the picture may keep it while it shows
    // them, rather than a copy.
    std::shared_ptr<const void> storage;
};

// A picture the desktop puts on a widget's window itself, over what Qt paints there and
// without Qt's backing store: a new frame costs no wait on the window server. Main
// thread only.
class NativePicture {
public:
    enum class Shown {
        now,          // on its way to the screen
        later,        // the server has not taken the last ones yet: the previous one stays
        unavailable,  // not now (not ready, or cannot): Qt paints the widget
    };

    virtual ~NativePicture() = default;
    // Shows the pixels at target (the window's device pixels), cut to shape (in target's
    // own coordinates).
    virtual Shown show(const ShownPixels& pixels, const QRect& target, const QRegion& shape) = 0;
    // Takes the picture away: Qt's painting shows again.
    virtual void hide() = 0;
};

// A picture at the bottom lies under every other picture of its window.
enum class PictureLayer { top, bottom };

using NativePictureMaker = std::function<std::unique_ptr<NativePicture>(QWidget& widget, PictureLayer layer)>;

// The desktop that can show pictures itself installs its maker once; without one every
// widget paints through Qt.
void installNativePictures(NativePictureMaker maker);
// None without an installed maker.
std::unique_ptr<NativePicture> makeNativePicture(QWidget& widget, PictureLayer layer);

}  // namespace ui
