#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// Mini windows and the status button under the window managers Debian users run, as seen
// from outside: shown, on every workspace, out of task bars and unmarked, back where they
// were after the hold key, and the status button where it asks, cutting only its strip.
namespace {

using namespace testsupport;

struct WindowManager {
    std::string name;
    std::string executable;
    bool publishesWorkArea = true;
    // i3 makes a workspace when it is first shown and numbers those it has.
    bool workspacesOnDemand = false;
};

// Where each window on the root (a frame, or a bare client) showed since it was last mapped.
class PlacesWhenShown {
public:
    PlacesWhenShown()
    {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_.get(), root_, XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_get_input_focus_reply(c_.get(), xcb_get_input_focus(c_.get()), nullptr));
    }

    // Of the window on the root that holds the window: where it first showed at the size it
    // has now (KWin maps its frame at 1x1 and sizes it then), and where it is.
    std::pair<Geometry, Geometry> of(unsigned long window)
    {
        auto top = static_cast<xcb_window_t>(window);
        while (const std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree{
                   xcb_query_tree_reply(c_.get(), xcb_query_tree(c_.get(), top), nullptr), &std::free}) {
            if (tree->parent == root_ || tree->parent == XCB_WINDOW_NONE) break;
            top = tree->parent;
        }
        while (const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event{xcb_poll_for_event(c_.get()),
                                                                                      &std::free}) {
            const auto* any = event.get();
            const auto type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto* made = reinterpret_cast<const xcb_create_notify_event_t*>(any);
                places_[made->window] = {made->x, made->y, made->width, made->height};
            } else if (type == XCB_CONFIGURE_NOTIFY) {
                const auto* moved = reinterpret_cast<const xcb_configure_notify_event_t*>(any);
                places_[moved->window] = {moved->x, moved->y, moved->width, moved->height};
                if (const auto shown = shown_.find(moved->window); shown != shown_.end())
                    shown->second.push_back(places_[moved->window]);
            } else if (type == XCB_MAP_NOTIFY) {
                const xcb_window_t mapped = reinterpret_cast<const xcb_map_notify_event_t*>(any)->window;
                shown_[mapped] = {places_[mapped]};
            } else if (type == XCB_UNMAP_NOTIFY) {
                shown_.erase(reinterpret_cast<const xcb_unmap_notify_event_t*>(any)->window);
            }
        }
        const Geometry now = places_[top];
        for (const Geometry& place : shown_[top])
            if (place.width == now.width && place.height == now.height) return {place, now};
        return {Geometry{}, now};
    }

private:
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c_{xcb_connect(nullptr, nullptr),
                                                                          &xcb_disconnect};
    const xcb_window_t root_ = xcb_setup_roots_iterator(xcb_get_setup(c_.get())).data->root;
    std::map<xcb_window_t, Geometry> places_;
    std::map<xcb_window_t, std::vector<Geometry>> shown_;
};

// Whether the window stands where it asked to be, as Qt writes it into the normal hints.
bool standsWhereItAsked(unsigned long window)
{
    const std::string hints = propertyOf(window, "WM_NORMAL_HINTS");
    const Geometry place = clientAreaOf(window);
    return hints.find("specified location: " + std::to_string(place.x) + ", " + std::to_string(place.y) + "\n") !=
               std::string::npos &&
           hints.find("specified size: " + std::to_string(place.width) + " by " + std::to_string(place.height)) !=
               std::string::npos;
}

void showWorkspace(const WindowManager& manager, int workspace)
{
    if (manager.workspacesOnDemand)
        runTool({"i3-msg", "workspace", "number", std::to_string(workspace + 1)});
    else
        runTool({"wmctrl", "-s", std::to_string(workspace)});
}

// Names the window manager where a failure shows the parameter.
void PrintTo(const WindowManager& manager, std::ostream* out) { *out << manager.name; }

class X11WindowManagers : public testing::TestWithParam<WindowManager> {};

