#include "platform/sim/FrameRecycler.h"

#include <gtest/gtest.h>

// Storage goes back into use only once no frame holds it, and only at its own size: a
// frame still shown is never painted over.
TEST(FrameRecycler, UsesAgainOnlyStorageNoFrameHolds)
{
    sim::FrameRecycler recycler;
    desktop::PixelBufferRef shown = recycler.take(4, 2);
    const auto* first = shown.get();
    desktop::PixelBufferRef next = recycler.take(4, 2);
    EXPECT_NE(next.get(), first) << "a frame still shown was handed out again";

    shown.reset();
    EXPECT_EQ(recycler.take(4, 2).get(), first);
    const auto other = recycler.take(8, 8);
    EXPECT_EQ(other->width, 8);
    EXPECT_EQ(other->height, 8);
    EXPECT_NE(other.get(), next.get());
}
