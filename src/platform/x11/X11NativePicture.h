#pragma once

#include "platform/ui/NativePicture.h"

#include <QPointer>
#include <QWidget>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace x11 {

// Shows frames in a child window of the widget's window, on Qt's connection so that it
// follows the window's own requests: each frame is copied into shared memory that is the
// storage of a pixmap (put into one where the server shares no pixmaps), the pixmap
// becomes the child's background, and the server paints that background, again at every
// exposure. Nothing waits for a reply, and what the main thread's turn asked is sent once
// that turn is done, in one write; a buffer is written again only once a request sent
// after its last use has been answered. A frame the server read into shared memory needs
// no copy: that memory becomes the pixmap's storage, and the frame is kept until a request
// sent after its pixmap stopped being the background has been answered.
class NativePicture final : public ui::NativePicture {
public:
    NativePicture(QWidget& widget, ui::PictureLayer layer, bool sharedPixmaps);
    ~NativePicture() override;
    NativePicture(const NativePicture&) = delete;
    NativePicture& operator=(const NativePicture&) = delete;

    Shown show(const ui::ShownPixels& pixels, const QRect& target, const QRegion& shape) override;
    void hide() override;

private:
    struct Buffer {
        std::uint8_t* memory = nullptr;
        std::size_t size = 0;
        xcb_shm_seg_t segment = XCB_NONE;
        // Of the picture's size, with the segment as its storage when the server shares it.
        xcb_pixmap_t pixmap = XCB_NONE;
        QSize pixmapSize;
        // The request after the buffer's last use; the buffer is free once it is answered.
        std::optional<unsigned> fence;
    };

    // A frame shown from its own memory.
    struct Borrowed {
        std::shared_ptr<const void> storage;
        xcb_pixmap_t pixmap = XCB_NONE;
        // Sent once the pixmap stopped being the background.
        std::optional<unsigned> fence;
    };
    // A frame's segment attached on Qt's connection too.
    struct Attached {
        std::uint64_t serial = 0;
        xcb_shm_seg_t segment = XCB_NONE;
    };

    // The child exists and the window's depth is known: asked once per window, the answer
    // taken when it is there.
    bool ready(xcb_connection_t* c);
    // A pixmap over the pixels' own memory, kept as borrowed; none where they must be copied.
    xcb_pixmap_t borrow(xcb_connection_t* c, const ui::ShownPixels& pixels);
    xcb_shm_seg_t attached(xcb_connection_t* c, std::uint64_t serial, int descriptor);
    // Lets go of the frames the server no longer reads.
    void returnBorrowed(xcb_connection_t* c);
    // Makes the pixmap the child's background and has the server paint it.
    void showPixmap(xcb_connection_t* c, xcb_pixmap_t pixmap);
    Buffer* freeBuffer(xcb_connection_t* c, std::size_t size);
    void placeChild(xcb_connection_t* c, const QRect& target, const QRegion& shape);
    // The buffer's pixmap at the size, made again when it is another.
    void sizePixmap(xcb_connection_t* c, Buffer& buffer, QSize size);
    // The pixmaps and the graphics context; the child stays with the window it was made in.
    void dropDrawables(xcb_connection_t* c);
    void sendAfterThisTurn();

    QPointer<QWidget> widget_;
    const ui::PictureLayer layer_;
    xcb_window_t parent_ = XCB_NONE;
    std::optional<unsigned> depthAsked_;
    std::uint8_t depth_ = 0;
    xcb_window_t child_ = XCB_NONE;
    const bool sharedPixmaps_;
    // Puts into a pixmap that is not shared.
    xcb_gcontext_t gc_ = XCB_NONE;
    xcb_pixmap_t background_ = XCB_NONE;
    QRect target_;
    QRegion shape_;
    bool mapped_ = false;
    std::array<Buffer, 3> buffers_;
    std::vector<Borrowed> borrowed_;
    // The most recently used last.
    std::vector<Attached> attached_;
    // Shared with the send it posted, which may come after the picture went.
    std::shared_ptr<bool> sendPosted_ = std::make_shared<bool>(false);
};

// Asks the server once whether it takes such pictures; none when it does not, or when Qt
// is not on xcb.
ui::NativePictureMaker nativePictureMaker();

}  // namespace x11
