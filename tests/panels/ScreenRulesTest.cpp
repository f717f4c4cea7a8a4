#include "panels/rules/PanelLayoutLog.h"
#include "panels/rules/ScreenRules.h"

#include "support/DiagLines.h"

#include <gtest/gtest.h>

using core::Rect;
using namespace panels;

namespace {

ui::Screen screen(desktop::DisplayID id, const Rect& frame, const std::string& name)
{
    ui::Screen s;
    s.displayID = id;
    s.frame = frame;
    s.visibleFrame = Rect(frame.x(), frame.y(), frame.width(), frame.height() - 25);
    s.localizedName = name;
    return s;
}

const ui::Screen builtIn = screen(1, Rect(0, 0, 1512, 982), "内建");
const ui::Screen external = screen(3, Rect(1512, 0, 1920, 1080), "外接");
const ui::Screen parkingApart = screen(7, Rect(5000, 0, 1920, 1080), "虚拟");
const ui::Screen parkingOverlapping = screen(7, Rect(1000, 0, 1920, 1080), "虚拟");

ScreenSplit splitOf(std::vector<ui::Screen> real, std::vector<ui::Screen> virtualScreens)
{
    return ScreenSplit{std::move(real), std::move(virtualScreens)};
}

}  // namespace

class ScreenRulesTest : public testsupport::DiagTest {};

TEST_F(ScreenRulesTest, VirtualScreensAreSplitOffInListOrder)
{
    const auto split = splitScreens({builtIn, parkingApart, external}, [](desktop::DisplayID id) { return id == 7; });
    ASSERT_EQ(split.real.size(), 2u);
    EXPECT_EQ(split.real[0].displayID, 1u);
    EXPECT_EQ(split.real[1].displayID, 3u);
    ASSERT_EQ(split.virtualScreens.size(), 1u);
    EXPECT_EQ(split.virtualScreens[0].displayID, 7u);
}

TEST_F(ScreenRulesTest, AnOverlapSwitchesToTheCentreRuleAndEachChangeIsLoggedOnce)
{
    VirtualScreenCriterion criterion;
    const auto apart = splitOf({builtIn}, {parkingApart});
    const auto overlapping = splitOf({builtIn}, {parkingOverlapping});
    const Rect touching(4900, 100, 300, 200);  // centre outside the parking screen
    const Rect halfOver(800, 100, 300, 200);   // centre (950, 200): on the real screen only

    EXPECT_TRUE(criterion.hits(touching, apart));
    EXPECT_FALSE(criterion.hits(Rect(100, 100, 300, 200), apart));
    EXPECT_TRUE(diagLines().empty());

    EXPECT_FALSE(criterion.hits(halfOver, overlapping));
    EXPECT_TRUE(criterion.hits(Rect(1100, 100, 300, 200), overlapping));
    EXPECT_FALSE(criterion.strictUsable(overlapping));

    EXPECT_TRUE(criterion.hits(touching, apart));
    EXPECT_TRUE(criterion.strictUsable(apart));

    const std::vector<std::string> expected{
        "小窗越界判据: 虚拟屏与真屏**有重叠**（虚拟 ∩ 内建 = 512×982）⇒ "
        "退化【中心落在虚拟屏内】，任意交叉在此排列下不成立（虚拟屏 1 块 / 真屏 1 块）",
        "小窗越界判据: 虚拟屏与真屏不重叠 ⇒ 启用【任意交叉】（虚拟屏 1 块 / 真屏 1 块）",
    };
    EXPECT_EQ(diagLines(), expected);
}

TEST_F(ScreenRulesTest, WithoutAVirtualScreenNothingHitsAndNothingIsLogged)
{
    VirtualScreenCriterion criterion;
    const auto none = splitOf({builtIn, external}, {});
    EXPECT_FALSE(criterion.hits(Rect(5000, 0, 300, 200), none));
    EXPECT_FALSE(criterion.strictUsable(none));
    EXPECT_TRUE(diagLines().empty());
}

