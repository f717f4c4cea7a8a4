#include "app/HoldKeyMonitor.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimInput.h"
#include "platform/ui/Menu.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <QMenu>
#include <gtest/gtest.h>

namespace {

using desktop::EventType;
using State = HoldKeyStateMachine::State;

constexpr int fn = 63;
constexpr int leftOption = 58;
constexpr int rightOption = 61;

class HoldKeyMonitorTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::SimDesktopDiagTest::SetUp();
        defaults::Defaults::standard().reopen(configHome() + "/Glimra/defaults.json");
        monitor = std::make_unique<HoldKeyMonitor>();
        monitor->onPress = [this] { ++pressed; };
        monitor->onRelease = [this] { ++released; };
    }

    void TearDown() override
    {
        monitor.reset();
        clock().runUntilIdle();
        testsupport::SimDesktopDiagTest::TearDown();
    }

    sim::SimInput& input() { return static_cast<sim::SimInput&>(*desktop().input); }

    void keyDown(int code, double thenWait = 0)
    {
        input().userKeyDown(code);
        clock().runUntilIdle();
        if (thenWait > 0) clock().advance(thenWait);
    }
    void keyUp(int code, double thenWait = 0)
    {
        input().userKeyUp(code);
        clock().runUntilIdle();
        if (thenWait > 0) clock().advance(thenWait);
    }

    void setDelay(nlohmann::json value) { defaults::Defaults::standard().set("holdHideDelayMs", value); }

    std::unique_ptr<HoldKeyMonitor> monitor;
    int pressed = 0;
    int released = 0;
};

TEST(HoldKeyRulesTest, AnotherKeysFlagsChangeEndsAPressOnlyWhenTheFlagIsGone)
{
    using V = HoldKeyRules::FlagsVerdict;
    constexpr std::uint64_t option = 0x80000, shift = 0x20000;
    EXPECT_EQ(HoldKeyRules::flagsChanged(leftOption, option | 0x20, leftOption, option, false), V::begin);
    EXPECT_EQ(HoldKeyRules::flagsChanged(leftOption, 0, leftOption, option, true), V::finishReleased);
    EXPECT_EQ(HoldKeyRules::flagsChanged(56, option | shift, leftOption, option, true), V::none);
    EXPECT_EQ(HoldKeyRules::flagsChanged(56, shift, leftOption, option, true), V::finishFlagGone);
    EXPECT_EQ(HoldKeyRules::flagsChanged(56, shift, leftOption, option, false), V::none);
}

TEST(HoldKeyStateMachineTest, PressOnceAndReleaseOncePerHold)
{
    HoldKeyStateMachine machine;
    EXPECT_EQ(machine.finish("x", 250).callback, HoldKeyStateMachine::Callback::none);
    EXPECT_TRUE(machine.finish("x", 250).logLine.empty());
    EXPECT_FALSE(machine.activate("fn", 250).logLine.size());  // not down

    EXPECT_TRUE(machine.begin());
    EXPECT_FALSE(machine.begin());
    EXPECT_EQ(machine.state(), State::delaying);
    EXPECT_EQ(machine.activate("fn", 250).callback, HoldKeyStateMachine::Callback::press);
    EXPECT_EQ(machine.activate("fn", 250).callback, HoldKeyStateMachine::Callback::none);
    EXPECT_EQ(machine.state(), State::active);
    const auto end = machine.finish("松开", 250);
    EXPECT_EQ(end.callback, HoldKeyStateMachine::Callback::release);
    EXPECT_EQ(end.logLine, "按住热键: 松开 ⇒ 恢复（松开）");
    EXPECT_EQ(machine.state(), State::idle);
}

TEST(HoldKeyStateMachineTest, AnotherKeyEndsThePressOnceAndNoHoldBeginsUntilTheKeyIsUp)
{
    using Callback = HoldKeyStateMachine::Callback;
    HoldKeyStateMachine machine;
    ASSERT_TRUE(machine.begin());
    const auto early = machine.combine("fn");
    EXPECT_EQ(early.logLine, "按住热键: fn 与别的键组合使用 ⇒ 不收起小窗（组合键不算按住）");
    EXPECT_EQ(early.callback, Callback::none);
    EXPECT_EQ(machine.state(), State::combined);
    EXPECT_TRUE(machine.combine("fn").logLine.empty());
    EXPECT_FALSE(machine.begin());
    EXPECT_TRUE(machine.finish("松开", 250).logLine.empty()) << "no tap line after a combination";
    machine.keyUp();
    EXPECT_EQ(machine.state(), State::idle);

    ASSERT_TRUE(machine.begin());
    machine.activate("fn", 250);
    const auto late = machine.combine("fn");
    EXPECT_EQ(late.logLine, "按住热键: fn 与别的键组合使用 ⇒ 恢复小窗（组合键不算按住）");
    EXPECT_EQ(late.callback, Callback::release);
    EXPECT_FALSE(machine.isActive());
}

