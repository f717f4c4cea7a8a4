#include "x11/TestDisplay.h"

#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

namespace testsupport {
namespace {

// The display number a server started with -displayfd writes once it takes clients.
std::string displayNumberFrom(int readEnd, double timeoutSeconds)
{
    std::string number;
    waitUntil(
        [&] {
            pollfd ready{readEnd, POLLIN, 0};
            char buffer[16];
            if (::poll(&ready, 1, 0) > 0)
                if (const auto n = ::read(readEnd, buffer, sizeof buffer); n > 0) number.append(buffer, n);
            return number.find('\n') != std::string::npos;
        },
        timeoutSeconds);
    const auto end = number.find('\n');
    return end == std::string::npos ? std::string() : number.substr(0, end);
}

long statusKilobytes(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) != 0) continue;
        std::istringstream value(line.substr(field.size() + 1));
        long kilobytes = 0;
        value >> kilobytes;
        return kilobytes * 1024;
    }
    return 0;
}

// A window manager may name itself, and publish its work area, before it takes map
// requests: a window it is asked to map then stays unmapped for good. It is ready once it
// maps one; a probe it dropped is made anew.
bool mapsWindows()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const auto viewable = [&](xcb_window_t window) {
        auto* attributes =
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
        const bool shown = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        return shown;
    };
    const bool mapped = waitUntil(
        [&] {
            const xcb_window_t probe = xcb_generate_id(connection);
            xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 16, 16, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
            xcb_map_window(connection, probe);
            const bool shown = waitUntil([&] { return viewable(probe); }, 1);
            xcb_destroy_window(connection, probe);
            return shown;
        },
        20);
    xcb_disconnect(connection);
    return mapped;
}

std::optional<std::string> displayNow()
{
    const char* display = std::getenv("DISPLAY");
    return display ? std::optional<std::string>(display) : std::nullopt;
}

struct WindowManagerLaunch {
    // Followed by the path of the configuration when there is one.
    std::vector<std::string> command;
    std::string configuration = {};
    bool publishesWorkArea = true;
    bool needsSessionBus = false;
};

// How each starts on a bare display. The tiling ones get the two workspaces the others are
// asked for through EWMH, and float the tests' clients where they ask, as the others do.
const std::map<std::string, WindowManagerLaunch> windowManagerLaunches{
    {"openbox", {{"openbox"}}},
    // Without its shell KWin publishes no work area when it starts.
    {"KWin", {{"env", "QT_QPA_PLATFORM=xcb", "kwin_x11"}, "", false}},
    {"xfwm4", {{"xfwm4", "--compositor=off"}, "", true, true}},
    {"icewm", {{"icewm"}}},
    {"fluxbox", {{"fluxbox"}}},
    {"metacity", {{"metacity"}}},
    {"marco", {{"marco", "--no-composite"}, "", true, true}},
    {"mutter", {{"mutter", "--x11"}, "", true, true}},
    {"i3",
     {{"i3", "-c"},
      "# i3 config file (v4)\nfont pango:monospace 8\n"
      "for_window [class=\"^(XTerm|XClock|XEyes)$\"] floating enable\n",
      false}},
    {"awesome", {{"awesome", "-c", "/etc/xdg/awesome/rc.lua"}, "", false, true}},
    {"bspwm",
     {{"bspwm", "-c"},
      "#!/bin/sh\nbspc monitor -d one two\nfor c in XTerm XClock XEyes; do bspc rule -a $c state=floating; done\n"
      "touch \"$0.applied\"\n",
      false}},
    {"herbstluftwm",
     {{"herbstluftwm", "--autostart"},
      "#!/bin/sh\nherbstclient add two\nherbstclient rule class~'XTerm|XClock|XEyes' floating=on\n"
      "touch \"$0.applied\"\n",
      false}},
};

}  // namespace

TestDisplay::TestDisplay(const std::string& screen, std::vector<std::string> windowManager, bool waitForWorkArea)
    : earlierDisplay_(displayNow())
{
    start(screen, std::move(windowManager), waitForWorkArea);
}

TestDisplay::TestDisplay(const std::string& screen, const NamedWindowManager& windowManager)
    : earlierDisplay_(displayNow())
{
    const auto found = windowManagerLaunches.find(windowManager.name);
    if (found == windowManagerLaunches.end()) return;
    const WindowManagerLaunch& launch = found->second;
    // Settings they write go to the folder, not to the user's home.
    std::vector<std::string> command{"env", "HOME=" + folder_.path(), "XDG_CONFIG_HOME=" + folder_.path()};
    if (launch.needsSessionBus) {
        const std::string socket = folder_.path() + "/bus";
        sessionBus_ = std::make_unique<X11Client>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket});
        if (!waitUntil([&] { return std::filesystem::exists(socket); })) return;
        command.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + socket);
    }
    command.insert(command.end(), launch.command.begin(), launch.command.end());
    const std::string configuration = folder_.path() + "/configuration";
    if (!launch.configuration.empty()) {
        command.push_back(configuration);
        writeFile(configuration, launch.configuration);
        std::filesystem::permissions(configuration, std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
    }
    start(screen, std::move(command), launch.publishesWorkArea);
    // A configuration script runs after the window manager names itself; until it is done,
    // clients would be tiled on its one workspace.
    if (ready_ && launch.configuration.starts_with("#!"))
        ready_ = waitUntil([&] { return std::filesystem::exists(configuration + ".applied"); }, 20);
}

void TestDisplay::start(const std::string& screen, std::vector<std::string> windowManager, bool waitForWorkArea)
{
    // The server picks a free display itself: one picked here could be taken meanwhile.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    ::fcntl(ends[1], F_SETFD, 0);
    server_ = std::make_unique<X11Client>(std::vector<std::string>{
        "Xvfb", "-displayfd", std::to_string(ends[1]), "-nolisten", "tcp", "-noreset", "-screen", "0", screen});
    ::close(ends[1]);
    const std::string number = displayNumberFrom(ends[0], 10);
    ::close(ends[0]);
    if (number.empty()) return;
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
    if (windowManager.empty()) {
        ready_ = true;
        return;
    }
    windowManager_ = std::make_unique<X11Client>(std::move(windowManager));
    // A window manager names itself before it takes map requests; the work area comes once
    // it does.
    ready_ = waitUntil(
        [waitForWorkArea] {
            return runTool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") != std::string::npos &&
                   (!waitForWorkArea || runTool({"xprop", "-root", "_NET_WORKAREA"}).find(" = ") != std::string::npos);
        },
        20) &&
             mapsWindows();
}

TestDisplay::~TestDisplay()
{
    windowManager_.reset();
    sessionBus_.reset();
    server_.reset();
    if (earlierDisplay_)
        ::setenv("DISPLAY", earlierDisplay_->c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

void TestDisplay::killServer(int signalNumber)
{
    if (!server_) return;
    ::kill(server_->pid(), signalNumber);
    server_->end();
}

long residentBytes(pid_t pid) { return statusKilobytes(pid, "VmRSS"); }
long peakResidentBytes(pid_t pid) { return statusKilobytes(pid, "VmHWM"); }

}  // namespace testsupport
