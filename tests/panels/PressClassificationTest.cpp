#include "panels/rules/PressClassification.h"

#include <gtest/gtest.h>

using panels::PressKind;

TEST(PressClassification, TheBarBandCountsOnlyWhileTheChromeShows)
{
    const panels::FocusRegion whole;
    const auto drag = panels::classifyPress({50, 28}, 1, 1.0, whole);
    EXPECT_EQ(drag.kind, panels::PressKind::barDrag);
    EXPECT_EQ(drag.logLine, "单击工具条→窗口拖动");

    const auto barDouble = panels::classifyPress({50, 28}, 2, 0.6, whole);
    EXPECT_EQ(barDouble.kind, panels::PressKind::barDouble);
    EXPECT_EQ(barDouble.logLine, "双击工具条→聚焦源窗口");

    EXPECT_EQ(panels::classifyPress({50, 28.5}, 1, 1.0, whole).kind, panels::PressKind::pinAfterDelay);
    // Hidden chrome (alpha 0.5 or less): the band is picture.
    EXPECT_EQ(panels::classifyPress({50, 10}, 1, 0.5, whole).kind, panels::PressKind::pinAfterDelay);
    EXPECT_EQ(panels::classifyPress({50, 10}, 2, 0.0, whole).kind, panels::PressKind::pictureDouble);
}

TEST(PressClassification, DoubleClicksOnThePictureNeverPin)
{
    for (int clicks : {2, 3}) {
        const auto press = panels::classifyPress({200, 150}, clicks, 1.0, panels::FocusRegion{});
        EXPECT_EQ(press.kind, panels::PressKind::pictureDouble);
    }
    // A focus mini window's double click is a double click like any other.
    EXPECT_EQ(panels::classifyPress({200, 150}, 2, 1.0, panels::FocusRegion{0.25, 0.5, 0.5, 0.5}).kind,
              panels::PressKind::pictureDouble);

    EXPECT_EQ(panels::pictureDoubleClickLogLine(true), "双击画面→打开原应用并关闭小窗（用户设置开启）");
    EXPECT_EQ(panels::pictureDoubleClickLogLine(false), "双击画面→退出固定并聚焦源窗口");
}

TEST(PressClassification, FocusMiniWindowsOnlyHint)
{
    // Within 0.002 of the whole window on every field still pins.
    EXPECT_EQ(panels::classifyPress({200, 150}, 1, 1.0, panels::FocusRegion{0.0015, 0, 0.9985, 1.0015}).kind,
              panels::PressKind::pinAfterDelay);

    const auto hint = panels::classifyPress({200, 150}, 1, 1.0, panels::FocusRegion{0.25, 0.5, 0.5, 0.5});
    EXPECT_EQ(hint.kind, panels::PressKind::focusHint);
    EXPECT_EQ(hint.logLine, "单击画面→聚焦态（选区 0.25,0.50 0.50×0.50），不进入固定预览");
    EXPECT_EQ(panels::classifyPress({200, 150}, 1, 1.0, panels::FocusRegion{0.003, 0, 1, 1}).kind,
              panels::PressKind::focusHint);
}

TEST(PressClassification, TheDelayedClickPinsOnlyAStillReleasedPress)
{
    const core::Point down{500, 300};
    EXPECT_TRUE(panels::delayedClickVerdict(down, down, 0).pins);
    EXPECT_TRUE(panels::delayedClickVerdict({504, 300}, down, 0).pins);  // exactly 4 pt

    const auto moved = panels::delayedClickVerdict({503, 304}, down, 0);  // 5 pt
    EXPECT_FALSE(moved.pins);
    EXPECT_EQ(moved.logLine, "单击动作取消: 仍在拖拽=false 位移=5pt（缩放/拖动）→ 不进固定预览");

    const auto held = panels::delayedClickVerdict({501, 300.5}, down, 1);
    EXPECT_FALSE(held.pins);
    EXPECT_EQ(held.logLine, "单击动作取消: 仍在拖拽=true 位移=1pt（缩放/拖动）→ 不进固定预览");
}
