#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// ctest runs each case as a process of its own, several at once: each process gets an X
// display of its own, so that no case sees another's windows, grabs, focus or pointer.
// Key repeat is off, as xdotool's presses would otherwise repeat on a busy machine.
class DisplayOfItsOwn : public ::testing::Environment {
public:
    void SetUp() override
    {
        display_ = std::make_unique<testsupport::TestDisplay>("1920x1080x24");
        ASSERT_TRUE(display_->ready()) << "no X display of its own could be started";
        testsupport::runTool({"xset", "r", "off"});
    }
    void TearDown() override { display_.reset(); }

private:
    std::unique_ptr<testsupport::TestDisplay> display_;
};

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new DisplayOfItsOwn);

}  // namespace
