#include "platform/core/TextFormat.h"

#include <gtest/gtest.h>

using core::formatText;

TEST(TextFormat, FillsEachPlaceholderKindInOrder)
{
    EXPECT_EQ(formatText("当前版本 %@（build %d）。", {"1.2", 42}), "当前版本 1.2（build 42）。");
    EXPECT_EQ(formatText("Show Preview After %.1fs", {0.55}), "Show Preview After 0.6s");
    EXPECT_EQ(formatText("Downloading %@… (%d%% done)", {"1.3", 40}), "Downloading 1.3… (40% done)");
}

TEST(TextFormat, MismatchedArgumentsNeverReachPrintf)
{
    // Too few: the placeholder stays as written.
    EXPECT_EQ(formatText("%@ and %d and %.1f", {"a"}), "a and %d and %.1f");
    // Too many: ignored.
    EXPECT_EQ(formatText("%d", {1, 2, 3}), "1");
    // Wrong kinds are converted, not reinterpreted.
    EXPECT_EQ(formatText("%d|%@|%.1f", {"7x", 2.5, "oops"}), "7|2.5|0.0");
    EXPECT_EQ(formatText("%d", {1e300}), "0");
    // Anything printf would read as a directive is copied as text.
    EXPECT_EQ(formatText("%s %n %x 100%", {"a"}), "%s %n %x 100%");
}
