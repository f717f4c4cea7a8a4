#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11Accessibility.h"
#include "platform/x11/X11ClientFactsCache.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"
#include "platform/x11/X11WindowServer.h"
#include "platform/x11/X11Workspace.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testsupport;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool lists(x11::X11WindowServer& server, unsigned long window)
{
    const auto list =
        server.windowList(desktop::WindowListOption::onScreenOnly).value_or(std::vector<desktop::WindowInfo>{});
    return std::any_of(list.begin(), list.end(), [&](const auto& info) { return info.number == window; });
}

// A mapped top-level window of a connection of the test's own.
xcb_window_t mappedWindow(xcb_connection_t* xcb)
{
    const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data;
    const xcb_window_t window = xcb_generate_id(xcb);
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screen->root, 600, 500, 200, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(xcb, window);
    std::free(xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr));
    return window;
}

// What the desktop's periodic reads ask answers while another client holds the server:
// the window list, the running applications, the pointer and the keys as polls read them,
// and the button-free corner the hover poll asks of the window under the pointer; nor
// does bringing one of our floating windows to the front wait. Once the server is free
// again the polls catch up.
TEST(X11StalledServer, TheWindowListTheApplicationsAndThePolledInputAnswerWhileTheServerIsHeld)
{
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    const auto clients = std::make_shared<x11::ClientFactsCache>(connection);
    x11::X11WindowServer server(connection, clients);
    const auto active = std::make_shared<x11::ActiveClient>(connection);
    x11::X11Workspace workspace(connection, clients, active);
    x11::X11Input input(connection, std::make_shared<x11::X11KeyMap>(connection->xcb()));
    x11::X11Accessibility accessibility(connection, clients, active);
    X11Client term({"xterm", "-geometry", "40x12+100+100"});
    const auto window = term.waitForWindow("XTerm");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(waitUntil([&] { return lists(server, window); }));
    const auto corner = accessibility.buttonFreeCorner(window);
    EXPECT_GT(corner.top, 0) << "openbox's title bar";
    xcb_connection_t* owner = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(owner));
    const auto mini = server.registerOwnWindow({.title = "mini",
                                                .frame = core::Rect(600, 500, 200, 120),
                                                .level = desktop::level::floating,
                                                .visible = true,
                                                .nativeWindow = mappedWindow(owner)},
                                               {}, {});
    server.orderOwnWindowFront(mini);
    ASSERT_TRUE(movePointer(300, 250));
    ASSERT_TRUE(waitUntil([&] { return input.polledPointerLocation() == core::Point{300, 250}; }));
    EXPECT_FALSE(input.polledKeyDown(desktop::key::shift));

    xcb_connection_t* holder = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(holder));
    // A window made right before the grab: the list's refresh is held in the middle.
    const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(holder)).data;
    xcb_create_window(holder, XCB_COPY_FROM_PARENT, xcb_generate_id(holder), screen->root, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_grab_server(holder);
    std::free(xcb_get_input_focus_reply(holder, xcb_get_input_focus(holder), nullptr));
    // Read on another thread, so that a read that waits for the server cannot hold up the
    // grab's end.
    std::atomic<bool> done{false};
    bool listed = false, running = false;
    core::Point pointer;
    std::uint64_t flags = 1;
    desktop::CornerInset cornerWhileHeld;
    bool buttonDown = true;
    std::thread reader([&] {
        for (int tick = 0; tick < 5; ++tick) {
            listed = lists(server, window);
            cornerWhileHeld = accessibility.buttonFreeCorner(window);
            server.orderOwnWindowFront(mini);
            const auto apps = workspace.runningApplications();
            running = std::any_of(apps.begin(), apps.end(), [&](const auto& app) { return app.pid == term.pid(); });
            pointer = input.polledPointerLocation();
            flags = input.polledModifierFlags();
            buttonDown = input.polledButtonDown(0);
        }
        done = true;
    });
    const auto start = Clock::now();
    while (!done && secondsSince(start) < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double took = secondsSince(start);
    xcb_ungrab_server(holder);
    xcb_flush(holder);
    reader.join();
    EXPECT_LT(took, 1.0) << "a read waited on the held server";
    EXPECT_TRUE(listed);
    EXPECT_TRUE(running);
    EXPECT_EQ(pointer, (core::Point{300, 250}));
    EXPECT_EQ(flags, 0u);
    EXPECT_FALSE(buttonDown);
    EXPECT_EQ(cornerWhileHeld, corner);

    // The poll answers what the server said at the last poll: the next polls catch up.
    ASSERT_TRUE(movePointer(500, 400));
    EXPECT_TRUE(waitUntil([&] { return input.polledPointerLocation() == core::Point{500, 400}; }));
    runTool({"xdotool", "keydown", "shift"});
    EXPECT_TRUE(waitUntil([&] { return input.polledKeyDown(desktop::key::shift); }));
    runTool({"xdotool", "keyup", "shift"});
    EXPECT_TRUE(waitUntil([&] { return !input.polledKeyDown(desktop::key::shift); }));
    server.unregisterOwnWindow(mini);
    xcb_disconnect(owner);
    xcb_disconnect(holder);
}

// A mirror's checks of its source, each second and each half second (is it alive, where
// is it), answer from what the event thread already heard, also right after a window was
// made while another client holds the server a while: the list's refresh is then held, and
// a check that waited for it would answer only once the grab ends.
TEST(X11StalledServer, TheSourceChecksAnswerWhileTheServerHoldsTheListsRefresh)
{
    // First, so that it outlives the connection whose event thread writes it.
    std::atomic<xcb_window_t> lastMade{XCB_WINDOW_NONE};
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11WindowServer server(connection, std::make_shared<x11::ClientFactsCache>(connection));
    // Handlers run in the order they were added: a window this one heard of, the cache did.
    connection->addEventHandler([&](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) == XCB_CREATE_NOTIFY)
            lastMade = reinterpret_cast<const xcb_create_notify_event_t&>(event).window;
    });
    X11Client term({"xterm", "-geometry", "40x12+100+100"});
    const auto window = term.waitForWindow("XTerm");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(waitUntil([&] { return lists(server, window); }));
    // Disconnecting ends the grab, also when the test fails.
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> holder(xcb_connect(nullptr, nullptr),
                                                                                xcb_disconnect);
    ASSERT_FALSE(xcb_connection_has_error(holder.get()));
    const auto* screen = xcb_setup_roots_iterator(xcb_get_setup(holder.get())).data;
    constexpr int grabs = 6;
    int answeredWhileHeld = 0;
    for (int grab = 0; grab < grabs; ++grab) {
        const xcb_window_t made = xcb_generate_id(holder.get());
        xcb_create_window(holder.get(), XCB_COPY_FROM_PARENT, made, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_grab_server(holder.get());
        std::free(xcb_get_input_focus_reply(holder.get(), xcb_get_input_focus(holder.get()), nullptr));
        ASSERT_TRUE(waitUntil([&] { return lastMade == made; })) << "events still come during a grab";
        std::atomic<bool> answered{false};
        bool alive = false;
        std::thread checks([&] {
            const auto only = server.windowList(desktop::WindowListOption::includingWindow, window);
            alive = server.windowPresence(window) == desktop::WindowPresence::listedAlive && only &&
                    only->size() == 1 && only->front().isOnscreen == true;
            answered = true;
        });
        // Each grab lasts half of what a whole list may wait for its refresh (in seconds).
        const double hold = x11::ClientFactsCache::maxWait.count() / 2e3;
        const bool answeredNow = waitUntil([&] { return answered.load(); }, hold);
        xcb_ungrab_server(holder.get());
        xcb_flush(holder.get());
        checks.join();
        answeredWhileHeld += answeredNow;
        EXPECT_TRUE(!answeredNow || alive);
    }
    // A busy machine may keep a check from running during one grab, never during most.
    EXPECT_GT(answeredWhileHeld, grabs / 2) << "the checks waited for the held refresh";
}

