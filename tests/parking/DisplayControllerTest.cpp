#include "parking/display/DisplayController.h"
#include "parking/ledger/VDLog.h"
#include "platform/sim/SimVirtualDisplays.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DisplayControllerTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        SimDesktopTest::SetUp();
        VDLog::sink = [this](const std::string& line) { lines_.push_back(line); };
    }
    void TearDown() override
    {
        VDLog::sink = [](const std::string&) {};
        SimDesktopTest::TearDown();
    }

    sim::SimVirtualDisplays& service() { return static_cast<sim::SimVirtualDisplays&>(*desktop().virtualDisplays); }
    const std::vector<std::string>& lines() const { return lines_; }
    std::vector<std::string> linesWith(const std::string& fragment) const
    {
        std::vector<std::string> found;
        for (const auto& line : lines_)
            if (line.find(fragment) != std::string::npos) found.push_back(line);
        return found;
    }

    // A display at one point per pixel that reports neither its refresh rate nor its size.
    void addDisplay(desktop::DisplayID id, const core::Rect& frame, bool isVirtual = false)
    {
        desktop::DisplayInfo display;
        display.id = id;
        display.frame = frame;
        display.visibleFrame = frame;
        display.scale = 1;
        display.mode = {frame.width(), frame.height(), static_cast<int>(frame.width()),
                        static_cast<int>(frame.height()), 0};
        display.isVirtual = isVirtual;
        world().addDisplay(display);
    }

    std::vector<std::uint32_t> serials() const
    {
        std::vector<std::uint32_t> found;
        for (const auto& made : journalOf("virtualDisplay.create")) found.push_back(made["serial"]);
        return found;
    }
    std::size_t commits() const { return journalOf("display.configure").size(); }
    std::size_t destroyed() const { return journalOf("virtualDisplay.destroy").size(); }

    std::vector<std::string> lines_;
};

TEST_F(DisplayControllerTest, MakesOneDisplayPerSourceOnceItsModeHasComeAndReusesIt)
{
    parking::DisplayController controller;
    const auto seed = static_cast<std::uint32_t>(static_cast<std::uint64_t>(dispatch::wallClock()) & 0xFFFFF);
    const double start = dispatch::now();
    const auto id = controller.ensureDisplay(1);
    ASSERT_TRUE(id);
    EXPECT_NEAR(dispatch::now() - start, 1.05, 1e-6) << "polled every 0.15 s until the mode came";
    EXPECT_TRUE(controller.isVirtual(*id));
    EXPECT_FALSE(controller.isVirtual(1));
    EXPECT_THAT(controller.liveDisplayIDs(), ElementsAre(*id));
    EXPECT_TRUE(controller.hasLiveOrZombie());
    EXPECT_THAT(serials(), ElementsAre(seed + 1));

    const auto display = desktop().displays->display(*id);
    ASSERT_TRUE(display);
    EXPECT_EQ(display->name, "Glimra 1552x1022");
    EXPECT_EQ(display->frame, core::Rect(1512, 982, 1552, 1022)) << "beyond the bottom-right corner";
    const std::string number = std::to_string(*id);
    EXPECT_THAT(lines(),
                ElementsAre("[VD] 已就绪 虚拟屏 #" + number +
                                " = 1552x1022点 3104x2044像素 2x 60Hz (源 #1) 原点=1512,982（建屏前活动屏 [1]）",
                            "[VD]   内部状态：applied=1 hiDPI=1 settings.modes=1 display.modes=1 "
                            "maxPixels=3104x2044 mm=353x231 serial=" +
                                std::to_string(seed + 1) + " | mode(1552x1022@60) "));

    EXPECT_EQ(controller.ensureDisplay(1), id);
    EXPECT_EQ(serials().size(), 1u);
    EXPECT_EQ(lines().size(), 2u);
}

TEST_F(DisplayControllerTest, APlainDisplayGetsAPlainOneWithDefaultRateAndSize)
{
    addDisplay(2, core::Rect(1512, 0, 1920, 1080));
    parking::DisplayController controller;
    const auto id = controller.ensureDisplay(2);
    ASSERT_TRUE(id);
    EXPECT_EQ(desktop().displays->display(*id)->scale, 1);
    EXPECT_THAT(linesWith("已就绪"), ElementsAre(testing::HasSubstr("= 1960x1120点 1960x1120像素 1x 60Hz (源 #2) ")));
    // 344 × 222 mm before the margin.
    EXPECT_THAT(linesWith("内部状态"), ElementsAre(testing::HasSubstr("hiDPI=0 settings.modes=1 display.modes=1 "
                                                                      "maxPixels=1960x1120 mm=351x230 ")));
}

