#include "FakeTextMeasurer.h"
#include "settings/CardLayout.h"
#include "settings/SettingsLayout.h"
#include "settings/WindowGeometry.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using core::Rect;
using settings::CardRowText;

const testsupport::FakeTextMeasurer measurer;

// n characters of Latin text.
std::string text(int n) { return std::string(static_cast<std::size_t>(n), 'x'); }

}  // namespace

TEST(SettingsWindowHeight, FollowsTheVisibleHeightWithinItsLimits)
{
    EXPECT_EQ(settings::windowHeight(900, 28), 840);
    EXPECT_EQ(settings::windowHeight(1100, 28), 984);
    EXPECT_EQ(settings::windowHeight(460, 28), 420);
    EXPECT_EQ(settings::windowHeight(150, 28), 984) << "a tiny screen is taken for no screen";
    EXPECT_EQ(settings::windowHeight(200, 28), 984);
    EXPECT_EQ(settings::windowHeight(std::nullopt, 28), 984);
}

TEST(SettingsWindowHeight, ChromeAndTabItemsSitWhereTheWindowExpectsThem)
{
    const auto chrome = settings::chromeFrames(840, 720);
    EXPECT_EQ(chrome.tabBar, Rect(0, 764, 720, 76));
    EXPECT_EQ(chrome.separator, Rect(0, 763, 720, 1));
    EXPECT_EQ(chrome.scroll, Rect(0, 0, 720, 762)) << "one empty point under the separator";
    EXPECT_EQ(settings::tabItemFrame(0, 6, 720), Rect(84, 10, 92, 58));
    EXPECT_EQ(settings::tabItemFrame(5, 6, 720), Rect(544, 10, 92, 58));
}

TEST(SettingsWindowHeight, ATabGrowsUntilItsLowestViewIs24AboveTheBottomAtMostThreeBuilds)
{
    EXPECT_EQ(settings::grownHeight(1, 30, 762), std::nullopt) << "content that fits is built once";
    EXPECT_EQ(settings::grownHeight(1, 23.6, 762), std::nullopt) << "half a point is close enough";
    EXPECT_EQ(settings::grownHeight(1, -100, 762), 886);
    EXPECT_EQ(settings::grownHeight(2, std::nullopt, 886), 910) << "an empty tab grows by the margin";
    EXPECT_EQ(settings::grownHeight(3, -50, 910), std::nullopt);
}

TEST(SettingsRows, HeightsFollowTheMeasuredTextWithTheirLimits)
{
    // Title 13.5 pt: lines of 17; subtitle 11.5 pt: lines of 15.
    auto row = settings::rowMetrics(measurer, "Launch", "At login", 60, 3);
    EXPECT_EQ(row.textWidth, 484);
    EXPECT_EQ(row.title, 17);
    EXPECT_EQ(row.subtitle, 15);
    EXPECT_EQ(row.gap, 3);
    EXPECT_EQ(row.height, 68) << "one line each stays at the minimum";

    row = settings::rowMetrics(measurer, "Launch", text(100), 60, 3);  // 1150 pt of subtitle: 3 lines
    EXPECT_EQ(row.subtitle, 45);
    EXPECT_EQ(row.height, 17 + 3 + 45 + 24);

    row = settings::rowMetrics(measurer, text(200), text(400), 60, 2);
    EXPECT_EQ(row.title, 51) << "a title stops at 3 lines";
    EXPECT_EQ(row.subtitle, 30) << "a subtitle stops at its own limit";

    row = settings::rowMetrics(measurer, "Launch", "", 60, 3);
    EXPECT_EQ(row.gap, 0);
    EXPECT_EQ(row.subtitle, 0);

    EXPECT_EQ(settings::rowMetrics(measurer, "a", "", 464, 3).textWidth, 80);
    EXPECT_EQ(settings::rowMetrics(measurer, "a", "", 600, 3).textWidth, 80);
    // The measuring width is 4 less than the column: 80 pt hold 5 characters of 13.5 pt.
    EXPECT_EQ(settings::rowMetrics(measurer, text(6), "", 600, 3).title, 34);
}

