#include "platform/linux/ProcessTools.h"
#include "support/SimDesktopTest.h"
#include "support/TestPackages.h"
#include "update/InstallGuard.h"
#include "update/PackageStaging.h"
#include "update/ReplaceBundles.h"
#include "update/ReplaceScript.h"

#include <gmock/gmock.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class StagedReplaceTest : public testsupport::SimDesktopTest {};

// What staging leaves is what the guard accepts and the script installs.
TEST_F(StagedReplaceTest, AStagedPackageReplacesTheInstalledCopy)
{
    const fs::path apps = fs::path(home()) / "apps";
    fs::create_directory(apps);
    fs::permissions(apps, fs::perms::owner_all);
    testsupport::BundleContents installed;
    installed.build = "120";
    const std::string target = testsupport::makeBundle(apps.string(), installed);
    testsupport::BundleContents update = installed;
    update.build = "200";
    const std::string package = testsupport::makeSignedPackage(home() + "/work", update);

    const StagedBundle staged = stagePackage(package, apps.string());
    const pid_t exited = ::fork();
    if (exited == 0) ::_exit(0);
    ::waitpid(exited, nullptr, 0);
    const ReplaceJob job{.log = home() + "/install.log",
                         .pid = std::to_string(exited),
                         .target = target,
                         .staged = staged.bundlePath,
                         .stageDir = staged.stageDir,
                         .package = package,
                         .rounds = 1,
                         .executable = staged.info.executable.value_or(""),
                         .oldExecutable = "bin/glimra"};
    ASSERT_EQ(replaceJobRefusal(job, *installed.identifier), std::nullopt);

    const auto pid = linuxdesktop::ProcessTools().startDetached(replaceScriptShell, replaceScriptArguments(job));
    ASSERT_TRUE(pid);
    ASSERT_TRUE(replacetest::waitForExit(*pid));
    EXPECT_EQ(core::readBundleFile(target)->build, "200");
    EXPECT_FALSE(fs::exists(staged.stageDir));
    EXPECT_FALSE(fs::exists(package));
    EXPECT_THAT(testsupport::readFile(job.log), testing::EndsWith("] 完成\n"));
}

}  // namespace
