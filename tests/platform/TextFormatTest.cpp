#include "platform/core/TextFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

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

TEST(TextFormat, WholeNumbersRoundAsPrintfInTheCLocale)
{
    // Exact halves go to the even neighbour, as printf does.
    EXPECT_EQ(formatText("%.0f", {840.5}), "840");
    EXPECT_EQ(formatText("%.0f", {0.5}), "0");
    EXPECT_EQ(formatText("%.0f", {1.5}), "2");
    EXPECT_EQ(formatText("%.0f pt → %.0f pt", {984.0, 819.6}), "984 pt → 820 pt");
    EXPECT_EQ(formatText("%.0f|%.0f", {-0.4, 1e21}), "-0|1000000000000000000000");
    EXPECT_EQ(formatText("%.0f and %.0", {7}), "7 and %.0");

    // A locale with a decimal comma does not reach the text.
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        EXPECT_EQ(formatText("%.1f", {2.25}), "2.2");
        std::setlocale(LC_NUMERIC, before.c_str());
    }
}
