#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"

#include "support/X11Client.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

namespace {

using testsupport::movePointer;
using testsupport::runTool;

// The pointer as the X server holds it, read through the input service, on a desktop whose
// primary monitor is away from the root's origin.
class X11InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto connection = testsupport::openTestDisplay();
        ASSERT_TRUE(connection);
        input_ = std::make_unique<x11::X11Input>(connection, std::make_shared<x11::X11KeyMap>(connection->xcb()));
        desktop::globalSpace().setMonitors({{core::Rect(100, 50, 1820, 1030), 1}});
    }
    void TearDown() override
    {
        runTool({"xdotool", "keyup", "shift", "mouseup", "1"});
        desktop::globalSpace().setMonitors({});
    }

    std::unique_ptr<x11::X11Input> input_;
};

TEST_F(X11InputTest, ThePointerItsButtonsAndModifiersAreTheServersInGlobalPoints)
{
    ASSERT_TRUE(movePointer(300, 250));
    EXPECT_EQ(input_->pointerLocation(), (core::Point{200, 200}));
    EXPECT_FALSE(input_->isButtonDown(0));
    EXPECT_EQ(input_->modifierFlags(), 0u);

    runTool({"xdotool", "keydown", "shift", "mousedown", "1"});
    EXPECT_TRUE(testsupport::waitUntil([&] { return input_->isButtonDown(0); }));
    EXPECT_FALSE(input_->isButtonDown(1));
    EXPECT_EQ(input_->modifierFlags(), desktop::modifier::shift | desktop::modifier::leftShift);
    EXPECT_TRUE(input_->isKeyDown(desktop::key::shift));
    EXPECT_FALSE(input_->isKeyDown(desktop::key::control));
    EXPECT_FALSE(input_->isKeyDown(desktop::key::a));

    // A warp lands where the global point lies on the root.
    EXPECT_EQ(input_->warpPointer({10, 20}), 0);
    EXPECT_EQ(runTool({"xdotool", "getmouselocation", "--shell"}).substr(0, 12), "X=110\nY=70\nS");
}

}  // namespace
