#include "settings/FakeTextMeasurer.h"
#include "settings/guide/DescriptionFit.h"
#include "settings/guide/GuideModel.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using guide::DescriptionRun;
using Style = DescriptionRun::Style;

DescriptionRun text(std::string content, Style style = Style::plain) { return {std::move(content), style, false}; }
const DescriptionRun image{"", Style::plain, true};

class GuideStoreTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    defaults::Defaults store{dir.path() + "/defaults.json"};
};

TEST(GuideEntryDecision, OnlyAFinishedGuideWithScreenRecordingAllowedStaysHidden)
{
    EXPECT_FALSE(guide::shouldShowGuide(true, true));
    EXPECT_TRUE(guide::shouldShowGuide(true, false));
    EXPECT_TRUE(guide::shouldShowGuide(false, true));
    EXPECT_TRUE(guide::shouldShowGuide(false, false));
}

TEST_F(GuideStoreTest, StartIndexIsTheStoredStepWithinTheStepsAndZeroForAnythingElse)
{
    EXPECT_EQ(guide::startIndex(store, 6), 0);
    store.set("onboardingStep", 3);
    EXPECT_EQ(guide::startIndex(store, 6), 3);
    store.set("onboardingStep", 9);
    EXPECT_EQ(guide::startIndex(store, 6), 5);
    store.set("onboardingStep", -2);
    EXPECT_EQ(guide::startIndex(store, 6), 0);
    store.set("onboardingStep", 9223372036854775807LL);
    EXPECT_EQ(guide::startIndex(store, 6), 5);
    store.set("onboardingStep", "4");
    EXPECT_EQ(guide::startIndex(store, 6), 0);
    store.set("onboardingStep", 2.5);
    EXPECT_EQ(guide::startIndex(store, 6), 0);
    store.set("onboardingStep", nlohmann::json::array({3}));
    EXPECT_EQ(guide::startIndex(store, 6), 0);
    guide::storeStep(store, 2);
    EXPECT_EQ(store.integer("onboardingStep"), 2);

    // Without the permission page, a guide left on it (or beyond) resumes on the last scene.
    for (const long long stored : {4LL, 5LL, 6LL, 9223372036854775807LL}) {
        store.set("onboardingStep", stored);
        EXPECT_EQ(guide::startIndex(store, 5), 4) << stored;
    }
}

TEST_F(GuideStoreTest, FinishingAndClosingRecordCompletionOnlyWhenTicked)
{
    store.set("onboardingStep", 5);
    guide::recordFinish(store, false);
    EXPECT_FALSE(store.contains("onboardingStep"));
    EXPECT_FALSE(store.contains("onboardingCompleted"));

    store.set("onboardingStep", 3);
    guide::recordClose(store, false);
    EXPECT_EQ(store.integer("onboardingStep"), 3);
    EXPECT_FALSE(store.contains("onboardingCompleted"));

    store.set("onboardingCompleted", nlohmann::json::array());
    guide::recordClose(store, true);
    EXPECT_FALSE(store.contains("onboardingStep"));
    EXPECT_EQ(store.boolean("onboardingCompleted"), true);

    store.remove("onboardingCompleted");
    store.set("onboardingStep", 5);
    guide::recordFinish(store, true);
    EXPECT_FALSE(store.contains("onboardingStep"));
    EXPECT_EQ(store.boolean("onboardingCompleted"), true);
}

TEST(GuideCounterAndDots, CounterTextAndFirstDot)
{
    EXPECT_EQ(guide::counterText(0, 6), "1 / 6");
    EXPECT_EQ(guide::counterText(5, 6), "6 / 6");
    EXPECT_EQ(guide::counterText(0, 5), "1 / 5");
    EXPECT_DOUBLE_EQ(guide::firstDotX(740, 6), 326);
    EXPECT_DOUBLE_EQ(guide::firstDotX(740, 5), 334);
    EXPECT_DOUBLE_EQ(guide::firstDotX(100, 1), 46);
}

TEST(GuideMarkup, StepOneAndStepFourRunByRun)
{
    const auto stepOne = guide::parseDescription(
        "鼠标移到窗口右上角停留约 1 秒，会出现一个[[trigger]]触发块，点它立刻为该窗口创建画中画小窗口，支持多个应用。\n"
        "也可以使用{{⌘+⌥+P}}快捷键，为当前窗口快速创建画中画窗口。");
    const std::vector<DescriptionRun> expectedOne{
        text("鼠标移到窗口右上角停留约 1 秒，会出现一个"), image,
        text("触发块，点它立刻为该窗口创建画中画小窗口，支持多个应用。\n也可以使用"), text("⌘+⌥+P", Style::boldBlue),
        text("快捷键，为当前窗口快速创建画中画窗口。")};
    EXPECT_EQ(stepOne, expectedOne);

    const auto stepFour = guide::parseDescription(
        "方式一：{{blue:双击小窗。}}注意：打开原应用后，{{bold:小窗不消失。}}\n"
        "方式二：{{blue:点击小窗左上角第二个图标。}}注意：打开原应用后，{{bold:小窗消失。}}");
    const std::vector<DescriptionRun> expectedFour{text("方式一："),
                                                   text("双击小窗。", Style::blue),
                                                   text("注意：打开原应用后，"),
                                                   text("小窗不消失。", Style::bold),
                                                   text("\n方式二："),
                                                   text("点击小窗左上角第二个图标。", Style::blue),
                                                   text("注意：打开原应用后，"),
                                                   text("小窗消失。", Style::bold)};
    EXPECT_EQ(stepFour, expectedFour);
}