TEST_F(HoldKeyMonitorTest, FnIsPolledATapDoesNothingAndAHoldPressesAndReleasesOnceEvenWithAMenuOpen)
{
    testsupport::ensureQtApplication();
    monitor->apply(fn, 0);
    EXPECT_EQ(monitor->monitorCount(), 0u);
    EXPECT_TRUE(monitor->statePollRunning());
    EXPECT_EQ(linesWith("按住热键: "), std::vector<std::string>{"按住热键: fn 走**轮询**判定（不发事件也认）"});

    keyDown(fn, 0.1);
    EXPECT_TRUE(monitor->isDown());
    keyUp(fn, 0.1);
    EXPECT_FALSE(monitor->isDown());
    EXPECT_EQ(linesWith("点按"), std::vector<std::string>{"按住热键: 点按（没到 250ms）⇒ 不动作"});
    EXPECT_EQ(pressed + released, 0);

    ui::Menu menu;
    menu.addItem("Item");
    menu.popUp({200, 600});
    ASSERT_TRUE(ui::Menu::isAnyMenuOpen());
    keyDown(fn, 0.4);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(linesWith("≥"), std::vector<std::string>{"按住热键: 按住 fn ≥ 250ms ⇒ 临时收起小窗"});
    clock().advance(5);
    EXPECT_EQ(pressed, 1);
    keyUp(fn, 0.1);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(linesWith("恢复（"), std::vector<std::string>{"按住热键: 松开 ⇒ 恢复（轮询发现已抬起）"});
    menu.cancelTracking();
}

TEST_F(HoldKeyMonitorTest, TheDelayIsReadAtEveryPressAndClamped)
{
    monitor->apply(leftOption, 0);
    EXPECT_EQ(linesWith("已就绪"), std::vector<std::string>{"按住热键: 已就绪 左⌥（按下收起小窗、松开恢复）"});
    EXPECT_EQ(monitor->monitorCount(), 2u);

    // Below zero: onPress at the key-down itself, so no tap is possible.
    setDelay(-5);
    EXPECT_EQ(HoldKeyMonitor::holdDelay(), 0.0);
    keyDown(leftOption);
    EXPECT_EQ(pressed, 1);
    keyUp(leftOption);
    EXPECT_EQ(released, 1);
    EXPECT_TRUE(linesWith("点按").empty());
    EXPECT_EQ(linesWith("≥ 0ms").size(), 1u);

    setDelay(5000);
    EXPECT_EQ(HoldKeyMonitor::holdDelay(), 2.0);
    keyDown(leftOption, 1.9);
    EXPECT_EQ(pressed, 1);
    clock().advance(0.2);
    EXPECT_EQ(pressed, 2);
    EXPECT_EQ(linesWith("按住热键: 按住 左⌥ ≥ 2000ms ⇒ 临时收起小窗").size(), 1u);
    keyUp(leftOption);
    EXPECT_EQ(linesWith("按住热键: 松开 ⇒ 恢复（松开）").size(), 2u);

    setDelay("soon");
    EXPECT_EQ(HoldKeyMonitor::holdDelay(), 0.25);
    keyDown(leftOption, 0.2);
    keyUp(leftOption);
    EXPECT_EQ(linesWith("按住热键: 点按（没到 250ms）⇒ 不动作").size(), 1u);
    EXPECT_EQ(pressed, 2);
    EXPECT_EQ(released, 2);
}

TEST_F(HoldKeyMonitorTest, ALostKeyUpIsCaughtByTheFallbackPoll)
{
    monitor->apply(leftOption, 0);
    keyDown(leftOption, 0.3);
    ASSERT_EQ(pressed, 1);

    // The key-up never reaches the application.
    const auto tap = desktop().input->createEventTap(desktop::maskOf(EventType::flagsChanged),
                                                     [](const desktop::Event&) { return false; });
    ASSERT_TRUE(tap);
    keyUp(leftOption);
    EXPECT_TRUE(monitor->isDown());
    clock().advance(0.4);
    EXPECT_FALSE(monitor->isDown());
    EXPECT_EQ(released, 1);
    EXPECT_EQ(linesWith("恢复（"),
              std::vector<std::string>{"按住热键: 松开 ⇒ 恢复（兜底复核发现键已抬起 —— 抬起事件丢了）"});
    desktop().input->removeEventTap(*tap);
}

