#include "platform/ui/Window.h"

#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"
#include "support/SimDesktopTest.h"
#include "support/QtTestApplication.h"

#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using desktop::EventType;

// The test desktop's one display is 982 points high.
constexpr double screenHeight = 982;

class WindowTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
    }

    sim::SimWindow listed(const ui::Window& window)
    {
        auto found = world().window(window.windowNumber());
        EXPECT_TRUE(found) << "window " << window.windowNumber() << " is not listed";
        return found.value_or(sim::SimWindow{});
    }

    void click(core::Point global, int clickState = 1)
    {
        desktop::Event down;
        down.type = EventType::leftMouseDown;
        down.location = global;
        down.clickState = clickState;
        desktop::input().postEvent(down);
        desktop::Event up = down;
        up.type = EventType::leftMouseUp;
        desktop::input().postEvent(up);
        clock().runUntilIdle();
    }
};

TEST_F(WindowTest, RegistrationFollowsEveryChange)
{
    desktop::WindowID number = 0;
    {
        ui::Window window(core::Rect(100, 200, 300, 150));
        window.setLevel(desktop::level::floating);
        window.setTitle("Glimra · Notes");
        number = window.windowNumber();
        EXPECT_NE(number, 0u);

        auto shown = listed(window);
        EXPECT_TRUE(shown.own);
        EXPECT_FALSE(shown.ownVisible);
        EXPECT_EQ(shown.frame, core::Rect(100, screenHeight - 350, 300, 150));  // global points
        EXPECT_EQ(shown.layer, 3);
        EXPECT_EQ(shown.title, "Glimra · Notes");

        window.orderFront();
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(listed(window).ownVisible);
        EXPECT_TRUE(world().isOnScreen(number));

        window.setAlphaValue(0.4);
        window.setIgnoresMouseEvents(true);
        window.setFrame(core::Rect(10, 20, 200, 100));
        shown = listed(window);
        EXPECT_DOUBLE_EQ(shown.alpha, 0.4);
        EXPECT_TRUE(shown.ignoresMouseEvents);
        EXPECT_EQ(shown.frame, core::Rect(10, screenHeight - 120, 200, 100));
        EXPECT_TRUE(window.isVisible()) << "changing the window flags keeps it shown";
        EXPECT_TRUE(shown.ownVisible);

        window.orderOut();
        EXPECT_FALSE(listed(window).ownVisible);
        EXPECT_FALSE(world().isOnScreen(number));
    }
    EXPECT_FALSE(world().window(number));
}

TEST_F(WindowTest, OrderingFrontStacksWithinTheLevel)
{
    ui::Window first(core::Rect(0, 0, 100, 100));
    ui::Window second(core::Rect(50, 50, 100, 100));
    ui::Window overlay(core::Rect(0, 0, 400, 400));
    first.setLevel(desktop::level::floating);
    second.setLevel(desktop::level::floating);
    overlay.setLevel(desktop::level::screenSaver);
    overlay.orderFront();
    first.orderFront();
    second.orderFront();
    auto ids = world().stackIds();
    const auto position = [&](const ui::Window& w) {
        return std::find(ids.begin(), ids.end(), w.windowNumber()) - ids.begin();
    };
    EXPECT_LT(position(overlay), position(second));
    EXPECT_LT(position(second), position(first));

    first.orderFrontRegardless();
    ids = world().stackIds();
    EXPECT_LT(position(first), position(second));
    EXPECT_LT(position(overlay), position(first));
}

TEST_F(WindowTest, FramesConvertBetweenScreenAndQt)
{
    ui::Window window(core::Rect(100, 200, 300, 150));
    EXPECT_EQ(window.geometry(), QRect(100, 632, 300, 150));

    window.setFrameOrigin({0, 0});
    EXPECT_EQ(window.geometry(), QRect(0, 832, 300, 150));
    EXPECT_EQ(window.frame(), core::Rect(0, 0, 300, 150));

    // Fractional frames keep their exact value; Qt gets whole pixels edge by edge.
    window.setFrame(core::Rect(10.4, 20.6, 99.2, 50.5));
    EXPECT_EQ(window.frame(), core::Rect(10.4, 20.6, 99.2, 50.5));
    EXPECT_EQ(window.geometry(), ui::roundedRect(core::Rect(10.4, screenHeight - 71.1, 99.2, 50.5)));
    EXPECT_EQ(ui::screenFrame(QRect(0, 832, 300, 150)), core::Rect(0, 0, 300, 150));
    EXPECT_EQ(ui::screenPoint(ui::qtGlobalPoint({12, 34})), (core::Point{12, 34}));

    EXPECT_EQ(window.convertToScreen({5, 6}), (core::Point{15.4, 26.6}));
    EXPECT_EQ(window.convertFromScreen({15.4, 26.6}), (core::Point{5, 6}));

    // View frames: bottom-left in an unflipped superview, top-left in a flipped one.
    EXPECT_EQ(ui::viewGeometry(core::Rect(8, 6, 20, 14), 56, false), QRect(8, 36, 20, 14));
    EXPECT_EQ(ui::viewGeometry(core::Rect(8, 6, 20, 14), 56, true), QRect(8, 6, 20, 14));
    EXPECT_EQ(ui::viewFrame(QRect(8, 36, 20, 14), 56, false), core::Rect(8, 6, 20, 14));
    EXPECT_EQ(ui::viewFrame(QRect(8, 36, 20, 14), 56, true), core::Rect(8, 36, 20, 14));
}

