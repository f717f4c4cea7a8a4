#include "platform/sim/FrameRecycler.h"
#include "support/PixelBytes.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using testsupport::pixelBytes;

sim::WindowPicture pictureAt(std::uint64_t frameIndex, int width = 64, int height = 48)
{
    sim::WindowPicture picture;
    picture.window = 4242;
    picture.title = "Notes";
    picture.appName = "Editor";
    picture.pointsHigh = 24;
    picture.frameIndex = frameIndex;
    picture.width = width;
    picture.height = height;
    return picture;
}

// The same picture painted into a buffer of its own.
std::vector<std::uint8_t> fresh(const sim::WindowPicture& picture)
{
    desktop::PixelBuffer buffer(picture.width, picture.height);
    sim::paintPicture(picture, buffer.data());
    return pixelBytes(buffer);
}

// Storage goes back into use only once no frame holds it, and only at its own size: a
// frame still shown is never painted over, read or not, and a frame in used storage
// carries the same pixels as one painted afresh.
TEST(FrameRecycler, NeverPaintsOverAHeldFrameAndReusedStorageShowsTheFreshPicture)
{
    sim::FrameRecycler recycler;
    const desktop::PixelBufferRef shown = recycler.frame(pictureAt(1));
    const auto shownPixels = pixelBytes(*shown);
    const desktop::PixelBufferRef unread = recycler.frame(pictureAt(2));

    std::vector<const desktop::PixelBuffer*> used;
    for (std::uint64_t index = 3; index < 40; ++index) {
        const auto next = recycler.frame(pictureAt(index));
        ASSERT_NE(next.get(), shown.get()) << "a frame still shown was handed out again";
        ASSERT_NE(next.get(), unread.get()) << "a frame still held was handed out again";
        if (index % 3 == 0) {
            ASSERT_EQ(pixelBytes(*next), fresh(pictureAt(index))) << "frame " << index;
        }
        used.push_back(next.get());
    }
    EXPECT_LE(std::set<const desktop::PixelBuffer*>(used.begin(), used.end()).size(), 2u)
        << "released storage was not used again";
    EXPECT_EQ(pixelBytes(*shown), shownPixels);
    const desktop::PixelBuffer copy = *unread;
    EXPECT_EQ(pixelBytes(copy), fresh(pictureAt(2)));
    EXPECT_EQ(pixelBytes(*unread), fresh(pictureAt(2)));

    const auto other = recycler.frame(pictureAt(40, 80, 60));
    EXPECT_EQ(other->width, 80);
    EXPECT_EQ(other->height, 60);
    EXPECT_EQ(pixelBytes(*other), fresh(pictureAt(40, 80, 60)));
}

// An unchanged picture is the buffer handed out last, painted once; a changed one is not.
TEST(FrameRecycler, AnUnchangedPictureIsTheSameBuffer)
{
    sim::FrameRecycler recycler;
    const auto first = recycler.frame(pictureAt(7));
    EXPECT_EQ(recycler.frame(pictureAt(7)).get(), first.get());
    auto retitled = pictureAt(7);
    retitled.title = "Draft";
    const auto changed = recycler.frame(retitled);
    EXPECT_NE(changed.get(), first.get());
    EXPECT_EQ(pixelBytes(*changed), fresh(retitled));
    EXPECT_EQ(pixelBytes(*first), fresh(pictureAt(7)));
}

}  // namespace
