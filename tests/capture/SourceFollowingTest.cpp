#include "MirrorFixture.h"
#include "platform/defaults/Defaults.h"

#include <gtest/gtest.h>

namespace {

class SourceFollowingTest : public capturetest::MirrorFixture {
protected:
    void addStandardDisplay()
    {
        desktop::DisplayInfo display;
        display.id = 2;
        display.frame = core::Rect(1512, 0, 1280, 800);
        display.visibleFrame = display.frame;
        display.scale = 1;
        display.mode = {1280, 800, 1280, 800, 60};
        world().addDisplay(display);
    }
};

using capturetest::sourceID;

}  // namespace

TEST_F(SourceFollowingTest, AMoveToADisplayOfAnotherScaleRebuildsAtThatScale)
{
    addStandardDisplay();
    startMirror();
    clock().advance(1);
    world().setFrame(sourceID, {1600, 100, 800, 600});
    clock().advance(1);
    EXPECT_EQ(linesWith("轮询: 源屏 scale 2.0 → 1.0（跨屏移动），重建流跟随").size(), 1u);
    EXPECT_EQ(linesWith("重建流: 源窗口跨屏移动 scale→1.0 → 1600x1200").size(), 1u);
    clock().advance(1);
    EXPECT_EQ(frames.back()->width, 800);
    EXPECT_EQ(linesWith("轮询: 源屏 scale").size(), 1u);
}

TEST_F(SourceFollowingTest, AMoveRefreshesTheFilterAndInDisplayModesTheCrop)
{
    startMirror();
    clock().advance(1);
    world().setFrame(sourceID, {200, 100, 800, 600});
    clock().advance(1);
    EXPECT_EQ(linesWith("仅位移: filter 已跟到新位置 contentRect=800x600@(0,0)").size(), 1u);
    EXPECT_EQ(linesWith("刷新 filter 几何: 旧快照 800x600@(100,100) → 新 800x600@(200,100)").size(), 1u);

    defaults::Defaults::standard().set("captureMode", "displayExcluding");
    world().setFrame(sourceID, {300, 100, 800, 600});
    clock().advance(1);
    EXPECT_EQ(
        linesWith("捕获模式: displayExcluding 裁=800x600@(300,100) 屏=1512x982@(0,0) 窗口=800x600@(300,100)").size(), 1u);
    EXPECT_EQ(linesWith("捕获模式: displayExcluding 排除上层窗口 0 个 + 自有窗口 0 个").size(), 1u);
    EXPECT_EQ(linesWith("仅位移: filter 已跟到新位置 contentRect=1512x982@(0,0) 裁=800x600@(300,100)").size(), 1u);
    EXPECT_FALSE(linesWith("重建流").size());
}

// Native full screen: off the on-screen list, still listed unminimised by accessibility,
// its application frontmost. Noticed once per off-screen episode.
TEST_F(SourceFollowingTest, NativeFullScreenIsNoticedOncePerEpisode)
{
    startMirror();
    world().setFrontmost(42);
    clock().advance(1);
    world().setFullscreen(sourceID, true);
    clock().advance(3);
    EXPECT_EQ(linesWith("全屏检测: 窗口离屏 frontPid=42 srcPid=42 id=500 AX=在 AX 列表且未最小化").size(), 1u);
    EXPECT_EQ(linesWith("全屏检测(离屏版): 源应用前台 + 窗口离屏 + AX 在列且未最小化 = 进入原生全屏").size(), 1u);
    EXPECT_EQ(fullscreenNotices, 1);

    world().setFullscreen(sourceID, false);
    clock().advance(1);
    world().setFullscreen(sourceID, true);
    clock().advance(3);
    EXPECT_EQ(fullscreenNotices, 2) << "a new off-screen episode may notice it again";
}

