#include "settings/guide/CaptionFit.h"
#include "settings/FakeTextMeasurer.h"
#include "platform/core/ByteText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr double tolerance = 1e-9;

// Letters a fifth wider than the font's size: wider than the caption rule allows.
class WideTextMeasurer : public testsupport::FakeTextMeasurer {
public:
    double width(const std::string& text, const ui::FontSpec& font) const override
    {
        return 1.2 * FakeTextMeasurer::width(text, font);
    }
};

std::string letters(int count) { return std::string(static_cast<std::size_t>(count), 'a'); }

}  // namespace

TEST(GuideCaptionFit, CharactersAreCodePoints)
{
    EXPECT_EQ(core::codePointCount("已设为默认大小"), 7);
    EXPECT_EQ(core::codePointCount("Valider\u202F!"), 9);
    EXPECT_EQ(core::codePointCount("⌘⌥P 可快捷操作"), 9);
    EXPECT_EQ(core::codePointCount(""), 0);
}

TEST(GuideCaptionFit, RuleStandsWhereThePillFits)
{
    const testsupport::FakeTextMeasurer measurer;
    const guide::CaptionFit fit = guide::fitCaption("已设为默认大小", {370, 26}, measurer);
    EXPECT_NEAR(fit.width, 102.5, tolerance);
    EXPECT_EQ(fit.fontSize, 11.5);
    EXPECT_TRUE(fit.textFits);

    // 60 letters make 712 of the 716 points that fit about x 370.
    const guide::CaptionFit wide = guide::fitCaption(letters(60), {370, 26}, measurer);
    EXPECT_NEAR(wide.width, 712, tolerance);
    EXPECT_EQ(wide.fontSize, 11.5);
}

TEST(GuideCaptionFit, PillNarrowsToStayInsideTheCanvas)
{
    const testsupport::FakeTextMeasurer measurer;
    // 70 letters want 827: the pill keeps 716, leaving 694 for text, so 9.5 pt.
    const guide::CaptionFit middle = guide::fitCaption(letters(70), {370, 26}, measurer);
    EXPECT_NEAR(middle.width, 716, tolerance);
    EXPECT_EQ(middle.fontSize, 9.5);
    EXPECT_TRUE(middle.textFits);

    // Near the right edge only 2 x 117.064 is left; 20 letters fit 212.128 at 10.5 pt.
    const guide::CaptionFit right = guide::fitCaption(letters(20), {610.936, 260.648}, measurer);
    EXPECT_NEAR(right.width, 234.128, tolerance);
    EXPECT_EQ(right.fontSize, 10.5);

    // Near the left edge: 2 x (40 - 12).
    EXPECT_NEAR(guide::fitCaption(letters(10), {40, 26}, measurer).width, 56, tolerance);
}

TEST(GuideCaptionFit, TextShrinksToEightAndNoFurther)
{
    const testsupport::FakeTextMeasurer measurer;
    const guide::CaptionFit tooLong = guide::fitCaption(letters(100), {370, 26}, measurer);
    EXPECT_NEAR(tooLong.width, 716, tolerance);
    EXPECT_EQ(tooLong.fontSize, 8);
    EXPECT_FALSE(tooLong.textFits);
}

TEST(GuideCaptionFit, WideGlyphsKeepTheRuleUntilTheTextIsCut)
{
    const WideTextMeasurer measurer;
    // 7 letters measure 96.6 in a 102.5 pill: not cut, the rule stands.
    const guide::CaptionFit shortText = guide::fitCaption(letters(7), {370, 26}, measurer);
    EXPECT_NEAR(shortText.width, 102.5, tolerance);
    EXPECT_EQ(shortText.fontSize, 11.5);

    // 20 letters measure 276 in a 252 pill: same pill, text shrunk to fit 230, so 9.5 pt.
    const guide::CaptionFit longText = guide::fitCaption(letters(20), {370, 26}, measurer);
    EXPECT_NEAR(longText.width, 252, tolerance);
    EXPECT_EQ(longText.fontSize, 9.5);
    EXPECT_TRUE(longText.textFits);
}
