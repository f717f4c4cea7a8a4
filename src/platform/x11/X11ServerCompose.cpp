#include "platform/x11/X11ServerCompose.h"

#include <xcb/render.h>
#include <xcb/xcb_renderutil.h>

#include <cstring>

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

}  // namespace

desktop::PixelBufferRef composeOnServer(Connection& connection, ShmPool* pool, const std::vector<Layer>& layers,
                                        int regionX, int regionY, int regionWidth, int regionHeight, int width,
                                        int height, bool opaqueBackground)
{
    if (width < 1 || height < 1 || regionWidth < 1 || regionHeight < 1) return nullptr;
    auto* c = connection.xcb();
    const DrawableInfo target{xcb_generate_id(c), width, height, 32, 0};
    const auto targetFormat = formatOf(connection, target);
    if (targetFormat == XCB_NONE) return nullptr;
    xcb_create_pixmap(c, 32, target.id, connection.root(), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height));
    const xcb_render_picture_t targetPicture = xcb_generate_id(c);
    xcb_render_create_picture(c, targetPicture, target.id, targetFormat, 0, nullptr);
    const xcb_rectangle_t whole{0, 0, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)};
    const xcb_render_color_t background{0, 0, 0, static_cast<std::uint16_t>(opaqueBackground ? 0xFFFF : 0)};
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, targetPicture, background, 1, &whole);

    const double scaleX = static_cast<double>(regionWidth) / width;
    const double scaleY = static_cast<double>(regionHeight) / height;
    const bool scaled = scaleX != 1 || scaleY != 1;
    for (const auto& layer : layers) {
        const auto format = formatOf(connection, layer.source);
        if (format == XCB_NONE) continue;
        const xcb_render_picture_t picture = xcb_generate_id(c);
        xcb_render_create_picture(c, picture, layer.source.id, format, 0, nullptr);
        if (scaled) {
            // The transform maps target pixels to source pixels.
            const xcb_render_transform_t transform{fixed(scaleX), 0, 0, 0, fixed(scaleY), 0, 0, 0, fixed(1)};
            xcb_render_set_picture_transform(c, picture, transform);
            static constexpr char bilinear[] = "bilinear";
            xcb_render_set_picture_filter(c, picture, sizeof bilinear - 1, bilinear, 0, nullptr);
        }
        const double left = (layer.x - regionX) / scaleX;
        const double top = (layer.y - regionY) / scaleY;
        xcb_render_composite(c, XCB_RENDER_PICT_OP_OVER, picture, XCB_NONE, targetPicture, 0, 0, 0, 0,
                             static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                             static_cast<std::uint16_t>(layer.source.width / scaleX + 0.5),
                             static_cast<std::uint16_t>(layer.source.height / scaleY + 0.5));
        xcb_render_free_picture(c, picture);
    }
    xcb_render_free_picture(c, targetPicture);
    auto image = readDrawable(connection, pool, target);
    xcb_free_pixmap(c, target.id);
    connection.flush();
    return image;
}

}  // namespace x11
