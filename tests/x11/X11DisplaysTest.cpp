#include "platform/x11/X11Displays.h"

#include "platform/x11/X11Accessibility.h"
#include "platform/x11/X11ClientFactsCache.h"
#include "platform/x11/X11FrameGeometry.h"
#include "platform/x11/X11Workspace.h"

#include "X11ServiceFixture.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/ui/Coordinates.h"
#include "support/ScopedEnvironment.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

namespace {

using testsupport::runTool;
using testsupport::TestMonitor;

std::optional<desktop::DisplayInfo> named(x11::X11Displays& displays, const std::string& name)
{
    for (const auto& info : displays.activeDisplays())
        if (info.name == name) return info;
    return std::nullopt;
}

const QScreen* qtScreen(const std::string& name)
{
    for (const auto* screen : QGuiApplication::screens())
        if (screen->name().toStdString() == name) return screen;
    return nullptr;
}

class X11DisplaysTest : public testsupport::X11ServiceTest {};

// The window manager's work area, as a panel along the top would leave it; openbox's own
// value comes back when the test ends.
class TopPanelWorkArea {
public:
    explicit TopPanelWorkArea(int height = 30) : saved_(runTool({"xprop", "-root", "-notype", "_NET_WORKAREA"}))
    {
        const auto area = "0," + std::to_string(height) + ",1920," + std::to_string(1080 - height);
        runTool({"xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", area});
    }
    ~TopPanelWorkArea()
    {
        auto value = saved_.substr(saved_.find('=') + 1);
        value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
        value.erase(std::remove(value.begin(), value.end(), '\n'), value.end());
        runTool({"xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", value});
    }

private:
    std::string saved_;
};

TEST_F(X11DisplaysTest, AMonitorAddedAndRemovedReachesTheConfigurationObservers)
{
    x11::X11Displays displays(connection);
    const auto before = displays.activeDisplays();
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before.front().frame, core::Rect(0, 0, 1920, 1080));
    EXPECT_TRUE(before.front().isMain);
    EXPECT_EQ(displays.mainDisplayID(), before.front().id);
    // openbox's work area: the whole screen without panels.
    EXPECT_TRUE(before.front().frame.contains(before.front().visibleFrame));
    int notices = 0;
    displays.addConfigurationObserver([&] { ++notices; });

    TestMonitor added("GLIMRA-SIDE", "960/254x540/143+960+540");
    ASSERT_TRUE(waitOnMain([&] { return notices > 0 && named(displays, "GLIMRA-SIDE"); }));
    const auto side = *named(displays, "GLIMRA-SIDE");
    EXPECT_EQ(side.frame, core::Rect(960, 540, 960, 540));
    EXPECT_EQ(side.mode.pixelWidth, 960);
    EXPECT_EQ(side.physicalSizeMM, (core::Size{254, 143}));
    EXPECT_FALSE(side.isMain);
    EXPECT_EQ(displays.activeDisplays().front().id, before.front().id);  // the primary stays first
    EXPECT_EQ(displays.displayAt({10, 10}), before.front().id);
    EXPECT_FALSE(displays.displayAt({2000, 10}));
    EXPECT_EQ(displays.currentMode(side.id)->pixelHeight, 540);
    EXPECT_EQ(desktop::globalSpace().monitors().size(), 2u);
    // Rearranging the user's monitors is refused; the empty commit made at quit is not.
    EXPECT_EQ(displays.commitConfiguration({{side.id, 0, 1080}}), 1001);
    EXPECT_EQ(displays.commitConfiguration({}), 0);

    const int noticesWithTwo = notices;
    added.remove();
    ASSERT_TRUE(waitOnMain([&] { return notices > noticesWithTwo && displays.activeDisplays().size() == 1; }));
    EXPECT_FALSE(displays.display(side.id));
    EXPECT_EQ(displays.activeDisplays().front().id, before.front().id);
}

