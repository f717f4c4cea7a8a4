#include "platform/x11/X11NativePicture.h"

#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11Reply.h"
#include "platform/x11/X11ShmPool.h"

#include <xcb/shape.h>
#include <xcb/xcbext.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <vector>

namespace x11 {
namespace {

// Frames held at once: the one shown and those the server may still be reading. Beyond
// that a frame is copied, and its source's next frame is not kept waiting for memory.
constexpr std::size_t mostBorrowed = 4;
// A source's frames come round in a few segments again and again: those stay attached.
constexpr std::size_t keptAttached = 6;

// Whether the answer to the request has come, taking it if so.
bool answered(xcb_connection_t* c, unsigned request)
{
    void* answer = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(c, request, &answer, &error)) return false;
    std::free(answer);
    std::free(error);
    return true;
}

void copyRows(const ui::ShownPixels& shown, std::uint8_t* to)
{
    const int width = shown.source.width();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < shown.source.height(); ++y) {
        const std::uint8_t* from = shown.pixels + static_cast<std::size_t>(shown.source.y() + y) * shown.bytesPerRow +
                                   static_cast<std::size_t>(shown.source.x()) * 4;
        std::uint8_t* row = to + y * rowBytes;
        if (shown.alphaSet) {
            std::memcpy(row, from, rowBytes);
            continue;
        }
        // A window of depth 32 shows the fourth byte as alpha.
        const auto* in = reinterpret_cast<const std::uint32_t*>(from);
        auto* out = reinterpret_cast<std::uint32_t*>(row);
        for (int x = 0; x < width; ++x) out[x] = in[x] | 0xFF000000u;
    }
}

}  // namespace

NativePicture::NativePicture(QWidget& widget, ui::PictureLayer layer, bool sharedPixmaps)
    : widget_(&widget), layer_(layer), sharedPixmaps_(sharedPixmaps)
{
}

// What the pictures of one turn of the main thread ask goes to the server in one write,
// once the turn is done: a mini window's backdrop and picture are painted together, where
// two writes are two paints a busy server takes apart.
void NativePicture::sendAfterThisTurn()
{
    if (*sendPosted_) return;
    *sendPosted_ = true;
    QMetaObject::invokeMethod(
        qApp,
        [posted = sendPosted_] {
            *posted = false;
            if (xcb_connection_t* c = qtConnection()) xcb_flush(c);
        },
        Qt::QueuedConnection);
}

NativePicture::~NativePicture()
{
    xcb_connection_t* c = qtConnection();
    if (c) {
        if (depthAsked_) xcb_discard_reply(c, *depthAsked_);
        // A window Qt has destroyed took the child along.
        if (child_ && widget_ && widget_->window()->internalWinId() == parent_) xcb_destroy_window(c, child_);
        dropDrawables(c);
        for (const Attached& segment : attached_) xcb_shm_detach(c, segment.segment);
    }
    for (Buffer& buffer : buffers_) {
        if (!buffer.memory) continue;
        if (c) {
            if (buffer.fence) xcb_discard_reply(c, *buffer.fence);
            xcb_shm_detach(c, buffer.segment);
        }
        munmap(buffer.memory, buffer.size);
    }
    if (c) xcb_flush(c);
}

bool NativePicture::ready(xcb_connection_t* c)
{
    const auto window = static_cast<xcb_window_t>(widget_->window()->internalWinId());
    if (!window) return false;
    if (window != parent_) {
        // Made again by Qt: the old child went with the old window.
        dropDrawables(c);
        child_ = XCB_NONE;
        mapped_ = false;
        if (depthAsked_) xcb_discard_reply(c, *depthAsked_);
        parent_ = window;
        depth_ = 0;
        depthAsked_ = xcb_get_geometry(c, window).sequence;
        xcb_flush(c);
    }
    if (!depth_) {
        if (!depthAsked_) return false;
        void* answer = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (!xcb_poll_for_reply(c, *depthAsked_, &answer, &error)) return false;
        depthAsked_.reset();
        const auto geometry = reply(static_cast<xcb_get_geometry_reply_t*>(answer));
        std::free(error);
        if (!geometry) return false;
        depth_ = geometry->depth;
    }
    // Other depths pack their pixels otherwise: Qt paints those windows.
    if (depth_ != 24 && depth_ != 32) return false;
    if (!child_) {
        child_ = xcb_generate_id(c);
        // Of the window's depth and visual.
        xcb_create_window(c, XCB_COPY_FROM_PARENT, child_, parent_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        // Never under the pointer: the window gets its crossings, presses and moves as
        // without the child (Qt takes no crossing that leads into a child it does not know).
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, child_, 0, 0, 0,
                             nullptr);
        if (layer_ == ui::PictureLayer::bottom) {
            const std::uint32_t below = XCB_STACK_MODE_BELOW;
            xcb_configure_window(c, child_, XCB_CONFIG_WINDOW_STACK_MODE, &below);
        }
        target_ = QRect();
        shape_ = QRegion();
    }
    return true;
}

