#include "app/HoldKeyMonitor.h"
#include "app/HotKeyRegistry.h"
#include "platform/defaults/Defaults.h"
#include "platform/dispatch/Queue.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimInput.h"
#include "support/DiagLines.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Registration = sim::SimHotKeys::Registration;

class HotKeyRegistryTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::SimDesktopDiagTest::SetUp();
        defaults::Defaults::standard().reopen(configHome() + "/Glimra/defaults.json");
        monitor = std::make_unique<HoldKeyMonitor>();
        registry = std::make_unique<app::HotKeyRegistry>([this](app::Command command) { count(command); }, *monitor);
    }

    void TearDown() override
    {
        registry.reset();
        monitor.reset();
        clock().runUntilIdle();
        testsupport::SimDesktopDiagTest::TearDown();
    }

    void count(app::Command command)
    {
        using app::Command;
        static const std::map<Command, std::string> names{
            {Command::captureFrontmost, "capture"}, {Command::togglePauseAll, "pause"},
            {Command::togglePanels, "toggle"},      {Command::closeAll, "closeAll"},
            {Command::tileAll, "tileAll"},          {Command::beginFocusCreate, "focusCreate"},
            {Command::rescueCursor, "cursorRescue"}};
        EXPECT_TRUE(dispatch::main().isCurrent());
        ++ran[names.at(command)];
    }

    sim::SimHotKeys& hotKeys() { return static_cast<sim::SimHotKeys&>(*desktop().hotKeys); }
    sim::SimInput& input() { return static_cast<sim::SimInput&>(*desktop().input); }

    void press(int code, const std::vector<std::string>& modifiers)
    {
        input().userKeyDown(code, modifiers);
        input().userKeyUp(code, modifiers);
        clock().runUntilIdle();
    }

    void store(const std::string& key, nlohmann::json value) { defaults::Defaults::standard().set(key, value); }

    std::map<int, Registration> registeredByID()
    {
        std::map<int, Registration> byID;
        for (const auto& entry : hotKeys().registered()) byID[static_cast<int>(entry.id)] = entry;
        return byID;
    }

    std::map<std::string, int> ran;
    std::unique_ptr<HoldKeyMonitor> monitor;
    std::unique_ptr<app::HotKeyRegistry> registry;
};

void expectRegistered(const Registration& entry, int code, std::uint32_t mask)
{
    EXPECT_EQ(entry.code, code) << "id " << entry.id;
    EXPECT_EQ(entry.mask, mask) << "id " << entry.id;
}

TEST_F(HotKeyRegistryTest, WithNothingStoredTheSevenDefaultsAreRegisteredAndTheHoldKeyIsFn)
{
    registry->registerHotKey([] {}, [] {});

    const auto registered = hotKeys().registered();
    std::vector<std::uint32_t> ids;
    for (const auto& entry : registered) ids.push_back(entry.id);
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{1, 3, 2, 4, 5, 6, 7}));
    const std::map<int, int> codes{{1, 35}, {3, 46}, {2, 11}, {4, 13}, {5, 17}, {6, 3}, {7, 15}};
    for (const auto& entry : registered) expectRegistered(entry, codes.at(static_cast<int>(entry.id)), 0x900);
    EXPECT_EQ(registry->hotkeyRefs().size(), 7u);
    EXPECT_FALSE(registry->hotkeyRefs().count(8));

    EXPECT_EQ(monitor->keyCode(), 63);
    EXPECT_TRUE(monitor->pollDriven());
    EXPECT_EQ(registry->hotkeyName("holdHideHotKey"), "fn");
    EXPECT_EQ(registry->hotkeyName("focusCreateHotKey"), "⌥⌘F");
    EXPECT_EQ(registry->hotkeyName("noSuchHotKey"), "");
    store("holdHideHotKeyCode", 61);
    EXPECT_EQ(registry->hotkeyName("holdHideHotKey"), "右⌥");
    EXPECT_TRUE(linesWith("注册失败").empty());
}