TEST(NearestRealScreen, LargestOverlapThenNearestCentreFirstWinsTies)
{
    const ui::Screen left = screen(1, Rect(0, 0, 1000, 800), "左");
    const ui::Screen right = screen(2, Rect(1000, 0, 1000, 800), "右");
    const ui::Screen far = screen(3, Rect(2000, 0, 1000, 800), "远");
    const std::optional<ui::Screen> main = left;

    EXPECT_EQ(nearestRealScreen(Rect(900, 100, 200, 100), splitOf({left, right}, {}), main)->displayID, 1u);
    EXPECT_EQ(nearestRealScreen(Rect(900, 100, 200, 100), splitOf({right, left}, {}), main)->displayID, 2u);
    EXPECT_EQ(nearestRealScreen(Rect(950, 100, 200, 100), splitOf({left, right}, {}), main)->displayID, 2u);
    // Off every screen: the one nearest the centre, the first at equal distance.
    EXPECT_EQ(nearestRealScreen(Rect(3000, 100, 100, 100), splitOf({left, right}, {}), main)->displayID, 2u);
    EXPECT_EQ(nearestRealScreen(Rect(1450, 350, 100, 100), splitOf({left, far}, {}), main)->displayID, 1u);
    EXPECT_EQ(nearestRealScreen(Rect(1450, 350, 100, 100), splitOf({far, left}, {}), main)->displayID, 3u);
    // No real screen: the main screen, or nothing.
    EXPECT_EQ(nearestRealScreen(Rect(0, 0, 10, 10), splitOf({}, {far}), main)->displayID, 1u);
    EXPECT_FALSE(nearestRealScreen(Rect(0, 0, 10, 10), splitOf({}, {far}), std::nullopt));
}

TEST(ScreenCandidates, LegalizedAndTopLeftFramesKeepTheSize)
{
    const auto split = splitOf({builtIn, external}, {parkingApart});
    // Mostly on the external screen, hanging over its right edge.
    EXPECT_EQ(legalizedFrame(Rect(3300, 900, 342, 214), split, builtIn), Rect(3090, 841, 342, 214));
    ui::Screen sliver = builtIn;
    sliver.visibleFrame = Rect(0, 0, 1512, 1);
    EXPECT_FALSE(legalizedFrame(Rect(10, 10, 342, 214), splitOf({sliver}, {}), std::nullopt));

    EXPECT_EQ(realTopLeftFrame({342, 214}, split, std::nullopt), Rect(16, 727, 342, 214));
    EXPECT_EQ(realTopLeftFrame({342, 214}, splitOf({}, {parkingApart}), external), Rect(1528, 825, 342, 214));
    EXPECT_FALSE(realTopLeftFrame({342, 214}, splitOf({}, {parkingApart}), std::nullopt));
}

TEST_F(ScreenRulesTest, TheFirstPresentCandidateOffTheVirtualScreensIsChosen)
{
    VirtualScreenCriterion criterion;
    const auto split = splitOf({builtIn}, {parkingApart});
    const Rect onParking(5100, 100, 342, 214);
    const Rect onReal(16, 727, 342, 214);

    EXPECT_EQ(firstLegalCandidate(
                  {{onParking, "回到动作前位置"}, {std::nullopt, "最近真屏等价点"}, {onReal, "真屏可见区左上角"}},
                  criterion, split),
              2u);
    EXPECT_FALSE(firstLegalCandidate({{onParking, "a"}, {std::nullopt, "b"}, {onParking, "c"}}, criterion, split));
    EXPECT_EQ(
        firstLegalCandidate({{std::nullopt, "a"}, {onParking, "b"}, {onReal, "c"}}, criterion, splitOf({builtIn}, {})),
        1u);
    EXPECT_FALSE(firstLegalCandidate({}, criterion, split));
}

TEST_F(ScreenRulesTest, ALaidOutFrameMovesTheShortestWayOffAVirtualScreenOverlappingTheRealOne)
{
    VirtualScreenCriterion criterion;
    const Rect tiled(1154, 727, 342, 214);
    // Over the right of the built-in screen: to the left, the centre just outside.
    const auto right = splitOf({builtIn}, {parkingOverlapping});
    EXPECT_EQ(clearOfVirtualScreens(tiled, criterion, right, builtIn), Rect(828, 727, 342, 214));
    EXPECT_EQ(clearOfVirtualScreens(Rect(16, 727, 342, 214), criterion, right, builtIn), Rect(16, 727, 342, 214));
    // Over its upper part: down.
    const auto upper = splitOf({builtIn}, {screen(7, Rect(0, 500, 1512, 982), "虚拟")});
    EXPECT_EQ(clearOfVirtualScreens(tiled, criterion, upper, builtIn), Rect(1154, 392, 342, 214));
    // Over all of it: no clear place, so the frame stays.
    const auto covered = splitOf({builtIn}, {screen(7, Rect(0, 0, 1512, 982), "虚拟")});
    EXPECT_EQ(clearOfVirtualScreens(tiled, criterion, covered, builtIn), tiled);
}

TEST(ScreenChange, GainingLosingOrSwitchingAScreenCounts)
{
    EXPECT_FALSE(screenChanged(3u, 3u));
    EXPECT_TRUE(screenChanged(3u, 1u));
    EXPECT_TRUE(screenChanged(3u, std::nullopt));
    EXPECT_TRUE(screenChanged(std::nullopt, 1u));
    EXPECT_FALSE(screenChanged(std::nullopt, std::nullopt));
}

