#include "parking/ledger/WindowMover.h"

#include "ParkedWorld.h"
#include "platform/dispatch/Queue.h"

namespace {

using parking::WindowMover::AXMatch;
using parking::WindowMover::moveWindow;

constexpr desktop::DisplayID target = 2;

// A second screen where a virtual display would be; the windows moved are Notes'.
class WindowMoverTest : public testsupport::ParkedWorldTest {
protected:
    void SetUp() override
    {
        ParkedWorldTest::SetUp();
        desktop::DisplayInfo second;
        second.id = target;
        second.frame = core::Rect(1512, 982, 1552, 1022);
        second.visibleFrame = second.frame;
        second.mode = {1552, 1022, 3104, 2044, 60};
        world().addDisplay(second);
    }

    std::vector<std::string> writtenAttributes()
    {
        std::vector<std::string> attributes;
        for (const auto& entry : journalOf("ax.set")) attributes.push_back(entry["attribute"]);
        return attributes;
    }

    const core::Rect place{100, 100, 800, 600};
    const core::Rect slot{1528, 1012, 800, 600};
};

TEST_F(WindowMoverTest, TwoWindowsAtOneFrameTheWrongOneIsPutBackAndTheNextCandidateLands)
{
    addWindow(notes, 41, place, "Wanted");
    addWindow(notes, 42, place, "Twin");  // in front, so accessibility lists it first
    const double start = dispatch::now();

    const auto landed = moveWindow(41, notes, place, slot, target, AXMatch::originAndSize);

    ASSERT_TRUE(landed);
    EXPECT_EQ(*landed, slot);
    EXPECT_EQ(frameOf(41), slot);
    EXPECT_EQ(frameOf(42), place);
    EXPECT_EQ(lines_, (std::vector<std::string>{
                          "按 bounds(100,100 800x600) 在该应用里匹配到 2 个 AX 窗口（逐个试）",
                          "候选 1 搬完校验不过（CG 回读 (100,100 800x600)，等了 6 个 80ms），已撤回"
                          "（位置+尺寸都还原）",
                          "第 2 个候选才命中（同坐标窗口撞车，已按回读校验选中正确的那个）",
                      }));
    // Six read-backs for the wrong window, one pause after putting it back.
    EXPECT_NEAR(dispatch::now() - start, 7 * 0.08, 1e-9);
}

TEST_F(WindowMoverTest, OffAVirtualDisplayTheWrongWindowThatReachedARealOneIsNotPutBack)
{
    desktop::DisplayInfo dark;
    dark.id = 3;
    dark.frame = core::Rect(3064, 982, 1552, 1022);
    dark.visibleFrame = dark.frame;
    dark.mode = {1552, 1022, 3104, 2044, 60};
    dark.isVirtual = true;
    world().addDisplay(dark);
    const core::Rect stranded{3100, 1100, 800, 600};
    addWindow(notes, 41, stranded, "Wanted");
    addWindow(notes, 42, stranded, "Twin");  // in front, so accessibility lists it first

    const auto landed = moveWindow(41, notes, stranded, place, std::nullopt, AXMatch::originOnly);

    ASSERT_TRUE(landed);
    EXPECT_EQ(frameOf(41), place);
    EXPECT_EQ(frameOf(42), place);
    EXPECT_EQ(lines_.at(1),
              "候选 1 搬完校验不过（CG 回读 (3100,1100 800x600)，等了 6 个 80ms），"
              "它已落在物理屏上 ⇒ 不撤回虚拟屏，换下一个候选");
}

TEST_F(WindowMoverTest, ARefusedWriteSkipsTheCandidateWithoutWaiting)
{
    sim::AppBehavior behavior;
    behavior.refuseMoves = desktop::ax::cannotComplete;
    world().setBehavior(notes, behavior);
    addWindow(notes, 41, place);
    const double start = dispatch::now();

    EXPECT_FALSE(moveWindow(41, notes, place, slot, target, AXMatch::originAndSize));
    EXPECT_EQ(lines_, (std::vector<std::string>{"候选 1 的 AX 写入被直接拒绝（AXUIElementSetAttributeValue "
                                                "返回失败）⇒ 换下一个候选"}));
    EXPECT_EQ(frameOf(41), place);
    EXPECT_EQ(dispatch::now(), start);
}

TEST_F(WindowMoverTest, NoElementWithinTwoPointsOfTheKnownFrameMeansNoWrite)
{
    addWindow(notes, 41, place);

    EXPECT_FALSE(moveWindow(41, notes, place.offsetBy(3, 0), slot, target, AXMatch::originAndSize));
    EXPECT_EQ(lines_, (std::vector<std::string>{"按 bounds(103,100 800x600) 在该应用里找不到对应 AX 窗口"}));
    EXPECT_TRUE(journalOf("ax.set").empty());

    // Origin-only matching ignores the size.
    EXPECT_TRUE(moveWindow(41, notes, core::Rect(101, 99, 500, 300), slot, target, AXMatch::originOnly));
}

TEST_F(WindowMoverTest, TheSizeIsWrittenOnlyWhenItChangesAndASizeOnlyChangeNeedNotLeaveItsPlace)
{
    addWindow(notes, 41, place);
    ASSERT_TRUE(moveWindow(41, notes, place, slot, target, AXMatch::originAndSize));
    EXPECT_EQ(writtenAttributes(), (std::vector<std::string>{"AXPosition"}));

    const core::Rect smaller{slot.origin, {600, 400}};
    const auto landed = moveWindow(41, notes, slot, smaller, target, AXMatch::originAndSize);
    ASSERT_TRUE(landed);
    EXPECT_EQ(*landed, smaller);
    EXPECT_EQ(writtenAttributes(), (std::vector<std::string>{"AXPosition", "AXSize", "AXPosition"}));
}

TEST_F(WindowMoverTest, ALateLandingIsWaitedForInEightyMillisecondSteps)
{
    sim::AppBehavior behavior;
    behavior.settleDelay = 0.2;
    world().setBehavior(notes, behavior);
    addWindow(notes, 41, place);
    const double start = dispatch::now();

    EXPECT_EQ(moveWindow(41, notes, place, slot, target, AXMatch::originAndSize), slot);
    EXPECT_NEAR(dispatch::now() - start, 3 * 0.08, 1e-9);
    EXPECT_TRUE(lines_.empty());
}

TEST_F(WindowMoverTest, ALandingShiftedInsideTheTargetDisplayIsAcceptedWithTheDriftLine)
{
    sim::AppBehavior behavior;
    behavior.shiftMoves = core::Point{30, 20};
    world().setBehavior(notes, behavior);
    addWindow(notes, 41, place);

    const auto landed = moveWindow(41, notes, place, slot, target, AXMatch::originAndSize);

    EXPECT_EQ(landed, slot.offsetBy(30, 20));
    EXPECT_EQ(lines_, (std::vector<std::string>{"落点被系统微调：目标 (1528,1012 800x600) → 实际 (1558,1032 800x600)"
                                                "（在目标屏内，接受；等了 0 个 80ms 才落位）"}));
}

TEST_F(WindowMoverTest, WithoutATargetDisplayAShiftedLandingIsRefusedAndLeftWhereItIs)
{
    // The rescue of a foreign window: only the origin counts.
    sim::AppBehavior behavior;
    behavior.shiftMoves = core::Point{30, 0};
    world().setBehavior(notes, behavior);
    addWindow(notes, 41, slot);

    EXPECT_FALSE(moveWindow(41, notes, slot, place, std::nullopt, AXMatch::originOnly));
    EXPECT_EQ(frameOf(41), core::Rect(130, 100, 800, 600));
    EXPECT_EQ(
        lines_,
        (std::vector<std::string>{
            "候选 1 搬完校验不过：我们写给它的目标 (100,100 800x600)，它自己现在 (130,100 800x600)"
            "（写之前 (1528,1012 800x600)），CG 回读 (130,100 800x600)，等了 6 个 80ms"
            "⇒ 它**没停在目标上**（是「没动」还是「动了又回去/被夹到别处」，看上面这几个值）⇒ 不撤它，换下一个候选"}));
}

TEST_F(WindowMoverTest, AWindowThatStaysAtItsPlaceIsNotAcceptedEvenInsideTheDisplay)
{
    // The re-plot case: old and new places are on the same display.
    sim::AppBehavior behavior;
    behavior.settleDelay = 10;
    world().setBehavior(notes, behavior);
    addWindow(notes, 41, slot);
    const core::Rect next{2094, 1012, 800, 600};

    EXPECT_FALSE(moveWindow(41, notes, slot, next, target, AXMatch::originAndSize));
    EXPECT_EQ(
        lines_,
        (std::vector<std::string>{
            "候选 1 搬完校验不过：我们写给它的目标 (2094,1012 800x600)，它自己现在 (1528,1012 800x600)"
            "（写之前 (1528,1012 800x600)），CG 回读 (1528,1012 800x600)，等了 6 个 80ms"
            "⇒ 它**没停在目标上**（是「没动」还是「动了又回去/被夹到别处」，看上面这几个值）⇒ 不撤它，换下一个候选"}));
}

TEST_F(WindowMoverTest, AWindowTheSystemResizedIsNotAcceptedAndGoesBack)
{
    sim::AppBehavior behavior;
    behavior.minSize = core::Size{900, 700};
    world().setBehavior(notes, behavior);
    addWindow(notes, 41, place);
    const core::Rect smaller{slot.origin, {600, 400}};

    EXPECT_FALSE(moveWindow(41, notes, place, smaller, target, AXMatch::originAndSize));
    EXPECT_EQ(frameOf(41).origin, place.origin);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0],
              "候选 1 搬完校验不过（CG 回读 (1528,1012 900x700)，等了 6 个 80ms），已撤回"
              "（位置+尺寸都还原）");
}

}  // namespace