TEST_F(DisplayControllerTest, ADisplayWithoutAModeBecomesAZombieThatLaterDisplaysAreNotPlacedAgainst)
{
    addDisplay(2, core::Rect(1512, 0, 1920, 1080));
    parking::DisplayController controller;
    service().setOptions({.modeDelay = std::nullopt, .lingerCommits = std::nullopt});
    const double start = dispatch::now();
    EXPECT_FALSE(controller.ensureDisplay(1));
    // 27 polls, then three pushes of 1.5 s each.
    EXPECT_NEAR(dispatch::now() - start, 27 * 0.15 + 3 * 1.5, 1e-6);
    const auto zombie = journalOf("virtualDisplay.create").at(0)["id"].get<desktop::DisplayID>();
    const std::string number = std::to_string(zombie);
    EXPECT_THAT(
        lines(),
        ElementsAre("[VD] 提交配置后仍拿不到 mode ⇒ 这块屏不可用，销毁重来（#" + number +
                        " 请求原点=3432,1080，活动屏=[1, 2, " + number + "]，既有排列右下角=3432,1080)",
                    "[VD] 催走虚拟屏（第 1 次，空提交）：提交成功", "[VD] 催走虚拟屏（第 2 次，空提交）：提交成功",
                    "[VD] 催走虚拟屏（第 3 次，空提交）：提交成功",
                    "[VD] ⚠️ 3 次空提交催走后虚拟屏 [" + number +
                        "] 仍在活动列表（进程退出时系统一定会收走它；该 ID 已记入僵尸集合，下次 terminateAll "
                        "仍会再试）"));
    EXPECT_EQ(destroyed(), 1u);
    EXPECT_THAT(controller.zombieIDs(), ElementsAre(zombie));
    EXPECT_TRUE(controller.isZombie(zombie));
    EXPECT_FALSE(controller.isVirtual(zombie));
    EXPECT_TRUE(controller.hasLiveOrZombie());

    // The next attempt takes the next serial; neither the zombie nor our other display
    // moves the corner new displays are placed at.
    service().setOptions({});
    const auto second = controller.ensureDisplay(2);
    const auto third = controller.ensureDisplay(1);
    ASSERT_TRUE(second && third);
    EXPECT_EQ(serials()[1], serials()[0] + 1);
    EXPECT_EQ(serials()[2], serials()[0] + 2);
    EXPECT_EQ(desktop().displays->display(*second)->frame.origin, (core::Point{3432, 1080}));
    EXPECT_EQ(desktop().displays->display(*third)->frame.origin, (core::Point{3432, 1080}));
    EXPECT_THAT(controller.liveDisplayIDs(), ElementsAre(*third, *second));
}

TEST_F(DisplayControllerTest, ADisplayTheSystemEndedIsReplacedAndPushedOutAtQuit)
{
    parking::DisplayController controller;
    const auto first = controller.ensureDisplay(1);
    ASSERT_TRUE(first);
    ASSERT_TRUE(service().terminate(*first));
    clock().runUntilIdle();
    lines_.clear();

    const auto second = controller.ensureDisplay(1);
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(lines().front(), "[VD] 虚拟屏 #" + std::to_string(*first) +
                                   " 已被系统回收，重建（同时记入僵尸集合：系统回收 ≠ 已从排列里消失，仍要催）");
    EXPECT_TRUE(controller.isZombie(*first));
    EXPECT_FALSE(controller.isVirtual(*first));
    EXPECT_TRUE(controller.isVirtual(*second));
    EXPECT_EQ(destroyed(), 1u);

    lines_.clear();
    const double start = dispatch::now();
    controller.terminateAll();
    EXPECT_EQ(destroyed(), 2u);
    EXPECT_THAT(lines(), ElementsAre("[VD] 已销毁 虚拟屏 #" + std::to_string(*second) + "（源 #1）",
                                     "[VD] 另有 1 块「建屏失败留下的屏」需要一并催走：[" + std::to_string(*first) + "]",
                                     "[VD] 催走虚拟屏（第 1 次，空提交）：提交成功", "[VD] 虚拟屏已消失 → 活动屏 [1]"));
    EXPECT_EQ(dispatch::now(), start) << "gone at the first look";
    EXPECT_FALSE(controller.hasLiveOrZombie());
    EXPECT_FALSE(controller.isVirtual(*second));
}

