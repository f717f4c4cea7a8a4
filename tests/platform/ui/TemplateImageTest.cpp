#include "platform/ui/TemplateImage.h"

#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

namespace {

struct Coverage {
    int inked = 0;
    int opaque = 0;
    int offColour = 0;
};

Coverage coverage(const QImage& image, const QColor& color)
{
    Coverage seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 0) continue;
            ++seen.inked;
            if (pixel.alpha() < 255) continue;
            ++seen.opaque;
            if (pixel.rgb() != color.rgb()) ++seen.offColour;
        }
    return seen;
}

TEST(TemplateImage, TheMenuBarImageDrawsInTheColourAskedAtTraySizes)
{
    testsupport::ensureQtApplication();
    const auto image = ui::TemplateImage::named("GlimraMenuBar");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->naturalSize(), core::Size(17, 16));
    for (const int size : {16, 24}) {
        SCOPED_TRACE(size);
        const QColor color(200, 30, 90);
        const QImage drawn = image->render(QSize(size, size), color);
        ASSERT_EQ(drawn.size(), QSize(size, size));
        const Coverage seen = coverage(drawn, color);
        EXPECT_GT(seen.inked, size * size / 5) << "a visible glyph";
        EXPECT_LT(seen.inked, size * size) << "a mask, not a filled square";
        EXPECT_EQ(seen.offColour, 0) << "one colour only";
        EXPECT_LE(seen.inked - seen.opaque, 4 * 6) << "sharp: edges on whole pixels, only the round corners blend";
    }
    const QImage hiDpi = image->render(QSize(34, 32), Qt::white, 2);
    EXPECT_EQ(hiDpi.deviceIndependentSize(), QSizeF(17, 16));
}

TEST(TemplateImage, AnUnknownNameOrBrokenDrawingGivesNone)
{
    testsupport::ensureQtApplication();
    EXPECT_FALSE(ui::TemplateImage::named("NoSuchImage"));
    EXPECT_FALSE(ui::TemplateImage::fromSvg("<svg"));
}

}  // namespace
