#include "platform/x11/X11Text.h"

#include <gtest/gtest.h>

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

}  // namespace
