#include "platform/sim/Compositor.h"
#include "platform/sim/WindowPainter.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

class CompositorTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        SimDesktopTest::SetUp();
        addApp(501, "Editor", "com.example.editor");
        addWindow(501, 11, {100, 100, 400, 300}, "Notes", 0, sim::Content::still);
        addWindow(501, 12, {300, 250, 400, 300}, "Log");
    }

    std::string png(const std::string& name, std::optional<desktop::DisplayID> display = std::nullopt)
    {
        const std::string path = home() + "/shots/" + name + ".png";
        EXPECT_TRUE(sim::writeDesktopPng(world(), display, path));
        return path;
    }

    static QRgb painted(desktop::WindowID id, sim::SimWorld& world, int x, int y)
    {
        const auto window = *world.window(id);
        const auto picture = sim::paintWindow(window, world.appName(window.pid), world.contentTime(id),
                                              int(window.frame.width()), int(window.frame.height()));
        const std::uint8_t* p = picture->row(y) + 4 * x;
        return qRgb(p[2], p[1], p[0]);
    }

    // An own window whose picture is one colour.
    desktop::WindowID ownWindow(const core::Rect& frame, QRgb colour, double alpha)
    {
        desktop::OwnWindowState state;
        state.frame = frame;
        state.level = desktop::level::floating;
        state.alpha = alpha;
        state.visible = true;
        auto grab = [frame, colour](double scale) {
            auto picture =
                std::make_shared<desktop::PixelBuffer>(int(frame.width() * scale), int(frame.height() * scale));
            for (std::size_t i = 0; i < picture->bytes.size(); i += 4) {
                picture->bytes[i] = qBlue(colour);
                picture->bytes[i + 1] = qGreen(colour);
                picture->bytes[i + 2] = qRed(colour);
                picture->bytes[i + 3] = 0xFF;
            }
            return desktop::PixelBufferRef(picture);
        };
        return desktop().windowServer->registerOwnWindow(state, grab, nullptr);
    }
};

TEST_F(CompositorTest, ShowsEachWindowAtItsPlaceBackToFrontOverTheDesktop)
{
    clock().advance(1.5);
    ownWindow({1000, 600, 200, 100}, qRgb(255, 0, 0), 1);
    ownWindow({1000, 800, 200, 100}, qRgb(255, 255, 255), 0.5);
    const QImage shot(QString::fromStdString(png("desktop", 1)));
    ASSERT_EQ(shot.width(), 1512);
    ASSERT_EQ(shot.height(), 982);

    // Window 11's uncovered corner, window 12 over their overlap.
    EXPECT_EQ(shot.pixel(110, 120), painted(11, world(), 10, 20));
    EXPECT_EQ(shot.pixel(450, 350), painted(12, world(), 150, 100));
    const QRgb desktopColour = shot.pixel(50, 900);
    EXPECT_EQ(shot.pixel(1400, 50), desktopColour);
    EXPECT_NE(desktopColour, shot.pixel(110, 120));

    EXPECT_EQ(shot.pixel(1100, 650), qRgb(255, 0, 0));
    const QRgb half = shot.pixel(1100, 850);
    EXPECT_NEAR(qRed(half), (255 + qRed(desktopColour)) / 2, 2);
    EXPECT_NEAR(qBlue(half), (255 + qBlue(desktopColour)) / 2, 2);

    // Off-screen windows are not drawn.
    world().setMinimized(12, true);
    EXPECT_EQ(QImage(QString::fromStdString(png("minimised", 1))).pixel(600, 500), desktopColour);
}

TEST_F(CompositorTest, SameDesktopGivesTheSameBytesAndAnimationChangesThem)
{
    clock().advance(0.75);
    const auto first = testsupport::readFile(png("a"));
    const auto second = testsupport::readFile(png("b"));
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    clock().advance(0.1);
    EXPECT_NE(testsupport::readFile(png("c")), first);
}

TEST_F(CompositorTest, AllDisplaysSideBySideTopAligned)
{
    desktop::DisplayInfo right;
    right.id = 2;
    right.frame = core::Rect(1512, -100, 800, 600);
    right.scale = 1;
    world().addDisplay(right);
    addWindow(501, 13, {1612, 0, 200, 100}, "Right", 0, sim::Content::still);

    const QImage all(QString::fromStdString(png("all")));
    ASSERT_EQ(all.width(), 1512 + 800);
    ASSERT_EQ(all.height(), 982);
    // The second display starts at x 1512 and its top (global y −100) at row 0.
    EXPECT_EQ(all.pixel(1512 + 100 + 5, 100 + 5), painted(13, world(), 5, 5));
    EXPECT_EQ(all.pixel(110, 120), painted(11, world(), 10, 20));

    const QImage second(QString::fromStdString(png("second", 2)));
    EXPECT_EQ(second.size(), QSize(800, 600));
    EXPECT_EQ(second.pixel(105, 105), painted(13, world(), 5, 5));

    EXPECT_FALSE(sim::writeDesktopPng(world(), 7, home() + "/none.png"));
}

TEST_F(CompositorTest, EachDisplayHasAMenuBarNamingTheFrontmostApplicationOverTheWindows)
{
    testsupport::ensureQtApplication();
    desktop::DisplayInfo right;
    right.id = 2;
    right.frame = core::Rect(1512, 0, 800, 600);  // no visible frame: a standard bar
    right.scale = 1;
    world().addDisplay(right);
    addWindow(501, 13, {0, 0, 600, 400}, "Under the bar");
    const auto darkIn = [](const QImage& shot, int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (qGreen(shot.pixel(x, y)) < 0x60) return true;
        return false;
    };

    const QImage before(QString::fromStdString(png("no-frontmost")));
    const QRgb bar = before.pixel(1000, 3);
    EXPECT_EQ(before.pixel(300, 3), bar) << "the bar is drawn over the window";
    EXPECT_EQ(before.pixel(1512 + 700, 3), bar);
    EXPECT_NE(before.pixel(1000, 30), bar) << "25 points high on the first display";
    EXPECT_NE(before.pixel(1512 + 700, 30), bar) << "24 points high on the second";
    EXPECT_FALSE(darkIn(before, 0, 200, 0, 24));

    world().setFrontmost(501);
    const QImage after(QString::fromStdString(png("frontmost")));
    EXPECT_TRUE(darkIn(after, 0, 200, 0, 24)) << "the application's name";
    EXPECT_TRUE(darkIn(after, 1512, 1712, 0, 24));
}

}  // namespace
