#include "platform/ui/PixelImage.h"

#include <gtest/gtest.h>

// A picture of a window without alpha keeps whatever padding the server wrote: the image
// made of it for the menu's thumbnails is opaque all the same. A picture with alpha is
// its own pixels.
TEST(PixelImageTest, AnOpaquePicturesPaddingBecomesOpaqueAlpha)
{
    desktop::PixelBuffer opaque(4, 2);
    opaque.opaque = true;
    for (std::size_t i = 0; i < opaque.bytes.size(); i += 4) opaque.bytes[i + 2] = 0xC0;  // red, padding 0
    const QImage image = ui::pixelImage(opaque, QImage::Format_ARGB32);
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.pixel(3, 1), qRgba(0xC0, 0, 0, 0xFF));
    EXPECT_EQ(opaque.bytes[3], 0) << "the picture itself was changed";

    desktop::PixelBuffer translucent(4, 2);
    const QImage wrapped = ui::pixelImage(translucent, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(wrapped.constBits(), translucent.bytes.data());
    EXPECT_EQ(qAlpha(wrapped.pixel(0, 0)), 0);
}
