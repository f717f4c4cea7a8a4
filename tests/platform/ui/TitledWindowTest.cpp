#include "platform/ui/Window.h"

#include "platform/desktop/Desktop.h"
#include "platform/sim/SimInput.h"
#include "platform/ui/SystemColors.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

using desktop::EventType;

// The test desktop's one display is 982 points high.
constexpr double screenHeight = 982;

// A titled window that counts what the base tells it.
class Counted : public ui::Window {
public:
    explicit Counted(const core::Rect& frame) : ui::Window(frame, Style::titled) {}
    int screenChanges = 0;
    int closes = 0;

protected:
    void screenDidChange() override { ++screenChanges; }
    void closeEvent(QCloseEvent* event) override
    {
        ++closes;
        ui::Window::closeEvent(event);
    }
};

class TitledWindowTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
        input = std::dynamic_pointer_cast<sim::SimInput>(desktop().input);
        ASSERT_TRUE(input);
    }

    // Screen (1512, 282, 1000, 800) right of the first, all of it visible.
    void addSideDisplay()
    {
        desktop::DisplayInfo side;
        side.id = 2;
        side.frame = core::Rect(1512, -100, 1000, 800);
        side.visibleFrame = side.frame;
        side.scale = 1;
        world().addDisplay(side);
        clock().runUntilIdle();
    }

    void post(EventType type, core::Point global)
    {
        desktop::Event event;
        event.type = type;
        event.location = global;
        event.clickState = type == EventType::leftMouseDragged ? 0 : 1;
        desktop::input().postEvent(event);
        clock().runUntilIdle();
    }

    std::shared_ptr<sim::SimInput> input;
};

TEST_F(TitledWindowTest, TheBarSitsInsideTheFrameAndItsButtonCloses)
{
    const core::Rect content(100, 200, 300, 150);
    const auto frame = ui::Window::frameRectForContentRect(content, ui::Window::Style::titled);
    EXPECT_EQ(frame, core::Rect(100, 200, 300, 178)) << "the bar goes on top, the origin stays";
    EXPECT_EQ(ui::Window::frameRectForContentRect(content, ui::Window::Style::panel), content);

    Counted window(frame);
    auto* view = new QWidget;
    window.setContentView(view);
    window.setTitle("Settings");
    window.orderFront();
    EXPECT_EQ(view->geometry(), QRect(0, 28, 300, 150));
    // The desktop lists and draws the whole frame, bar included.
    const auto listed = world().window(window.windowNumber());
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->frame, core::Rect(100, screenHeight - 378, 300, 178));
    const auto picture = desktop::windowServer().windowImage(window.windowNumber());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->height, 178);
    const QColor bar = ui::systemColor("windowBackground").darker(104);
    const auto* pixel = picture->row(10) + 4 * 4;  // BGRA
    EXPECT_EQ((std::vector<int>{pixel[2], pixel[1], pixel[0]}), (std::vector<int>{bar.red(), bar.green(), bar.blue()}))
        << "the bar is drawn";

    // The close button is where a user clicks it, and closes as a user does.
    auto* close = window.findChild<QAbstractButton*>("close");
    ASSERT_TRUE(close);
    const QPoint centre = close->mapTo(&window, close->rect().center());
    EXPECT_LT(centre.x(), 40);
    EXPECT_LT(centre.y(), 28);
    const core::Point global{100.0 + centre.x(), screenHeight - 378 + centre.y()};
    post(EventType::leftMouseDown, global);
    post(EventType::leftMouseUp, global);
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(world().window(window.windowNumber())->ownVisible);
}

TEST_F(TitledWindowTest, DraggingTheBarMovesTheWindowAndCrossingAScreenIsToldOnce)
{
    addSideDisplay();
    Counted window(core::Rect(1000, 300, 400, 300));  // global top 382
    window.orderFront();
    post(EventType::leftMouseDown, {1200, 392});
    post(EventType::leftMouseDragged, {1250, 362});
    post(EventType::leftMouseDragged, {1300, 352});
    EXPECT_EQ(window.frame(), core::Rect(1100, 340, 400, 300)) << "right 100, up 40";
    EXPECT_EQ(window.screenChanges, 0) << "its centre is still on the first screen";
    post(EventType::leftMouseDragged, {1700, 352});
    post(EventType::leftMouseUp, {1700, 352});
    EXPECT_EQ(window.frame(), core::Rect(1500, 340, 400, 300));
    EXPECT_EQ(window.screenChanges, 1);
    EXPECT_EQ(world().window(window.windowNumber())->frame.origin, (core::Point{1500, 342}));

    // A press on the content does not drag.
    post(EventType::leftMouseDown, {1700, 500});
    post(EventType::leftMouseDragged, {1600, 500});
    post(EventType::leftMouseUp, {1600, 500});
    EXPECT_EQ(window.frame().origin, (core::Point{1500, 340}));
}

TEST_F(TitledWindowTest, CentresOnItsOwnScreenAndHearsOfEachScreenChangeOnce)
{
    addSideDisplay();
    Counted window(core::Rect(1600, 400, 400, 300));
    ASSERT_EQ(window.screen()->displayID, 2u);
    window.center();
    EXPECT_EQ(window.frame(), core::Rect(1812, 532, 400, 300)) << "centred on the side screen";
    EXPECT_EQ(window.screenChanges, 0);

    window.setFrameOrigin({300, 300});
    window.setFrameOrigin({320, 300});
    EXPECT_EQ(window.screenChanges, 1) << "moved by code to the first screen, then within it";
    window.center();
    EXPECT_EQ(window.frame().origin, (core::Point{556, 328.5}));  // the first screen's visible frame

    // The desktop gathers a window from a display that went, and the arrangement notice
    // that follows tells nothing new.
    window.setFrameOrigin({1700, 400});
    EXPECT_EQ(window.screenChanges, 2);
    ASSERT_TRUE(world().removeDisplay(2));
    clock().runUntilIdle();
    ASSERT_TRUE(window.screen());
    EXPECT_EQ(window.screen()->displayID, 1u);
    EXPECT_EQ(window.screenChanges, 3);
}

TEST_F(TitledWindowTest, KeysGoToTheKeyWindowNotToAPanelInFrontOfIt)
{
    struct KeyLog : QWidget {
        using QWidget::QWidget;
        std::vector<std::string> keys;
        void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->text().toStdString()); }
    };
    Counted settings(core::Rect(100, 100, 400, 300));
    auto* settingsKeys = new KeyLog;
    settingsKeys->setFocusPolicy(Qt::StrongFocus);
    settings.setContentView(settingsKeys);
    ui::Window mini(core::Rect(150, 150, 200, 120));
    mini.setLevel(desktop::level::floating);
    auto* miniKeys = new KeyLog(&mini);
    miniKeys->setFocusPolicy(Qt::StrongFocus);
    miniKeys->setFocus();

    desktop::workspace().activate(desktop::workspace().ownPid());
    settings.makeKeyAndOrderFront();
    settingsKeys->setFocus();
    mini.orderFront();
    input->userKeyDown(desktop::key::a);
    clock().runUntilIdle();
    EXPECT_EQ(settingsKeys->keys, std::vector<std::string>{"a"});
    EXPECT_TRUE(miniKeys->keys.empty());

    // Hidden, it is no longer key: the front window of the application takes the keys.
    settings.orderOut();
    input->userKeyDown(desktop::key::a);
    clock().runUntilIdle();
    EXPECT_EQ(settingsKeys->keys.size(), 1u);
    EXPECT_EQ(miniKeys->keys, std::vector<std::string>{"a"});
}

}  // namespace
