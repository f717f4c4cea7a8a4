#include "panels/rules/OverrideChoices.h"
#include "panels/rules/PanelDefaults.h"

#include "platform/defaults/Defaults.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(FrameRateChoice, ClampsClearsAtTheDefaultAndIgnoresRepeats)
{
    auto choice = panels::chooseFrameRate(std::nullopt, 30, 120);
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, 60);
    EXPECT_EQ(choice.rate, 60);

    choice = panels::chooseFrameRate(60, 30, 60);  // repeat
    EXPECT_FALSE(choice.changed);
    EXPECT_EQ(choice.override, 60);

    choice = panels::chooseFrameRate(60, 30, 30);  // the default clears, and still counts as a change
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, std::nullopt);
    EXPECT_EQ(choice.rate, 30);

    EXPECT_FALSE(panels::chooseFrameRate(std::nullopt, 30, 30).changed);
    EXPECT_FALSE(panels::chooseFrameRate(std::nullopt, 30, -1).changed);
    choice = panels::chooseFrameRate(10, 30, -1);
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, std::nullopt);
    EXPECT_EQ(choice.rate, 30);
}

TEST(OpacityChoice, ZeroIsTheMinimumAndNegativeClears)
{
    auto choice = panels::chooseOpacity(std::nullopt, 1.0, 0.0);
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, 0.1);
    EXPECT_EQ(choice.opacity, 0.1);

    EXPECT_FALSE(panels::chooseOpacity(0.1, 1.0, 0.0).changed);  // repeat after clamping
    EXPECT_FALSE(panels::chooseOpacity(std::nullopt, 1.0, -1).changed);

    choice = panels::chooseOpacity(0.5, 0.8, -1);
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, std::nullopt);
    EXPECT_EQ(choice.opacity, 0.8);

    choice = panels::chooseOpacity(0.5, 0.8, 0.8005);  // within 0.001 of the default
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, std::nullopt);
    EXPECT_EQ(choice.opacity, 0.8);

    choice = panels::chooseOpacity(std::nullopt, 0.8, 1.7);
    EXPECT_EQ(choice.override, 1.0);
}

TEST(SizeChoice, ClampsAndClearsNearTheDefault)
{
    auto choice = panels::chooseSize(2.0, 1.2, 1.2004);
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, std::nullopt);
    EXPECT_EQ(choice.multiplier, 1.2);

    choice = panels::chooseSize(std::nullopt, 1.2, 9);
    EXPECT_EQ(choice.override, 4.0);
    choice = panels::chooseSize(std::nullopt, 1.2, 0.1);
    EXPECT_EQ(choice.override, 0.5);

    EXPECT_FALSE(panels::chooseSize(1.5, 1.2, 1.5).changed);
    EXPECT_FALSE(panels::chooseSize(std::nullopt, 1.2, 0).changed);
    EXPECT_FALSE(panels::chooseSize(std::nullopt, 1.2, std::nan("")).changed);

    choice = panels::chooseSize(3.0, 1.2, 0);
    EXPECT_TRUE(choice.changed);
    EXPECT_EQ(choice.override, std::nullopt);
    EXPECT_EQ(choice.multiplier, 1.2);
}

TEST(OverrideChoices, NewDefaultDropsEqualOverrides)
{
    EXPECT_EQ(panels::normalizedOverride(std::optional<double>(0.75), 0.7505), std::nullopt);
    EXPECT_EQ(panels::normalizedOverride(std::optional<double>(0.75), 0.752), 0.75);
    EXPECT_EQ(panels::normalizedOverride(std::optional<double>(), 0.75), std::nullopt);
    EXPECT_EQ(panels::normalizedOverride(std::optional<int>(24), 24), std::nullopt);
    EXPECT_EQ(panels::normalizedOverride(std::optional<int>(24), 30), 24);
}

TEST(OverrideChoices, MultiplierText)
{
    EXPECT_EQ(panels::formatMultiplier(3), "3×");
    EXPECT_EQ(panels::formatMultiplier(1.5), "1.5×");
    EXPECT_EQ(panels::formatMultiplier(1.2), "1.2×");
    EXPECT_EQ(panels::formatMultiplier(0.75), "0.75×");
    EXPECT_EQ(panels::formatMultiplier(0.999), "1×");
    EXPECT_EQ(panels::formatMultiplier(1.204), "1.2×");
}