TEST_F(HotKeyRegistryTest, APressRunsTheRowOfItsIdAfterTheHandlerReturnedAndReleasesDoNothing)
{
    registry->registerHotKey([] {}, [] {});

    input().userKeyDown(35, {"cmd", "alt"});
    EXPECT_TRUE(ran.empty());  // deferred to a later main-queue turn
    // One post from the key to its command: it runs ahead of work posted after the key.
    bool ranAhead = false;
    dispatch::main().async([this, &ranAhead] { ranAhead = ran.count("capture") == 1; });
    clock().runUntilIdle();
    EXPECT_TRUE(ranAhead);
    EXPECT_EQ(ran, (std::map<std::string, int>{{"capture", 1}}));
    input().userKeyUp(35, {"cmd", "alt"});
    clock().runUntilIdle();
    EXPECT_EQ(ran["capture"], 1);

    press(11, {"alt", "cmd"});
    press(15, {"cmd", "alt"});
    press(35, {"cmd"});  // not a registered combination
    EXPECT_EQ(ran, (std::map<std::string, int>{{"capture", 1}, {"toggle", 1}, {"cursorRescue", 1}}));

    // A press still queued when the registry goes does nothing.
    input().userKeyDown(17, {"cmd", "alt"});
    registry.reset();
    clock().runUntilIdle();
    EXPECT_FALSE(ran.count("tileAll"));
}

TEST_F(HotKeyRegistryTest, TwoRowsExchangingCombinationsBothRegister)
{
    registry->registerHotKey([] {}, [] {});
    store("captureHotKeyCode", 46);
    store("pauseAllHotKeyCode", 35);
    registry->registerAllHotkeys();

    auto byID = registeredByID();
    ASSERT_EQ(byID.size(), 7u);
    expectRegistered(byID[1], 46, 0x900);
    expectRegistered(byID[3], 35, 0x900);
    EXPECT_TRUE(linesWith("注册失败").empty());

    press(46, {"cmd", "alt"});
    EXPECT_EQ(ran, (std::map<std::string, int>{{"capture", 1}}));
}

TEST_F(HotKeyRegistryTest, ARefusedCombinationIsLoggedWithItsCombinationAndTheOthersStillRegister)
{
    // Someone else holds ⌥⌘T; two rows of ours want ⌃⇧K.
    desktop::Token foreign = 0;
    ASSERT_EQ(hotKeys().registerHotKey({0x41424344, 1}, 17, 0x900, foreign), desktop::HotKeyStatus::ok);
    store("toggleHotKeyCode", 40);
    store("toggleHotKeyFlags", 0x1200);
    store("closeAllHotKeyCode", 40);
    store("closeAllHotKeyFlags", 0x1200);
    registry->registerHotKey([] {}, [] {});

    EXPECT_EQ(linesWith("注册失败"), (std::vector<std::string>{
                                         "热键: closeAllHotKey 的组合 ⌃⇧K 注册失败（状态 -9878）⇒ 此热键暂不起作用",
                                         "热键: tileAllHotKey 的组合 ⌥⌘T 注册失败（状态 -9878）⇒ 此热键暂不起作用",
                                     }));
    EXPECT_FALSE(registry->hotkeyRefs().count(4));
    EXPECT_FALSE(registry->hotkeyRefs().count(5));
    EXPECT_EQ(registry->hotkeyRefs().size(), 5u);

    // The caller hears of each refusal, in table order.
    const auto refused = registry->registerAllHotkeys();
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].keyPrefix, "closeAllHotKey");
    EXPECT_EQ(refused[0].status, desktop::HotKeyStatus::taken);
    EXPECT_EQ(refused[1].keyPrefix, "tileAllHotKey");
    EXPECT_EQ(refused[1].status, desktop::HotKeyStatus::taken);

    // Once the other party lets go, the next registration takes it.
    hotKeys().unregisterHotKey(foreign);
    EXPECT_EQ(registry->registerAllHotkeys().size(), 1u);
    EXPECT_TRUE(registry->hotkeyRefs().count(5));
    EXPECT_EQ(linesWith("tileAllHotKey").size(), 2u);
}