// A client of the test's own that holds the server most of the time, as a busy server
// keeps every request of another client waiting: a grab of 80 ms, then 20 ms free.
// Once asked, it sends the signal during one grab, holds that one for a second and says
// when it let go.
class ServerHolder {
public:
    explicit ServerHolder(GlimraChild& glimra) : glimra_(glimra), xcb_(xcb_connect(nullptr, nullptr))
    {
        holder_ = std::thread([this] { hold(); });
    }
    ~ServerHolder()
    {
        stop_ = true;
        holder_.join();
        xcb_disconnect(xcb_);
    }
    ServerHolder(const ServerHolder&) = delete;
    ServerHolder& operator=(const ServerHolder&) = delete;

    void signalDuringAGrab(int signalNumber) { signal_ = signalNumber; }
    // When the grab the signal came in ended; none before.
    std::optional<Clock::time_point> released()
    {
        std::lock_guard lock(mutex_);
        return released_;
    }

private:
    void hold()
    {
        using std::chrono::milliseconds;
        while (!stop_ && !xcb_connection_has_error(xcb_)) {
            xcb_grab_server(xcb_);
            // The grab is in force once the server answered.
            std::free(xcb_get_input_focus_reply(xcb_, xcb_get_input_focus(xcb_), nullptr));
            const int signalNumber = signal_.exchange(0);
            if (signalNumber) glimra_.signal(signalNumber);
            std::this_thread::sleep_for(signalNumber ? milliseconds(1000) : milliseconds(80));
            xcb_ungrab_server(xcb_);
            xcb_flush(xcb_);
            if (signalNumber) {
                std::lock_guard lock(mutex_);
                released_ = Clock::now();
            }
            std::this_thread::sleep_for(milliseconds(20));
        }
    }

