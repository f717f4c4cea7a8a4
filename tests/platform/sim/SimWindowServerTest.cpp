#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorld.h"
#include "support/PixelBytes.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

namespace {

using desktop::WindowListOption;
using testing::ElementsAre;

class SimWindowServerTest : public testsupport::SimDesktopTest {
protected:
    std::vector<desktop::WindowID> numbers(WindowListOption option, desktop::WindowID relativeTo = 0,
                                           bool excludeDesktop = false)
    {
        std::vector<desktop::WindowID> ids;
        const auto list = desktop().windowServer->windowList(option, relativeTo, excludeDesktop);
        for (const auto& info : *list) ids.push_back(info.number);
        return ids;
    }

    std::vector<std::uint8_t> image(desktop::WindowID id)
    {
        const auto picture = desktop().windowServer->windowImage(id);
        return picture ? testsupport::pixelBytes(*picture) : std::vector<std::uint8_t>{};
    }

    desktop::WindowID ownWindow(const core::Rect& frame, long level, bool visible = true)
    {
        desktop::OwnWindowState state;
        state.title = "Mini";
        state.frame = frame;
        state.level = level;
        state.visible = visible;
        return desktop().windowServer->registerOwnWindow(state, nullptr, nullptr);
    }
};

TEST_F(SimWindowServerTest, ListsFrontToBackWithLayersFirstAndOnScreenFlags)
{
    addApp(501, "Editor", "com.example.editor");
    addApp(502, "Viewer");
    addWindow(501, 11, {0, 0, 400, 300}, "Notes");
    addWindow(502, 21, {100, 100, 400, 300});
    addWindow(502, 22, {0, 0, 1512, 25}, "", desktop::level::mainMenu);
    addWindow(501, 12, {600, 100, 300, 300});
    addWindow(502, 23, {0, 0, 100, 100}, "", sim::desktopIconLayer);
    world().setMinimized(12, true);

    EXPECT_THAT(numbers(WindowListOption::all), ElementsAre(22, 12, 21, 11, 23));
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(22, 21, 11, 23));
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly, 0, true), ElementsAre(22, 21, 11));
    EXPECT_THAT(numbers(WindowListOption::onScreenAboveWindow, 11), ElementsAre(22, 21));
    EXPECT_THAT(numbers(WindowListOption::onScreenBelowWindow, 21), ElementsAre(11, 23));
    EXPECT_THAT(numbers(WindowListOption::onScreenAboveWindow, 999), ElementsAre());
    // The relative window alone, on screen or not.
    EXPECT_THAT(numbers(WindowListOption::includingWindow, 12), ElementsAre(12));
    EXPECT_THAT(numbers(WindowListOption::includingWindow, 999), ElementsAre());

    const auto list = *desktop().windowServer->windowList(WindowListOption::includingWindow, 11);
    EXPECT_EQ(list[0].ownerPid, 501);
    EXPECT_EQ(list[0].ownerName, "Editor");
    EXPECT_EQ(list[0].name, "Notes");
    EXPECT_EQ(list[0].layer, 0);
    EXPECT_EQ(list[0].bounds, core::Rect(0, 0, 400, 300));
    EXPECT_EQ(list[0].isOnscreen, true);
    EXPECT_EQ((*desktop().windowServer->windowList(WindowListOption::includingWindow, 12))[0].isOnscreen, false);

    // Hiding an application takes its windows off screen; the full list keeps them.
    world().setHidden(502, true);
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(11));
    EXPECT_THAT(numbers(WindowListOption::all), ElementsAre(22, 12, 21, 11, 23));
}

TEST_F(SimWindowServerTest, OffscreenAndOwnWindowsAtTheirLevels)
{
    addApp(501, "Editor");
    addWindow(501, 11, {0, 0, 400, 300});
    sim::SimWindow elsewhere;
    elsewhere.id = 12;
    elsewhere.pid = 501;
    elsewhere.frame = {0, 0, 400, 300};
    elsewhere.offscreen = true;
    world().addWindow(elsewhere);

    const auto panel = ownWindow({10, 10, 200, 120}, desktop::level::floating);
    const auto overlay = ownWindow({0, 0, 1512, 982}, desktop::level::screenSaver, false);
    const auto second = ownWindow({300, 10, 200, 120}, desktop::level::floating);
    EXPECT_THAT(numbers(WindowListOption::all), ElementsAre(overlay, second, panel, 12, 11));
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(second, panel, 11));

    desktop().windowServer->orderOwnWindowFront(panel);
    desktop::OwnWindowState shown{"Overlay", {0, 0, 1512, 982}, desktop::level::screenSaver, 1, true, true};
    desktop().windowServer->updateOwnWindow(overlay, shown);
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(overlay, panel, second, 11));

    const auto info = (*desktop().windowServer->windowList(WindowListOption::includingWindow, panel))[0];
    EXPECT_EQ(info.ownerPid, world().ownPid());
    EXPECT_EQ(info.ownerName, "Glimra");
    EXPECT_EQ(info.layer, desktop::level::floating);

    // Activating another application does not lift it over own windows of higher levels.
    world().setFrontmost(501);
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(overlay, panel, second, 11));

    desktop().windowServer->unregisterOwnWindow(panel);
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(overlay, second, 11));
}

