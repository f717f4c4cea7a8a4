#include "BridgeTest.h"

#include "foundation/LaunchAtLogin.h"
#include "platform/defaults/Defaults.h"
#include "platform/linux/XdgLoginItem.h"
#include "platform/sim/SimLoginItem.h"

#include <filesystem>

namespace {

class LaunchAtLogin : public BridgeTest {
protected:
    sim::SimLoginItem& item() { return static_cast<sim::SimLoginItem&>(*desktop().loginItem); }
    bool initialized() { return defaults::Defaults::standard().boolean("launchAtLoginInitialized").value_or(false); }
    std::size_t systemCalls() const
    {
        return journalOf("loginItem.register").size() + journalOf("loginItem.unregister").size();
    }
    // Brings the simulated item into a status without logging.
    void arrange(desktop::LoginItem::Status status)
    {
        using Status = desktop::LoginItem::Status;
        if (status == Status::enabled || status == Status::requiresApproval) item().registerItem();
        item().setRequiresApproval(status == Status::requiresApproval);
        item().setNotFound(status == Status::notFound);
        ASSERT_EQ(item().status(), status);
    }
};

}  // namespace

TEST_F(LaunchAtLogin, TurningOnRegistersUnlessAlreadyEnabled)
{
    using Status = desktop::LoginItem::Status;
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(true));
    arrange(Status::enabled);
    const auto callsBefore = systemCalls();
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(true));
    EXPECT_EQ(systemCalls(), callsBefore);
    // Waiting for approval: registering again is harmless and the wish counts as met.
    arrange(Status::requiresApproval);
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(true));
    EXPECT_EQ(journalOf("loginItem.register").size(), 4u);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{
                               "开机启动: 设为 true → status 0 → 1",
                               "开机启动: 设为 true → status 1 → 1",
                               "开机启动: 设为 true → status 2 → 2",
                           }));
}

TEST_F(LaunchAtLogin, TurningOffUnregistersOnlyWhatIsOn)
{
    using Status = desktop::LoginItem::Status;
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(false));
    EXPECT_EQ(systemCalls(), 0u);
    arrange(Status::requiresApproval);
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(false));
    arrange(Status::enabled);
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(false));
    EXPECT_EQ(journalOf("loginItem.unregister").size(), 2u);
    arrange(Status::notFound);
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(false));
    EXPECT_EQ(journalOf("loginItem.unregister").size(), 2u);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{
                               "开机启动: 设为 false → status 0 → 0",
                               "开机启动: 设为 false → status 2 → 0",
                               "开机启动: 设为 false → status 1 → 0",
                               "开机启动: 设为 false → status 3 → 3",
                           }));
}

TEST_F(LaunchAtLogin, AFailedRegistrationIsLoggedAndReportedAsFalse)
{
    arrange(desktop::LoginItem::Status::notFound);
    EXPECT_FALSE(::LaunchAtLogin::setEnabled(true));
    EXPECT_EQ(diagLines(),
              (std::vector<std::string>{"开机启动: 设置失败(true): The application could not be found. status=3"}));
}

TEST_F(LaunchAtLogin, TheFirstLaunchDefaultAppliesOnce)
{
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_TRUE(initialized());
    EXPECT_EQ(item().status(), desktop::LoginItem::Status::enabled);
    // The user turns it off later: a later launch leaves that alone.
    ::LaunchAtLogin::setEnabled(false);
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_EQ(item().status(), desktop::LoginItem::Status::notRegistered);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{
                               "开机启动: 设为 true → status 0 → 1",
                               "开机启动: 首次启动默认开启 → 成功",
                               "开机启动: 设为 false → status 1 → 0",
                           }));
}

TEST_F(LaunchAtLogin, TheFirstLaunchDefaultRespectsAnItemAlreadyOn)
{
    arrange(desktop::LoginItem::Status::requiresApproval);
    const auto callsBefore = systemCalls();
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_TRUE(initialized());
    EXPECT_EQ(systemCalls(), callsBefore);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"开机启动: 首启默认开启，但系统已是开启态，跳过注册"}));
}

TEST_F(LaunchAtLogin, TheFirstLaunchDefaultReportsAFailure)
{
    arrange(desktop::LoginItem::Status::notFound);
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_TRUE(initialized());
    ASSERT_EQ(diagLines().size(), 2u);
    EXPECT_EQ(diagLines()[1], "开机启动: 首次启动默认开启 → 失败");
}

TEST_F(LaunchAtLogin, OnTheLinuxDesktopTheItemIsAnAutostartEntry)
{
    desktop().loginItem = std::make_shared<linuxdesktop::XdgLoginItem>(
        linuxdesktop::AutostartProgram{"/opt/glimra/bin/glimra", std::nullopt});
    const std::string entry = configHome() + "/autostart/glimra.desktop";
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_TRUE(std::filesystem::exists(entry));
    defaults::Defaults::standard().flush();
    EXPECT_NE(testsupport::readFile(configHome() + "/Glimra/defaults.json").find("launchAtLoginInitialized"),
              std::string::npos);
    EXPECT_TRUE(::LaunchAtLogin::setEnabled(false));
    EXPECT_FALSE(std::filesystem::exists(entry));
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(diagLines(), (std::vector<std::string>{
                               "开机启动: 设为 true → status 0 → 1",
                               "开机启动: 首次启动默认开启 → 成功",
                               "开机启动: 设为 false → status 1 → 0",
                           }));
}

// A copy run from its build folder says why it is no login item, registers nothing and
// leaves the first-launch default to the installed copy that launches next.
TEST_F(LaunchAtLogin, ACopyThatCannotBeALoginItemLeavesTheDefaultToOneThatCan)
{
    const std::string entry = configHome() + "/autostart/glimra.desktop";
    desktop().loginItem =
        std::make_shared<linuxdesktop::XdgLoginItem>(linuxdesktop::AutostartProgram{"/src/build/glimra", "not here"});
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_FALSE(initialized());
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(::LaunchAtLogin::setEnabled(true)) << "the switch cannot turn it on either";
    EXPECT_FALSE(std::filesystem::exists(entry));

    desktop().loginItem = std::make_shared<linuxdesktop::XdgLoginItem>(
        linuxdesktop::AutostartProgram{"/opt/glimra/bin/glimra", std::nullopt});
    ::LaunchAtLogin::applyFirstLaunchDefault();
    EXPECT_TRUE(initialized());
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_EQ(diagLines(), (std::vector<std::string>{
                               "开机启动: 首次启动默认开启 → 跳过（not here）",
                               "开机启动: 设置失败(true): not here status=0",
                               "开机启动: 设为 true → status 0 → 1",
                               "开机启动: 首次启动默认开启 → 成功",
                           }));
}
