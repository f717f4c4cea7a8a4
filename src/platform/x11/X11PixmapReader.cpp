#include "platform/x11/X11PixmapReader.h"

#include "platform/x11/X11Reply.h"

#include <cstring>

namespace x11 {
namespace {

constexpr std::uint32_t allPlanes = 0xFFFFFFFFu;

std::shared_ptr<desktop::PixelBuffer> readShared(Connection& connection, ShmPool& pool, const DrawableInfo& drawable)
{
    const int rowBytes = drawable.width * 4;
    auto segment = pool.take(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(drawable.height));
    if (!segment) return nullptr;
    const auto cookie = xcb_shm_get_image(
        connection.xcb(), drawable.id, 0, 0, static_cast<std::uint16_t>(drawable.width),
        static_cast<std::uint16_t>(drawable.height), allPlanes, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id, 0);
    const auto image = connection.answer(xcb_shm_get_image_reply, cookie);
    if (!image) return nullptr;
    auto* pixels = segment->memory;
    return std::make_shared<desktop::PixelBuffer>(drawable.width, drawable.height, rowBytes, std::move(segment), pixels);
}

std::shared_ptr<desktop::PixelBuffer> readPlain(Connection& connection, const DrawableInfo& drawable)
{
    const auto cookie = xcb_get_image(connection.xcb(), XCB_IMAGE_FORMAT_Z_PIXMAP, drawable.id, 0, 0,
                                      static_cast<std::uint16_t>(drawable.width),
                                      static_cast<std::uint16_t>(drawable.height), allPlanes);
    const auto image = connection.answer(xcb_get_image_reply, cookie);
    if (!image) return nullptr;
    auto buffer = std::make_shared<desktop::PixelBuffer>(drawable.width, drawable.height);
    const auto length = static_cast<std::size_t>(xcb_get_image_data_length(image.get()));
    if (length < buffer->byteCount()) return nullptr;
    std::memcpy(buffer->data(), xcb_get_image_data(image.get()), buffer->byteCount());
    return buffer;
}

}  // namespace

bool readsDirectly(const DrawableInfo& drawable) { return drawable.depth == 24 || drawable.depth == 32; }

namespace {

std::shared_ptr<desktop::PixelBuffer> readPixels(Connection& connection, ShmPool* pool, const DrawableInfo& drawable)
{
    if (!readsDirectly(drawable) || drawable.width < 1 || drawable.height < 1) return nullptr;
    std::shared_ptr<desktop::PixelBuffer> buffer;
    if (pool) buffer = readShared(connection, *pool, drawable);
    if (!buffer) buffer = readPlain(connection, drawable);
    return buffer;
}

}  // namespace

desktop::PixelBufferRef readDrawable(Connection& connection, ShmPool* pool, const DrawableInfo& drawable)
{
    auto buffer = readPixels(connection, pool, drawable);
    if (buffer) buffer->opaque = drawable.depth == 24;
    return buffer;
}

desktop::PixelBufferRef readOpaqueDrawable(Connection& connection, ShmPool* pool, const DrawableInfo& drawable)
{
    auto buffer = readPixels(connection, pool, drawable);
    if (buffer) buffer->opaque = buffer->fourthByteOpaque = true;
    return buffer;
}

}  // namespace x11
