#include "parking/display/VDSpec.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

namespace {

using parking::VDSpec;
using VDSpecTest = testsupport::SimDesktopTest;

TEST(VDSpecPadding, GrowsPixelsAndMillimetresInProportionToThePoints)
{
    const VDSpec retina{1512, 982, 3024, 1964, 60, 2, 344, 222, 1};
    const VDSpec padded = retina.padded(40);
    EXPECT_EQ(padded, (VDSpec{1552, 1022, 3104, 2044, 60, 2, 1552.0 / 1512 * 344, 1022.0 / 982 * 222, 1}));
    EXPECT_EQ(padded.summary(), "1552x1022点 3104x2044像素 2x 60Hz (源 #1)");

    // A fractional pad is truncated; pixels round halves away from zero.
    const VDSpec odd{3, 3, 5, 5, 59.94, 1.5, 30, 30, 7};
    const VDSpec grown = odd.padded(1.9);
    EXPECT_EQ(grown.pointWidth, 4);
    EXPECT_EQ(grown.pixelWidth, 7);                                             // 5 × 4/3 = 6.67
    EXPECT_EQ((VDSpec{2, 2, 3, 3, 60, 1.5, 1, 1, 7}).padded(1).pixelWidth, 5);  // 4.5
    EXPECT_EQ(grown.summary(), "4x4点 7x7像素 1x 59Hz (源 #7)");

    // A zero-sized mode cannot divide by zero.
    EXPECT_EQ((VDSpec{0, 0, 0, 0, 60, 1, 0, 0, 2}).padded(40).pointWidth, 40);
}

TEST_F(VDSpecTest, ReadsTheCurrentModeWithDefaultsForWhatTheDisplayDoesNotReport)
{
    const auto builtin = VDSpec::of(1);
    ASSERT_TRUE(builtin);
    EXPECT_EQ(*builtin, (VDSpec{1512, 982, 3024, 1964, 60, 2, 344, 222, 1}));

    desktop::DisplayInfo plain;
    plain.id = 2;
    plain.frame = core::Rect(1512, 0, 1920, 1080);
    plain.visibleFrame = plain.frame;
    plain.scale = 1;
    plain.mode = {1920, 1080, 1920, 1080, 0};
    plain.physicalSizeMM = {0, 300};
    world().addDisplay(plain);
    EXPECT_EQ(VDSpec::of(2), (VDSpec{1920, 1080, 1920, 1080, 60, 1, 344, 300, 2}));

    EXPECT_FALSE(VDSpec::of(99));
}

}  // namespace