TEST_F(X11DisplaysTest, TheVisibleFrameIsTheWorkAreaOnEachMonitor)
{
    x11::X11Displays displays(connection);
    int notices = 0;
    displays.addConfigurationObserver([&] { ++notices; });
    {
        // openbox sets the work area again when the monitors change: the panel comes last.
        TestMonitor added("GLIMRA-SIDE", "960/254x540/143+960+0");
        ASSERT_TRUE(waitOnMain([&] { return named(displays, "GLIMRA-SIDE").has_value(); }));
        const TopPanelWorkArea panel;
        ASSERT_TRUE(waitOnMain([&] { return displays.activeDisplays().front().visibleFrame.y() == 30; }));
        EXPECT_EQ(displays.activeDisplays().front().visibleFrame, core::Rect(0, 30, 1920, 1050));
        EXPECT_EQ(named(displays, "GLIMRA-SIDE")->visibleFrame, core::Rect(960, 30, 960, 510));
    }
    ASSERT_TRUE(waitOnMain([&] {
        return displays.activeDisplays().size() == 1 && displays.activeDisplays().front().visibleFrame.y() == 0;
    }));
    EXPECT_GE(notices, 2);
}

TEST_F(X11DisplaysTest, APrimaryAwayFromTheRootOriginIsTheGlobalOriginForUsAndForQt)
{
    x11::X11Displays displays(connection);
    auto desktop = std::make_shared<desktop::Desktop>();
    desktop->displays = std::shared_ptr<desktop::Displays>(&displays, [](desktop::Displays*) {});
    desktop::install(desktop);

    TestMonitor primary("*GLIMRA-RIGHT", "960/254x1080/286+960+0");
    ASSERT_TRUE(waitOnMain([&] { return displays.activeDisplays().front().name == "GLIMRA-RIGHT"; }));
    const auto displaysNow = displays.activeDisplays();
    EXPECT_EQ(displaysNow.front().frame, core::Rect(0, 0, 960, 1080));
    ASSERT_TRUE(named(displays, "screen"));
    EXPECT_EQ(named(displays, "screen")->frame, core::Rect(-960, 0, 1920, 1080));
    const auto& space = desktop::globalSpace();
    EXPECT_EQ(space.toGlobal(core::Point{1000, 10}), (core::Point{40, 10}));
    EXPECT_EQ(space.toNative(core::Point{-860, 100}), (core::Point{100, 100}));

    // Own windows speak screen coordinates (flipped by the primary's height); Qt puts the
    // primary where RandR does.
    ASSERT_TRUE(waitOnMain([&] { return qtScreen("GLIMRA-RIGHT") != nullptr; }));
    const auto qtTopLeft = qtScreen("GLIMRA-RIGHT")->geometry().topLeft();
    EXPECT_EQ(qtTopLeft, QPoint(960, 0));
    EXPECT_EQ(ui::qtGlobalPoint(core::Point{0, 1080}), QPointF(qtTopLeft));
    EXPECT_EQ(ui::qtGeometry(core::Rect(40, 1070 - 200, 300, 200)), QRect(1000, 10, 300, 200));
    EXPECT_EQ(ui::screenFrame(QRect(1000, 10, 300, 200)), core::Rect(40, 870, 300, 200));
    EXPECT_EQ(ui::screenPoint(QPointF(10, 10)), (core::Point{-950, 1070}));

    primary.remove();
    ASSERT_TRUE(waitOnMain([&] { return displays.activeDisplays().size() == 1; }));
    EXPECT_EQ(space.qtOrigin(), (core::Point{0, 0}));
    EXPECT_EQ(ui::qtGlobalPoint(core::Point{0, 1080}), QPointF(0, 0));
}

