#include "panels/rules/LayoutSelfTests.h"

#include "platform/defaults/Defaults.h"
#include "support/DiagLines.h"

#include <gtest/gtest.h>

class LayoutSelfTestsTest : public testsupport::DiagTest {
protected:
    void SetUp() override
    {
        testsupport::DiagTest::SetUp();
        defaults::Defaults::standard().set("appLanguage", 1);  // Simplified Chinese
    }
};

TEST_F(LayoutSelfTestsTest, LayoutSelfTestWritesEveryCornersFrames)
{
    panels::layoutSelfTest();
    const std::vector<std::string> expected{
        "布局自检 右上：",
        "   #1 x=1176 y=733 320x201 右=1496 上=934",
        "   #2 x=1096 y=471 400x250 右=1496 上=721",
        "   #3 x=1176 y=258 320x201 右=1496 上=459",
        "   #4 x=584 y=614 500x320 右=1084 上=934",
        "   #5 x=764 y=401 320x201 右=1084 上=602",
        "布局自检 右下：",
        "   #1 x=1176 y=16 320x201 右=1496 上=217",
        "   #2 x=1096 y=229 400x250 右=1496 上=479",
        "   #3 x=1176 y=491 320x201 右=1496 上=692",
        "   #4 x=584 y=16 500x320 右=1084 上=336",
        "   #5 x=764 y=348 320x201 右=1084 上=549",
        "布局自检 左上：",
        "   #1 x=16 y=733 320x201 右=336 上=934",
        "   #2 x=16 y=471 400x250 右=416 上=721",
        "   #3 x=16 y=258 320x201 右=336 上=459",
        "   #4 x=428 y=614 500x320 右=928 上=934",
        "   #5 x=428 y=401 320x201 右=748 上=602",
        "布局自检 左下：",
        "   #1 x=16 y=16 320x201 右=336 上=217",
        "   #2 x=16 y=229 400x250 右=416 上=479",
        "   #3 x=16 y=491 320x201 右=336 上=692",
        "   #4 x=428 y=16 500x320 右=928 上=336",
        "   #5 x=428 y=348 320x201 右=748 上=549",
    };
    EXPECT_EQ(diagLines(), expected);
}

TEST_F(LayoutSelfTestsTest, CornerNamesFollowTheInterfaceLanguage)
{
    defaults::Defaults::standard().set("appLanguage", 2);  // English
    panels::layoutSelfTest();
    EXPECT_EQ(linesWith("布局自检"), (std::vector<std::string>{"布局自检 Top Right：", "布局自检 Bottom Right：",
                                                               "布局自检 Top Left：", "布局自检 Bottom Left："}));
}

TEST_F(LayoutSelfTestsTest, SizeSelfTestWritesTheTableForAWideScreen)
{
    panels::sizeSelfTest();
    const std::vector<std::string> expected{
        "尺寸自检（屏 3440x1410，倍数 1.2）：",
        "   宽高比 0.500 → 352x704  面积 247739",
        "   宽高比 0.797 → 444x558  面积 247739",
        "   宽高比 1.000 → 498x498  面积 247739",
        "   宽高比 1.600 → 630x393  面积 247739",
        "   宽高比 2.000 → 704x352  面积 247739",
        "   宽高比 2.440 → 777x319  面积 247739",
        "   宽高比 3.500 → 931x266  面积 247739",
        "   与旧算法对照（铺满屏幕 2.440）：新 777x319 vs 旧 777x319",
    };
    EXPECT_EQ(diagLines(), expected);
}