TEST_F(DisplayControllerTest, QuitWithOnlyZombiesDestroysNothingAndWaitsForThem)
{
    parking::DisplayController controller;
    service().setOptions({.modeDelay = std::nullopt, .lingerCommits = 4});
    EXPECT_FALSE(controller.ensureDisplay(1));
    const auto zombie = *controller.zombieIDs().begin();
    lines_.clear();

    const auto destroyedBefore = destroyed();
    const auto commitsBefore = commits();
    controller.terminateAll();
    EXPECT_EQ(destroyed(), destroyedBefore);
    EXPECT_EQ(commits(), commitsBefore + 1);
    EXPECT_THAT(lines(), ElementsAre("[VD] 另有 1 块「建屏失败留下的屏」需要一并催走：[" + std::to_string(zombie) + "]",
                                     "[VD] 催走虚拟屏（第 1 次，空提交）：提交成功", "[VD] 虚拟屏已消失 → 活动屏 [1]"));
    EXPECT_FALSE(controller.hasLiveOrZombie());

    lines_.clear();
    controller.terminateAll();
    EXPECT_THAT(lines(), IsEmpty()) << "nothing left to end";
}

TEST_F(DisplayControllerTest, ADisplayThatOutlastsTheQuitPushIsKeptAsAZombie)
{
    parking::DisplayController controller;
    const auto id = controller.ensureDisplay(1);
    ASSERT_TRUE(id);
    service().setOptions({.lingerCommits = std::nullopt});
    lines_.clear();
    controller.terminateAll();
    EXPECT_EQ(lines().back(), "[VD] ⚠️ 3 次空提交催走后虚拟屏 [" + std::to_string(*id) +
                                  "] 仍在活动列表（进程退出时系统一定会收走它；该 ID 已记入僵尸集合，下次 terminateAll "
                                  "仍会再试）");
    EXPECT_TRUE(controller.isZombie(*id)) << "as the warning says";
    EXPECT_FALSE(controller.isVirtual(*id));
}

TEST_F(DisplayControllerTest, AnEmptyPushCommitsOnceAndDoesNotWait)
{
    parking::DisplayController controller;
    const double start = dispatch::now();
    controller.flushArrangement({});
    EXPECT_EQ(dispatch::now(), start);
    ASSERT_EQ(commits(), 1u);
    EXPECT_THAT(journalOf("display.configure")[0]["changes"], IsEmpty());
    EXPECT_THAT(lines(), ElementsAre("[VD] 催走虚拟屏（第 1 次，空提交）：提交成功"));

    lines_.clear();
    EXPECT_FALSE(controller.commitOrigin(99, {10.7, 20.2}));
    EXPECT_EQ(journalOf("display.configure")[1]["changes"][0], (nlohmann::json{{"id", 99}, {"x", 10}, {"y", 20}}));
    EXPECT_THAT(lines(), ElementsAre("[VD] 提交 origin 失败 moved=1001 committed=1001"));
    EXPECT_FALSE(controller.waitForMode(1, 0));
}

TEST_F(DisplayControllerTest, FailedCreationsSayWhyAndLeaveNothingBehind)
{
    parking::DisplayController controller;
    EXPECT_FALSE(controller.ensureDisplay(9));
    EXPECT_THAT(lines(), ElementsAre("[VD] 读不到源屏 #9 的规格"));

    // Someone else holds the serial the controller takes next.
    lines_.clear();
    desktop::VirtualDisplayDescriptor squatter;
    squatter.serialNum = static_cast<std::uint32_t>(static_cast<std::uint64_t>(dispatch::wallClock()) & 0xFFFFF) + 1;
    const auto held = service().create(squatter);
    ASSERT_TRUE(held);
    EXPECT_FALSE(controller.ensureDisplay(1));
    EXPECT_THAT(lines(), ElementsAre("[VD] 创建失败：initWithDescriptor 返回 nil（多半是 serialNum=" +
                                     std::to_string(squatter.serialNum) + " 撞车，换一个唯一值）（当时活动屏 [1, " +
                                     std::to_string(held->displayID()) + "]）"));
    EXPECT_TRUE(controller.ensureDisplay(1)) << "the next serial is free";

    lines_.clear();
    parking::DisplayController unsupported;
    service().setOptions({.available = false});
    EXPECT_FALSE(unsupported.ensureDisplay(1));
    EXPECT_THAT(lines(), ElementsAre("[VD] 系统不支持（macOS < 14 或私有类缺失）：缺少私有类 CGVirtualDisplay"));
    EXPECT_FALSE(unsupported.hasLiveOrZombie());
}

