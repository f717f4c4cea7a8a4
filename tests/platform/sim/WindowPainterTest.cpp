#include "platform/sim/WindowPainter.h"
#include "support/PixelBytes.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

namespace {

using testsupport::pixelBytes;

sim::SimWindow windowNumbered(desktop::WindowID id)
{
    sim::SimWindow window;
    window.id = id;
    return window;
}

std::uint32_t pixelAt(const desktop::PixelBuffer& buffer, int x, int y)
{
    const std::uint8_t* p = buffer.row(y) + 4 * x;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

TEST(WindowPainterTest, SameInputsGiveTheSameOpaquePictureOfTheAskedSize)
{
    const auto window = windowNumbered(4242);
    const auto a = sim::paintWindow(window, "Editor", 1.25, 123, 77);
    const auto b = sim::paintWindow(window, "Editor", 1.25, 123, 77);
    ASSERT_EQ(a->width, 123);
    ASSERT_EQ(a->height, 77);
    ASSERT_EQ(a->bytesPerRow, 123 * 4);
    const auto bytes = pixelBytes(*a);
    ASSERT_EQ(bytes.size(), std::size_t(123 * 4 * 77));
    EXPECT_EQ(bytes, pixelBytes(*b));
    for (std::size_t i = 3; i < bytes.size(); i += 4) ASSERT_EQ(bytes[i], 0xFF) << "byte " << i;

    // Within one frame (1/60 s) nothing moves.
    EXPECT_EQ(pixelBytes(*sim::paintWindow(window, "Editor", 1.0, 50, 40)),
              pixelBytes(*sim::paintWindow(window, "Editor", 1.0 + 1.0 / 120, 50, 40)));
    // Different windows look different.
    EXPECT_NE(pixelAt(*sim::paintWindow(windowNumbered(1), "", 0, 8, 8), 7, 7),
              pixelAt(*sim::paintWindow(windowNumbered(2), "", 0, 8, 8), 7, 7));
    // Degenerate sizes still give a picture.
    const auto tiny = sim::paintWindow(window, "Editor", 3, 0, -5);
    EXPECT_EQ(tiny->width, 1);
    EXPECT_EQ(tiny->height, 1);
    EXPECT_EQ(tiny->byteCount(), 4u);
}

// Staleness checks sample a few pixels; animated content must change wherever they look.
TEST(WindowPainterTest, AnimatedContentChangesEveryPixelFromFrameToFrame)
{
    testsupport::ensureQtApplication();
    auto window = windowNumbered(7);
    window.title = "Notes";  // the title strip's text too
    auto previous = sim::paintWindow(window, "Editor", 0, 64, 48);
    for (int frame = 1; frame <= 600; ++frame) {
        const auto next = sim::paintWindow(window, "Editor", frame / 60.0 + 1e-9, 64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_NE(pixelAt(*previous, x, y), pixelAt(*next, x, y)) << "frame " << frame << " at " << x << "," << y;
        previous = next;
    }
}

}  // namespace

namespace {

bool hasDarkPixel(const desktop::PixelBuffer& buffer, int rowFrom, int rowTo)
{
    for (int y = rowFrom; y < rowTo; ++y)
        for (int x = 0; x < buffer.width; ++x)
            if (((pixelAt(buffer, x, y) >> 8) & 0xFF) < 0x60) return true;
    return false;
}

TEST(WindowPainterTest, TitleStripNamesTheApplicationAndTheWindowAtTheTopAtTheDisplayScale)
{
    testsupport::ensureQtApplication();
    auto window = windowNumbered(4242);
    window.frame = core::Rect(100, 100, 400, 300);
    window.title = "Notes";
    const auto notes = sim::paintWindow(window, "Editor", 0, 800, 600);  // 24 points at scale 2
    window.title = "Draft";
    const auto draft = sim::paintWindow(window, "Editor", 0, 800, 600);

    EXPECT_TRUE(hasDarkPixel(*notes, 0, 48)) << "the title is written";
    const std::size_t stripBytes = std::size_t(48) * notes->bytesPerRow;
    const auto notesBytes = pixelBytes(*notes);
    const auto draftBytes = pixelBytes(*draft);
    EXPECT_NE(std::vector<std::uint8_t>(notesBytes.begin(), notesBytes.begin() + stripBytes),
              std::vector<std::uint8_t>(draftBytes.begin(), draftBytes.begin() + stripBytes));
    EXPECT_TRUE(std::equal(notesBytes.begin() + stripBytes, notesBytes.end(), draftBytes.begin() + stripBytes))
        << "the title changes nothing below the strip";
    // The strip is light, whatever the window's colours.
    EXPECT_GE((pixelAt(*notes, 2, 2) >> 16) & 0xF0, 0xD0u);

    // Where the strip would fill half the picture, there is none.
    const auto thumbnail = sim::paintWindow(window, "Editor", 0, 40, 30);
    EXPECT_EQ(pixelAt(*thumbnail, 1, 1), pixelAt(*sim::paintWindow(window, "Other", 0, 40, 30), 1, 1));
}

}  // namespace
