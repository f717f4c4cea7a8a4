#include "platform/ui/LayerView.h"

#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

class LayerViewTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        testsupport::ensureQtApplication();
    }
};

TEST_F(LayerViewTest, RootFillsTheViewAndTheClockReadsVirtualTime)
{
    clock().advance(3);
    ui::LayerView view;
    view.resize(120, 80);
    EXPECT_EQ(view.root().size, (core::Size{120, 80}));
    EXPECT_EQ(view.root().frame(), core::Rect(0, 0, 120, 80));

    view.restartClock();
    clock().advance(1.25);
    EXPECT_DOUBLE_EQ(view.elapsed(), 1.25);
    view.resize(60, 40);
    EXPECT_EQ(view.root().frame(), core::Rect(0, 0, 60, 40)) << "kept sized";
}

TEST_F(LayerViewTest, HeadlessPicturesDependOnlyOnTheVirtualTime)
{
    ui::LayerView view;
    view.resize(40, 40);
    view.root().backgroundColor = Qt::white;
    ui::Layer& square = view.root().addSublayer();
    square.setFrame(core::Rect(0, 0, 40, 40));
    square.backgroundColor = Qt::black;
    ASSERT_TRUE(square.addAnimation("opacity-loop", "opacity",
                                    ui::Keyframes({ui::KeyValue::number(0), ui::KeyValue::number(1)}, {0, 1}, 4)));
    view.restartClock();
    view.show();
    EXPECT_EQ(clock().pendingCount(), 0u) << "no tick without a compositing window system";

    clock().advance(2);
    const QImage first = view.grab().toImage();
    EXPECT_NEAR(first.pixelColor(20, 20).red(), 128, 3);
    for (int i = 0; i < 5; ++i) view.grab();
    EXPECT_EQ(view.grab().toImage(), first);

    view.hide();
    clock().advance(2);
    EXPECT_EQ(view.grab().toImage().pixelColor(20, 20).red(), 255) << "the loop starts over";
}

}  // namespace
