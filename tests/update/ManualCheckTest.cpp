#include "foundation/L10n.h"
#include "platform/core/SystemInfo.h"
#include "platform/defaults/Defaults.h"
#include "platform/linux/OsReleaseSystem.h"
#include "update/UpdaterFixture.h"

#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;
using testing::EndsWith;

class ManualCheckTest : public testsupport::UpdaterTest {
protected:
    void SetUp() override
    {
        UpdaterTest::SetUp();
        core::SystemInfo system;
        system.osVersion = core::OsVersion{24, 4, 0};
        core::setSystemInfoOverride(system);
    }
    void TearDown() override
    {
        core::setSystemInfoOverride(std::nullopt);
        UpdaterTest::TearDown();
    }

    std::vector<ui::Alert> shownAlerts() const
    {
        std::vector<ui::Alert> shown;
        for (const auto& record : alerts->records()) shown.push_back(record.alert);
        return shown;
    }
};

}  // namespace

TEST_F(ManualCheckTest, OneCheckAtATimeWithTheStateShownBeforeAndAfter)
{
    serve({route("/v1.json", 404, "", 1)});
    std::vector<std::pair<bool, bool>> states;  // (checking, offered) at each call
    const auto stateChanged = [&] { states.emplace_back(AppUpdate::isChecking(), AppUpdate::available().has_value()); };

    AppUpdate::checkManually(stateChanged);
    AppUpdate::checkManually(stateChanged);  // ignored while one is in flight
    EXPECT_EQ(states, (std::vector<std::pair<bool, bool>>{{true, false}}));
    advanceUntil([] { return !AppUpdate::isChecking(); });
    EXPECT_EQ(journalOf("http").size(), 1u);
    EXPECT_EQ(states, (std::vector<std::pair<bool, bool>>{{true, false}, {false, false}}));

    // Failed: one alert with the reason, nothing downloaded, and the application in front.
    ASSERT_EQ(shownAlerts().size(), 1u);
    EXPECT_EQ(shownAlerts()[0].messageText, "检查更新失败");
    EXPECT_EQ(shownAlerts()[0].informativeText, "更新服务器返回错误码 404。这不影响任何功能，稍后再试即可。");
    EXPECT_THAT(shownAlerts()[0].buttonTitles, ElementsAre("好"));
    EXPECT_FALSE(journalOf("app.activate").empty());
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase{});

    // The offer is in place before the second call, so the menu shows it at once.
    serveManifest(newerManifest());
    AppUpdate::checkManually(stateChanged);
    advanceUntil([] { return !AppUpdate::isChecking(); });
    EXPECT_EQ(states.back(), std::make_pair(false, true));
    // No word from the check; the package's address answers nothing here, so only the
    // download's own failure may speak.
    for (std::size_t i = 1; i < shownAlerts().size(); ++i) EXPECT_EQ(shownAlerts()[i].messageText, "更新失败");
    EXPECT_THAT(
        linesWith("更新: 检查到新版"),
        ElementsAre("更新: 检查到新版 9.1.0 build " + std::to_string(newerManifest().build) + " → 直接开始静默下载"));
}

TEST_F(ManualCheckTest, ASystemTooOldOrNoUpdateIsExplainedInTheInterfaceLanguage)
{
    UpdateManifest needsNewer = newerManifest();
    needsNewer.minSystemVersion = "99.0";
    serveManifest(needsNewer);
    AppUpdate::checkManually(nullptr);
    advanceUntil([] { return !AppUpdate::isChecking(); });
    ASSERT_EQ(shownAlerts().size(), 1u);
    EXPECT_EQ(shownAlerts()[0].messageText, "新版本 9.1.0 需要更高的系统版本");
    EXPECT_EQ(shownAlerts()[0].informativeText, AppUpdate::updateDetails(needsNewer));
    EXPECT_THAT(shownAlerts()[0].informativeText, EndsWith(std::to_string(needsNewer.build) + "。"));
    EXPECT_THAT(linesWith("更新: 新版"), ElementsAre("更新: 新版 9.1.0 要求 macOS 99.0，高于本机 → 不下载"));
    EXPECT_TRUE(linesWith("直接开始静默下载").empty());

    defaults::Defaults::standard().set("appLanguage", 2);  // English
    serveManifest({"0.1", AppUpdate::currentBuild(), "https://updates.glimra.app/Glimra-0.1.tar.gz"});
    AppUpdate::checkManually(nullptr);
    advanceUntil([] { return !AppUpdate::isChecking(); });
    ASSERT_EQ(shownAlerts().size(), 2u);
    EXPECT_EQ(shownAlerts()[1].messageText, L10n::t("已是最新版本"));
    EXPECT_EQ(shownAlerts()[1].informativeText, "Current version " + AppUpdate::currentShortVersion() + " (build " +
                                                    std::to_string(AppUpdate::currentBuild()) + ").");
    EXPECT_THAT(shownAlerts()[1].buttonTitles, ElementsAre("OK"));
}

// On a Linux distribution one manifest serves every distribution: its minimum system, a
// version of another system altogether, holds no download back.
TEST_F(ManualCheckTest, OnADistributionAMinimumSystemHoldsNothingBack)
{
    testsupport::writeFile(home() + "/os-release", "ID=debian\nVERSION_ID=\"12\"\n");
    desktop().operatingSystem = std::make_shared<linuxdesktop::OsReleaseSystem>(
        core::SystemInfoSources{home() + "/os-release", home() + "/none", home() + "/none"});
    UpdateManifest needsNewer = newerManifest();
    needsNewer.minSystemVersion = "99.0";
    serveManifest(needsNewer);
    AppUpdate::checkManually(nullptr);
    advanceUntil([] { return !AppUpdate::isChecking(); });
    EXPECT_TRUE(linesWith("更新: 新版").empty());
    EXPECT_THAT(linesWith("更新: 检查到新版"),
                ElementsAre("更新: 检查到新版 9.1.0 build " + std::to_string(needsNewer.build) + " → 直接开始静默下载"));
    for (const auto& alert : shownAlerts()) EXPECT_NE(alert.messageText, "新版本 9.1.0 需要更高的系统版本");
}
