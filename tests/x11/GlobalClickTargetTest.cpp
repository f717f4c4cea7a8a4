#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::runTool;
using testsupport::X11Client;

// The window a global click names, as the pinned preview compares it with the window it
// took over: the client inside whatever frame the window manager has put around it now.
class X11GlobalClickTarget : public testsupport::X11ServiceTest {
protected:
    void SetUp() override
    {
        X11ServiceTest::SetUp();
        ASSERT_TRUE(connection->hasXInput());
        input = std::make_unique<x11::X11Input>(connection, std::make_shared<x11::X11KeyMap>(connection->xcb()));
        token = input->addGlobalMonitor(desktop::maskOf(desktop::EventType::leftMouseDown),
                                        [&](const desktop::Event& event) { clicks.push_back(event.targetWindow); });
    }
    void TearDown() override { input->removeMonitor(token); }

    // The window the next click into the window names; 0 when none arrives.
    desktop::WindowID clickInto(unsigned long window)
    {
        const std::size_t before = clicks.size();
        // Posted input keeps its order: no --sync, which waits forever for a pointer already there.
        runTool({"xdotool", "mousemove", "--window", std::to_string(window), "20", "20", "click", "1"});
        return waitOnMain([&] { return clicks.size() > before; }) ? clicks.back() : 0;
    }

    std::unique_ptr<x11::X11Input> input;
    desktop::Token token = 0;
    std::vector<desktop::WindowID> clicks;  // main queue only
};

TEST_F(X11GlobalClickTarget, NamesTheClientAlsoInANewFrameAndAfterAnotherTookItsPlace)
{
    auto first = std::make_unique<X11Client>(std::vector<std::string>{"xterm", "-geometry", "40x10+300+200"});
    const unsigned long firstWindow = first->waitForWindow("XTerm");
    ASSERT_NE(firstWindow, 0u);
    EXPECT_EQ(clickInto(firstWindow), firstWindow);
    EXPECT_EQ(clickInto(firstWindow), firstWindow) << "asked again";

    // Withdrawn and mapped again, the window gets a frame of its own.
    runTool({"xdotool", "windowunmap", "--sync", std::to_string(firstWindow)});
    runTool({"xdotool", "windowmap", "--sync", std::to_string(firstWindow)});
    EXPECT_EQ(clickInto(firstWindow), firstWindow);

    first.reset();
    X11Client second({"xterm", "-geometry", "40x10+300+200"});
    const unsigned long secondWindow = second.waitForWindow("XTerm");
    ASSERT_NE(secondWindow, 0u);
    EXPECT_EQ(clickInto(secondWindow), secondWindow);
}

}  // namespace
