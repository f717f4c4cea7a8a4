#include "panels/rules/StatusLabelMetrics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// 6 pt per character, 15 pt lines: wraps like a monospaced font.
panels::TextMetrics monospaced(double* lastMaxWidth = nullptr)
{
    return {15, [lastMaxWidth](const std::string& text, double maxWidth) {
                if (lastMaxWidth) *lastMaxWidth = maxWidth;
                const double perLine = std::max(1.0, std::floor(maxWidth / 6));
                return 15 * std::ceil(double(text.size()) / perLine);
            }};
}

}  // namespace

TEST(StatusLabel, HeightByLines)
{
    EXPECT_EQ(panels::statusLabelHeight("", 200, monospaced()), 22);
    EXPECT_EQ(panels::statusLabelHeight("short", 200, monospaced()), 22);
    double maxWidth = 0;
    EXPECT_EQ(panels::statusLabelHeight(std::string(40, 'a'), 200, monospaced(&maxWidth)), 15 * 2 + 10);
    EXPECT_EQ(maxWidth, 180);  // measured 20 pt narrower than the label
    EXPECT_EQ(panels::statusLabelHeight(std::string(90, 'a'), 60, monospaced(&maxWidth)), 15 * 4 + 10);  // 6 lines
    EXPECT_EQ(maxWidth, 40);
    panels::statusLabelHeight("a", 10, monospaced(&maxWidth));
    EXPECT_EQ(maxWidth, 20);
}

TEST(StatusLabel, FrameNeverNarrowerThanForty)
{
    EXPECT_EQ(panels::statusLabelFrame({50, 100}, "hi", monospaced()), core::Rect(10, 70, 40, 22));
    EXPECT_EQ(panels::statusLabelFrame({300, 200}, std::string(60, 'a'), monospaced()), core::Rect(10, 152, 280, 40));
}