// Any client may define a monitor anywhere: each is cut to the root, one beyond it or too
// small for a mini window is left out, and the root stands in when none is left.
TEST_F(X11DisplaysTest, MonitorsAreCutToTheRootAndTheTooSmallLeftOut)
{
    x11::X11Displays displays(connection);
    {
        TestMonitor beyond("*GLIMRA-BEYOND", "1920/500x1080/300+1920+0");
        TestMonitor huge("GLIMRA-HUGE", "32767/8000x32767/8000+960+540");
        ASSERT_TRUE(waitOnMain([&] { return named(displays, "GLIMRA-HUGE").has_value(); }));
        EXPECT_EQ(named(displays, "GLIMRA-HUGE")->frame, core::Rect(960, 540, 960, 540));
        EXPECT_FALSE(named(displays, "GLIMRA-BEYOND"));
        EXPECT_EQ(displays.activeDisplays().front().name, "screen");
    }
    {
        // In place of the screen's own monitor.
        TestMonitor tiny("*GLIMRA-TINY", "199/50x1080/286+0+0", "screen");
        ASSERT_TRUE(waitOnMain([&] { return named(displays, "root").has_value(); }));
        EXPECT_EQ(displays.activeDisplays().size(), 1u);
        EXPECT_EQ(displays.activeDisplays().front().frame, core::Rect(0, 0, 1920, 1080));
    }
    ASSERT_TRUE(waitOnMain([&] { return named(displays, "screen").has_value(); }));
    EXPECT_EQ(displays.activeDisplays().size(), 1u);
}

// Runs in a process of its own, started by the next test under QT_SCALE_FACTOR=2: Qt
// reads the factor once, when its application starts.
class X11ScaledProcess : public testsupport::X11ServiceTest {};

TEST_F(X11ScaledProcess, DISABLED_PointsAreHalfThePixels)
{
    ASSERT_EQ(qgetenv("QT_SCALE_FACTOR"), "2");
    x11::X11Displays displays(connection);
    const auto primary = displays.activeDisplays().front();
    EXPECT_EQ(primary.scale, 2);
    EXPECT_EQ(primary.frame, core::Rect(0, 0, 960, 540));
    EXPECT_EQ(primary.mode.width, 960);
    EXPECT_EQ(primary.mode.pixelWidth, 1920);
    EXPECT_EQ(desktop::globalSpace().toGlobal(core::Rect(200, 100, 400, 300)), core::Rect(100, 50, 200, 150));

    // Window control speaks points too: a frame moved to (100, 50) lands at pixel (200, 100).
    x11::X11Accessibility accessibility(connection, std::make_shared<x11::ClientFactsCache>(connection),
                                        std::make_shared<x11::ActiveClient>(connection));
    testsupport::X11Client clock({"xclock", "-update", "1"});
    const auto window = static_cast<xcb_window_t>(clock.waitForWindow("XClock"));
    ASSERT_NE(window, 0u);
    const desktop::Element element{clock.pid(), window};
    ASSERT_EQ(accessibility.setAttribute(element, desktop::ax::position, core::Point{100, 50}), desktop::ax::success);
    ASSERT_TRUE(waitOnMain([&] {
        const auto pixels = x11::framePixels(*connection, window);
        return pixels && pixels->origin == core::Point{200, 100};
    }));
    desktop::AXValue size;
    ASSERT_EQ(accessibility.copyAttribute(element, desktop::ax::size, size), desktop::ax::success);
    EXPECT_EQ(std::get<core::Size>(size).width, x11::framePixels(*connection, window)->size.width / 2);

    TestMonitor added("GLIMRA-SIDE", "960/254x540/143+960+540");
    ASSERT_TRUE(waitOnMain([&] { return named(displays, "GLIMRA-SIDE").has_value(); }));
    EXPECT_EQ(named(displays, "GLIMRA-SIDE")->frame, core::Rect(480, 270, 480, 270));
    EXPECT_EQ(named(displays, "GLIMRA-SIDE")->scale, 2);
}

TEST_F(X11DisplaysTest, UnderADoubleScaleFactorPointsAreHalfThePixels)
{
    testsupport::ScopedEnvironment environment;
    environment.set("QT_SCALE_FACTOR", "2");
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    int status = -1;
    const auto output = runTool(
        {self, "--gtest_also_run_disabled_tests", "--gtest_filter=X11ScaledProcess.DISABLED_PointsAreHalfThePixels"},
        &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// Counts the changes of one property of the root that reach Qt's connection.
class QtRootPropertyNotices : public QAbstractNativeEventFilter {
public:
    explicit QtRootPropertyNotices(xcb_atom_t property) : property_(property)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom == property_)
            ++count;
        return false;
    }
    int count = 0;

private:
    xcb_atom_t property_;
};