TEST_F(SimWindowServerTest, ImagesHaveThePixelSizeOfTheResolution)
{
    addApp(501, "Editor");
    addWindow(501, 11, {0, 0, 400, 300});
    const auto nominal = desktop().windowServer->windowImage(11, desktop::ImageResolution::nominal);
    const auto best = desktop().windowServer->windowImage(11, desktop::ImageResolution::best);
    ASSERT_TRUE(nominal && best);
    EXPECT_EQ(nominal->width, 400);
    EXPECT_EQ(nominal->height, 300);
    EXPECT_EQ(best->width, 800);
    EXPECT_EQ(best->height, 600);

    world().setMinimized(11, true);
    EXPECT_FALSE(desktop().windowServer->windowImage(11));
    EXPECT_FALSE(desktop().windowServer->windowImage(404));

    desktop::OwnWindowState state{"Mini", {0, 0, 100, 50}, desktop::level::floating, 1, true, false};
    double askedScale = 0;
    const auto own = desktop().windowServer->registerOwnWindow(
        state,
        [&](double scale) {
            askedScale = scale;
            return std::make_shared<const desktop::PixelBuffer>(static_cast<int>(100 * scale),
                                                                static_cast<int>(50 * scale));
        },
        nullptr);
    const auto picture = desktop().windowServer->windowImage(own, desktop::ImageResolution::best);
    ASSERT_TRUE(picture);
    EXPECT_EQ(askedScale, 2);
    EXPECT_EQ(picture->width, 200);
}

// A fully covered window stops drawing; a partly covered one keeps drawing; uncovering
// resumes; on a virtual display covering changes nothing.
TEST_F(SimWindowServerTest, CoveredWindowsFreezeTheirContent)
{
    addApp(501, "Editor");
    addApp(502, "Cover");
    addWindow(501, 11, {100, 100, 400, 300});
    addWindow(502, 21, {600, 100, 400, 300});

    auto before = image(11);
    clock().advance(0.5);
    EXPECT_NE(image(11), before) << "an uncovered animated window draws";

    world().setFrame(21, {50, 50, 300, 400});
    before = image(11);
    clock().advance(0.5);
    EXPECT_NE(image(11), before) << "a partly covered window draws";

    world().setFrame(21, {50, 50, 500, 400});
    EXPECT_TRUE(world().isCovered(11));
    before = image(11);
    clock().advance(0.5);
    EXPECT_EQ(image(11), before) << "a fully covered window is frozen";
    clock().advance(2);
    EXPECT_EQ(image(11), before);

    world().setMinimized(21, true);
    clock().advance(0.5);
    EXPECT_NE(image(11), before) << "uncovering resumes drawing";

    desktop::DisplayInfo park;
    park.id = 2;
    park.frame = {1512, 0, 1000, 800};
    park.visibleFrame = park.frame;
    park.isVirtual = true;
    world().addDisplay(park);
    world().setFrame(11, {1600, 100, 400, 300});
    world().setFrame(21, {1550, 50, 500, 400});
    world().setMinimized(21, false);
    before = image(11);
    clock().advance(0.5);
    EXPECT_NE(image(11), before) << "a window on a virtual display keeps drawing under cover";
}

TEST_F(SimWindowServerTest, SwitchesHideVirtualDisplaysFromOnScreenListsOrEveryList)
{
    desktop::DisplayInfo park;
    park.id = 2;
    park.frame = {1512, 982, 1552, 1022};
    park.isVirtual = true;
    world().addDisplay(park);
    addApp(501, "Editor");
    addWindow(501, 11, {100, 100, 400, 300});
    addWindow(501, 12, {1600, 1000, 400, 300});  // on the virtual display
    addWindow(501, 13, {1400, 900, 400, 300});   // its centre on the virtual display
    addWindow(501, 14, {1400, 900, 180, 100});   // mostly on the real one

    auto& server = dynamic_cast<sim::SimWindowServer&>(*desktop().windowServer);
    server.setSwitches({.omitVirtualFromOnScreen = true});
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(14, 11));
    EXPECT_THAT(numbers(WindowListOption::onScreenAboveWindow, 11), ElementsAre(14));
    EXPECT_THAT(numbers(WindowListOption::onScreenBelowWindow, 13), ElementsAre(11))
        << "an omitted window still counts as the one to list below";
    EXPECT_THAT(numbers(WindowListOption::all), ElementsAre(14, 13, 12, 11));
    EXPECT_THAT(numbers(WindowListOption::includingWindow, 12), ElementsAre(12));

    server.setSwitches({.unreadableList = true});
    EXPECT_FALSE(server.windowList(WindowListOption::all));
    EXPECT_FALSE(server.windowList(WindowListOption::includingWindow, 11));
    server.setSwitches({});
    EXPECT_THAT(numbers(WindowListOption::onScreenOnly), ElementsAre(14, 13, 12, 11));
}

}  // namespace
