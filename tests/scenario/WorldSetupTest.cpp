#include "scenario/ScenarioParser.h"
#include "scenario/RunDesktop.h"
#include "scenario/WorldSetup.h"

#include "platform/core/Environment.h"
#include "platform/core/SystemInfo.h"
#include "platform/sim/SimHotKeys.h"
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

TEST_F(WorldSetup, TheLoginItemAndHotKeysOtherApplicationsHoldAreAsTheFileSays)
{
    using Status = desktop::LoginItem::Status;
    auto& loginItem = *desktop().loginItem;
    const auto statusFor = [&](const std::string& keys) {
        scenario::configureServices(read(R"({"loginItem": )" + keys + "}"), desktop());
        return loginItem.status();
    };
    EXPECT_EQ(statusFor(R"({"registered": true})"), Status::enabled);
    EXPECT_EQ(statusFor(R"({"registered": true, "requiresApproval": true})"), Status::requiresApproval);
    EXPECT_EQ(statusFor(R"({"registered": true, "notFound": true})"), Status::notFound);
    EXPECT_EQ(statusFor("{}"), Status::notRegistered);

    // No holder is simulated: registering fails, yet the press is not taken.
    scenario::configureServices(read(R"({"reservedHotkeys": [{"code": 15, "mask": 2304}]})"), desktop());
    desktop::Token token = 0;
    EXPECT_EQ(desktop().hotKeys->registerHotKey({1, 1}, 15, 2304, token), desktop::HotKeyStatus::taken);
    EXPECT_EQ(desktop().hotKeys->registerHotKey({1, 2}, 15, 256, token), desktop::HotKeyStatus::ok);
    desktop::Event press;
    press.type = desktop::EventType::keyDown;
    press.keyCode = 15;
    press.modifierFlags = desktop::modifier::command | desktop::modifier::option;
    EXPECT_FALSE(scenario::simulated<sim::SimHotKeys>(desktop().hotKeys).consume(press));
    const auto registrations = journalOf("hotkey.register");
    ASSERT_EQ(registrations.size(), 2u);
    EXPECT_EQ(registrations[0]["status"], desktop::hotkeyStatusCode(desktop::HotKeyStatus::taken));
}

TEST_F(WorldSetup, TheFilesServerAnswersTheApplicationsLoads)
{
    scenario::configureServices(read(R"({"server": [{"path": "/manifest.json", "body": "{}", "status": 203}]})"),
                                desktop());
    std::optional<desktop::UrlLoadResult> heard;
    desktop::UrlRequest request;
    request.url = "https://updates.example/manifest.json";
    desktop::urlLoading().start(request, {.queue = dispatch::main(),
                                          .onResponse = nullptr,
                                          .onProgress = nullptr,
                                          .onFinished = [&](const desktop::UrlLoadResult& result) { heard = result; }});
    clock().runUntilIdle();
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->head.status, 203);
    EXPECT_EQ(heard->body, "{}");
    EXPECT_EQ(journalOf("http").size(), 1u);
}

TEST_F(WorldSetup, TheApplicationSeesTheFilesSystemNotTheMachines)
{
    scenario::applySystemSettings(read(R"({"system": {"osVersion": "3.19.1", "machineIdentifier": "test-uuid"}})"));
    EXPECT_EQ(core::systemInfo(), (core::SystemInfo{core::OsVersion{3, 19, 1}, "Ubuntu", "x86_64", "test-uuid"}));
    core::setSystemInfoOverride(std::nullopt);
    core::setEnvironmentOverride(std::nullopt);
}

}  // namespace
