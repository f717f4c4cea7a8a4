#include "platform/x11/X11ClientFactsCache.h"
#include "platform/x11/X11ClientPid.h"
#include "platform/x11/X11FrameGeometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <unistd.h>
#include <vector>

namespace {

constexpr xcb_window_t root = 0x50d;

TEST(X11ClientList, TakesTheFrontmostOfAFloodWithoutTheRootOrRepeats)
{
    // Bottom to top, as EWMH lists: the front is the end.
    EXPECT_EQ(x11::frontToBack({0x200001, 0x400001, 0x200001, root, 0, 0x600001}, root),
              (std::vector<xcb_window_t>{0x600001, 0x200001, 0x400001}));

    std::vector<std::uint32_t> flood(100000);
    std::iota(flood.begin(), flood.end(), 1u);
    const auto ids = x11::frontToBack(flood, root);
    ASSERT_EQ(ids.size(), x11::maxListedClients);
    EXPECT_EQ(ids.front(), 100000u);
    EXPECT_EQ(ids.back(), 100000u - x11::maxListedClients + 1);
    EXPECT_EQ(x11::frontToBack(flood, root, 3), (std::vector<xcb_window_t>{100000, 99999, 99998}));
}

TEST(X11ClientList, OnlyTopLevelAndManagedWindowsAreClients)
{
    EXPECT_TRUE(x11::isListableClient(0x200001, root, root, false));       // unmanaged top-level
    EXPECT_TRUE(x11::isListableClient(0x200001, root, 0x800010, true));    // in a frame, WM_STATE set
    EXPECT_FALSE(x11::isListableClient(0x200002, root, 0x200001, false));  // an inner child
    EXPECT_FALSE(x11::isListableClient(root, root, XCB_WINDOW_NONE, false));
    EXPECT_FALSE(x11::isListableClient(XCB_WINDOW_NONE, root, root, false));
}

TEST(X11ClientList, AWindowClaimingOurPidIsNotTakenForOurs)
{
    EXPECT_EQ(x11::declaredPid({4321}), 4321);
    EXPECT_FALSE(x11::declaredPid({static_cast<std::uint32_t>(::getpid())})) << "only the server says a window is ours";
    EXPECT_FALSE(x11::declaredPid({}));
    EXPECT_FALSE(x11::declaredPid({0}));
    EXPECT_FALSE(x11::declaredPid({0xFFFFFFFF}));
}

TEST(X11FrameExtents, AClientsClaimIsBoundedByTheScreen)
{
    const core::Size screen{1920, 1080};
    const auto hostile = x11::clampedToScreen(x11::extentsOf({0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}), screen);
    EXPECT_EQ(hostile.left, 1920);
    EXPECT_EQ(hostile.right, 1920);
    EXPECT_EQ(hostile.top, 1080);
    EXPECT_EQ(hostile.bottom, 1080);

    const auto ordinary = x11::clampedToScreen(x11::extentsOf({1, 2, 24, 4}), screen);
    EXPECT_EQ(ordinary.left, 1);
    EXPECT_EQ(ordinary.right, 2);
    EXPECT_EQ(ordinary.top, 24);
    EXPECT_EQ(ordinary.bottom, 4);
    // Fewer than four values name no decoration.
    EXPECT_EQ(x11::extentsOf({5, 5}).top, 0);
}

TEST(X11FrameExtents, TheShownPartOfAFrameLeavesOutWhatTheUserDoesNotSee)
{
    // metacity: invisible borders to resize by around a visible border of one pixel.
    EXPECT_EQ(x11::shownPart({452, 386}, {26, 60, 400, 300}, {1, 1, 37, 1}, {}), (x11::PixelRect{25, 23, 402, 338}));
    // A client drawing its own decorations inside a shadow, undecorated by the manager.
    EXPECT_EQ(x11::shownPart({440, 340}, {0, 0, 440, 340}, {}, {20, 20, 16, 24}), (x11::PixelRect{20, 16, 400, 300}));
    // Extents no window has leave nothing to cut: the whole picture.
    EXPECT_EQ(x11::shownPart({402, 325}, {1, 24, 400, 300}, {}, {300, 300, 0, 0}), (x11::PixelRect{0, 0, 402, 325}));
}

}  // namespace
