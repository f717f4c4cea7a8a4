#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "update/InstallGuard.h"
#include "update/ReplaceBundles.h"

#include <gmock/gmock.h>

#include <cstdlib>

namespace {

using namespace replacetest;
using testing::Optional;
using testing::StartsWith;

class InstallGuardTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        apps = fs::path(home()) / "apps";
        fs::create_directory(apps);
        fs::permissions(apps, fs::perms::owner_all);
        makeBundle(apps / "Glimra.app", "old");
        fs::create_directory(apps / "stage-1");
        makeBundle(apps / "stage-1" / "New.app", "new");
        job = {.log = home() + "/install.log",
               .pid = "4242",
               .target = (apps / "Glimra.app").string(),
               .staged = (apps / "stage-1" / "New.app").string(),
               .stageDir = (apps / "stage-1").string(),
               .package = home() + "/Glimra-2.0-2.tar.gz",
               .executable = executable,
               .oldExecutable = executable};
    }

    static testing::Matcher<std::optional<std::string>> unsafe()
    {
        return Optional(StartsWith("安装位置不安全，无法自动替换（"));
    }

    fs::path apps;
    ReplaceJob job;
};

TEST_F(InstallGuardTest, AcceptsOnlyTheInstalledBundleInAFolderOfThisUsersOwn)
{
    EXPECT_EQ(replaceJobRefusal(job, identifier), std::nullopt);

    fs::create_directory(apps / "Build");
    EXPECT_EQ(installTargetRefusal((apps / "Build").string(), identifier), L10n::t("当前副本不是安装版，无法自动替换"));
    EXPECT_EQ(installTargetRefusal("/", identifier), L10n::t("当前副本不是安装版，无法自动替换"));

    EXPECT_THAT(installTargetRefusal("apps/Glimra.app", identifier), unsafe());
    EXPECT_THAT(installTargetRefusal(job.target + "/", identifier), unsafe());
    EXPECT_THAT(installTargetRefusal((apps / "." / "Glimra.app").string(), identifier), unsafe());
    EXPECT_THAT(installTargetRefusal(job.target, "app.glimra.other"), unsafe());
    makeBundle(apps / "Line\nBreak.app", "old");
    EXPECT_THAT(installTargetRefusal((apps / "Line\nBreak.app").string(), identifier), unsafe());
    fs::create_directory_symlink(apps / "Glimra.app", apps / "Link.app");
    EXPECT_THAT(installTargetRefusal((apps / "Link.app").string(), identifier), unsafe());

    // Another local user could swap the bundle between the check and the move.
    for (const auto writable : {fs::perms::group_write, fs::perms::others_write}) {
        fs::permissions(apps, fs::perms::owner_all | writable);
        EXPECT_THAT(installTargetRefusal(job.target, identifier),
                    Optional(testing::HasSubstr("（" + apps.string() + "）")));
    }
    fs::permissions(apps, fs::perms::owner_all);
}

TEST_F(InstallGuardTest, RefusesATargetHoldingTheUsersSettingsDataOrHome)
{
    const auto refusedWith = [&](const char* variable, const std::string& value) {
        const std::string before = std::getenv(variable) ? std::getenv(variable) : "";
        ::setenv(variable, value.c_str(), 1);
        Diag::resetLocation();
        const auto refusal = installTargetRefusal(job.target, identifier);
        ::setenv(variable, before.c_str(), 1);
        Diag::resetLocation();
        return refusal;
    };
    EXPECT_THAT(refusedWith("XDG_DATA_HOME", job.target + "/share"), unsafe());
    EXPECT_THAT(refusedWith("XDG_CONFIG_HOME", job.target), unsafe());
    EXPECT_THAT(refusedWith("HOME", job.target + "/home"), unsafe());
    EXPECT_EQ(installTargetRefusal(job.target, identifier), std::nullopt);
}

TEST_F(InstallGuardTest, RefusesValuesTheScriptCouldMisread)
{
    for (const std::string pid : {"", "0", "12a", "-5", " 12", "99999999999"}) {
        auto changed = job;
        changed.pid = pid;
        EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe()) << pid;
    }
    for (const std::string executable : {"", "../run", "/bin/sh", "bin//run", "bin/./run", "bin/run\x1b"}) {
        auto changed = job;
        changed.executable = executable;
        EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe()) << executable;
        changed = job;
        changed.oldExecutable = executable;
        EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe()) << executable;
    }
    auto changed = job;
    changed.log = "install.log";
    EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe());
    changed = job;
    changed.package = home() + "/Glimra\r.tar.gz";
    EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe());
    changed = job;
    changed.staged = home() + "/New.app";  // outside the staging folder
    EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe());
    changed = job;
    changed.stageDir = home();  // not beside the target
    changed.staged = home() + "/New.app";
    EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe());
    changed = job;
    changed.rounds = 0;
    EXPECT_THAT(replaceJobRefusal(changed, identifier), unsafe());
}

}  // namespace
