#include "platform/sim/WindowPainter.h"

#include <gtest/gtest.h>

namespace {

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
    const auto a = sim::paintWindow(window, 1.25, 123, 77);
    const auto b = sim::paintWindow(window, 1.25, 123, 77);
    ASSERT_EQ(a->width, 123);
    ASSERT_EQ(a->height, 77);
    ASSERT_EQ(a->bytesPerRow, 123 * 4);
    ASSERT_EQ(a->bytes.size(), std::size_t(123 * 4 * 77));
    EXPECT_EQ(a->bytes, b->bytes);
    for (std::size_t i = 3; i < a->bytes.size(); i += 4) ASSERT_EQ(a->bytes[i], 0xFF) << "byte " << i;

    // Within one frame (1/60 s) nothing moves.
    EXPECT_EQ(sim::paintWindow(window, 1.0, 50, 40)->bytes, sim::paintWindow(window, 1.0 + 1.0 / 120, 50, 40)->bytes);
    // Different windows look different.
    EXPECT_NE(pixelAt(*sim::paintWindow(windowNumbered(1), 0, 8, 8), 7, 7),
              pixelAt(*sim::paintWindow(windowNumbered(2), 0, 8, 8), 7, 7));
    // Degenerate sizes still give a picture.
    const auto tiny = sim::paintWindow(window, 3, 0, -5);
    EXPECT_EQ(tiny->width, 1);
    EXPECT_EQ(tiny->height, 1);
    EXPECT_EQ(tiny->bytes.size(), 4u);
}

// Staleness checks sample a few pixels; animated content must change wherever they look.
TEST(WindowPainterTest, AnimatedContentChangesEveryPixelFromFrameToFrame)
{
    const auto window = windowNumbered(7);
    auto previous = sim::paintWindow(window, 0, 64, 48);
    for (int frame = 1; frame <= 600; ++frame) {
        const auto next = sim::paintWindow(window, frame / 60.0 + 1e-9, 64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_NE(pixelAt(*previous, x, y), pixelAt(*next, x, y)) << "frame " << frame << " at " << x << "," << y;
        previous = next;
    }
}

}  // namespace
