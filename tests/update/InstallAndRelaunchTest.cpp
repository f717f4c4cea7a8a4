#include "platform/core/AppIdentity.h"
#include "platform/defaults/Defaults.h"
#include "update/UpdaterFixture.h"

#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;

class InstallAndRelaunchTest : public testsupport::UpdaterTest {
protected:
    const UpdateManifest manifest{"2.0", 2};
    const UpdatePhase ready = UpdatePhase::ready(manifest, "/data/updates/Glimra-2.0 #2.tar.gz");
};

TEST_F(InstallAndRelaunchTest, AnAdHocCopyOpensThePackageAndStaysReady)
{
    UpdateInstaller::installAndRelaunch();  // nothing ready: nothing happens
    EXPECT_TRUE(diagLines().empty());

    UpdateInstaller::setPhase(ready);
    EXPECT_FALSE(UpdateInstaller::allowsSelfReplace());
    UpdateInstaller::installAndRelaunch();
    clock().runUntilIdle();

    EXPECT_EQ(UpdateInstaller::phase(), ready);
    EXPECT_THAT(diagLines(), ElementsAre("更新安装: 当前是 ad-hoc 签名 → 不自动替换，改为打开安装包"));
    const auto opened = journalOf("url.open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]["url"], "file:///data/updates/Glimra-2.0%20%232.tar.gz");
    EXPECT_TRUE(journalOf("tool.start").empty());
    ASSERT_EQ(alerts->records().size(), 1u);
    EXPECT_EQ(alerts->records()[0].alert.messageText, "请手动完成安装");
}

TEST_F(InstallAndRelaunchTest, AForcedCopyWithoutABundleIsRefusedAndReadyAgain)
{
    // The tests run from the build tree, which holds no bundle.json.
    defaults::Defaults::standard().set("forceSelfReplace", true);
    EXPECT_EQ(UpdateInstaller::signingTeamID(), std::nullopt);
    EXPECT_TRUE(UpdateInstaller::allowsSelfReplace());
    UpdateInstaller::setPhase(ready);

    UpdateInstaller::installAndRelaunch();
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::installing(manifest));
    UpdateInstaller::installAndRelaunch();  // already installing: ignored
    clock().runUntilIdle();

    const auto& identity = core::AppIdentity::current();
    EXPECT_EQ(UpdateInstaller::phase(), ready);
    EXPECT_THAT(diagLines(), ElementsAre("更新安装: 开始 目标=" + identity.bundlePath +
                                             " bundle=" + identity.bundleIdentifier + " team=ad-hoc",
                                         "更新安装: 中止 —— 当前副本不是安装版，无法自动替换"));
    EXPECT_TRUE(journalOf("tool.start").empty());
    ASSERT_EQ(alerts->records().size(), 1u);
    EXPECT_EQ(alerts->records()[0].alert.messageText, "更新失败");
    EXPECT_EQ(alerts->records()[0].alert.informativeText,
              "当前副本不是安装版，无法自动替换。这不影响任何功能，稍后再试即可。");
}

}  // namespace
