#include "scenario/ScenarioParser.h"
#include "scenario/WorldSetup.h"
#include "support/SimDesktopTest.h"

#include <gtest/gtest.h>

namespace {

class WorldSetup : public testsupport::SimDesktopTest {
protected:
    scenario::Scenario read(const std::string& text)
    {
        auto result = scenario::readScenario(text, {});
        if (const auto* error = std::get_if<scenario::ValidationError>(&result)) {
            ADD_FAILURE() << error->text();
            return {};
        }
        return std::get<scenario::Scenario>(std::move(result));
    }
};

TEST_F(WorldSetup, TheFilesFaultsReachTheDesktopsServices)
{
    addApp(501, "Editor");
    addWindow(501, 11, {100, 100, 400, 300});
    scenario::configureServices(read(R"({"virtualDisplays": {"available": false},
                                         "windowServer": {"unreadableList": true}, "inputFaults": {"ignoreWarps": true}})"),
                                desktop());
    EXPECT_FALSE(desktop().virtualDisplays->available());
    EXPECT_EQ(desktop().windowServer->windowList(desktop::WindowListOption::all), std::nullopt);
    const core::Point before = desktop().input->pointerLocation();
    desktop().input->warpPointer({5, 5});
    EXPECT_EQ(desktop().input->pointerLocation(), before);

    // A file without them leaves the services as they were made.
    scenario::configureServices(read("{}"), desktop());
    EXPECT_TRUE(desktop().virtualDisplays->available());
    EXPECT_NE(desktop().windowServer->windowList(desktop::WindowListOption::all), std::nullopt);
    desktop().input->warpPointer({5, 5});
    EXPECT_EQ(desktop().input->pointerLocation(), core::Point(5, 5));
}

}  // namespace
