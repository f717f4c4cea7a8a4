#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11EventPosting.h"
#include "platform/x11/X11KeyMap.h"

#include "support/X11Client.h"
#include "x11/X11ServiceFixture.h"

#include <QWidget>
#include <QWindow>

#include <xcb/xcb_icccm.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <cstdlib>
#include <vector>

namespace {

using testsupport::waitUntil;

// A window of a client connection of its own, placed where the test says, that records
// the buttons pressed in it. An unmanaged one sees every click: the window manager takes
// some for itself when they come fast.
class ButtonWatcher {
public:
    enum class Managed { yes, no };
    ButtonWatcher(int x, int y, int width, int height, Managed managed = Managed::yes)
    {
        xcb_ = xcb_connect(nullptr, nullptr);
        auto* screen = xcb_setup_roots_iterator(xcb_get_setup(xcb_)).data;
        root_ = screen->root;
        window_ = xcb_generate_id(xcb_);
        const std::uint32_t values[] = {managed == Managed::no,
                                        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                            XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
        xcb_create_window(xcb_, XCB_COPY_FROM_PARENT, window_, root_, std::int16_t(x), std::int16_t(y),
                          std::uint16_t(width), std::uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_size_hints_t hints{};
        xcb_icccm_size_hints_set_position(&hints, 1, x, y);
        xcb_icccm_set_wm_normal_hints(xcb_, window_, &hints);
        xcb_map_window(xcb_, window_);
        xcb_flush(xcb_);
    }
    ~ButtonWatcher() { xcb_disconnect(xcb_); }
    ButtonWatcher(const ButtonWatcher&) = delete;
    ButtonWatcher& operator=(const ButtonWatcher&) = delete;

    xcb_window_t id() const { return window_; }

    // The X keycodes pressed (positive) and released (negative) while it had the focus.
    const std::vector<int>& keys()
    {
        buttons();
        return keys_;
    }
    void focus()
    {
        xcb_set_input_focus(xcb_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
        xcb_flush(xcb_);
    }

    // The buttons pressed (positive) and released (negative) so far, in order.
    const std::vector<int>& buttons()
    {
        while (auto* event = xcb_poll_for_event(xcb_)) {
            const auto type = event->response_type & 0x7f;
            const auto* buttonEvent = reinterpret_cast<const xcb_button_press_event_t*>(event);
            if (type == XCB_BUTTON_PRESS) buttons_.push_back(buttonEvent->detail);
            if (type == XCB_BUTTON_RELEASE) buttons_.push_back(-buttonEvent->detail);
            if (type == XCB_KEY_PRESS) keys_.push_back(buttonEvent->detail);
            if (type == XCB_KEY_RELEASE) keys_.push_back(-buttonEvent->detail);
            std::free(event);
        }
        return buttons_;
    }

    // Whether the window shows at the root pixel, above every other window there.
    bool onTopAt(int x, int y)
    {
        auto* reply = xcb_translate_coordinates_reply(
            xcb_, xcb_translate_coordinates(xcb_, root_, window_, std::int16_t(x), std::int16_t(y)), nullptr);
        if (!reply) return false;
        const bool inside = reply->same_screen && reply->dst_x >= 0 && reply->dst_y >= 0;
        std::free(reply);
        auto* top = xcb_translate_coordinates_reply(
            xcb_, xcb_translate_coordinates(xcb_, root_, root_, std::int16_t(x), std::int16_t(y)), nullptr);
        if (!top) return false;
        const xcb_window_t child = top->child;
        std::free(top);
        return inside && child != XCB_WINDOW_NONE && holds(child);
    }

private:
    // Whether the window is the root's child or one of its descendants (the frame).
    bool holds(xcb_window_t ancestor)
    {
        if (ancestor == window_) return true;
        auto* tree = xcb_query_tree_reply(xcb_, xcb_query_tree(xcb_, ancestor), nullptr);
        if (!tree) return false;
        const auto* children = xcb_query_tree_children(tree);
        bool found = false;
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) found = holds(children[i]);
        std::free(tree);
        return found;
    }

    xcb_connection_t* xcb_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    std::vector<int> buttons_;
    std::vector<int> keys_;
};

// Input posted through XTest, on a desktop whose primary monitor is away from the root's
// origin: the events land where the global point lies on the root.
class X11EventPostingTest : public testsupport::X11ServiceTest {
protected:
    void SetUp() override
    {
        X11ServiceTest::SetUp();
        keyMap = std::make_unique<x11::X11KeyMap>(connection->xcb());
        desktop::globalSpace().setMonitors({{core::Rect(100, 50, 1820, 1030), 1}});
    }
    void TearDown() override { desktop::globalSpace().setMonitors({}); }

    bool keysUp()
    {
        auto* reply = xcb_query_keymap_reply(connection->xcb(), xcb_query_keymap(connection->xcb()), nullptr);
        if (!reply) return false;
        const bool up =
            std::all_of(std::begin(reply->keys), std::end(reply->keys), [](std::uint8_t bits) { return bits == 0; });
        std::free(reply);
        return up;
    }

    std::unique_ptr<x11::X11KeyMap> keyMap;

    bool pointerButtonsUp()
    {
        auto* reply = xcb_query_pointer_reply(connection->xcb(),
                                              xcb_query_pointer(connection->xcb(), connection->root()), nullptr);
        if (!reply) return false;
        constexpr std::uint16_t buttons =
            XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3 | XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
        const bool up = !(reply->mask & buttons);
        std::free(reply);
        return up;
    }
};

TEST_F(X11EventPostingTest, ClicksAndScrollsReachTheWindowAtTheGlobalPoint)
{
    ButtonWatcher watcher(300, 300, 400, 300);
    ASSERT_TRUE(waitUntil([&] { return watcher.onTopAt(500, 450); }));
    const core::Point inside{400, 400};  // root pixel (500, 450)

    x11::postEvent(*connection, *keyMap,
                   {.type = desktop::EventType::leftMouseDown, .location = inside, .clickState = 1});
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::leftMouseUp, .location = inside, .clickState = 1});
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::rightMouseDown, .location = inside});
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::rightMouseUp, .location = inside});
    EXPECT_TRUE(waitUntil([&] { return watcher.buttons().size() >= 4; }));
    EXPECT_EQ(watcher.buttons(), (std::vector<int>{1, -1, 3, -3}));

    // A scroll goes to the point's window and leaves the pointer where it was.
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::mouseMoved, .location = {0, 0}});
    x11::postEvent(*connection, *keyMap,
                   {.type = desktop::EventType::scrollWheel, .location = inside, .scrollDeltaY = 1});
    x11::postEvent(*connection, *keyMap,
                   {.type = desktop::EventType::scrollWheel, .location = inside, .scrollDeltaY = -2});
    x11::postEvent(*connection, *keyMap,
                   {.type = desktop::EventType::scrollWheel, .location = inside, .scrollDeltaX = 0.2, .scrollDeltaY = 0});
    x11::postEvent(*connection, *keyMap,
                   {.type = desktop::EventType::scrollWheel, .location = inside, .scrollDeltaX = -1});
    EXPECT_TRUE(waitUntil([&] { return watcher.buttons().size() >= 14; }));
    EXPECT_EQ(watcher.buttons(), (std::vector<int>{1, -1, 3, -3, 4, -4, 5, -5, 5, -5, 6, -6, 7, -7}));
    EXPECT_EQ(testsupport::runTool({"xdotool", "getmouselocation", "--shell"}).substr(0, 12), "X=100\nY=50\nS");

    // A key goes to the window with the focus, by the keyboard's keycode for it.
    watcher.focus();
    ASSERT_FALSE(keyMap->keycodes(desktop::key::a).empty());
    const int a = keyMap->keycodes(desktop::key::a).front();
    x11::postEvent(*connection, *keyMap,
                   {.type = desktop::EventType::keyDown, .location = {}, .keyCode = desktop::key::a});
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::keyUp, .location = {}, .keyCode = desktop::key::a});
    EXPECT_TRUE(waitUntil([&] { return watcher.keys().size() >= 2; }));
    EXPECT_EQ(watcher.keys(), (std::vector<int>{a, -a}));
}