TEST_F(HotKeyRegistryTest, StoredValuesThatAreNoIntegersOrOutOfRangeGiveTheRowsDefaults)
{
    store("captureHotKeyCode", "P");
    store("captureHotKeyFlags", 0x100);
    store("pauseAllHotKeyCode", 500);
    store("toggleHotKeyCode", 3.5);
    store("closeAllHotKeyFlags", 0x80900);
    store("tileAllHotKeyFlags", true);
    store("focusCreateHotKeyCode", -3);
    store("holdHideHotKeyCode", 200);
    registry->registerHotKey([] {}, [] {});

    auto byID = registeredByID();
    expectRegistered(byID[1], 35, 0x100);
    expectRegistered(byID[3], 46, 0x900);
    expectRegistered(byID[2], 11, 0x900);
    expectRegistered(byID[4], 13, 0x900);
    expectRegistered(byID[5], 17, 0x900);
    expectRegistered(byID[6], 3, 0x900);
    EXPECT_EQ(monitor->keyCode(), 63);
    EXPECT_EQ(registry->hotkeyName("captureHotKey"), "⌘P");
}

TEST_F(HotKeyRegistryTest, TheHoldKeyRowConfiguresTheMonitorWhoseHoldRunsTheGivenActions)
{
    int begun = 0, ended = 0;
    store("holdHideHotKeyCode", 58);
    store("holdHideDelayMs", 0);
    registry->registerHotKey([&] { ++begun; }, [&] { ++ended; });
    EXPECT_EQ(monitor->keyCode(), 58);
    EXPECT_EQ(monitor->monitorCount(), 2u);

    input().userKeyDown(58);
    clock().runUntilIdle();
    EXPECT_EQ(begun, 1);
    input().userKeyUp(58);
    clock().runUntilIdle();
    EXPECT_EQ(ended, 1);
}

TEST_F(HotKeyRegistryTest, SuspendingSilencesEveryKeyAndEndsAHoldUntilAllAreRegisteredAgain)
{
    int begun = 0, ended = 0;
    store("holdHideHotKeyCode", 58);
    store("holdHideDelayMs", 0);
    registry->registerHotKey([&] { ++begun; }, [&] { ++ended; });
    input().userKeyDown(58);
    clock().runUntilIdle();
    ASSERT_EQ(begun, 1);

    // The mini windows hidden by the hold come back; neither kind of key acts any more.
    registry->suspendHotkeys(true);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(hotKeys().registered().empty());
    EXPECT_TRUE(registry->hotkeyRefs().empty());
    EXPECT_EQ(monitor->monitorCount(), 0u);
    input().userKeyUp(58);
    press(35, {"cmd", "alt"});
    input().userKeyDown(58);
    clock().runUntilIdle();
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(begun, 1);
    input().userKeyUp(58);
    clock().runUntilIdle();

    // fn is polled, not watched through events: the poll stops too.
    store("holdHideHotKeyCode", 63);
    registry->registerAllHotkeys();
    ASSERT_TRUE(monitor->statePollRunning());
    registry->suspendHotkeys(true);
    EXPECT_FALSE(monitor->statePollRunning());

    registry->suspendHotkeys(false);
    EXPECT_EQ(hotKeys().registered().size(), 7u);
    EXPECT_TRUE(monitor->statePollRunning());
    press(35, {"cmd", "alt"});
    EXPECT_EQ(ran, (std::map<std::string, int>{{"capture", 1}}));
    input().userKeyDown(63);
    clock().runUntilIdle();
    clock().advance(0.1);
    EXPECT_EQ(begun, 2);
}

}  // namespace
