#include "platform/x11/X11Text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(X11IcccmText, LatinOneTitlesAreStringsAndOthersCompoundTextThatReadsBack)
{
    // "·" is one Latin-1 byte, not its two UTF-8 bytes.
    const auto mini = x11::icccmText("Glimra · XClock");
    EXPECT_FALSE(mini.compound);
    EXPECT_EQ(mini.bytes, "Glimra \xb7 XClock");
    EXPECT_EQ(x11::icccmText("Grüße\tà").bytes,
              "Gr\xfc\xdf"
              "e\t\xe0");

    // Runs outside Latin-1 go into UTF-8 segments; the rest stays Latin-1.
    const auto guide = x11::icccmText("欢迎使用 Glimra");
    EXPECT_TRUE(guide.compound);
    EXPECT_EQ(guide.bytes, "\x1b%G欢迎使用\x1b%@ Glimra");
    for (const std::string title : {"欢迎使用 Glimra", "Glimra · 终端 ✓ été", "Glimra · 😀", "关于"}) {
        bool lossless = false;
        EXPECT_EQ(x11::compoundTextToUtf8(x11::icccmText(title).bytes, &lossless), title);
        EXPECT_TRUE(lossless) << title;
    }
    EXPECT_EQ(x11::icccmText("").bytes, "");
}

struct Decoded {
    std::string text;
    bool lossless = false;
};

Decoded decoded(const std::string& bytes)
{
    Decoded result;
    result.text = x11::compoundTextToUtf8(bytes, &result.lossless);
    return result;
}

const std::string replacement = "\xef\xbf\xbd";

std::string marks(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) text += replacement;
    return text;
}

TEST(X11CompoundText, TitlesReadInEveryCharacterSetXtermWrites)
{
    // xterm -T "Привет 日本語 ✓ Grüße" and -T "我们 한국 Ελλάδα שלום ไทย Ő" in a UTF-8 locale.
    const auto cyrillicAndJapanese = decoded(
        "\x1b-L\xbf\xe0\xd8\xd2\xd5\xe2 \x1b$(BF|K\\8l\x1b(B "
        "\x1b%G\xe2\x9c\x93\x1b%@ Gr\x1b-A\xfc\xdf"
        "e");
    EXPECT_EQ(cyrillicAndJapanese.text, "Привет 日本語 ✓ Grüße");
    EXPECT_TRUE(cyrillicAndJapanese.lossless);
    const auto manySets = decoded(
        "\x1b$(B2f\x1b$(ACG\x1b(B \x1b$(CGQ19\x1b(B \x1b-F\xc5\xeb\xeb\xdc\xe4\xe1 "
        "\x1b%G\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d\x1b%@ "
        "\x1b%G\xe0\xb9\x84\xe0\xb8\x97\xe0\xb8\xa2\x1b%@ \x1b-B\xd5");
    EXPECT_EQ(manySets.text, "我们 한국 Ελλάδα שלום ไทย Ő");
    EXPECT_TRUE(manySets.lossless);

    // Double-byte sets in the right half, JIS X 0201 in both, extended segments by name.
    EXPECT_EQ(decoded("\x1b$)B\xc6\xfc\x1b$)C\xc7\xd1").text, "日한");
    EXPECT_EQ(decoded("\x1b(J\\~\x1b)I\xb1").text, "¥‾ｱ");
    const auto segments =
        decoded("\x1b%/1\x80\x8akoi8-R\x02\xf0\xd2\xc9 \x1b%/0\x80\x89utf-8\x02✓ \x1b%/1\x80\x8ciso8859-5\x02\xbf\xe0");
    EXPECT_EQ(segments.text, "При ✓ Пр");
    EXPECT_TRUE(segments.lossless);
    // The direction of the text changes no character.
    EXPECT_EQ(decoded("\x9b\x32]abc\x9b]").text, "abc");
}

TEST(X11CompoundText, BrokenTextIsNeverReadPastItsEndAndEachLostCharacterIsMarked)
{
    for (const auto& [bytes, text] : std::vector<std::pair<std::string, std::string>>{
             // Sets nobody reads: one mark per character.
             {"\x1b-~\xa1\xa2", replacement + replacement},
             {"\x1b$(Z!!!!", replacement + replacement},
             // Characters that are not in their set, or cut in half.
             {"\x1b$(B)!", replacement},
             {"\x1b$(BF", replacement},
             {"\x1b$)B\xc6 x", replacement + " x"},
             {"\x85", replacement},
             {"\x1b%G\xff\xc3", replacement + replacement},
             {"\x1b%G\xfb\x84\x84\x84\x84", marks(5)},  // a five-byte form
             // Escape sequences cut off, or of nothing known.
             {"a\x1b", "a"},
             {"a\x1b$(", "a"},
             {"a\x1b$(\x01z", "a\x01z"},
             {"a\x1b+B", "a"},
             // Extended segments without a length (what follows reads as it stands), without
             // a name, cut off, or of a set nobody reads.
             {"a\x1b%/1", "a"},
             {"a\x1b%/1\x80", "a" + replacement},
             {"a\x1b%/1\x80\x03x", "a" + replacement + "\x03x"},
             {"\x1b%/1\x80\x83\x61\x62\x63", replacement},
             {"\x1b%/1\x80\xffutf-8\x02ok", "ok"},
             {"\x1b%/2\x80\x88nope\x02\x41\x42\x43", replacement + replacement},
         }) {
        const auto result = decoded(bytes);
        EXPECT_EQ(result.text, text) << testing::PrintToString(bytes);
        EXPECT_FALSE(result.lossless) << testing::PrintToString(bytes);
    }
}

// A cut-off tail and every ill-formed sequence is replaced, and reported.
TEST(X11Utf8, EachBrokenSequenceBecomesOneMarkAndTheTextIsNotValid)
{
    for (const auto& [bytes, text] : std::vector<std::pair<std::string, std::string>>{
             {"abc\xE2", "abc" + marks(1)},
             {"\xe2\x82x", marks(1) + "x"},
             {"\xc0\xaf", marks(2)},
             {"\xed\xa0\x80", marks(3)},
             {"\xf4\x90\x80\x80", marks(4)},
             {"\xfb\x84\x84\x84\x84", marks(5)},
         }) {
        bool valid = true;
        EXPECT_EQ(x11::repairedUtf8(bytes, &valid), text) << testing::PrintToString(bytes);
        EXPECT_FALSE(valid) << testing::PrintToString(bytes);
    }
    bool valid = false;
    EXPECT_EQ(x11::repairedUtf8("é ✓ 😀 \xf4\x8f\xbf\xbf", &valid), "é ✓ 😀 \xf4\x8f\xbf\xbf");
    EXPECT_TRUE(valid);
}

}  // namespace