TEST_F(X11EventPostingTest, ABurstOfPostedInputLeavesNoButtonHeld)
{
    ButtonWatcher watcher(300, 300, 400, 300, ButtonWatcher::Managed::no);
    ASSERT_TRUE(waitUntil([&] { return watcher.onTopAt(500, 450); }));
    watcher.focus();
    for (int i = 0; i < 1000; ++i) {
        const core::Point at{250.0 + i % 100, 300.0 + i % 50};
        x11::postEvent(*connection, *keyMap,
                       {.type = desktop::EventType::leftMouseDown, .location = at, .clickState = 1});
        x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::keyDown, .location = at, .keyCode = i % 10});
        x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::keyUp, .location = at, .keyCode = i % 10});
        x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::leftMouseUp, .location = at, .clickState = 1});
    }
    EXPECT_TRUE(waitUntil([&] { return pointerButtonsUp() && keysUp(); }));
    // The server still answers, and no click the window took came apart.
    EXPECT_TRUE(pointerButtonsUp());
    const auto& buttons = watcher.buttons();
    EXPECT_FALSE(buttons.empty());
    EXPECT_LE(std::count(buttons.begin(), buttons.end(), -1), std::count(buttons.begin(), buttons.end(), 1));
}

// A click meant for a window that another client and then one of our own windows cover
// raises it right under ours; a click that names no window leaves the stacking alone.
TEST_F(X11EventPostingTest, AClickForACoveredWindowRaisesItUnderOurOwnWindow)
{
    ButtonWatcher target(300, 300, 400, 300);
    ASSERT_TRUE(waitUntil([&] { return target.onTopAt(500, 450); }));
    ButtonWatcher other(300, 300, 400, 300);
    ASSERT_TRUE(waitUntil([&] { return other.onTopAt(500, 450); }));

    QWidget cover;
    cover.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput);
    cover.setGeometry(250, 250, 500, 400);
    cover.show();
    const auto stacking = [&] {
        return connection->cardinals(connection->root(), connection->atom("_NET_CLIENT_LIST_STACKING"));
    };
    const auto coverId = static_cast<std::uint32_t>(cover.winId());
    // Listed before it is mapped: a click finds it on top only once it is shown.
    ASSERT_TRUE(waitOnMain([&] {
        return cover.windowHandle()->isExposed() &&
               stacking() == std::vector<std::uint32_t>{target.id(), other.id(), coverId};
    }));

    const core::Point inside{400, 400};
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::leftMouseDown, .location = inside});
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::leftMouseUp, .location = inside});
    EXPECT_EQ(stacking(), (std::vector<std::uint32_t>{target.id(), other.id(), coverId}));

    x11::postEvent(*connection, *keyMap,
                   {.type = desktop::EventType::leftMouseDown, .location = inside, .targetWindow = target.id()});
    x11::postEvent(*connection, *keyMap, {.type = desktop::EventType::leftMouseUp, .location = inside});
    // The window manager restacks when it gets to it.
    EXPECT_TRUE(waitOnMain([&] { return stacking() == std::vector<std::uint32_t>{other.id(), target.id(), coverId}; }))
        << "stacking stays target " << target.id() << ", other " << other.id();
}

}  // namespace
