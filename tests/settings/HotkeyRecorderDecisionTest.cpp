#include "platform/desktop/Input.h"
#include "settings/RecorderDecision.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

namespace recorder = settings::recorder;
namespace flag = desktop::modifier;
using Kind = recorder::KeyPressOutcome::Kind;
using HoldKind = recorder::HoldTickOutcome::Kind;

constexpr int keyK = 40;
constexpr int keyP = 35;
constexpr int keyM = 46;

std::vector<recorder::EffectiveCombination> rowsWith(std::map<std::string, long long> stored)
{
    return recorder::effectiveCombinations(app::hotkeySpecs(), [&stored](const defaults::Integer& setting) {
        const auto found = stored.find(std::string(setting.key));
        return found == stored.end() ? std::nullopt : std::optional<long long>(found->second);
    });
}

TEST(HotkeyRecorderDecisionTest, MaskComesFromCommandOptionControlAndShiftOnly)
{
    const auto rows = rowsWith({});
    const auto press = [&rows](std::uint64_t flags) {
        return recorder::decideKeyPress("captureHotKey", keyK, flags, rows);
    };

    const auto all = press(flag::control | flag::option | flag::shift | flag::command);
    EXPECT_EQ(all.kind, Kind::store);
    EXPECT_EQ(all.combination, (app::HotKeyCombination{keyK, 0x1B00}));
    EXPECT_EQ(press(flag::shift | flag::command).combination.flags, 0x300);
    EXPECT_EQ(press(flag::control).combination.flags, 0x1000);
    EXPECT_EQ(press(flag::option | flag::command | flag::capsLock | flag::function | flag::leftCommand).combination.flags,
              0x900);

    EXPECT_EQ(press(flag::shift).kind, Kind::needsModifier);
    EXPECT_EQ(press(0).kind, Kind::needsModifier);
    EXPECT_EQ(press(flag::shift | flag::capsLock | flag::function).kind, Kind::needsModifier);
}

TEST(HotkeyRecorderDecisionTest, EscapeCancelsWhateverIsHeld)
{
    const auto rows = rowsWith({});
    EXPECT_EQ(recorder::decideKeyPress("captureHotKey", recorder::escapeKey, 0, rows).kind, Kind::cancel);
    EXPECT_EQ(recorder::decideKeyPress("captureHotKey", recorder::escapeKey, flag::command, rows).kind, Kind::cancel);
    EXPECT_EQ(recorder::decideKeyPress("captureHotKey", recorder::escapeKey, flag::option | flag::command, rows).kind,
              Kind::cancel);
}

TEST(HotkeyRecorderDecisionTest, AKeyWithoutACodeTheStoreReadsBackIsRefused)
{
    const auto rows = rowsWith({});
    const std::uint64_t controlOption = flag::control | flag::option;
    for (const int code : {-1, app::highestKeyCode + 1})
        EXPECT_EQ(recorder::decideKeyPress("tileAllHotKey", code, controlOption, rows).kind, Kind::unknownKey) << code;
    EXPECT_EQ(recorder::decideKeyPress("tileAllHotKey", app::highestKeyCode, controlOption, rows).kind, Kind::store);
}

TEST(HotkeyRecorderDecisionTest, AnotherRowsEffectiveCombinationIsAConflict)
{
    const std::uint64_t optionCommand = flag::option | flag::command;

    // The table default of another row.
    const auto byDefault = recorder::decideKeyPress("toggleHotKey", keyP, optionCommand, rowsWith({}));
    EXPECT_EQ(byDefault.kind, Kind::conflict);
    EXPECT_EQ(byDefault.conflictWith, "captureHotKey");

    // A stored combination of another row, and the default it replaced is free again.
    const auto stored = rowsWith({{"pauseAllHotKeyCode", keyK}, {"pauseAllHotKeyFlags", 0x300}});
    const auto taken = recorder::decideKeyPress("captureHotKey", keyK, flag::shift | flag::command, stored);
    EXPECT_EQ(taken.kind, Kind::conflict);
    EXPECT_EQ(taken.conflictWith, "pauseAllHotKey");
    EXPECT_EQ(recorder::decideKeyPress("captureHotKey", keyM, optionCommand, stored).kind, Kind::store);

    // Stored values the shell would not use count as the default they fall back to.
    const auto unusable = rowsWith({{"pauseAllHotKeyCode", 500}, {"pauseAllHotKeyFlags", 0x10000}});
    EXPECT_EQ(recorder::decideKeyPress("captureHotKey", keyM, optionCommand, unusable).conflictWith, "pauseAllHotKey");

    // Same key, other mask; and a row's own combination recorded again.
    EXPECT_EQ(recorder::decideKeyPress("toggleHotKey", keyP, flag::control | optionCommand, rowsWith({})).kind,
              Kind::store);
    EXPECT_EQ(recorder::decideKeyPress("captureHotKey", keyP, optionCommand, rowsWith({})).kind, Kind::store);
}

TEST(HotkeyRecorderDecisionTest, HoldTickTakesEscapeThenDeleteThenTheFirstCandidateInTableOrder)
{
    const auto tick = [](std::set<int> down) {
        return recorder::decideHoldTick([down](int code) { return down.count(code) > 0; });
    };

    EXPECT_EQ(tick({}).kind, HoldKind::none);
    EXPECT_EQ(tick({keyK, desktop::key::capsLock}).kind, HoldKind::none);

    const auto fn = tick({desktop::key::command, desktop::key::function});
    EXPECT_EQ(fn.kind, HoldKind::record);
    EXPECT_EQ(fn.combination, (app::HotKeyCombination{63, 0}));
    EXPECT_EQ(tick({desktop::key::rightCommand}).combination, (app::HotKeyCombination{54, 0x100}));
    EXPECT_EQ(tick({desktop::key::rightShift, desktop::key::rightOption}).combination,
              (app::HotKeyCombination{61, 0x800}));
    EXPECT_EQ(tick({desktop::key::rightControl, desktop::key::shift}).combination, (app::HotKeyCombination{62, 0x1000}));

    EXPECT_EQ(tick({recorder::deleteKey, desktop::key::function}).kind, HoldKind::reset);
    EXPECT_EQ(tick({recorder::escapeKey, recorder::deleteKey, desktop::key::function}).kind, HoldKind::cancel);
}

}  // namespace