// The other off-screen cases are noted once per episode and raise nothing.
TEST_F(SourceFollowingTest, OffScreenEpisodesAreNotedOnceAndRaiseNoFullScreen)
{
    startMirror();
    clock().advance(1);
    world().setHidden(42, true);
    clock().advance(2);
    EXPECT_EQ(linesWith("全屏检测: 窗口离屏 frontPid=0 srcPid=42 id=500 AX=在 AX 列表且未最小化").size(), 1u);

    world().setFrontmost(42);
    clock().advance(1);
    world().setMinimized(sourceID, true);
    clock().advance(3);
    EXPECT_EQ(linesWith("全屏检测: 窗口离屏 frontPid=42 srcPid=42 id=500 AX=已最小化").size(), 1u);
    EXPECT_EQ(linesWith("但窗口**已最小化** ⇒ 不是原生全屏").size(), 1u);

    // On another Space: accessibility cannot tell.
    world().setMinimized(sourceID, false);
    clock().advance(1);
    auto window = *world().window(sourceID);
    world().removeWindow(sourceID);
    window.offscreen = true;
    world().addWindow(window);
    clock().advance(3);
    EXPECT_EQ(linesWith("AX=问不出来（不在 AX 列表 / 无辅助功能权限）").size(), 1u);
    EXPECT_EQ(linesWith("但读不到该窗口的 AX 状态 ⇒ **不按原生全屏提示**").size(), 1u);
    EXPECT_EQ(fullscreenNotices, 0);
}

TEST_F(SourceFollowingTest, WithoutAccessibilityTheObserverIsSkippedAndThePollStillFollows)
{
    world().setAccessibilityTrusted(false);
    startMirror();
    EXPECT_EQ(linesWith("AX观察: 跳过 pid=42 权限=false").size(), 1u);
    clock().advance(1);
    world().setFrame(sourceID, {100, 100, 600, 600});
    clock().advance(0.9);
    EXPECT_EQ(linesWith("源窗口实时变化 800x600 → 600x600，重建流跟随").size(), 1u);
    EXPECT_EQ(regions.front(), core::Rect(0, 0, 0.75, 1));
}

TEST_F(SourceFollowingTest, TheGroundTruthProbeReportsEveryThreeSecondsOnlyWhenAskedFor)
{
    startMirror();
    clock().advance(7);
    EXPECT_TRUE(linesWith("地面真值").empty());
    mirror->stop();
    mirror.reset();

    defaults::Defaults::standard().set("groundTruthProbe", true);
    startMirror();
    clock().advance(3.1);
    const auto report = linesWith("地面真值: 流指纹=");
    ASSERT_EQ(report.size(), 1u);
    EXPECT_NE(report[0].find("| 独立截图(窗口)=800x600 "), std::string::npos);
    EXPECT_NE(report[0].find("| 独立截图(屏幕)=800x600 "), std::string::npos);
    EXPECT_NE(report[0].find("[屏 裁=800x600@(100,100)]"), std::string::npos);
    EXPECT_NE(report[0].find("| 遮挡=无"), std::string::npos);
    EXPECT_EQ(linesWith("地面真值·标志: 源[层=0 α=1.00 在屏=1 共享=1] 遮挡者[无]").size(), 1u);
    clock().advance(3);
    EXPECT_EQ(linesWith("地面真值: 流指纹=").size(), 2u);
}

TEST_F(SourceFollowingTest, AClosedSourceKeepsItsLastSnapshot)
{
    startMirror();
    clock().advance(1);
    world().removeWindow(sourceID);
    mirror->updateCapture(0, {700, 500});
    clock().advance(0.1);
    EXPECT_EQ(linesWith("刷新 filter 几何: 枚举里没有 windowID=500（已关闭/不可共享），沿用旧快照").size(), 1u);
    EXPECT_EQ(mirror->target().frame, core::Rect(100, 100, 800, 600));
    EXPECT_EQ(StreamMirror::formatFlags(desktop::WindowInfo{}), "层=-1 α=? 在屏=-1 共享=-1");
}
