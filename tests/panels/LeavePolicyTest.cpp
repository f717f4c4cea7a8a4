#include "panels/pin/ActivationPlan.h"
#include "panels/pin/FrontHandoff.h"
#include "panels/pin/RestoreRetry.h"

#include <gtest/gtest.h>

using pin::LeaveCause;

namespace {

constexpr desktop::Pid sourcePid = 40;
constexpr desktop::Pid ownPid = 99;

// Owners back to front A, B, A.
pin::LeaveState coveredState() { return {sourcePid, {{11, 10}, {12, 20}, {13, 10}}, 55, ownPid}; }

std::vector<desktop::Pid> planFor(LeaveCause cause, const pin::LeaveState& state)
{
    return pin::activationPlan(pin::leaveRequest(cause), state).pids;
}

}  // namespace

TEST(ActivationPlan, EscapeAndTheMarginRestoreTheCoversBackToFrontOnce)
{
    const std::vector<desktop::Pid> aThenB{10, 20};
    EXPECT_EQ(planFor(LeaveCause::escape, coveredState()), aThenB);
    EXPECT_EQ(planFor(LeaveCause::marginClick, coveredState()), aThenB);
    // A press outside on the desktop, where no application owns the point.
    EXPECT_EQ(pin::activationPlan(pin::leaveRequest(LeaveCause::outsideClick, std::nullopt, 7), coveredState()).pids,
              aThenB);
    EXPECT_EQ(pin::activationPlan(pin::leaveRequest(LeaveCause::outsideClick, 0, 7), coveredState()).pids, aThenB);
}

TEST(ActivationPlan, DoubleClicksResizeAndClosingLeaveTheFrontAlone)
{
    for (LeaveCause cause : {LeaveCause::pictureDoubleClick, LeaveCause::topStripDoubleClick, LeaveCause::edgeResize,
                             LeaveCause::closePanel}) {
        const auto request = pin::leaveRequest(cause);
        EXPECT_FALSE(request.restoreFrontOrder);
        EXPECT_FALSE(request.frontPid);
        const auto plan = pin::activationPlan(request, coveredState());
        EXPECT_TRUE(plan.pids.empty());
        EXPECT_FALSE(plan.raise);
        EXPECT_TRUE(plan.logLines.empty());
    }
}

TEST(ActivationPlan, AClickedApplicationComesForwardButTheSourceOnlyRaisesItsWindow)
{
    const auto other = pin::activationPlan(pin::leaveRequest(LeaveCause::outsideClick, 30, 88), coveredState());
    EXPECT_EQ(other.pids, std::vector<desktop::Pid>{30});
    EXPECT_FALSE(other.raise);

    const auto own = pin::activationPlan(pin::leaveRequest(LeaveCause::outsideClick, sourcePid, 77), coveredState());
    EXPECT_TRUE(own.pids.empty());
    ASSERT_TRUE(own.raise);
    EXPECT_EQ(*own.raise, (pin::WindowRaise{sourcePid, 77}));
    EXPECT_EQ(own.logLines, std::vector<std::string>{
                                "退出固定: 落点属源应用自己（win=77, pid=40）⇒ 跳过 LS 激活，只用窗口级 AXRaise"});

    // Without a window number the source application is activated like any other.
    for (std::optional<desktop::WindowID> window :
         {std::optional<desktop::WindowID>(), std::optional<desktop::WindowID>(0)}) {
        const auto noWindow =
            pin::activationPlan(pin::leaveRequest(LeaveCause::outsideClick, sourcePid, window), coveredState());
        EXPECT_EQ(noWindow.pids, std::vector<desktop::Pid>{sourcePid});
        EXPECT_FALSE(noWindow.raise);
    }
}

TEST(ActivationPlan, AnEmptyStackHandsTheFrontBackToThePreviousApplication)
{
    pin::LeaveState state{sourcePid, {}, 55, ownPid};
    const auto back = pin::activationPlan(pin::leaveRequest(LeaveCause::escape), state);
    EXPECT_EQ(back.pids, std::vector<desktop::Pid>{55});
    EXPECT_EQ(back.logLines, std::vector<std::string>{"退出固定: 叠放列表为空 ⇒ 把前台交还给固定前的前台应用 pid=55"
                                                      "（否则源应用会继续留在最前 = 观感「原应用被打开」）"});

    for (desktop::Pid previous : {0, ownPid}) {
        state.prePinFrontAppPid = previous;
        const auto none = pin::activationPlan(pin::leaveRequest(LeaveCause::escape), state);
        EXPECT_TRUE(none.pids.empty());
        EXPECT_EQ(none.logLines, std::vector<std::string>{"退出固定: 叠放列表为空且无「固定前前台应用」可交还（pid=" +
                                                          std::to_string(previous) + "）⇒ 不动前台"});
    }
}

