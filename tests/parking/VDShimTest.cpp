#include "parking/display/VDShim.h"
#include "platform/sim/SimVirtualDisplays.h"
#include "support/SimDesktopTest.h"

#include <cstring>
#include <string>

namespace {

class VDShimTest : public testsupport::SimDesktopTest {
protected:
    static VDConfig config(std::uint32_t serial)
    {
        return VDConfig{1552, 1022, 3104, 2044, 60, 1, 355, 230, serial, "Glimra 1552x1022"};
    }

    std::string nameOf(VDHandle handle) { return desktop().displays->display(VDDisplayID(handle))->name; }
    sim::SimVirtualDisplays& service() { return static_cast<sim::SimVirtualDisplays&>(*desktop().virtualDisplays); }
};

TEST_F(VDShimTest, CreationRefusesWhatCannotBeADisplayWithOneErrorText)
{
    EXPECT_EQ(VDCreate(nullptr), nullptr);
    EXPECT_STREQ(VDLastError(), "VDConfig 为空");

    auto narrow = config(1);
    narrow.width = 1;
    EXPECT_EQ(VDCreate(&narrow), nullptr);
    EXPECT_STREQ(VDLastError(), "mode 尺寸不合法：1x1022 点");
    auto flat = config(1);
    flat.height = 1;
    EXPECT_EQ(VDCreate(&flat), nullptr);
    EXPECT_STREQ(VDLastError(), "mode 尺寸不合法：1552x1 点");

    const auto first = config(7);
    VDHandle made = VDCreate(&first);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(VDCreate(&first), nullptr) << "the serial number is taken";
    EXPECT_STREQ(VDLastError(), "initWithDescriptor 返回 nil（多半是 serialNum=7 撞车，换一个唯一值）");
    VDDestroy(made);
    EXPECT_TRUE(journalOf("virtualDisplay.destroy").size() == 1);
}

TEST_F(VDShimTest, TheSmallestDisplayTakesDefaultsForWhatTheCallerLeftOut)
{
    VDConfig tiny{2, 2, 0, 0, 0, 0, 10, 10, 9, nullptr};
    VDHandle handle = VDCreate(&tiny);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(VDDisplayID(handle), 0u);
    EXPECT_FALSE(VDIsTerminated(handle));
    EXPECT_EQ(nameOf(handle), "Glimra Display");

    clock().advance(5);  // the mode arrives
    // Pixels below the point size grow to it; a rate of 0 means 60 Hz.
    EXPECT_STREQ(VDModeSummary(handle),
                 "applied=1 hiDPI=0 settings.modes=1 display.modes=1 maxPixels=2x2 mm=10x10 serial=9 | mode(2x2@60) ");
    VDDestroy(handle);
}

TEST_F(VDShimTest, SummaryShowsTheModeOnlyOnceTheDisplayHasIt)
{
    const auto wanted = config(42);
    VDHandle handle = VDCreate(&wanted);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(nameOf(handle), "Glimra 1552x1022");
    EXPECT_STREQ(VDModeSummary(handle),
                 "applied=1 hiDPI=1 settings.modes=1 display.modes=0 maxPixels=3104x2044 mm=355x230 serial=42 | ");
    clock().advance(5);
    EXPECT_STREQ(VDModeSummary(handle),
                 "applied=1 hiDPI=1 settings.modes=1 display.modes=1 maxPixels=3104x2044 "
                 "mm=355x230 serial=42 | mode(1552x1022@60) ");
    VDDestroy(handle);
}

TEST_F(VDShimTest, RefusedSettingsStillHandOutTheDisplay)
{
    // HiDPI needs twice the points in pixels; these pixels only cover the points once.
    auto cramped = config(3);
    cramped.pixelsWide = cramped.width;
    cramped.pixelsHigh = cramped.height;
    VDHandle handle = VDCreate(&cramped);
    ASSERT_NE(handle, nullptr);
    EXPECT_STREQ(VDLastError(), "applySettings 返回 NO");
    EXPECT_EQ(std::string(VDModeSummary(handle)).rfind("applied=0 hiDPI=1 ", 0), 0u) << VDModeSummary(handle);
    VDDestroy(handle);
}

TEST_F(VDShimTest, WithoutTheServiceNothingIsMadeAndTheFirstMissingClassIsNamed)
{
    service().setOptions({.available = false});
    EXPECT_FALSE(VDAvailable());
    EXPECT_STREQ(VDLastError(), "缺少私有类 CGVirtualDisplay");
    VDSetErr("其他");
    const auto wanted = config(1);
    EXPECT_EQ(VDCreate(&wanted), nullptr);
    EXPECT_STREQ(VDLastError(), "缺少私有类 CGVirtualDisplay");
}

TEST_F(VDShimTest, NullHandlesAnswerAsNothing)
{
    EXPECT_EQ(VDDisplayID(nullptr), 0u);
    EXPECT_TRUE(VDIsTerminated(nullptr));
    EXPECT_STREQ(VDModeSummary(nullptr), "(nil)");
    VDDestroy(nullptr);
    EXPECT_TRUE(journal().empty());
}

TEST_F(VDShimTest, LongErrorsAreCutAtAWholeCharacter)
{
    VDSetErr("%s", std::string(600, 'a').c_str());
    EXPECT_EQ(std::strlen(VDLastError()), 511u);

    // 3-byte characters: 511 bytes would end inside the 171st.
    std::string wide;
    for (int i = 0; i < 300; ++i) wide += "屏";
    VDSetErr("%s", wide.c_str());
    EXPECT_EQ(std::string(VDLastError()), wide.substr(0, 510));
}

TEST_F(VDShimTest, TheSystemEndingADisplayIsSeenThroughTheHandle)
{
    const auto wanted = config(5);
    VDHandle handle = VDCreate(&wanted);
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(service().terminate(VDDisplayID(handle)));
    EXPECT_FALSE(VDIsTerminated(handle)) << "the handler runs on the main queue";
    clock().runUntilIdle();
    EXPECT_TRUE(VDIsTerminated(handle));
    VDDestroy(handle);
}

TEST_F(VDShimTest, ATerminationQueuedBeforeDestroyFindsNoFreedBox)
{
    const auto wanted = config(6);
    VDHandle handle = VDCreate(&wanted);
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(service().terminate(VDDisplayID(handle)));  // queues the handler
    VDDestroy(handle);
    clock().runUntilIdle();  // under the address sanitizer a freed box would show here
}

}  // namespace
