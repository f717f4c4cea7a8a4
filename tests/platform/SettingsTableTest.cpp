#include "platform/defaults/SettingsTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using defaults::Defaults;
using nlohmann::json;
namespace setting = defaults::setting;

namespace {

// A store of the test's own that never reaches a file.
class SettingsTable : public testing::Test {
protected:
    Defaults store{std::string()};

    // What a setting reads with `value` stored under its key (none: absent).
    template <typename Setting>
    auto readWith(const Setting& row, const std::optional<json>& value)
    {
        row.restore(value, store);
        return row.value(store);
    }
};

}  // namespace

TEST_F(SettingsTable, EveryKeyIsDeclaredOnceAndAHotKeyHasItsTwo)
{
    const auto& keys = setting::allKeys();
    EXPECT_EQ(keys.size(), 31u + 2 * 8);
    EXPECT_EQ(std::set<std::string_view>(keys.begin(), keys.end()).size(), keys.size());
    EXPECT_EQ(keys.front(), "appLanguage");
    EXPECT_EQ(keys.back(), "cursorRescueHotKeyFlags");

    const auto tile = setting::hotKey("tileAllHotKey");
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->code.key, "tileAllHotKeyCode");
    EXPECT_EQ(tile->flags.key, "tileAllHotKeyFlags");
    EXPECT_FALSE(setting::hotKey("tileAll"));
    EXPECT_FALSE(setting::hotKey("tileAllHotKeyCode"));
}

TEST_F(SettingsTable, NumbersAreClampedOnReadAndAnUnusableOneIsTheDefault)
{
    const auto& scale = setting::hoverPreviewScale;
    EXPECT_EQ(readWith(scale, std::nullopt), 3.0);
    EXPECT_EQ(readWith(scale, 0.5), 1.0);
    EXPECT_EQ(readWith(scale, 1.0), 1.0);
    EXPECT_EQ(readWith(scale, 9), 4.0);
    EXPECT_EQ(readWith(scale, 2.5), 2.5);
    EXPECT_EQ(readWith(scale, INFINITY), 3.0);
    EXPECT_EQ(readWith(scale, "big"), 3.0);

    const auto& delay = setting::hoverPreviewDelay;
    EXPECT_EQ(readWith(delay, std::nullopt), 0.5);
    EXPECT_EQ(readWith(delay, 0), 0.0);
    EXPECT_EQ(readWith(delay, -2), 0.0);
    EXPECT_EQ(readWith(delay, 7), 1.0);
    EXPECT_EQ(readWith(delay, 0.3), 0.3);
    // The settings window builds its slider from the value as stored.
    EXPECT_EQ(delay.unclamped(store), 0.3);
    delay.write(7, store);
    EXPECT_EQ(delay.unclamped(store), 7.0);
    delay.restore("soon", store);
    EXPECT_EQ(delay.unclamped(store), 0.5);

    const auto& interval = setting::cursorGuardProbeInterval;
    EXPECT_EQ(readWith(interval, std::nullopt), 1.0);
    EXPECT_EQ(readWith(interval, 0.05), 1.0);
    EXPECT_EQ(readWith(interval, 0.06), 0.06);
    EXPECT_EQ(readWith(interval, 30), 30.0);
    EXPECT_EQ(readWith(interval, 1e10), 86400.0);
}

TEST_F(SettingsTable, IntegersAreClampedOrChosenAndOtherTypesAreTheDefault)
{
    const auto& delay = setting::holdHideDelayMs;
    EXPECT_EQ(readWith(delay, std::nullopt), 250);
    EXPECT_EQ(readWith(delay, -5), 0);
    EXPECT_EQ(readWith(delay, 0), 0);
    EXPECT_EQ(readWith(delay, 570), 570);
    EXPECT_EQ(readWith(delay, 5000), 2000);
    EXPECT_EQ(readWith(delay, 1LL << 40), 2000);
    EXPECT_EQ(readWith(delay, 570.5), 250);

    // A choice outside its range is the default, not the nearest choice.
    const auto& theme = setting::hoverTriggerTheme;
    EXPECT_EQ(readWith(theme, 0), 0);
    EXPECT_EQ(readWith(theme, 3), 2);
    EXPECT_EQ(readWith(theme, -1), 2);
    EXPECT_EQ(readWith(theme, true), 2);
    EXPECT_EQ(readWith(setting::pipWindowCorner, 3), 3);
    EXPECT_EQ(readWith(setting::pipWindowCorner, 4), 0);
    EXPECT_EQ(readWith(setting::appLanguage, 8), 8);
    EXPECT_EQ(readWith(setting::appLanguage, 9), 0);
}

TEST_F(SettingsTable, EachOnOffRuleReadsOtherTypesItsOwnWay)
{
    struct Case {
        std::optional<json> stored;
        bool strict;  // StrictBool, default true
        bool loose;   // LooseBool, default true
        bool platform;
    };
    const defaults::StrictBool strict{{"strict"}, true};
    const defaults::LooseBool loose{{"loose"}, true};
    const defaults::PlatformBool platform{{"platform"}};
    for (const auto& [stored, strictOn, looseOn, platformOn] : std::vector<Case>{{std::nullopt, true, true, false},
                                                                                 {false, false, false, false},
                                                                                 {0, true, false, false},
                                                                                 {2.5, true, true, true},
                                                                                 {" Yes ", true, true, true},
                                                                                 {"no", true, false, false},
                                                                                 {"1", true, false, true},
                                                                                 {json::array({1}), true, true, false}}) {
        const std::string shown = stored ? stored->dump() : "absent";
        EXPECT_EQ(readWith(strict, stored), strictOn) << shown;
        EXPECT_EQ(readWith(loose, stored), looseOn) << shown;
        EXPECT_EQ(readWith(platform, stored), platformOn) << shown;
    }
}

TEST_F(SettingsTable, AReadNeverWritesAndARemovedKeyIsAbsent)
{
    store.set("pipFrameRate", 500);
    store.set("pipOpacity", "half");
    const json before = store.snapshot();
    EXPECT_EQ(setting::pipFrameRate.value(store), 60);
    EXPECT_EQ(setting::pipOpacity.value(store), 1.0);
    EXPECT_EQ(setting::menuWindowThumbs.value(store), true);
    EXPECT_FALSE(setting::captureMode.stored(store));
    EXPECT_EQ(store.snapshot(), before);

    setting::pipFrameRate.remove(store);
    EXPECT_FALSE(setting::pipFrameRate.isStored(store));
    EXPECT_EQ(setting::pipFrameRate.value(store), 30);
}