TEST_F(WindowTest, ScreensAreFlippedDisplays)
{
    const auto screens = ui::screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].displayID, 1u);
    EXPECT_EQ(screens[0].frame, core::Rect(0, 0, 1512, 982));
    EXPECT_EQ(screens[0].visibleFrame, core::Rect(0, 0, 1512, 957));  // below the menu bar
    EXPECT_EQ(screens[0].backingScaleFactor, 2);
    EXPECT_EQ(ui::mainScreen(), screens[0]);

    desktop::DisplayInfo second;
    second.id = 2;
    second.frame = core::Rect(1512, -100, 1000, 800);
    second.visibleFrame = second.frame;
    second.scale = 1;
    second.name = "Side";
    world().addDisplay(second);
    // Global y -100..700 is screen y 282..1082.
    EXPECT_EQ(ui::screens()[1].frame, core::Rect(1512, 282, 1000, 800));

    ui::Window window(core::Rect(1450, 300, 200, 100));  // centre on the second
    ASSERT_TRUE(window.screen());
    EXPECT_EQ(window.screen()->displayID, 2u);
    window.setFrame(core::Rect(1450, 150, 200, 100));  // centre on neither, part on the first
    ASSERT_TRUE(window.screen());
    EXPECT_EQ(window.screen()->displayID, 1u);
    window.setFrameOrigin({-5000, -5000});
    EXPECT_FALSE(window.screen());
}

TEST_F(WindowTest, AlphaFadeReachesItsValueOnTime)
{
    ui::Window window(core::Rect(0, 0, 100, 100));
    window.orderFront();
    int completions = 0;
    window.animateAlpha(0, 0.15, [&] { ++completions; });

    clock().advance(0.075);
    EXPECT_GT(window.alphaValue(), 0.3);
    EXPECT_LT(window.alphaValue(), 0.7);
    EXPECT_DOUBLE_EQ(listed(window).alpha, window.alphaValue());

    clock().advance(0.075);
    EXPECT_EQ(window.alphaValue(), 0);
    EXPECT_EQ(listed(window).alpha, 0);
    EXPECT_EQ(completions, 1);
    clock().advance(1);
    EXPECT_EQ(completions, 1);
}

TEST_F(WindowTest, ANewFadeTakesOverAndTheOldCompletionStillRuns)
{
    ui::Window window(core::Rect(0, 0, 100, 100));
    window.orderFront();
    std::vector<std::string> done;
    window.animateAlpha(0, 0.3, [&] { done.push_back("out"); });
    clock().advance(0.1);
    window.animateAlpha(1, 0.15, [&] { done.push_back("in"); });
    clock().runUntilIdle();
    EXPECT_EQ(done, std::vector<std::string>{"out"});
    clock().advance(0.15);
    EXPECT_EQ(done, (std::vector<std::string>{"out", "in"}));
    EXPECT_EQ(window.alphaValue(), 1);

    // Setting the alpha outright ends a fade the same way.
    window.animateAlpha(0, 0.3, [&] { done.push_back("again"); });
    window.setAlphaValue(0.5);
    clock().advance(1);
    EXPECT_EQ(done.back(), "again");
    EXPECT_EQ(window.alphaValue(), 0.5);
}

TEST_F(WindowTest, ChildWindowsFollowTheirParent)
{
    ui::Window parent(core::Rect(0, 0, 300, 200));
    ui::Window child(core::Rect(0, 210, 300, 100));
    parent.setLevel(desktop::level::floating);
    child.setLevel(desktop::level::floating);
    parent.addChildWindow(child);
    EXPECT_EQ(child.parentWindow(), &parent);

    parent.orderFront();
    EXPECT_FALSE(child.isVisible()) << "a hidden child stays hidden";
    child.orderFront();
    parent.orderFront();
    const auto ids = world().stackIds();
    const auto position = [&](const ui::Window& w) {
        return std::find(ids.begin(), ids.end(), w.windowNumber()) - ids.begin();
    };
    EXPECT_LT(position(child), position(parent));

    parent.orderOut();
    EXPECT_FALSE(child.isVisible());
    parent.orderFront();
    child.orderFront();
    parent.close();
    EXPECT_FALSE(child.isVisible());
    EXPECT_FALSE(listed(child).ownVisible);

    {
        ui::Window shortLived(core::Rect(0, 0, 10, 10));
        parent.addChildWindow(shortLived);
    }
    parent.orderFront();  // the dead child is skipped
    parent.removeChildWindow(child);
    EXPECT_EQ(child.parentWindow(), nullptr);
}