    GlimraChild& glimra_;
    xcb_connection_t* const xcb_;
    std::atomic<bool> stop_{false};
    std::atomic<int> signal_{0};
    std::mutex mutex_;
    std::optional<Clock::time_point> released_;
    std::thread holder_;
};

// Glimra mirrors four windows while another client holds the server nearly all the time;
// SIGTERM comes during one grab: once that grab ends glimra ends within 2 s with status
// 0, however long the server keeps its periodic reads waiting.
TEST(X11StalledServer, SigtermWhileAnotherClientHoldsTheServerEndsGlimraSoonAfterItLetsGo)
{
    std::vector<std::unique_ptr<X11Client>> clients;
    std::vector<unsigned long> windows;
    for (int i = 0; i < 4; ++i) {
        const std::string at = "40x12+" + std::to_string(60 + 320 * i) + "+200";
        clients.push_back(std::make_unique<X11Client>(std::vector<std::string>{"xterm", "-geometry", at}));
        windows.push_back(clients.back()->waitForWindow("XTerm"));
        ASSERT_NE(windows.back(), 0u);
    }
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    for (const auto window : windows) {
        const auto before = visibleWindowsOf(glimra.pid());
        runTool({"xdotool", "windowactivate", "--sync", std::to_string(window)});
        runTool({"xdotool", "key", "super+alt+p"});
        ASSERT_NE(glimra.waitForNewPictureWindow(before), 0u) << glimra.log();
    }

    ServerHolder holder(glimra.process());
    // A few seconds of the held server first, so that whatever waits on it has piled up.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    holder.signalDuringAGrab(SIGTERM);
    const auto status = glimra.process().waitForExit(15);
    const auto exited = Clock::now();
    const auto released = holder.released();
    ASSERT_TRUE(released) << "the signal was not sent";
    EXPECT_EQ(status, 0) << glimra.err();
    const double took = std::chrono::duration<double>(exited - *released).count();
    EXPECT_LT(took, 2.0) << "the quit waited on the server";
}

// Another client grabs the server and never lets go (a hung screen locker, a debugger
// stopped in a grab): SIGTERM, and SIGINT alike, still end glimra with status 0, its
// settings written, without a reply from the server.
TEST(X11StalledServer, AQuitSignalEndsGlimraWhileTheServerIsHeldForGood)
{
    X11Client term({"xterm", "-geometry", "40x12+100+200"});
    const auto window = term.waitForWindow("XTerm");
    ASSERT_NE(window, 0u);
    for (const int quitSignal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(quitSignal);
        GlimraOnDesktop glimra;
        ASSERT_TRUE(glimra.ready()) << glimra.err();
        const auto before = visibleWindowsOf(glimra.pid());
        runTool({"xdotool", "windowactivate", "--sync", std::to_string(window)});
        runTool({"xdotool", "key", "super+alt+p"});
        ASSERT_NE(glimra.waitForNewPictureWindow(before), 0u) << glimra.log();

        // Disconnecting ends the grab, also when the test fails.
        const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> holder(xcb_connect(nullptr, nullptr),
                                                                                    xcb_disconnect);
        ASSERT_FALSE(xcb_connection_has_error(holder.get()));
        xcb_grab_server(holder.get());
        std::free(xcb_get_input_focus_reply(holder.get(), xcb_get_input_focus(holder.get()), nullptr));
        glimra.process().signal(quitSignal);
        // Bounded only so that a quit that waits for the server fails rather than hangs.
        const auto status = glimra.process().waitForExit(30);
        EXPECT_EQ(status, 0) << "the quit waited on the held server\n" << glimra.err();
        const std::string settings = readFile(glimra.folders().path("config/Glimra/defaults.json"));
        EXPECT_FALSE(nlohmann::json::parse(settings, nullptr, false).is_discarded()) << settings;
    }
}

}  // namespace