TEST(SettingsCards, SeparatorsAndTheGroupBoxFollowTheRows)
{
    const std::vector<CardRowText> four(4, {"Title", "Subtitle", 60, 3});
    auto card = settings::layoutCard(measurer, four, std::nullopt);
    EXPECT_EQ(card.height, 4 * 68);
    ASSERT_EQ(card.separators.size(), 3u);
    EXPECT_EQ(card.separators[0], Rect(0, 203.5, 648, 1));
    EXPECT_EQ(card.rows[3].frame, Rect(0, 0, 648, 68));
    EXPECT_FALSE(card.groupBox);

    std::vector<CardRowText> eight(8, {"Title", "Subtitle", 60, 3});
    eight[3].subtitle = text(100);  // a taller row 3: 89
    card = settings::layoutCard(measurer, eight, std::pair{2, 3});
    EXPECT_EQ(card.height, 7 * 68 + 89);
    EXPECT_EQ(card.separators.size(), 6u) << "none between rows 2 and 3";
    for (const auto& line : card.separators) EXPECT_NE(line.minY(), card.rows[2].frame.minY() - 0.5);
    ASSERT_TRUE(card.groupBox);
    EXPECT_EQ(*card.groupBox, Rect(6, card.rows[3].frame.minY(), 636, 68 + 89));

    card = settings::layoutCard(measurer, eight, std::pair{2, 8});
    EXPECT_FALSE(card.groupBox) << "the upper end is not a row";
    EXPECT_EQ(card.separators.size(), 2u);
    card = settings::layoutCard(measurer, eight, std::pair{3, 3});
    EXPECT_FALSE(card.groupBox);
    EXPECT_EQ(card.separators.size(), 7u) << "an empty range changes nothing";

    card = settings::layoutCard(measurer, {}, std::nullopt);
    EXPECT_EQ(card.height, 0);
    EXPECT_TRUE(card.rows.empty());
}

TEST(SettingsCards, TextBlockIsCentredAndTheControlRightAligned)
{
    auto card = settings::layoutCard(measurer, {{"Title", "", 60, 3}}, std::nullopt);
    const auto& row = card.rows.front();
    EXPECT_EQ(row.title, Rect(74, (68 - 17) / 2.0, 484, 17));
    EXPECT_EQ(row.subtitle, Rect()) << "no subtitle, no gap, a zero frame";
    EXPECT_EQ(row.iconSquare, Rect(22, 15, 38, 38));

    card = settings::layoutCard(measurer, {{"Title", "Sub", 60, 3}}, std::nullopt);
    EXPECT_EQ(card.rows.front().subtitle, Rect(74, 16.5, 484, 15));
    EXPECT_EQ(card.rows.front().title, Rect(74, 34.5, 484, 17));

    EXPECT_EQ(settings::controlFrame(648, 68, {40, 26}), Rect(586, 21, 40, 26));
}

TEST(SettingsCards, PopupsAndButtonsWidenToTheirTitles)
{
    // 13 pt per character: 23 characters are 299 pt.
    EXPECT_EQ(settings::popupWidth(measurer, {"a", text(23)}, 170, 52), 299 + 52);
    EXPECT_EQ(settings::popupWidth(measurer, {text(40)}, 170, 52), 424);
    EXPECT_EQ(settings::popupWidth(measurer, {"a", "bb"}, 170, 52), 170);
    EXPECT_EQ(settings::buttonWidth(measurer, "OK"), 84);
    EXPECT_EQ(settings::buttonWidth(measurer, text(10)), 160);
}

TEST(SettingsCards, LayoutCheckLineCutsLongTitlesByCharacter)
{
    settings::RowMetrics row{484, 17, 15, 3, 68};
    EXPECT_EQ(settings::layoutCheckLine("开机启动", row, 60),
              "布局自检: 「开机启动」行高=68 文本宽=484 标题高=17 副标题高=15 控件宽=60");
    const std::string fourteen = "一二三四五六七八九十一二三四";
    EXPECT_EQ(settings::layoutCheckLine(fourteen, row, 60).substr(0, 17 + 14 * 3 + 3), "布局自检: 「" + fourteen + "」");
    EXPECT_EQ(settings::layoutCheckLine(fourteen + "五六", row, 60).substr(0, 17 + 14 * 3 + 3),
              "布局自检: 「" + fourteen + "」");
    EXPECT_EQ(settings::measure(measurer, "", settings::fonts::footnote, 8, 640), 0);
}

TEST(QtTextMeasure, ALineFeedStartsANewLine)
{
    testsupport::ensureQtApplication();
    const auto& m = settings::qtTextMeasurer();
    const double one = settings::measure(m, "Tip", settings::fonts::footnote, 8, 640);
    EXPECT_GT(one, 0);
    EXPECT_DOUBLE_EQ(settings::measure(m, "Tip\nTop left", settings::fonts::footnote, 8, 640), 2 * one);
}