NativePicture::Buffer* NativePicture::freeBuffer(xcb_connection_t* c, std::size_t size)
{
    for (Buffer& buffer : buffers_) {
        if (buffer.fence && !answered(c, *buffer.fence)) continue;
        buffer.fence.reset();
        if (buffer.size >= size) return &buffer;
        if (buffer.memory) {
            if (buffer.pixmap) xcb_free_pixmap(c, buffer.pixmap);
            if (buffer.pixmap == background_) background_ = XCB_NONE;
            xcb_shm_detach(c, buffer.segment);
            munmap(buffer.memory, buffer.size);
            buffer = Buffer{};
        }
        const int fd = memfd_create("glimra-shown", MFD_CLOEXEC);
        if (fd < 0) return nullptr;
        void* memory = ftruncate(fd, static_cast<off_t>(size)) == 0
                           ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                           : MAP_FAILED;
        if (memory == MAP_FAILED) {
            close(fd);
            return nullptr;
        }
        buffer.memory = static_cast<std::uint8_t*>(memory);
        buffer.size = size;
        buffer.segment = xcb_generate_id(c);
        // xcb closes the descriptor once it is sent. Writable, as the server makes pixmaps
        // only of segments it may write.
        xcb_shm_attach_fd(c, buffer.segment, fd, 0);
        return &buffer;
    }
    return nullptr;
}

void NativePicture::placeChild(xcb_connection_t* c, const QRect& target, const QRegion& shape)
{
    if (target != target_) {
        const std::uint32_t geometry[] = {static_cast<std::uint32_t>(target.x()), static_cast<std::uint32_t>(target.y()),
                                          static_cast<std::uint32_t>(target.width()),
                                          static_cast<std::uint32_t>(target.height())};
        xcb_configure_window(
            c, child_, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
            geometry);
        target_ = target;
    }
    if (shape != shape_) {
        std::vector<xcb_rectangle_t> rects;
        for (const QRect& rect : shape)
            rects.push_back({static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
                             static_cast<std::uint16_t>(rect.width()), static_cast<std::uint16_t>(rect.height())});
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, child_, 0, 0,
                             static_cast<std::uint32_t>(rects.size()), rects.data());
        shape_ = shape;
    }
}

void NativePicture::sizePixmap(xcb_connection_t* c, Buffer& buffer, QSize size)
{
    if (buffer.pixmap && buffer.pixmapSize == size) return;
    if (buffer.pixmap) xcb_free_pixmap(c, buffer.pixmap);
    buffer.pixmap = xcb_generate_id(c);
    buffer.pixmapSize = size;
    const auto width = static_cast<std::uint16_t>(size.width()), height = static_cast<std::uint16_t>(size.height());
    if (sharedPixmaps_) {
        xcb_shm_create_pixmap(c, buffer.pixmap, child_, width, height, depth_, buffer.segment, 0);
        return;
    }
    xcb_create_pixmap(c, depth_, buffer.pixmap, child_, width, height);
    if (!gc_) {
        gc_ = xcb_generate_id(c);
        xcb_create_gc(c, gc_, buffer.pixmap, 0, nullptr);
    }
}

void NativePicture::dropDrawables(xcb_connection_t* c)
{
    if (gc_) xcb_free_gc(c, gc_);
    gc_ = XCB_NONE;
    for (const Borrowed& frame : borrowed_) {
        if (frame.fence) xcb_discard_reply(c, *frame.fence);
        xcb_free_pixmap(c, frame.pixmap);
    }
    borrowed_.clear();
    for (Buffer& buffer : buffers_) {
        if (buffer.pixmap) xcb_free_pixmap(c, buffer.pixmap);
        buffer.pixmap = XCB_NONE;
        buffer.pixmapSize = QSize();
    }
    background_ = XCB_NONE;
}

xcb_shm_seg_t NativePicture::attached(xcb_connection_t* c, std::uint64_t serial, int descriptor)
{
    const auto known =
        std::find_if(attached_.begin(), attached_.end(), [&](const Attached& at) { return at.serial == serial; });
    if (known != attached_.end()) {
        std::rotate(known, known + 1, attached_.end());
        return attached_.back().segment;
    }
    const int fd = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return XCB_NONE;
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    // xcb closes the descriptor once it is sent.
    xcb_shm_attach_fd(c, segment, fd, 0);
    attached_.push_back({serial, segment});
    // The server keeps a segment for the pixmaps made of it: only the attachment goes.
    while (attached_.size() > keptAttached) {
        xcb_shm_detach(c, attached_.front().segment);
        attached_.erase(attached_.begin());
    }
    return segment;
}

