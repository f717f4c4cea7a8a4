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

    sim::SimVirtualDisplays& service() { return dynamic_cast<sim::SimVirtualDisplays&>(*desktop().virtualDisplays); }
    desktop::Displays& displays() { return *desktop().displays; }

    std::unique_ptr<desktop::VirtualDisplay> makeDisplay(std::uint32_t serial, std::function<void()> onEnd = {})
    {
        auto d = descriptor(serial);
        d.terminationHandler = std::move(onEnd);
        return service().create(d);
    }

    bool listed(desktop::DisplayID id)
    {
        const auto list = displays().activeDisplays();
        return std::any_of(list.begin(), list.end(), [&](const auto& d) { return d.id == id; });
    }

    std::vector<std::string> journalKinds() const
    {
        std::vector<std::string> kinds;
        for (const auto& line : journal()) kinds.push_back(line["do"]);
        return kinds;
    }
};

TEST_F(SimVirtualDisplaysTest, ADisplayHasNoModeUntilItsSettingsBringOne)
{
    int notices = 0;
    displays().addConfigurationObserver([&] { ++notices; });
    EXPECT_TRUE(service().available());

    auto display = makeDisplay(7);
    ASSERT_TRUE(display);
    EXPECT_FALSE(makeDisplay(7)) << "the serial number is in use";
    const auto id = display->displayID();
    auto info = displays().display(id);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isVirtual);
    EXPECT_FALSE(info->isMain);
    EXPECT_EQ(info->name, "Glimra 1920x1080");
    EXPECT_EQ(info->frame.x(), 1512) << "placed right of the other displays";
    EXPECT_EQ(displays().currentMode(id), std::nullopt) << "listed, but without a mode";
    EXPECT_EQ(displays().displayAt({1600, 10}), id);
    clock().runUntilIdle();
    EXPECT_EQ(notices, 1);

    EXPECT_FALSE(display->applySettings({true, {{4000, 2000, 60}}})) << "larger than its pixels allow";
    ASSERT_TRUE(display->applySettings({true, {{1920, 1080, 0}}}));
    EXPECT_TRUE(display->modes().empty());
    dispatch::sleepFor(0.999);
    EXPECT_EQ(displays().currentMode(id), std::nullopt);
    EXPECT_TRUE(display->modes().empty());
    dispatch::sleepFor(0.001);
    const auto mode = displays().currentMode(id);
    ASSERT_TRUE(mode) << "a second after the settings";
    EXPECT_EQ(mode->width, 1920);
    EXPECT_EQ(mode->pixelWidth, 3840);
    ASSERT_EQ(display->modes().size(), 1u);
    EXPECT_EQ(display->modes()[0].refreshRate, 60);
    info = displays().display(id);
    EXPECT_EQ(info->frame.size, (core::Size{1920, 1080}));
    EXPECT_EQ(info->scale, 2);
    clock().runUntilIdle();
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(journalOf("virtualDisplay.create").size(), 2u);
}

TEST_F(SimVirtualDisplaysTest, TheModeDelayIsASettingAndMayBeForever)
{
    service().setOptions({.modeDelay = 2.5});
    auto slow = makeDisplay(1);
    ASSERT_TRUE(slow->applySettings({false, {{1280, 720, 60}}}));
    clock().advance(2.4);
    EXPECT_FALSE(displays().currentMode(slow->displayID()));
    clock().advance(0.1);
    EXPECT_TRUE(displays().currentMode(slow->displayID())) << "arrives by itself, without anyone asking";

    service().setOptions({.modeDelay = std::nullopt});
    auto never = makeDisplay(2);
    EXPECT_TRUE(never->applySettings({false, {{1280, 720, 60}}})) << "the settings are taken";
    clock().advance(600);
    EXPECT_FALSE(displays().currentMode(never->displayID()));
    EXPECT_TRUE(never->modes().empty());
    EXPECT_TRUE(displays().display(never->displayID())) << "listed all the same";
}

TEST_F(SimVirtualDisplaysTest, AReleasedDisplayStaysListedUntilTheNextCommit)
{
    auto display = makeDisplay(7);
    const auto id = display->displayID();
    ASSERT_TRUE(display->applySettings({false, {{1280, 720, 60}}}));
    display.reset();
    ASSERT_TRUE(listed(id)) << "an ended display lingers";
    EXPECT_TRUE(displays().display(id)->isVirtual);
    EXPECT_EQ(displays().displayAt({1600, 10}), id);
    clock().advance(5);
    EXPECT_FALSE(displays().currentMode(id)) << "a display that ended before its mode never gets one";
    const auto again = makeDisplay(7);
    EXPECT_TRUE(again) << "its serial number is free at once";

    int notices = 0;
    displays().addConfigurationObserver([&] { ++notices; });
    EXPECT_EQ(displays().commitConfiguration({}), 0);
    EXPECT_FALSE(listed(id)) << "an empty commit sweeps it out";
    clock().runUntilIdle();
    EXPECT_EQ(notices, 1);

    const auto kinds = journalKinds();
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(kinds.end() - 3, kinds.end()),
              (std::vector<std::string>{"virtualDisplay.destroy", "virtualDisplay.create", "display.configure"}));
    EXPECT_EQ(journal().back()["changes"], nlohmann::json::array());
    EXPECT_EQ(journal().back()["result"], 0);
}

