#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace testsupport;
using Clock = std::chrono::steady_clock;

// User and system time the process has spent, in seconds (/proc/PID/stat).
double cpuSecondsOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // After the name: state is field 3, utime 14, stime 15.
    for (int i = 3; i < 14; ++i) fields >> field;
    unsigned long long user = 0, system = 0;
    fields >> user >> system;
    return double(user + system) / double(::sysconf(_SC_CLK_TCK));
}

double residentMegabytesOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(file, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

struct RootList {
    unsigned long root = 0;
    std::size_t length = 0;
};

// The root and the length of the client list on it.
RootList rootClientList()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owner(c, xcb_disconnect);
    RootList list;
    if (xcb_connection_has_error(c)) return list;
    list.root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char name[] = "_NET_CLIENT_LIST_STACKING";
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    if (!atom) return list;
    auto* property =
        xcb_get_property_reply(c, xcb_get_property(c, 0, list.root, atom->atom, XCB_ATOM_ANY, 0, 0), nullptr);
    if (property) list.length = property->bytes_after / 4;
    std::free(property);
    std::free(atom);
    return list;
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's shadow memory and quarantine: only what the flood adds counts, and its
// checks make every step dearer.
constexpr bool countsGrowthOnly = true;
constexpr double largestCpuShare = 0.30;
#else
constexpr bool countsGrowthOnly = false;
constexpr double largestCpuShare = 0.10;
#endif
constexpr double largestMegabytes = 100;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Another client rewrites the root's client list with 100,000 made-up ids each second,
// the root's own among them, and a window claims glimra's pid: glimra stays light, takes
// neither the root nor the impostor for what they pretend, and answers at once.
TEST(X11HostileClients, AFloodedClientListAndAWindowClaimingOurPidStallNothing)
{
    X11Client impostor({"xclock", "-update", "1", "-geometry", "164x164+300+300"});
    const unsigned long impostorWindow = impostor.waitForWindow("XClock");
    ASSERT_NE(impostorWindow, 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const pid_t pid = glimra.pid();
    runTool({"xprop", "-id", std::to_string(impostorWindow), "-f", "_NET_WM_PID", "32c", "-set", "_NET_WM_PID",
             std::to_string(pid)});
    const unsigned long statusButton = statusButtonOf(pid);
    ASSERT_NE(statusButton, 0u);
    const std::vector<unsigned long> before = visibleWindowsOf(pid);

    X11Client flood({GLIMRA_CLIENT_LIST_FLOOD, "100000"});
    ASSERT_TRUE(waitUntil([] { return rootClientList().length >= 100000; })) << "the flood did not begin";
    const unsigned long root = rootClientList().root;
    // The pointer rests where only the root lies under it.
    ASSERT_TRUE(movePointer(900, 800));
    std::this_thread::sleep_for(std::chrono::seconds(2));

    const auto start = Clock::now();
    const double cpuAtStart = cpuSecondsOf(pid);
    const double megabytesAtStart = residentMegabytesOf(pid);
    double peakMegabytes = megabytesAtStart;
    const auto watch = [&](double untilSeconds) {
        while (secondsSince(start) < untilSeconds) {
            peakMegabytes = std::max(peakMegabytes, residentMegabytesOf(pid));
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    };
    watch(8);

    // The impostor is the only window SIGUSR2 can mirror.
    const auto signalled = Clock::now();
    glimra.process().signal(SIGUSR2);
    const unsigned long mini = glimra.waitForNewPictureWindow(before, 10);
    const double mirrorSeconds = secondsSince(signalled);
    EXPECT_NE(mini, 0u) << "SIGUSR2 took the window that claims glimra's pid for glimra's own";
    EXPECT_LT(mirrorSeconds, 1.0) << "SIGUSR2 mirrored after " << mirrorSeconds << " s";

    const auto shown = visibleWindowsOf(pid);
    const Geometry item = geometryOf(statusButton);
    const auto clicked = Clock::now();
    runTool({"xdotool", "mousemove", std::to_string(item.x + item.width / 2), std::to_string(item.y + item.height / 2),
             "click", "1"});
    unsigned long menu = 0;
    waitUntil(
        [&] {
            for (const unsigned long window : visibleWindowsOf(pid))
                if (std::find(shown.begin(), shown.end(), window) == shown.end()) menu = window;
            return menu != 0;
        },
        5);
    const double menuSeconds = secondsSince(clicked);
    EXPECT_NE(menu, 0u) << "the status menu did not open";
    EXPECT_LT(menuSeconds, 1.0) << "the status menu opened after " << menuSeconds << " s";
    runTool({"xdotool", "key", "Escape"});
    ASSERT_TRUE(movePointer(900, 800));

    watch(15);
    const double cpuShare = (cpuSecondsOf(pid) - cpuAtStart) / secondsSince(start);
    EXPECT_LT(cpuShare, largestCpuShare) << "glimra used " << cpuShare * 100 << " % of a core";
    EXPECT_LT(peakMegabytes - (countsGrowthOnly ? megabytesAtStart : 0), largestMegabytes)
        << "glimra grew from " << megabytesAtStart << " to " << peakMegabytes << " MB";
    EXPECT_EQ(glimra.log().find("悬停命中: 窗口#" + std::to_string(root) + " "), std::string::npos)
        << "the root was taken for a client";
    EXPECT_NE(glimra.err().find("only the front 4096 are listed"), std::string::npos) << glimra.err();

    flood.end();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