xcb_pixmap_t NativePicture::borrow(xcb_connection_t* c, const ui::ShownPixels& pixels)
{
    // A window of depth 32 shows the fourth byte as alpha: padding there takes a pass.
    const QRect& source = pixels.source;
    if (!sharedPixmaps_ || !pixels.storage || (depth_ == 32 && !pixels.alphaSet) ||
        pixels.bytesPerRow != source.width() * 4 || borrowed_.size() >= mostBorrowed)
        return XCB_NONE;
    const auto* segment = ShmPool::segmentOf(pixels.storage.get());
    if (!segment || segment->descriptor < 0) return XCB_NONE;
    const std::uint8_t* first = pixels.pixels + static_cast<std::ptrdiff_t>(source.y()) * pixels.bytesPerRow;
    const std::size_t bytes = static_cast<std::size_t>(pixels.bytesPerRow) * static_cast<std::size_t>(source.height());
    if (first < segment->memory || first + bytes > segment->memory + segment->size) return XCB_NONE;
    const xcb_shm_seg_t shared = attached(c, segment->serial, segment->descriptor);
    if (!shared) return XCB_NONE;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_shm_create_pixmap(c, pixmap, child_, static_cast<std::uint16_t>(source.width()),
                          static_cast<std::uint16_t>(source.height()), depth_, shared,
                          static_cast<std::uint32_t>(first - segment->memory));
    borrowed_.push_back({pixels.storage, pixmap, std::nullopt});
    return pixmap;
}

void NativePicture::returnBorrowed(xcb_connection_t* c)
{
    for (auto frame = borrowed_.begin(); frame != borrowed_.end();) {
        if (!frame->fence || !answered(c, *frame->fence)) {
            ++frame;
            continue;
        }
        xcb_free_pixmap(c, frame->pixmap);
        frame = borrowed_.erase(frame);
    }
}

void NativePicture::showPixmap(xcb_connection_t* c, xcb_pixmap_t pixmap)
{
    if (background_ != pixmap) {
        xcb_change_window_attributes(c, child_, XCB_CW_BACK_PIXMAP, &pixmap);
        background_ = pixmap;
    }
    if (mapped_) {
        xcb_clear_area(c, 0, child_, 0, 0, 0, 0);
    } else {
        // Mapping paints the background.
        xcb_map_window(c, child_);
        mapped_ = true;
    }
    // The frames shown before are read no more once this is answered.
    for (Borrowed& frame : borrowed_)
        if (frame.pixmap != pixmap && !frame.fence) frame.fence = xcb_get_input_focus(c).sequence;
}

ui::NativePicture::Shown NativePicture::show(const ui::ShownPixels& pixels, const QRect& target, const QRegion& shape)
{
    xcb_connection_t* c = qtConnection();
    if (!c || !widget_ || target.isEmpty() || pixels.source.size() != target.size() || !ready(c))
        return Shown::unavailable;
    returnBorrowed(c);
    if (const xcb_pixmap_t pixmap = borrow(c, pixels)) {
        placeChild(c, target, shape);
        showPixmap(c, pixmap);
        sendAfterThisTurn();
        return Shown::now;
    }
    const std::size_t bytes = static_cast<std::size_t>(target.width()) * static_cast<std::size_t>(target.height()) * 4;
    Buffer* buffer = freeBuffer(c, bytes);
    if (!buffer) return mapped_ ? Shown::later : Shown::unavailable;
    copyRows(pixels, buffer->memory);
    placeChild(c, target, shape);
    sizePixmap(c, *buffer, target.size());
    const auto width = static_cast<std::uint16_t>(target.width()), height = static_cast<std::uint16_t>(target.height());
    if (!sharedPixmaps_)
        xcb_shm_put_image(c, buffer->pixmap, gc_, width, height, 0, 0, width, height, 0, 0, depth_,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, 0, buffer->segment, 0);
    showPixmap(c, buffer->pixmap);
    buffer->fence = xcb_get_input_focus(c).sequence;
    sendAfterThisTurn();
    return Shown::now;
}

void NativePicture::hide()
{
    xcb_connection_t* c = qtConnection();
    if (!c || !mapped_) return;
    xcb_unmap_window(c, child_);
    mapped_ = false;
    sendAfterThisTurn();
}

ui::NativePictureMaker nativePictureMaker()
{
    xcb_connection_t* c = qtConnection();
    if (!c) return {};
    // Shared memory passed as a descriptor (1.2) and shaped windows.
    const auto* shm = xcb_get_extension_data(c, &xcb_shm_id);
    const auto* shape = xcb_get_extension_data(c, &xcb_shape_id);
    if (!shm || !shm->present || !shape || !shape->present) return {};
    const auto version = reply(xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 2)) return {};
    const bool shared = version->shared_pixmaps && version->pixmap_format == XCB_IMAGE_FORMAT_Z_PIXMAP;
    return [shared](QWidget& widget, ui::PictureLayer layer) {
        return std::make_unique<NativePicture>(widget, layer, shared);
    };
}

}  // namespace x11