TEST_F(SimVirtualDisplaysTest, LingeringLastsTheSetNumberOfCommitsOrForever)
{
    service().setOptions({.lingerCommits = 2});
    auto twice = makeDisplay(1);
    const auto twiceID = twice->displayID();
    twice.reset();
    EXPECT_EQ(displays().commitConfiguration({{twiceID, 5000, 5000}}), 0) << "a lingering display can still be moved";
    EXPECT_TRUE(listed(twiceID));
    EXPECT_EQ(displays().commitConfiguration({{999, 0, 0}}), 1001);
    EXPECT_TRUE(listed(twiceID)) << "a failed commit does not count";
    displays().commitConfiguration({});
    EXPECT_FALSE(listed(twiceID));

    service().setOptions({.lingerCommits = std::nullopt});
    auto lastsForever = makeDisplay(2);
    const auto foreverID = lastsForever->displayID();
    lastsForever.reset();
    for (int i = 0; i < 5; ++i) displays().commitConfiguration({});
    EXPECT_TRUE(listed(foreverID));

    service().setOptions({.lingerCommits = 0});
    auto gone = makeDisplay(3);
    const auto goneID = gone->displayID();
    gone.reset();
    EXPECT_FALSE(listed(goneID)) << "no lingering at all";
    EXPECT_EQ(journalOf("virtualDisplay.destroy").size(), 3u);
}

TEST_F(SimVirtualDisplaysTest, WindowsOnADisplayThatLeavesMoveOntoThePrimary)
{
    addApp(200, "Notes");
    auto display = makeDisplay(7);
    const auto frame = displays().display(display->displayID())->frame;
    const auto parked = addWindow(200, 21, {frame.x() + 100, frame.y() + 100, 600, 400}, "Parked");
    display.reset();
    EXPECT_EQ(world().window(parked)->frame.x(), frame.x() + 100) << "still on the lingering display";

    displays().commitConfiguration({});
    const auto moved = world().window(parked)->frame;
    EXPECT_EQ(moved.size, (core::Size{600, 400}));
    EXPECT_EQ(displays().displayAt({moved.midX(), moved.midY()}), 1u);
}

TEST_F(SimVirtualDisplaysTest, TheSystemCanTerminateADisplay)
{
    EXPECT_FALSE(service().terminate()) << "no virtual display yet";
    int ended = 0;
    const auto onEnd = [&] {
        EXPECT_TRUE(dispatch::main().isCurrent());
        ++ended;
    };
    auto first = makeDisplay(1, onEnd);
    auto second = makeDisplay(2, onEnd);
    ASSERT_TRUE(first->applySettings({false, {{1280, 720, 60}}}));

    ASSERT_TRUE(service().terminate());
    EXPECT_TRUE(first->isTerminated()) << "the first listed one by default";
    EXPECT_FALSE(second->isTerminated());
    EXPECT_EQ(ended, 0) << "the handler runs on the main queue, later";
    clock().runUntilIdle();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(first->applySettings({false, {{1280, 720, 60}}}));
    clock().advance(2);
    EXPECT_TRUE(first->modes().empty()) << "its pending mode never comes";
    EXPECT_TRUE(listed(first->displayID())) << "it lingers";

    EXPECT_FALSE(service().terminate(first->displayID())) << "already ended";
    ASSERT_TRUE(service().terminate()) << "the next one that has not ended";
    EXPECT_TRUE(second->isTerminated());
    EXPECT_FALSE(service().terminate());
    clock().runUntilIdle();
    EXPECT_EQ(ended, 2);

    const auto id = first->displayID();
    first.reset();
    EXPECT_TRUE(listed(id));
    EXPECT_EQ(journalOf("virtualDisplay.destroy").size(), 1u) << "the application still released it";
    int notices = 0;
    displays().addConfigurationObserver([&] { ++notices; });
    displays().commitConfiguration({});
    EXPECT_FALSE(listed(id));
    EXPECT_FALSE(listed(second->displayID())) << "one commit sweeps out every ended display";
    clock().runUntilIdle();
    EXPECT_EQ(notices, 1);
    second.reset();
    EXPECT_EQ(ended, 2) << "no handler for a display that ended already";
    EXPECT_EQ(journalOf("virtualDisplay.destroy").size(), 2u);
}

TEST_F(SimVirtualDisplaysTest, DisplaysDeclaredVirtualAndRemovedOnesEndToo)
{
    desktop::DisplayInfo declared;
    declared.id = 60;
    declared.frame = {1512, 982, 1552, 1022};
    declared.isVirtual = true;
    world().addDisplay(declared);
    ASSERT_TRUE(service().terminate(60));
    EXPECT_TRUE(listed(60));
    displays().commitConfiguration({});
    EXPECT_FALSE(listed(60));

    bool ended = false;
    auto display = makeDisplay(9, [&] { ended = true; });
    world().removeDisplay(display->displayID());
    EXPECT_TRUE(display->isTerminated()) << "a display taken out of the list has ended";
    clock().runUntilIdle();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(service().terminate(display->displayID()));
}

TEST_F(SimVirtualDisplaysTest, AnUnavailableServiceMakesNothing)
{
    service().setOptions({.available = false});
    EXPECT_FALSE(service().available());
    EXPECT_FALSE(makeDisplay(1));
    EXPECT_EQ(displays().activeDisplays().size(), 1u);
    service().setOptions({});
    EXPECT_TRUE(makeDisplay(1)) << "a refused serial number was not taken";
}

}  // namespace