TEST(OverrideChoices, LogLines)
{
    EXPECT_EQ(panels::frameRateChoiceLog(812, 60, 30), "小窗帧率: id=812 → 60 fps（临时，默认 30 fps）");
    EXPECT_EQ(panels::opacityChoiceLog(812, 0.1, 0.85), "小窗透明度: id=812 → 10%（临时，默认 85%）");
    EXPECT_EQ(panels::sizeChoiceLog(812, 0.75, 1.2), "小窗大小: id=812 → 0.75×（临时，默认 1.2×）");
    EXPECT_EQ(panels::frameRateDefaultLog(812, 24), "小窗帧率: id=812 默认值 ← 24 fps（顶栏）");
    EXPECT_EQ(panels::opacityDefaultLog(812, 0.6), "小窗透明度: id=812 默认值 ← 60%（顶栏）");
    EXPECT_EQ(panels::sizeDefaultLog(812, 2.0), "小窗大小: id=812 默认值 ← 2×（顶栏）");
}

using PanelDefaultsTest = testsupport::VirtualTimeTest;

TEST_F(PanelDefaultsTest, AbsentWrongTypedOrNonFiniteValuesGiveTheDefaults)
{
    auto& store = defaults::Defaults::standard();
    EXPECT_EQ(panels::PanelDefaults::defaultFrameRate(), 30);
    EXPECT_EQ(panels::PanelDefaults::opacity(), 1.0);
    EXPECT_EQ(panels::PanelDefaults::defaultSizeMultiplier(), 1.2);
    EXPECT_EQ(panels::PanelDefaults::corner(), panels::WindowCorner::topRight);
    EXPECT_EQ(panels::PanelDefaults::defaultScreenChoice(), std::nullopt);

    store.set("pipFrameRate", "60");
    store.set("pipOpacity", true);
    store.set("pipDefaultSizeMultiplier", std::numeric_limits<double>::infinity());
    store.set("pipWindowCorner", "2");
    store.set("pipDefaultScreen", 0.0);
    EXPECT_EQ(panels::PanelDefaults::defaultFrameRate(), 30);
    EXPECT_EQ(panels::PanelDefaults::opacity(), 1.0);
    EXPECT_EQ(panels::PanelDefaults::defaultSizeMultiplier(), 1.2);
    EXPECT_EQ(panels::PanelDefaults::corner(), panels::WindowCorner::topRight);
    EXPECT_EQ(panels::PanelDefaults::defaultScreenChoice(), std::nullopt);

    store.set("pipDefaultSizeMultiplier", std::nan(""));
    EXPECT_EQ(panels::PanelDefaults::defaultSizeMultiplier(), 1.2);
}

TEST_F(PanelDefaultsTest, StoredValuesAreClamped)
{
    auto& store = defaults::Defaults::standard();
    store.set("pipFrameRate", 120);
    store.set("pipOpacity", 0);
    store.set("pipDefaultSizeMultiplier", -3.0);  // never its absolute value
    store.set("pipWindowCorner", 7);
    EXPECT_EQ(panels::PanelDefaults::defaultFrameRate(), 60);
    EXPECT_EQ(panels::PanelDefaults::opacity(), 0.1);
    EXPECT_EQ(panels::PanelDefaults::defaultSizeMultiplier(), 0.5);
    EXPECT_EQ(panels::PanelDefaults::corner(), panels::WindowCorner::topRight);

    store.set("pipFrameRate", 0);
    store.set("pipDefaultSizeMultiplier", 0.0);
    store.set("pipWindowCorner", 3);
    store.set("pipDefaultScreen", 0);
    EXPECT_EQ(panels::PanelDefaults::defaultFrameRate(), 1);
    EXPECT_EQ(panels::PanelDefaults::defaultSizeMultiplier(), 0.5);
    EXPECT_EQ(panels::PanelDefaults::corner(), panels::WindowCorner::bottomLeft);
    EXPECT_EQ(panels::PanelDefaults::defaultScreenChoice(), 0);

    panels::PanelDefaults::setOpacity(0.85);
    panels::PanelDefaults::setDefaultFrameRate(24);
    panels::PanelDefaults::setDefaultSizeMultiplier(1.5);
    EXPECT_EQ(panels::PanelDefaults::opacity(), 0.85);
    EXPECT_EQ(panels::PanelDefaults::defaultFrameRate(), 24);
    EXPECT_EQ(panels::PanelDefaults::defaultSizeMultiplier(), 1.5);
}
