#include "GuideSceneFixture.h"

#include "platform/desktop/Desktop.h"
#include "platform/ui/LayerPainter.h"
#include "settings/guide/SceneToolkit.h"

#include <QImage>
#include <QPainter>

#include <cmath>

// The guide's scenes on a desktop with a top panel and a task bar: its furniture in place of
// a menu bar with a notch and a Dock, every place the scenes use unchanged.
namespace {

constexpr double pixelsPerPoint = 2;

class GuideOnPanelDesktop : public GuideSceneTest {
protected:
    void SetUp() override
    {
        GuideSceneTest::SetUp();
        auto panelDesktop = std::make_shared<desktop::Desktop>();
        panelDesktop->conventions.furniture = desktop::Conventions::Furniture::panelAndTaskBar;
        desktop::install(panelDesktop);
    }

    void TearDown() override
    {
        desktop::install(nullptr);
        GuideSceneTest::TearDown();
    }

    static QImage paint(const ui::Layer& canvas, double t)
    {
        QImage image(static_cast<int>(740 * pixelsPerPoint), static_cast<int>(480 * pixelsPerPoint),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(pixelsPerPoint, pixelsPerPoint);
        ui::paintLayer(painter, canvas, t, 480);
        return image;
    }

    // The colour at a canvas point (bottom-left origin).
    static QColor at(const QImage& image, double x, double y)
    {
        return image.pixelColor(static_cast<int>(std::floor(x * pixelsPerPoint)),
                                static_cast<int>(std::floor((480 - y) * pixelsPerPoint)));
    }

    static int brightness(const QColor& colour) { return (colour.red() + colour.green() + colour.blue()) / 3; }

    static bool near(const QColor& a, const QColor& b, int within)
    {
        return std::abs(a.red() - b.red()) <= within && std::abs(a.green() - b.green()) <= within &&
               std::abs(a.blue() - b.blue()) <= within;
    }

    // The layer's frame in the canvas, through the layers that hold it.
    static core::Rect inCanvas(const ui::Layer& layer)
    {
        core::Rect frame = layer.frame();
        for (const ui::Layer* holder = layer.superlayer(); holder && holder->superlayer(); holder = holder->superlayer())
            frame = frame.offsetBy(holder->frame().x(), holder->frame().y());
        return frame;
    }
};

TEST_F(GuideOnPanelDesktop, ThePanelRunsUnbrokenWhereTheNotchWasAndTheTaskBarCrossesTheScreen)
{
    ui::Layer canvas;
    canvas.setFrame({0, 0, 740, 480});
    guide::makeScreen(canvas);
    const QImage image = paint(canvas, 1);

    // The panel's strip, 10.08 high under the screen's top edge at 470.44.
    const double panelMiddle = 470.44 - 10.08 / 2;
    const QColor underNotch = at(image, 370, panelMiddle);
    EXPECT_GT(brightness(underNotch), 10) << "a black notch at the top's middle";
    EXPECT_TRUE(near(underNotch, at(image, 300, panelMiddle), 6)) << "the panel is one strip across the middle";
    EXPECT_TRUE(near(underNotch, at(image, 440, panelMiddle), 6));
    EXPECT_LT(brightness(underNotch), brightness(at(image, 370, 450))) << "the panel stands out from the wallpaper";

    // The task bar darkens the wallpaper from one side of the screen to the other, also far
    // outside the place a Dock takes.
    for (const double x : {60.0, 150.0, 370.0, 600.0, 680.0}) {
        EXPECT_LT(brightness(at(image, x, 60)), brightness(at(image, x, 101)) - 8) << x;
        EXPECT_LT(brightness(at(image, x, 94)), brightness(at(image, x, 101)) - 8) << x;
    }

    // A desktop of the other kind keeps its notch and its Dock.
    desktop::install(std::make_shared<desktop::Desktop>());
    ui::Layer withMenuBar;
    withMenuBar.setFrame({0, 0, 740, 480});
    guide::makeScreen(withMenuBar);
    const QImage menuBarImage = paint(withMenuBar, 1);
    EXPECT_EQ(brightness(at(menuBarImage, 370, panelMiddle)), 0);
    EXPECT_NEAR(brightness(at(menuBarImage, 150, 77)), brightness(at(menuBarImage, 150, 101)), 8);
}

TEST_F(GuideOnPanelDesktop, TheThirdTaskBarButtonLiesWhereTheScenesPointAndBounces)
{
    const auto canvas = build(1);
    const guide::Screen geometry = guide::screenGeometry();
    const ui::Layer& button = actor(*canvas, "dockIcon");
    const core::Rect place = inCanvas(button);
    EXPECT_NEAR(place.x(), geometry.dockIconRect.x(), 1e-9);
    EXPECT_NEAR(place.y(), geometry.dockIconRect.y(), 1e-9);
    EXPECT_NEAR(place.width(), geometry.dockIconRect.width(), 1e-9);
    EXPECT_NEAR(place.height(), geometry.dockIconRect.height(), 1e-9);

    // Two buttons before it and four after it in the same bar, the bar inside the screen.
    const ui::Layer* bar = button.superlayer();
    ASSERT_NE(bar, nullptr);
    std::vector<const ui::Layer*> buttons;
    for (const auto& sublayer : bar->sublayers())
        if (sublayer->size.width == button.size.width) buttons.push_back(sublayer.get());
    ASSERT_EQ(buttons.size(), 7u);
    EXPECT_EQ(buttons[2], &button);
    EXPECT_NEAR(inCanvas(*bar).minY(), 58, 1e-9) << "flush with the screen's bottom";

    // Its icon shows the hue the scene's pointer visits; it swells at the click.
    const QImage before = paint(*canvas, 0.5);
    const core::Point middle = guide::center(geometry.dockIconRect);
    EXPECT_NEAR(at(before, middle.x, middle.y).hsvHueF(), 0.571, 0.01);
    EXPECT_NEAR(button.presentation(0.605 * guide::triggerLoop).scale, 1.35, 1e-9);
}

// The opened window of the fourth step sits stretched over the desktop, the pointer on its
// way to it: a dark cross centred on the point it will click, not a red dot.
TEST_F(GuideOnPanelDesktop, TheOpenedWindowShowsACloseGlyphWhereThePointerClicks)
{
    const auto canvas = build(4);
    const guide::Screen s = guide::screenGeometry();
    const double stretched = s.visRect.width() / s.winRect.width();
    const core::Point opened{s.visRect.midX(), (s.screenBottom + s.visRect.maxY()) / 2};
    const core::Point close{opened.x + (7.77 - s.winRect.width() / 2) * stretched,
                            opened.y + (s.winRect.height() / 2 - 5.67) * stretched};

    const QImage image = paint(*canvas, 0.30 * guide::openOriginalLoop);
    const core::Point pointer = actor(*canvas, "pointer").presentation(0.30 * guide::openOriginalLoop).position;
    ASSERT_GT(std::hypot(pointer.x - close.x, pointer.y - close.y), 40) << "the pointer hides the glyph";

    const QColor middle = at(image, close.x, close.y);
    EXPECT_LT(brightness(middle), 110) << "no cross at the close point";
    EXPECT_LT(middle.hsvSaturation(), 40) << "a coloured button at the close point";
    const double arm = 1.2 * stretched;  // inside the cross's half-width of 1.89 points
    for (const double dx : {-arm, arm})
        for (const double dy : {-arm, arm}) EXPECT_LT(brightness(at(image, close.x + dx, close.y + dy)), 140) << dx << dy;
    for (const auto& [dx, dy] : {std::pair{arm, 0.0}, {-arm, 0.0}, {0.0, arm}, {0.0, -arm}})
        EXPECT_GT(brightness(at(image, close.x + dx, close.y + dy)), 200) << "between the arms " << dx << dy;

    // The pointer ends there when it clicks.
    const core::Point clicked = actor(*canvas, "pointer").presentation(0.37 * guide::openOriginalLoop).position;
    EXPECT_NEAR(clicked.x, close.x, 1e-6);
    EXPECT_NEAR(clicked.y, close.y, 1e-6);
}

}  // namespace