TEST(ActivationPlan, ActivationsSkipGoneApplicationsAndANewPin)
{
    EXPECT_TRUE(pin::activationRuns(true, true, false));
    EXPECT_TRUE(pin::activationRuns(true, false, false));  // a closed mini window still hands the front over
    EXPECT_FALSE(pin::activationRuns(true, true, true));
    EXPECT_FALSE(pin::activationRuns(false, true, false));
}

TEST(FrontHandoff, WaitsUpToSixTenthsOfASecondThenRestoresAnyway)
{
    double waited = 0;
    int polls = 0;
    pin::HandoffStep step;
    do {
        step = pin::frontHandoffStep(20, 99, waited);
        ++polls;
        waited = step.waited;
    } while (step.pollAgain && polls < 100);
    // Polls at 0, 0.05, ... 0.55 wait on; the thirteenth sees 0.6.
    EXPECT_EQ(polls, 13);
    EXPECT_EQ(step.logLine, "退出固定: 等前台交还超时（0.6s，目标 pid=20 实际=99）⇒ 照常还原源窗口");

    const auto none = pin::frontHandoffStep(20, 0, 0.7);
    EXPECT_EQ(none.logLine, "退出固定: 等前台交还超时（0.6s，目标 pid=20 实际=0）⇒ 照常还原源窗口");
}

TEST(FrontHandoff, RestoresAsSoonAsTheTargetIsInFront)
{
    const auto waiting = pin::frontHandoffStep(20, 99, 0.1);
    EXPECT_TRUE(waiting.pollAgain);
    EXPECT_NEAR(waiting.waited, 0.15, 1e-12);

    const auto arrived = pin::frontHandoffStep(20, 20, waiting.waited);
    EXPECT_FALSE(arrived.pollAgain);
    EXPECT_EQ(arrived.logLine,
              "退出固定: 前台已交还给 pid=20（等待 0.15s）⇒ 现在还原源窗口（此时它在目标应用之下，几何改动不可见）");
    EXPECT_EQ(pin::frontHandoffStep(20, 20, 0).logLine,
              "退出固定: 前台已交还给 pid=20（等待 0.00s）⇒ 现在还原源窗口（此时它在目标应用之下，几何改动不可见）");
}

TEST(RestoreRetry, SixTriesThreeTenthsApartThenGiveBackTheSourcesOwnWindow)
{
    const pin::RestoreRetry retry(77, sourcePid, {10, 20, 800, 600});
    std::vector<int> tried;
    int attempt = 0;
    pin::RestoreRetry::Outcome outcome;
    for (;;) {
        tried.push_back(attempt);
        outcome = retry.afterTry(attempt, false);
        if (outcome.kind != pin::RestoreRetry::Outcome::Kind::retry) break;
        EXPECT_EQ(outcome.nextAttempt, attempt + 1);
        attempt = outcome.nextAttempt;
    }
    EXPECT_EQ(tried, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_DOUBLE_EQ(pin::RestoreRetry::retryDelay, 0.3);
    EXPECT_EQ(outcome.kind, pin::RestoreRetry::Outcome::Kind::gaveUp);
    EXPECT_EQ(outcome.logLine, "接管预览退出: 恢复彻底失败 frame=(10.0, 20.0, 800.0, 600.0) pid=40");
    EXPECT_EQ(outcome.settle, 77u);
}

TEST(RestoreRetry, ASuccessNamesItsRetryAndReleasesTheWindow)
{
    const pin::RestoreRetry retry(77, sourcePid, {10, 20, 800, 600});
    const auto first = retry.afterTry(0, true);
    EXPECT_EQ(first.kind, pin::RestoreRetry::Outcome::Kind::restored);
    EXPECT_EQ(first.logLine, "接管预览退出: 恢复源窗口 frame=(10.0, 20.0, 800.0, 600.0) 成功");
    EXPECT_EQ(first.settle, 77u);
    EXPECT_EQ(retry.afterTry(3, true).logLine,
              "接管预览退出: 恢复源窗口 frame=(10.0, 20.0, 800.0, 600.0) 成功（重试第3次）");
}

TEST(RestoreRetry, WithoutAnOwnerEveryTryFailsButParkingIsStillSettled)
{
    const pin::RestoreRetry noPid(77, 0, {10, 20, 800, 600});
    EXPECT_FALSE(noPid.canWrite());
    EXPECT_EQ(noPid.afterTry(0, true).kind, pin::RestoreRetry::Outcome::Kind::retry);
    const auto last = noPid.afterTry(5, false);
    EXPECT_EQ(last.kind, pin::RestoreRetry::Outcome::Kind::gaveUp);
    EXPECT_EQ(last.settle, 77u);

    // Window number 0 names no window: nothing to give back.
    EXPECT_FALSE(pin::RestoreRetry(0, sourcePid, {}).afterTry(5, false).settle);
}
