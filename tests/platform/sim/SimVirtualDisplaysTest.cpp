#include "platform/dispatch/Queue.h"
#include "platform/sim/SimVirtualDisplays.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

namespace {

class SimVirtualDisplaysTest : public testsupport::SimDesktopTest {
protected:
    desktop::VirtualDisplayDescriptor descriptor(std::uint32_t serial)
    {
        desktop::VirtualDisplayDescriptor d;
        d.name = "Glimra 1920x1080";
        d.maxPixelsWide = 3840;
        d.maxPixelsHigh = 2160;
        d.sizeInMillimeters = {600, 340};
        d.serialNum = serial;
        return d;
    }
};

TEST_F(SimVirtualDisplaysTest, CreateGetsItsModeLaterAndDestroyOnRelease)
{
    int notices = 0;
    desktop().displays->addConfigurationObserver([&] { ++notices; });
    auto& service = *desktop().virtualDisplays;
    EXPECT_TRUE(service.available());

    auto display = service.create(descriptor(7));
    ASSERT_TRUE(display);
    EXPECT_FALSE(service.create(descriptor(7))) << "the serial number is in use";
    const auto id = display->displayID();
    auto info = desktop().displays->display(id);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isVirtual);
    EXPECT_FALSE(info->isMain);
    EXPECT_EQ(info->name, "Glimra 1920x1080");
    EXPECT_EQ(info->frame.x(), 1512) << "placed right of the other displays";
    clock().runUntilIdle();
    EXPECT_EQ(notices, 1);

    EXPECT_FALSE(display->applySettings({true, {{4000, 2000, 60}}})) << "larger than its pixels allow";
    ASSERT_TRUE(display->applySettings({true, {{1920, 1080, 0}}}));
    EXPECT_TRUE(display->modes().empty());
    // The loop the application runs: poll until the mode is there.
    int polls = 0;
    while (display->modes().empty() && polls < 20) {
        dispatch::sleepFor(0.25);
        ++polls;
    }
    ASSERT_EQ(display->modes().size(), 1u);
    EXPECT_EQ(polls, 4);
    EXPECT_EQ(display->modes()[0].refreshRate, 60);
    info = desktop().displays->display(id);
    EXPECT_EQ(info->frame.size, (core::Size{1920, 1080}));
    EXPECT_EQ(info->scale, 2);
    EXPECT_EQ(info->mode.pixelWidth, 3840);
    clock().runUntilIdle();
    EXPECT_EQ(notices, 2);

    display.reset();
    EXPECT_FALSE(desktop().displays->display(id));
    clock().runUntilIdle();
    EXPECT_EQ(notices, 3);
    const auto again = service.create(descriptor(7));
    EXPECT_TRUE(again) << "the serial number is free again";
    EXPECT_EQ(journalOf("virtualDisplay.create").size(), 3u);
    EXPECT_EQ(journalOf("virtualDisplay.destroy").size(), 1u);
}

TEST_F(SimVirtualDisplaysTest, TheSystemMayEndADisplay)
{
    bool ended = false;
    auto d = descriptor(9);
    d.terminationHandler = [&] {
        EXPECT_TRUE(dispatch::main().isCurrent());
        ended = true;
    };
    auto display = desktop().virtualDisplays->create(d);
    ASSERT_TRUE(display);
    world().removeDisplay(display->displayID());
    EXPECT_TRUE(display->isTerminated());
    EXPECT_FALSE(display->applySettings({false, {{1280, 720, 60}}}));
    clock().runUntilIdle();
    EXPECT_TRUE(ended);
    display.reset();
    EXPECT_TRUE(journalOf("virtualDisplay.destroy").empty());
}

}  // namespace
