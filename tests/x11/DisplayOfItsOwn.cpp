#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

namespace {

// ctest runs each case as a process of its own, several at once: each process gets an X
// display of its own, so that no case sees another's windows, grabs, focus or pointer.
// Key repeat is off, as xdotool's presses would otherwise repeat on a busy machine.
class DisplayOfItsOwn : public ::testing::Environment {
public:
    void SetUp() override
    {
        // Never ended here: the X connections the process still holds as it exits would
        // die writing to it (SIGPIPE). Its server and window manager end with the process,
        // which they are tied to.
        const auto* display = new testsupport::TestDisplay("1920x1080x24");
        ASSERT_TRUE(display->ready()) << "no X display of its own could be started";
        testsupport::runTool({"xset", "r", "off"});
    }
};

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new DisplayOfItsOwn);

}  // namespace
