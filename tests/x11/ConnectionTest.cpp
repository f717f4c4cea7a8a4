#include "platform/x11/X11Connection.h"
#include "platform/core/SystemLog.h"
#include "platform/x11/X11QtConnection.h"
#include "platform/x11/X11QtRefusals.h"

#include "support/X11Client.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include <xcb/damage.h>

namespace {

using testsupport::openTestDisplay;
using X11QtConnectionTest = testsupport::X11ServiceTest;

// The system log's lines while it lives; the event thread writes them.
class CapturedSystemLog {
public:
    CapturedSystemLog()
    {
        core::systemLog::setSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~CapturedSystemLog() { core::systemLog::setSink({}); }
    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

TEST(X11Connection, OpensTheTestDisplayWithTheExtensionsTheDesktopNeeds)
{
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    EXPECT_TRUE(connection->hasShm());
    EXPECT_TRUE(connection->hasXTest());
    EXPECT_TRUE(connection->hasXInput());
    EXPECT_TRUE(connection->hasRes());
    EXPECT_NE(connection->events().damage, 0);
    EXPECT_NE(connection->events().randr, 0);
    EXPECT_EQ(connection->atom("_NET_CLIENT_LIST_STACKING"), connection->atom("_NET_CLIENT_LIST_STACKING"));
    EXPECT_NE(connection->atom("_NET_CLIENT_LIST_STACKING"), connection->atom("_NET_ACTIVE_WINDOW"));
}

TEST(X11Connection, AnUnreachableDisplayIsOneLineNamingIt)
{
    auto opened = x11::Connection::open(":4097");
    ASSERT_TRUE(std::holds_alternative<std::string>(opened));
    EXPECT_EQ(std::get<std::string>(opened), "glimra: cannot open the X11 display ':4097'");
}

TEST(X11Connection, HandsEventsToHandlersUntilTheyAreRemoved)
{
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    const auto root = connection->root();
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection->xcb(), root, XCB_CW_EVENT_MASK, &mask);
    const auto name = connection->atom("_GLIMRA_TEST_PROPERTY");
    connection->watchRootProperty(name);
    std::atomic<int> seen{0};
    const auto token = connection->addEventHandler([&](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
        if (reinterpret_cast<const xcb_property_notify_event_t&>(event).atom == name) ++seen;
    });
    const std::uint32_t value = 7;
    xcb_change_property(connection->xcb(), XCB_PROP_MODE_REPLACE, root, name, XCB_ATOM_CARDINAL, 32, 1, &value);
    connection->flush();
    EXPECT_TRUE(testsupport::waitUntil([&] { return seen > 0; }, 5));
    EXPECT_EQ(connection->cardinals(root, name, XCB_ATOM_CARDINAL), std::vector<std::uint32_t>{7});

    connection->removeEventHandler(token);
    const int before = seen;
    xcb_delete_property(connection->xcb(), root, name);
    connection->flush();
    EXPECT_FALSE(connection->property(root, name));
    EXPECT_EQ(seen, before);
}

TEST(X11Connection, LogsARefusedReplyOnceUnlessItOnlySaysTheWindowIsGone)
{
    const CapturedSystemLog log;
    const auto logged = [&] { return log.lines(); };
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    const xcb_window_t missing = 0x1fffff;
    EXPECT_FALSE(connection->property(missing, XCB_ATOM_WM_NAME));
    EXPECT_FALSE(connection->answer(xcb_get_geometry_reply, xcb_get_geometry(connection->xcb(), missing)));
    EXPECT_EQ(logged(), std::vector<std::string>{});

    const xcb_atom_t unnamed = 0x7fffff;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(connection->property(connection->root(), unnamed));
    EXPECT_EQ(logged(), std::vector<std::string>{"x11: the server refused request 20 with BadAtom (resource 0x7fffff); "
                                                 "later refusals of this kind are not logged"});
}

// Another client's window gone between our learning of it and our request is no fault;
// a refusal naming a window of our own is.
TEST(X11Connection, LogsEachKindOfRefusedRequestOnceButNotAnotherClientsWindowGone)
{
    const CapturedSystemLog log;
    const auto logged = [&] { return log.lines(); };
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    auto* c = connection->xcb();
    const xcb_window_t foreign = 0x1fffff;
    const xcb_window_t neverMade = xcb_generate_id(c);
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (const xcb_window_t window : {foreign, neverMade, neverMade}) {
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
        xcb_map_window(c, window);
    }
    xcb_damage_destroy(c, neverMade);
    connection->flush();
    ASSERT_TRUE(testsupport::waitUntil([&] { return logged().size() >= 3; }, 5));
    // What came later was not logged: a round trip after it has been read.
    connection->atom("_GLIMRA_TEST_PROPERTY");
    const auto seen = logged();
    ASSERT_EQ(seen.size(), 3u);
    char own[32];
    std::snprintf(own, sizeof own, "BadWindow (resource 0x%x)", neverMade);
    for (const std::string request : {"request 2 with ", "request 8 with "}) {
        const std::string line =
            "x11: the server refused " + request + own + "; later refusals of this kind are not logged";
        EXPECT_NE(std::find(seen.begin(), seen.end(), line), seen.end()) << line;
    }
}

// Qt keeps its connection's refusals to its debug output: one naming a window of that
// connection's own is logged, a foreign window gone is not.
TEST_F(X11QtConnectionTest, LogsRefusalsOnQtsConnectionAsOnOurs)
{
    const CapturedSystemLog log;
    x11::logQtRefusals(*connection);
    auto* qt = x11::qtConnection();
    ASSERT_TRUE(qt);
    const xcb_window_t neverMade = xcb_generate_id(qt);
    for (const xcb_window_t window : {xcb_window_t{0x1fffff}, neverMade}) xcb_map_window(qt, window);
    xcb_flush(qt);
    char resource[32];
    std::snprintf(resource, sizeof resource, "(resource 0x%x)", neverMade);
    const auto logged = [&](const std::string& text) {
        const auto lines = log.lines();
        return std::any_of(lines.begin(), lines.end(), [&](const auto& seen) { return seen.find(text) != seen.npos; });
    };
    EXPECT_TRUE(waitOnMain([&] { return logged("refused request 8 with BadWindow " + std::string(resource)); }));
    // The foreign window's refusal came first: by now it was passed over.
    EXPECT_FALSE(logged("0x1fffff"));
}

}  // namespace
