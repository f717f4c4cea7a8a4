#include "settings/SliderTicks.h"

#include <QString>

#include <gtest/gtest.h>

namespace {

// Every character 5 pt wide on one line.
class FixedWidthMeasurer : public settings::TextMeasurer {
public:
    int lineCount(const std::string&, const ui::FontSpec&, double) const override { return 1; }
    double lineHeight(const ui::FontSpec&) const override { return 11; }
    double width(const std::string& text, const ui::FontSpec&) const override
    {
        return 5.0 * static_cast<double>(QString::fromStdString(text).size());
    }
};

const FixedWidthMeasurer measurer;

}  // namespace

TEST(SliderTicks, MeasuredDefaultTickKeepsClearOfTheEnds)
{
    // Size: the default's place 42.4 would overlap the 40-pt minimum label.
    auto size = settings::measuredTicks(measurer, "小", std::string("(默认)"), "大", 0.5, 4.0, 1.2);
    ASSERT_EQ(size.size(), 3u);
    EXPECT_DOUBLE_EQ(size[0].x, 0);
    EXPECT_DOUBLE_EQ(size[0].width, 40);
    EXPECT_DOUBLE_EQ(size[1].x, 44);
    EXPECT_DOUBLE_EQ(size[2].x, 148);
    EXPECT_EQ(size[2].align, settings::Tick::Align::right);

    auto scale = settings::measuredTicks(measurer, "小", std::string("(默认)"), "大", 1.0, 4.0, 3.0);
    EXPECT_NEAR(scale[1].x, 102.67, 0.005);

    // Wide translations: the ends grow, and when both bounds bind the lower one wins.
    auto wide =
        settings::measuredTicks(measurer, "Smallest size", std::string("(Default)"), "Largest size", 0.5, 4.0, 1.2);
    EXPECT_DOUBLE_EQ(wide[0].width, 69);
    EXPECT_DOUBLE_EQ(wide[2].x, 188 - 64);
    EXPECT_DOUBLE_EQ(wide[1].x, 73);

    auto opacity = settings::measuredTicks(measurer, "透明", std::nullopt, "不透明", 0.1, 1.0, 1.0);
    EXPECT_EQ(opacity.size(), 2u);
}

TEST(SliderTicks, DelayTicksStayFixedUnlessATranslationNeedsRoom)
{
    auto ticks = settings::delayTicks(measurer, "0", "(默认)", "1 秒");
    EXPECT_DOUBLE_EQ(ticks[0].x, 0);
    EXPECT_DOUBLE_EQ(ticks[0].width, 16);
    EXPECT_DOUBLE_EQ(ticks[1].x, 68);
    EXPECT_DOUBLE_EQ(ticks[1].width, 52);
    EXPECT_DOUBLE_EQ(ticks[2].x, 160);
    EXPECT_DOUBLE_EQ(ticks[2].width, 28);

    // "(Par défaut)" needs 64 pt: 12 more, 6 on each side of the same centre.
    auto french = settings::delayTicks(measurer, "0", "(Par défaut)", "1 s");
    EXPECT_DOUBLE_EQ(french[1].width, 64);
    EXPECT_DOUBLE_EQ(french[1].x, 62);
    EXPECT_DOUBLE_EQ(french[2].width, 28);
}