TEST_F(DisplayControllerTest, NothingIsMadeOnceQuitHasEndedTheDisplays)
{
    parking::DisplayController controller;
    // Quit comes while the display waits for its mode.
    VDLog::sink = [&](const std::string& line) {
        lines_.push_back(line);
        if (line.find("已就绪") != std::string::npos) controller.terminateAll();
    };
    const auto late = controller.ensureDisplay(1);
    EXPECT_FALSE(late);
    EXPECT_FALSE(controller.hasLiveOrZombie());
    EXPECT_EQ(destroyed(), 1u);
    ASSERT_GE(lines().size(), 2u);
    EXPECT_THAT(linesWith("已销毁"), testing::SizeIs(1));

    EXPECT_FALSE(controller.ensureDisplay(1));
    EXPECT_EQ(serials().size(), 1u);
}

TEST_F(DisplayControllerTest, DeclaredVirtualDisplaysAreAdoptedButNotEndedAtQuit)
{
    addDisplay(2, core::Rect(1512, 0, 1920, 1080));
    addDisplay(60, core::Rect(3432, 1080, 800, 600), true);
    addDisplay(61, core::Rect(4232, 1080, 800, 600), true);
    addDisplay(62, core::Rect(5032, 1080, 800, 600), true);
    parking::DisplayController controller;
    controller.adoptDeclaredDisplays();
    controller.adoptDeclaredDisplays();  // a second call adds nothing
    EXPECT_THAT(controller.liveDisplayIDs(), ElementsAre(60, 61)) << "one per real display; the third finds none";
    EXPECT_TRUE(controller.isVirtual(60));
    EXPECT_FALSE(controller.isVirtual(62));
    EXPECT_EQ(controller.ensureDisplay(1), 60u);
    EXPECT_EQ(controller.ensureDisplay(2), 61u);
    EXPECT_THAT(serials(), IsEmpty());

    // Ended by the system, it counts until the desktop no longer lists it.
    ASSERT_TRUE(service().terminate(61));
    clock().runUntilIdle();
    EXPECT_EQ(controller.ensureDisplay(2), 61u);
    controller.flushArrangement({});
    const auto replacement = controller.ensureDisplay(2);
    ASSERT_TRUE(replacement);
    EXPECT_NE(replacement, 61u);
    EXPECT_TRUE(controller.isZombie(61));

    lines_.clear();
    const auto destroyedBefore = destroyed();
    controller.terminateAll();
    EXPECT_EQ(destroyed(), destroyedBefore + 1) << "only the display the controller made";
    EXPECT_TRUE(desktop().displays->display(60)) << "an adopted display is not ours to end";
    EXPECT_THAT(linesWith("已销毁"), ElementsAre("[VD] 已销毁 虚拟屏 #" + std::to_string(*replacement) + "（源 #2）"));
    EXPECT_FALSE(controller.isVirtual(60));
}

TEST_F(DisplayControllerTest, QuitWithOnlyAdoptedDisplaysPushesOnceWithoutWaiting)
{
    addDisplay(60, core::Rect(1512, 982, 800, 600), true);
    parking::DisplayController controller;
    controller.adoptDeclaredDisplays();
    const double start = dispatch::now();
    controller.terminateAll();
    EXPECT_EQ(dispatch::now(), start);
    EXPECT_EQ(commits(), 1u);
    EXPECT_THAT(lines(), ElementsAre("[VD] 催走虚拟屏（第 1 次，空提交）：提交成功"));
}

}  // namespace
