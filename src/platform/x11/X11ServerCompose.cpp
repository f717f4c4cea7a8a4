#include "platform/x11/X11ServerCompose.h"

#include <xcb/render.h>
#include <xcb/xcb_renderutil.h>

#include <cstring>
#include <optional>

namespace x11 {
namespace {

xcb_render_fixed_t fixed(double value) { return static_cast<xcb_render_fixed_t>(value * 65536.0); }

xcb_render_pictformat_t formatOf(Connection& connection, const DrawableInfo& drawable)
{
    const auto* formats = xcb_render_util_query_formats(connection.xcb());
    if (!formats) return XCB_NONE;
    if (drawable.visual != 0) {
        if (const auto* format = xcb_render_util_find_visual_format(formats, drawable.visual)) return format->format;
    }
    const auto standard = drawable.depth == 32 ? XCB_PICT_STANDARD_ARGB_32 : XCB_PICT_STANDARD_RGB_24;
    const auto* format = xcb_render_util_find_standard_format(formats, standard);
    return format ? format->id : XCB_NONE;
}

// A picture of width × height pixels, depth 32 or 24, for the server to draw into.
struct Target {
    DrawableInfo drawable;
    xcb_render_picture_t picture = XCB_NONE;
};

std::optional<Target> makeTarget(Connection& connection, int width, int height, std::uint8_t depth = 32)
{
    auto* c = connection.xcb();
    const DrawableInfo drawable{xcb_generate_id(c), width, height, depth, 0};
    const auto format = formatOf(connection, drawable);
    if (format == XCB_NONE) return std::nullopt;
    xcb_create_pixmap(c, depth, drawable.id, connection.root(), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height));
    const xcb_render_picture_t picture = xcb_generate_id(c);
    xcb_render_create_picture(c, picture, drawable.id, format, 0, nullptr);
    return Target{drawable, picture};
}

// The source's picture as the server samples it to draw a region of it (in its pixels)
// into width × height pixels at the target's origin; none without a format for it.
xcb_render_picture_t sourcePicture(Connection& connection, const DrawableInfo& source, const PixelRect& region,
                                   int width, int height)
{
    auto* c = connection.xcb();
    const auto format = formatOf(connection, source);
    if (format == XCB_NONE) return XCB_NONE;
    const xcb_render_picture_t picture = xcb_generate_id(c);
    xcb_render_create_picture(c, picture, source.id, format, 0, nullptr);
    const bool scaled = region.width != width || region.height != height;
    if (scaled || region.x != 0 || region.y != 0) {
        // The transform maps target pixels to source pixels.
        const xcb_render_transform_t transform{fixed(static_cast<double>(region.width) / width),
                                               0,
                                               fixed(region.x),
                                               0,
                                               fixed(static_cast<double>(region.height) / height),
                                               fixed(region.y),
                                               0,
                                               0,
                                               fixed(1)};
        xcb_render_set_picture_transform(c, picture, transform);
    }
    if (scaled) {
        // The nearest pixel, as a frame shrunk here takes it: smoothing costs the server
        // more than reading the whole frame.
        static constexpr char nearest[] = "nearest";
        xcb_render_set_picture_filter(c, picture, sizeof nearest - 1, nearest, 0, nullptr);
    }
    return picture;
}

// Reads the target, then lets it go.
desktop::PixelBufferRef readTarget(Connection& connection, ShmPool* pool, const Target& target)
{
    auto* c = connection.xcb();
    xcb_render_free_picture(c, target.picture);
    auto image = readDrawable(connection, pool, target.drawable);
    xcb_free_pixmap(c, target.drawable.id);
    connection.flush();
    return image;
}

}  // namespace

ServerScaler::ServerScaler(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

ServerScaler::~ServerScaler() { release(); }

void ServerScaler::release()
{
    auto* c = connection_->xcb();
    if (from_ != XCB_NONE) xcb_render_free_picture(c, from_);
    if (to_ != XCB_NONE) xcb_render_free_picture(c, to_);
    if (target_.id != XCB_NONE) xcb_free_pixmap(c, target_.id);
    from_ = to_ = XCB_NONE;
    target_ = {};
    source_ = {};
    part_ = {};
}

bool ServerScaler::prepare(const DrawableInfo& source, const PixelRect& part, int width, int height)
{
    if (from_ != XCB_NONE && source.id == source_.id && source.width == source_.width &&
        source.height == source_.height && part == part_ && width == target_.width && height == target_.height)
        return true;
    release();
    // Drawn from a source without alpha, the target's alpha is opaque: its pixels are
    // shown as read, with no pass over them here.
    const auto target = makeTarget(*connection_, width, height);
    if (!target) return false;
    target_ = target->drawable;
    to_ = target->picture;
    from_ = sourcePicture(*connection_, source, part, width, height);
    source_ = source;
    part_ = part;
    return from_ != XCB_NONE;
}

desktop::PixelBufferRef ServerScaler::read(ShmPool* pool, const DrawableInfo& source, const PixelRect& part, int width,
                                           int height)
{
    if (width < 1 || height < 1 || part.width < 1 || part.height < 1) return nullptr;
    if (!prepare(source, part, width, height)) {
        release();
        return nullptr;
    }
    xcb_render_composite(connection_->xcb(), XCB_RENDER_PICT_OP_SRC, from_, XCB_NONE, to_, 0, 0, 0, 0, 0, 0,
                         static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
    return source.depth == 24 ? readOpaqueDrawable(*connection_, pool, target_)
                              : readDrawable(*connection_, pool, target_);
}

desktop::PixelBufferRef composeOnServer(Connection& connection, ShmPool* pool, const std::vector<Layer>& layers,
                                        int regionX, int regionY, int regionWidth, int regionHeight, int width,
                                        int height, bool opaqueBackground)
{
    if (width < 1 || height < 1 || regionWidth < 1 || regionHeight < 1) return nullptr;
    auto* c = connection.xcb();
    const auto target = makeTarget(connection, width, height);
    if (!target) return nullptr;
    const xcb_rectangle_t whole{0, 0, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)};
    const xcb_render_color_t background{0, 0, 0, static_cast<std::uint16_t>(opaqueBackground ? 0xFFFF : 0)};
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, target->picture, background, 1, &whole);

    const double scaleX = static_cast<double>(regionWidth) / width;
    const double scaleY = static_cast<double>(regionHeight) / height;
    for (const auto& layer : layers) {
        const auto picture = sourcePicture(connection, layer.source, {0, 0, regionWidth, regionHeight}, width, height);
        if (picture == XCB_NONE) continue;
        const double left = (layer.x - regionX) / scaleX;
        const double top = (layer.y - regionY) / scaleY;
        xcb_render_composite(c, XCB_RENDER_PICT_OP_OVER, picture, XCB_NONE, target->picture, 0, 0, 0, 0,
                             static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                             static_cast<std::uint16_t>(layer.source.width / scaleX + 0.5),
                             static_cast<std::uint16_t>(layer.source.height / scaleY + 0.5));
        xcb_render_free_picture(c, picture);
    }
    return readTarget(connection, pool, *target);
}

}  // namespace x11