// How often this process's X event threads went to sleep waiting.
long eventThreadWaits()
{
    long waits = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm"), status(task.path() / "status");
        std::string line;
        if (!std::getline(comm, line) || line != "x11 events") continue;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) waits += std::strtol(line.c_str() + 24, nullptr, 10);
    }
    return waits;
}

// How many requests the connection has sent: each read is one.
std::uint32_t requestsSent(x11::Connection& connection)
{
    const auto cookie = xcb_get_input_focus(connection.xcb());
    xcb_discard_reply(connection.xcb(), cookie.sequence);
    return cookie.sequence;
}

// A client rewriting a root property nobody follows, each time as soon as the server has
// done it, reaches neither the desktop's handlers nor Qt, and wakes the event thread for
// batches of its notices. One rewriting a followed property costs the desktop a read for a
// batch of notices, not for each, and Qt hears of it as often. A work area written behind
// each flood reaches Qt.
TEST_F(X11DisplaysTest, AFloodOfARootPropertyCostsAReadForABatchOfNotices)
{
    const auto clients = std::make_shared<x11::ClientFactsCache>(connection);
    x11::X11Displays displays(connection);
    const auto activeClient = std::make_shared<x11::ActiveClient>(connection);
    x11::X11Workspace workspace(connection, clients, activeClient);
    x11::X11Accessibility accessibility(connection, clients, activeClient);
    const xcb_atom_t noise = connection->atom("GLIMRA_TEST_NOISE");
    QtRootPropertyNotices qtNoise(noise);
    const auto handlerNotices = std::make_shared<std::atomic<int>>(0);
    const auto handler = connection->addEventHandler([noise, handlerNotices](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<const xcb_property_notify_event_t&>(event).atom == noise)
            ++*handlerNotices;
    });

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owner(c, xcb_disconnect);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_window_t root = connection->root();
    const long waitsBefore = eventThreadWaits();
    constexpr std::uint32_t rewrites = 3000;
    for (std::uint32_t i = 0; i < rewrites; ++i) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, noise, XCB_ATOM_CARDINAL, 32, 1, &i);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    {
        const TopPanelWorkArea panel;
        EXPECT_TRUE(waitOnMain([] { return QGuiApplication::primaryScreen()->availableGeometry().top() == 30; }))
            << "Qt no longer follows the work area";
    }
    EXPECT_EQ(qtNoise.count, 0);
    EXPECT_EQ(*handlerNotices, 0);
    EXPECT_LT(eventThreadWaits() - waitsBefore, long(rewrites / 4));
    connection->removeEventHandler(handler);

    // Each flood takes turns at its values and leaves the last.
    const auto active = connection->cardinals(root, connection->atom("_NET_ACTIVE_WINDOW"));
    const auto area = connection->cardinals(root, connection->atom("_NET_WORKAREA"));
    ASSERT_EQ(active.size(), 1u);
    ASSERT_GE(area.size(), 4u);
    const struct {
        const char* property;
        xcb_atom_t type;
        std::vector<std::vector<std::uint32_t>> values;
    } floods[]{
        {"_NET_WORKAREA", XCB_ATOM_CARDINAL, {{area[0], area[1] + 10, area[2], area[3] - 10}, area}},
        {"_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {{XCB_WINDOW_NONE}, active}},
        {"_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, {{1}, {0}}},
    };
    int panel = 30;
    for (const auto& flood : floods) {
        SCOPED_TRACE(flood.property);
        const auto atom = connection->atom(flood.property);
        QtRootPropertyNotices qtNotices(atom);
        const auto requestsBefore = requestsSent(*connection);
        for (std::uint32_t i = 0; i < rewrites; ++i) {
            const auto& value = flood.values[i % flood.values.size()];
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom, flood.type, 32,
                                static_cast<std::uint32_t>(value.size()), value.data());
        }
        // Each notice of the flood comes before the panel's.
        const TopPanelWorkArea topPanel(++panel);
        EXPECT_TRUE(waitOnMain([&] { return QGuiApplication::primaryScreen()->availableGeometry().top() == panel; }));
        EXPECT_LT(qtNotices.count, int(rewrites / 3));
        EXPECT_LT(requestsSent(*connection) - requestsBefore, rewrites / 3);
    }
}

}  // namespace