TEST(ScreenChange, AResizedScreenCountsOnlyWhereResizesCountAndAWorkAreaNeverDoes)
{
    ui::Screen shrunk = builtIn;
    shrunk.frame = Rect(0, 0, 1280, 720);
    shrunk.visibleFrame = Rect(0, 0, 1280, 695);
    ui::Screen withDock = builtIn;
    withDock.visibleFrame = Rect(0, 48, 1512, 909);
    for (const bool resizeCounts : {false, true}) {
        SCOPED_TRACE(resizeCounts);
        EXPECT_FALSE(screenChanged(builtIn, 1u, builtIn.frame, resizeCounts));
        EXPECT_EQ(screenChanged(shrunk, 1u, builtIn.frame, resizeCounts), resizeCounts);
        EXPECT_FALSE(screenChanged(withDock, 1u, builtIn.frame, resizeCounts));
        // The id still decides first; no frame sized for yet leaves it alone.
        EXPECT_TRUE(screenChanged(external, 1u, builtIn.frame, resizeCounts));
        EXPECT_TRUE(screenChanged(std::nullopt, 1u, builtIn.frame, resizeCounts));
        EXPECT_FALSE(screenChanged(shrunk, 1u, std::nullopt, resizeCounts));
    }
}

TEST(ScreenChange, AFrameIsWhollyOnScreensOnlyWhereEveryPartOfItIs)
{
    const std::vector<Rect> sideBySide = framesOf({builtIn, external});
    const std::vector<Rect> builtInOnly = framesOf({builtIn});
    EXPECT_TRUE(whollyInside(Rect(100, 100, 300, 200), sideBySide));
    // Across the seam, and into the part of the taller screen the other lacks.
    EXPECT_TRUE(whollyInside(Rect(1400, 100, 300, 200), sideBySide));
    EXPECT_TRUE(whollyInside(Rect(1600, 900, 300, 150), sideBySide));
    // Below the shorter screen's top, beside the taller one: a corner is off both.
    EXPECT_FALSE(whollyInside(Rect(1400, 900, 300, 150), sideBySide));
    EXPECT_FALSE(whollyInside(Rect(1250, 40, 303, 200), builtInOnly));
    EXPECT_FALSE(whollyInside(Rect(-10, 100, 300, 200), sideBySide));
    EXPECT_FALSE(whollyInside(Rect(100, 100, 300, 200), {}));
    // Between two screens with a gap.
    EXPECT_FALSE(whollyInside(Rect(1400, 100, 300, 200), framesOf({builtIn, screen(3, Rect(1600, 0, 1920, 1080), "外接")})));
    // On the screen, but over the menu bar.
    EXPECT_FALSE(whollyInside(Rect(100, 900, 300, 82), visibleFramesOf({builtIn})));
}

TEST(PanelLayoutLog, LinesUseRoundedWholeNumbersAndAQuestionMarkForNoApplication)
{
    EXPECT_EQ(rollbackLine("Safari", 42, "拖动", Rect(5100.4, 99.6, 342.6, 214.1), "回到动作前位置",
                           Rect(100, 200.5, 342.6, 214.1)),
              "小窗越界回滚: [Safari] #42 拖动后压在虚拟屏上（5100,100 343x214）⇒ 回到动作前位置 → 100,200 343x214");
    EXPECT_EQ(rollbackGiveUpLine(std::nullopt, 7, "边缘缩放"),
              "小窗越界回滚: [?] #7 边缘缩放后压在虚拟屏上，但三个落点都不可用 ⇒ 放弃（窗口留在原地，不做重试）");
    EXPECT_EQ(rescueLine("Notes", 9, "内建"),
              "小窗自愈: [Notes] #9 压在虚拟屏上（用户看不见、关不掉）→ 先拉回真屏 内建，随后重排");
    EXPECT_EQ(rebuildSizeLine("Notes", {342.6, 214.1}, Rect(0, 0, 1512, 950), core::Size{1200, 750}),
              "显示器变化: [Notes] 重算尺寸 → 343x214 屏对角线=1786 面积=73351 源在屏=1200x750");
    EXPECT_EQ(rebuildSizeLine(std::nullopt, {342.6, 214.1}, Rect(0, 0, 1512, 950), std::nullopt),
              "显示器变化: [?] 重算尺寸 → 343x214 屏对角线=1786 面积=73351 源在屏=离屏");
    EXPECT_EQ(arrangedLine(3), "显示器变化: 已自动排列 3 扇小窗（右缘竖排）");
    EXPECT_EQ(reconfigurationLine(2),
              "显示器配置变化: 2 扇换屏小窗重算尺寸，全部小窗自动排列（同屏未换的只动位置不动尺寸）");
}