TEST_F(HoldKeyMonitorTest, AnotherKeyShowingTheFlagGoneEndsTheHold)
{
    monitor->apply(leftOption, 0);
    keyDown(leftOption, 0.3);
    ASSERT_EQ(pressed, 1);
    desktop::Event shiftUp;
    shiftUp.type = EventType::keyUp;
    shiftUp.keyCode = 56;
    desktop().input->postEvent(shiftUp);  // carries no option flag
    clock().runUntilIdle();
    EXPECT_EQ(released, 1);
    EXPECT_EQ(linesWith("恢复（").back(), "按住热键: 松开 ⇒ 恢复（键已不在按下集合里）");
}

TEST_F(HoldKeyMonitorTest, ApplyEndsAPressInProgressAndReinstalls)
{
    monitor->apply(leftOption, 0);
    keyDown(leftOption, 0.3);
    ASSERT_EQ(pressed, 1);
    // Even the same key, as after a change of another hot key.
    monitor->apply(leftOption, 0x800);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(linesWith("恢复（").back(), "按住热键: 松开 ⇒ 恢复（换键）");
    EXPECT_EQ(monitor->monitorCount(), 2u);
    keyUp(leftOption);

    // Within the delay, a change of key is a tap.
    keyDown(leftOption, 0.1);
    monitor->apply(rightOption, 0);
    EXPECT_EQ(linesWith("点按").size(), 1u);
    clock().advance(1);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(released, 1);
    keyUp(leftOption);

    keyDown(rightOption, 0.3);
    EXPECT_EQ(pressed, 2);
    EXPECT_EQ(linesWith("按住 右⌥").size(), 1u);
    keyUp(rightOption);
    EXPECT_EQ(released, 2);
}

// Ctrl+A with Right Ctrl as the hold key, where the hold keys are everyday modifiers.
TEST_F(HoldKeyMonitorTest, AnotherKeyPressedWhileTheHoldKeyIsDownMakesACombinationNotAHold)
{
    input().setHoldKeysAreEverydayModifiers(true);
    monitor->apply(fn, 0);
    EXPECT_TRUE(monitor->statePollRunning());
    EXPECT_EQ(monitor->monitorCount(), 2u) << "the other keys' presses are watched beside the poll";

    // Pressed together, before the poll saw the hold key: nothing hides however long it
    // stays down, and its release is no tap.
    input().userKeyDown(fn);
    input().userKeyDown(desktop::key::a);
    clock().runUntilIdle();
    keyUp(desktop::key::a, 1);
    EXPECT_EQ(pressed, 0);
    keyUp(fn, 0.1);
    EXPECT_EQ(linesWith("按住热键: fn"),
              (std::vector<std::string>{"按住热键: fn 走**轮询**判定（不发事件也认）",
                                        "按住热键: fn 与别的键组合使用 ⇒ 不收起小窗（组合键不算按住）"}));
    EXPECT_TRUE(linesWith("点按").empty());

    // A hold that already hid the mini windows: the other key brings them back at once.
    keyDown(fn, 0.4);
    ASSERT_EQ(pressed, 1);
    keyDown(desktop::key::a, 1);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(linesWith("恢复小窗"),
              std::vector<std::string>{"按住热键: fn 与别的键组合使用 ⇒ 恢复小窗（组合键不算按住）"});
    keyUp(desktop::key::a);
    keyUp(fn, 0.1);

    // Once the key was up, a plain hold hides again; the same holds for event-driven keys.
    keyDown(fn, 0.4);
    EXPECT_EQ(pressed, 2);
    keyUp(fn, 0.1);
    monitor->apply(leftOption, 0);
    keyDown(leftOption, 0.1);
    keyDown(desktop::key::a, 0.5);
    keyUp(desktop::key::a);
    EXPECT_EQ(pressed, 2);
    keyUp(leftOption);
    keyDown(leftOption, 0.3);
    EXPECT_EQ(pressed, 3);
    keyUp(leftOption);
    EXPECT_EQ(released, 3);
}

TEST_F(HoldKeyMonitorTest, AKeyThatCannotBeHeldSwitchesTheFeatureOffUntilTheNextApply)
{
    monitor->apply(leftOption, 0);
    monitor->apply(57, 0);
    EXPECT_EQ(linesWith("不是"), std::vector<std::string>{"按住热键: 键码 57 不是「可用来按住」的修饰键 ⇒ 该功能停用"});
    EXPECT_EQ(monitor->monitorCount(), 0u);
    EXPECT_FALSE(monitor->statePollRunning());
    keyDown(57, 1);
    keyUp(57);
    EXPECT_FALSE(monitor->isDown());
    EXPECT_EQ(pressed, 0);

    monitor->apply(fn, 0);
    EXPECT_TRUE(monitor->statePollRunning());
    keyDown(fn, 0.5);
    EXPECT_EQ(pressed, 1);
    // Leaving poll mode stops the poll.
    monitor->apply(leftOption, 0);
    EXPECT_FALSE(monitor->statePollRunning());
    EXPECT_EQ(released, 1);
}

}  // namespace
