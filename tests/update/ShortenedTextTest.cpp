#include "update/ShortenedText.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortenedTextTest, LongOutsideTextIsCutForTheLogAndElidedInRows)
{
    const std::string url = "https://u.example/" + std::string(400'000, 'a');
    const std::string logged = ShortenedText::forLog(url);
    EXPECT_EQ(logged, url.substr(0, 300) + "…（共 400018 字节）");
    EXPECT_EQ(ShortenedText::forLog(url.substr(0, 300)), url.substr(0, 300));

    EXPECT_EQ(ShortenedText::forRow("1.2.3"), "1.2.3");
    EXPECT_EQ(ShortenedText::forRow("2.0.0-beta.1+build.20261210.1"), "2.0.0-beta.1….20261210.1");
    std::string wide;
    for (int i = 0; i < 30; ++i) wide += (i < 15 ? "前" : "后");
    EXPECT_EQ(ShortenedText::forRow(wide), "前前前前前前前前前前前前…后后后后后后后后后后后") << "whole characters";
}

}  // namespace
