#include "panels/rules/SourceAliveCheck.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

using State = EventBridge::SourceWindowState;
using E = panels::AliveEffect;

// Answers the scripted states in turn and remembers what it was asked.
struct ScriptedSource {
    explicit ScriptedSource(std::initializer_list<State> script) : states(script) {}

    std::deque<State> states;
    std::vector<bool> framesActiveAsked;

    panels::SourceAliveCheck::StateQuery query()
    {
        return [this](bool framesActive) {
            framesActiveAsked.push_back(framesActive);
            const State state = states.front();
            if (states.size() > 1) states.pop_front();
            return state;
        };
    }
};

}  // namespace

TEST(SourceAliveCheck, SecondDestroyedTickClosesThePanel)
{
    panels::SourceAliveCheck check(812);
    ScriptedSource source{State::visible, State::destroyed, State::destroyed};
    EXPECT_EQ(check.tick(10, source.query(), false), (std::vector<E>{E::log("源窗口状态: visible id=812")}));
    EXPECT_EQ(check.tick(20, source.query(), false),
              (std::vector<E>{E::log("源窗口状态: destroyed id=812"), E::showClosingHint(),
                              E::log("源窗口疑似已关闭，开始防抖 id=812")}));
    EXPECT_TRUE(check.sourceClosing());
    EXPECT_EQ(check.tick(20, source.query(), false),
              (std::vector<E>{E::log("源窗口已销毁，自动关闭小窗 id=812"), E::closePanel()}));
}

TEST(SourceAliveCheck, AnyOtherReportInBetweenStartsAgainAndWithdrawsTheClosingHint)
{
    for (State between : {State::visible, State::hidden}) {
        panels::SourceAliveCheck check(7);
        ScriptedSource source{State::destroyed, between, State::destroyed, State::destroyed};
        check.tick(1, source.query(), false);
        const auto effects = check.tick(2, source.query(), false);
        EXPECT_EQ(effects.size(), 2u);
        EXPECT_EQ(effects.back(), E::withdrawClosingHint());
        EXPECT_FALSE(check.sourceClosing());
        EXPECT_EQ(check.missingCount(), 0);

        const auto again = check.tick(3, source.query(), false);
        EXPECT_EQ(again[1], E::showClosingHint()) << "the closing hint shows a second time";
        EXPECT_EQ(check.tick(4, source.query(), false).back(), E::closePanel());
    }
}

TEST(SourceAliveCheck, HiddenAndFrozenShowsTheBannerOnceAndVisibleWithdrawsIt)
{
    panels::SourceAliveCheck check(5);
    ScriptedSource source{State::hidden, State::hidden, State::hidden, State::visible};
    EXPECT_EQ(check.tick(100, source.query(), false), (std::vector<E>{E::log("源窗口状态: hidden id=5")}));
    EXPECT_EQ(check.tick(100, source.query(), false),
              (std::vector<E>{E::log("画面定格: 源窗口已无新帧 id=5"), E::setFrozenBanner(true)}));
    EXPECT_EQ(source.framesActiveAsked, (std::vector<bool>{true, false}));
    EXPECT_TRUE(check.tick(100, source.query(), false).empty());
    EXPECT_EQ(check.frozenStreak(), 2);
    EXPECT_EQ(check.tick(150, source.query(), false),
              (std::vector<E>{E::log("源窗口状态: visible id=5"), E::setFrozenBanner(false)}));
    EXPECT_EQ(check.frozenStreak(), 0);
}

TEST(SourceAliveCheck, PausedStreamCountsAsActiveAndKeepsTheBannerAway)
{
    panels::SourceAliveCheck check(9);
    ScriptedSource source{State::hidden};
    check.tick(100, source.query(), false);
    check.tick(100, source.query(), false);
    ASSERT_TRUE(check.frozenHintShown());

    // Paused: the stall says nothing about the source, and the banner shown is withdrawn.
    EXPECT_EQ(check.tick(100, source.query(), true), (std::vector<E>{E::setFrozenBanner(false)}));
    EXPECT_TRUE(check.tick(100, source.query(), true).empty());
    EXPECT_EQ(source.framesActiveAsked, (std::vector<bool>{true, false, true, true}));
}

TEST(SourceAliveCheck, HiddenAfterDestroyedLetsTheBannerShowAgain)
{
    panels::SourceAliveCheck check(3);
    ScriptedSource source{State::destroyed, State::hidden};
    check.tick(100, source.query(), false);
    EXPECT_EQ(check.tick(100, source.query(), false),
              (std::vector<E>{E::log("源窗口状态: hidden id=3"), E::withdrawClosingHint(),
                              E::log("画面定格: 源窗口已无新帧 id=3"), E::setFrozenBanner(true)}));
}