TEST_F(WindowTest, ClicksThroughTheDesktopReachTheButtonUnderThePoint)
{
    ui::Window window(core::Rect(100, 100, 200, 100));  // global y 782..882
    auto* button = new QPushButton("Open", &window);
    button->setGeometry(ui::viewGeometry(core::Rect(20, 10, 80, 30), 100, false));  // Qt (20, 60)
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    window.orderFront();

    click({100 + 30, 782 + 70});
    EXPECT_EQ(clicks, 1);
    click({100 + 150, 782 + 20});  // on the window, beside the button
    EXPECT_EQ(clicks, 1);

    // A double click is two clicks to a button.
    click({130, 852}, 1);
    click({130, 852}, 2);
    EXPECT_EQ(clicks, 3);

    // A window that ignores the mouse lets the click go to what lies below.
    window.setIgnoresMouseEvents(true);
    click({130, 852});
    EXPECT_EQ(clicks, 3);
}

// Records what reaches it.
class Probe : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<std::string> seen;

protected:
    void enterEvent(QEnterEvent*) override { seen.push_back("enter"); }
    void leaveEvent(QEvent*) override { seen.push_back("leave"); }
    void mousePressEvent(QMouseEvent* e) override
    {
        seen.push_back("press " + std::to_string(e->position().toPoint().x()) + "," +
                       std::to_string(e->position().toPoint().y()));
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        seen.push_back("move " + std::to_string(e->position().toPoint().x()));
    }
    void mouseReleaseEvent(QMouseEvent*) override { seen.push_back("release"); }
    void mouseDoubleClickEvent(QMouseEvent*) override { seen.push_back("double"); }
    void wheelEvent(QWheelEvent* e) override { seen.push_back("wheel " + std::to_string(e->angleDelta().y())); }
    void keyPressEvent(QKeyEvent* e) override { seen.push_back("key " + e->text().toStdString()); }
};

TEST_F(WindowTest, SinkDeliversPressesDragsHoverWheelAndKeys)
{
    ui::Window window(core::Rect(0, 0, 200, 100));  // global y 882..982
    auto* probe = new Probe(&window);
    probe->setGeometry(10, 10, 50, 50);
    probe->setFocusPolicy(Qt::StrongFocus);
    window.orderFront();
    const auto send = [&](EventType type, core::Point at, int clickState = 0) {
        desktop::Event event;
        event.type = type;
        event.location = at;
        event.clickState = clickState;
        event.scrollDeltaY = 2;
        event.keyCode = desktop::key::a;
        event.modifierFlags = type == EventType::keyDown ? desktop::modifier::shift : 0;
        world().window(window.windowNumber())->sink(event);
    };

    send(EventType::mouseMoved, {20, 902});
    send(EventType::leftMouseDown, {20, 902}, 1);
    send(EventType::leftMouseDragged, {150, 902});  // outside the probe: it keeps the mouse
    send(EventType::leftMouseUp, {150, 902}, 1);    // and then loses the hover
    send(EventType::leftMouseDown, {20, 902}, 2);
    send(EventType::leftMouseUp, {20, 902}, 2);
    send(EventType::scrollWheel, {20, 902});
    send(EventType::keyDown, {0, 0});
    EXPECT_EQ(probe->seen, (std::vector<std::string>{"enter", "press 10,10", "move 140", "release", "leave", "enter",
                                                     "double", "release", "wheel 240", "key A"}));
}

TEST_F(WindowTest, PictureIsTheWidgetAtTheRequestedScale)
{
    ui::Window window(core::Rect(0, 0, 40, 30));
    auto* fill = new QWidget(&window);
    fill->setGeometry(0, 0, 20, 30);
    fill->setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(255, 0, 0));
    fill->setPalette(palette);
    window.orderFront();

    const auto picture = desktop::windowServer().windowImage(window.windowNumber(), desktop::ImageResolution::best);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 80);
    EXPECT_EQ(picture->height, 60);
    const auto* left = picture->row(30) + 10 * 4;
    EXPECT_EQ((std::vector<int>{left[0], left[1], left[2], left[3]}), (std::vector<int>{0, 0, 255, 255}));
    const auto* right = picture->row(30) + 70 * 4;
    EXPECT_EQ(right[3], 0) << "a panel is clear where nothing is drawn";
}

}  // namespace