TEST_P(X11WindowManagers, OwnWindowsShowEverywhereUnmarkedAndStayWhereTheyAsk)
{
    const WindowManager& manager = GetParam();
    if (runTool({"sh", "-c", "command -v " + manager.executable}).empty())
        GTEST_SKIP() << manager.executable << " is not installed";
    TestDisplay display("1920x1080x24", NamedWindowManager{manager.name});
    ASSERT_TRUE(display.ready()) << "no X server with " << manager.name << " came up";
    ASSERT_TRUE(manager.workspacesOnDemand || askForTwoWorkspaces());
    X11Client clock({"xclock", "-geometry", "164x164+40+640"});
    // Under the mini windows, which show at the top right.
    X11Client terminal({"xterm", "-geometry", "50x10+1500+330"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);

    PlacesWhenShown placesWhenShown;
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long button = statusButtonOf(glimra.pid());
    std::vector<unsigned long> minis;
    std::vector<unsigned long> known = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);  // the smallest window: the clock
    minis.push_back(glimra.waitForNewPictureWindow(known));
    ASSERT_NE(minis.back(), 0u) << glimra.log();
    known.push_back(minis.back());
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    runTool({"xdotool", "key", "super+alt+p"});
    minis.push_back(glimra.waitForNewPictureWindow(known));
    ASSERT_NE(minis.back(), 0u) << glimra.log();

    // Neither hidden with an inactive application nor tied to a workspace, listed or marked,
    // nor placed or sized otherwise than asked (i3 makes a dock a bar as wide as the screen).
    const auto checkShownAndUnmarked = [&](const std::string& when) {
        for (const unsigned long window : minis) {
            SCOPED_TRACE(when + ", mini window " + std::to_string(window));
            EXPECT_TRUE(waitUntil([&] { return viewable(window); }));
            EXPECT_TRUE(waitUntil([&] { return standsWhereItAsked(window); }))
                << propertyOf(window, "WM_NORMAL_HINTS") << clientAreaOf(window).x << "," << clientAreaOf(window).y;
            // metacity marks one mapped over the focused window; the mark is taken back.
            EXPECT_TRUE(waitUntil([&] {
                return propertyOf(window, "_NET_WM_STATE").find("_NET_WM_STATE_DEMANDS_ATTENTION") == std::string::npos;
            })) << propertyOf(window, "_NET_WM_STATE");
            // awesome numbers a sticky window's desktop as that of its first tag.
            EXPECT_TRUE(propertyOf(window, "_NET_WM_DESKTOP") == "_NET_WM_DESKTOP(CARDINAL) = 4294967295\n" ||
                        propertyOf(window, "_NET_WM_STATE").find("_NET_WM_STATE_STICKY") != std::string::npos)
                << propertyOf(window, "_NET_WM_DESKTOP") << propertyOf(window, "_NET_WM_STATE");
        }
    };
    // Shown where it stays, not moved there once shown (i3's title, awesome's rules, KWin).
    const auto checkShownWhereItStays = [&](unsigned long window) {
        const auto [shown, now] = placesWhenShown.of(window);
        EXPECT_TRUE(shown == now) << window << " shown at " << shown.x << "," << shown.y << ", now at " << now.x << "," << now.y;
    };
    checkShownAndUnmarked("made");
    for (const unsigned long window : minis) checkShownWhereItStays(window);

    // Without a tray the button stands in its strip at the top right, and the work area,
    // where the window manager publishes one (tiling ones do not), loses that strip only.
    if (button) {
        const Geometry place = clientAreaOf(button);
        EXPECT_EQ(place.y, 0);
        EXPECT_EQ(place.x + place.width, screenWidth() - 8);
        EXPECT_TRUE(!manager.publishesWorkArea || waitUntil([] {
            return runTool({"xprop", "-root", "_NET_WORKAREA"}).find("= 0, 24, 1920, 1056") != std::string::npos;
        })) << runTool({"xprop", "-root", "_NET_WORKAREA"});
    }

    // KWin keeps the other workspace's clients mapped: the desktop number says where.
    showWorkspace(manager, 1);
    ASSERT_TRUE(waitUntil([&] { return onWorkspace(1); }));
    checkShownAndUnmarked("on the second workspace");
    showWorkspace(manager, 0);
    ASSERT_TRUE(waitUntil([&] { return onWorkspace(0) && viewable(terminalWindow); }));

    // The hold key hides them; they come back where they were.
    std::vector<Geometry> before;
    for (const unsigned long window : minis) before.push_back(clientAreaOf(window));
    runTool({"xdotool", "keydown", "Control_R"});
    const bool hidden = waitUntil([&] { return !viewable(minis[0]) && !viewable(minis[1]); });
    runTool({"xdotool", "keyup", "Control_R"});
    ASSERT_TRUE(hidden) << glimra.log();
    checkShownAndUnmarked("shown again");
    for (std::size_t i = 0; i < minis.size(); ++i) {
        SCOPED_TRACE("mini window " + std::to_string(minis[i]));
        EXPECT_TRUE(waitUntil([&] { return clientAreaOf(minis[i]) == before[i]; }))
            << "now at " << clientAreaOf(minis[i]).x << "," << clientAreaOf(minis[i]).y;
        checkShownWhereItStays(minis[i]);
    }

    const Geometry mini = clientAreaOf(minis[0]);
    movePointerOnto(mini.x + mini.width / 2, mini.y + mini.height / 2);
    known.push_back(minis.back());
    const unsigned long preview = glimra.waitForNewPictureWindow(known);
    ASSERT_NE(preview, 0u) << "no hover preview; log:\n" << glimra.log();
    EXPECT_TRUE(waitUntil([&] { return standsWhereItAsked(preview); })) << propertyOf(preview, "WM_NORMAL_HINTS");
    checkShownWhereItStays(preview);

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// A window manager that names no active window (xmonad, or none at all) leaves the input
// focus to say which window is in front: Alt+Super+P mirrors the focused one.
TEST(X11WithoutActiveWindow, TheFocusedWindowIsTheOneMirrored)
{
    TestDisplay display("1920x1080x24", std::vector<std::string>{});
    ASSERT_TRUE(display.ready()) << "no X server came up";
    X11Client clock({"xclock", "-geometry", "164x164+40+640"});
    X11Client terminal({"xterm", "-geometry", "50x10+600+330"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> known = visibleWindowsOf(glimra.pid());

    runTool({"xdotool", "windowfocus", "--sync", std::to_string(terminalWindow)});
    runTool({"xdotool", "key", "super+alt+p"});
    const unsigned long mini = glimra.waitForNewPictureWindow(known);
    ASSERT_NE(mini, 0u) << glimra.log();
    EXPECT_NE(propertyOf(mini, "_NET_WM_NAME").find("XTerm"), std::string::npos) << propertyOf(mini, "_NET_WM_NAME");
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

INSTANTIATE_TEST_SUITE_P(Debian, X11WindowManagers,
                         testing::Values(WindowManager{"openbox", "openbox"}, WindowManager{"KWin", "kwin_x11"},
                                         WindowManager{"xfwm4", "xfwm4"}, WindowManager{"icewm", "icewm"},
                                         WindowManager{"fluxbox", "fluxbox"}, WindowManager{"metacity", "metacity"},
                                         WindowManager{"marco", "marco"}, WindowManager{"mutter", "mutter"},
                                         WindowManager{"i3", "i3", false, true},
                                         WindowManager{"awesome", "awesome", false},
                                         WindowManager{"bspwm", "bspwm", false},
                                         WindowManager{"herbstluftwm", "herbstluftwm", false}),
                         [](const testing::TestParamInfo<WindowManager>& info) { return info.param.name; });

}  // namespace