TEST(GuideMarkup, UnclosedEmphasisRunsToTheEndOfItsPartAndASecondCloseHidesTheRest)
{
    const std::vector<DescriptionRun> unclosed{text("a"), text("b c", Style::boldBlue), image, text("d")};
    EXPECT_EQ(guide::parseDescription("a{{b c[[trigger]]d"), unclosed);
    const std::vector<DescriptionRun> twoCloses{text("a"), text("b", Style::boldBlue), text("c"),
                                                text("e", Style::boldBlue)};
    EXPECT_EQ(guide::parseDescription("a{{b}}c}}d{{e"), twoCloses);
    EXPECT_EQ(guide::parseDescription("[[trigger]]"), (std::vector<DescriptionRun>{image}));
}

TEST(GuidePermissionPoll, OnlyAChangeFromRefusedToGrantedClosesSystemSettings)
{
    // A window's first poll has nothing to compare with.
    EXPECT_EQ(guide::pollPermissions(std::nullopt, std::nullopt, true, true).systemSettingsCloses, 0);
    EXPECT_EQ(guide::pollPermissions(false, false, true, true).systemSettingsCloses, 2);
    EXPECT_EQ(guide::pollPermissions(false, std::nullopt, true, true).systemSettingsCloses, 1);
    EXPECT_EQ(guide::pollPermissions(true, false, true, true).systemSettingsCloses, 1);
    EXPECT_EQ(guide::pollPermissions(true, true, false, false).systemSettingsCloses, 0);
    const auto poll = guide::pollPermissions(false, true, true, false);
    EXPECT_TRUE(poll.screenOK);
    EXPECT_FALSE(poll.axOK);

    EXPECT_EQ(guide::permissionCard(true).status, "已授权");
    EXPECT_EQ(guide::permissionCard(true).color, "green");
    EXPECT_FALSE(guide::permissionCard(true).buttonEnabled);
    EXPECT_EQ(guide::permissionCard(false).status, "未授权");
    EXPECT_EQ(guide::permissionCard(false).color, "red");
    EXPECT_TRUE(guide::permissionCard(false).buttonEnabled);
}

// The stand-in measures every character at the font's size on lines of size + 3.
TEST(GuideDescriptionFit, SpacingThenSizeGiveWayAndTheLabelGrowsTowardsTheDots)
{
    const testsupport::FakeTextMeasurer measurer;
    const std::string twenty(20, 'x');

    const auto shortText = guide::fitDescription({text(twenty)}, measurer);
    EXPECT_DOUBLE_EQ(shortText.fontSize, 13.5);
    EXPECT_DOUBLE_EQ(shortText.lineSpacing, 9);
    EXPECT_DOUBLE_EQ(shortText.height, 80);
    EXPECT_TRUE(shortText.fits);

    // 200 x 13.5 = 2700 pt: four lines of 17 + 9.
    const auto fourLines = guide::fitDescription({text(std::string(200, 'x'))}, measurer);
    EXPECT_DOUBLE_EQ(fourLines.fontSize, 13.5);
    EXPECT_DOUBLE_EQ(fourLines.lineSpacing, 9);
    EXPECT_DOUBLE_EQ(fourLines.height, 104);

    // Six lines: only without spacing (6 x 17 = 102) do they fit in 108.
    const auto sixLines =
        guide::fitDescription({text(std::string(150, 'x')), text(std::string(150, 'y'), Style::bold)}, measurer);
    EXPECT_DOUBLE_EQ(sixLines.fontSize, 13.5);
    EXPECT_DOUBLE_EQ(sixLines.lineSpacing, 0);
    EXPECT_DOUBLE_EQ(sixLines.height, 102);

    // 400 characters: seven lines of 15 at 12 pt is the first that fits.
    const auto smaller = guide::fitDescription({text(std::string(400, 'x'))}, measurer);
    EXPECT_DOUBLE_EQ(smaller.fontSize, 12);
    EXPECT_DOUBLE_EQ(smaller.lineSpacing, 0);
    EXPECT_DOUBLE_EQ(smaller.height, 105);
    EXPECT_TRUE(smaller.fits);

    const auto tooLong = guide::fitDescription({text(std::string(2000, 'x'))}, measurer);
    EXPECT_DOUBLE_EQ(tooLong.fontSize, 10);
    EXPECT_FALSE(tooLong.fits);

    // 160 characters take three lines (78 pt); the picture takes 38 pt of the width,
    // which makes four, and raises its line by ceil(25 - 0.75 x 17) = 13.
    EXPECT_DOUBLE_EQ(guide::fitDescription({text(std::string(160, 'x'))}, measurer).height, 80);
    const auto withPicture =
        guide::fitDescription({text(std::string(80, 'x')), image, text(std::string(80, 'x'))}, measurer);
    EXPECT_DOUBLE_EQ(withPicture.fontSize, 13.5);
    EXPECT_DOUBLE_EQ(withPicture.lineSpacing, 6);
    EXPECT_DOUBLE_EQ(withPicture.height, 105);
}

}  // namespace
