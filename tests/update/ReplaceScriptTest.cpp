#include "platform/linux/ProcessTools.h"
#include "update/InstallGuard.h"
#include "update/ReplaceScript.h"
#include "update/ReplaceBundles.h"
#include "support/OtherUser.h"

#include <gmock/gmock.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace replacetest;
using testing::HasSubstr;
using testing::StartsWith;

// Runs the real script, detached, on bundles in a private folder: the target and a sibling
// in "apps", the new bundle in a staging folder beside them.
class ReplaceScriptTest : public ::testing::Test {
protected:
    void prepare(const std::string& targetName, const std::string& newBody = "exit 0")
    {
        apps = fs::path(base) / "apps";
        const fs::path stageDir = apps / "stage-1";
        fs::create_directories(stageDir);
        makeBundle(apps / targetName, "old");
        makeBundle(apps / "Sibling.app", "sibling");
        testsupport::writeFile((apps / "note.txt").string(), "keep me");
        makeBundle(stageDir / "New.app", "new", newBody);
        const fs::path package = fs::path(base) / "updates" / "Glimra-2.0-2.tar.gz";
        testsupport::writeFile(package.string(), "package");
        job = {.log = base + "/install.log",
               .pid = exitedPid(),
               .target = (apps / targetName).string(),
               .staged = (stageDir / "New.app").string(),
               .stageDir = stageDir.string(),
               .package = package.string(),
               .rounds = 3,
               .executable = executable,
               .oldExecutable = executable};
        oldTarget = snapshot(job.target);
        sibling = snapshot(apps / "Sibling.app");
    }

    static std::string exitedPid()
    {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(0);
        ::waitpid(pid, nullptr, 0);
        return std::to_string(pid);
    }

    // In this process's own user, for a child that has dropped its privileges: "" once the
    // script has ended.
    std::string runScriptAndWait() const
    {
        auto arguments = replaceScriptArguments(job);
        std::vector<char*> argv{const_cast<char*>(replaceScriptShell)};
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid < 0) return "no fork";
        if (pid == 0) {
            ::execv(replaceScriptShell, argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) != 127 ? "" : "the script did not run";
    }

    void runScript()
    {
        const auto pid = linuxdesktop::ProcessTools().startDetached(replaceScriptShell, replaceScriptArguments(job));
        ASSERT_TRUE(pid);
        ASSERT_TRUE(waitForExit(*pid));
    }

    std::string started() const { return testsupport::readFile((apps / "started").string()); }

    // What the copy the script started last wrote; it may still be starting.
    std::string lastStarted(const std::string& expected) const
    {
        for (int i = 0; i < 300 && !started().ends_with(expected + "\n"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return started();
    }

    std::string log() const { return testsupport::readFile(job.log); }

    // The old copy is back, byte for byte, and the sibling untouched.
    void expectOldCopyKept()
    {
        EXPECT_EQ(snapshot(job.target), oldTarget);
        EXPECT_EQ(snapshot(apps / "Sibling.app"), sibling);
        EXPECT_TRUE(fs::exists(job.package));
    }

    testsupport::TempDir dir;
    std::string base = dir.path();  // where prepare() puts everything
    fs::path apps;
    ReplaceJob job;
    std::map<std::string, std::string> oldTarget;
    std::map<std::string, std::string> sibling;
};

TEST_F(ReplaceScriptTest, ReplacesTheTargetWhateverItsPathHoldsAndCleansUpOnlyWhatItMade)
{
    prepare("Glimra $(touch canary) `touch canary` \"q\" 'q' \\ $HOME.app");
    ASSERT_EQ(replaceJobRefusal(job, identifier), std::nullopt);
    runScript();

    EXPECT_EQ(testsupport::readFile(job.target + "/marker.txt"), "new");
    EXPECT_EQ(lastStarted("new"), "new\n");
    EXPECT_EQ(snapshot(apps / "Sibling.app"), sibling);
    EXPECT_EQ(testsupport::readFile((apps / "note.txt").string()), "keep me");
    EXPECT_FALSE(fs::exists(job.package));
    // Only the target, the sibling, the note and the marker of the start remain: no aside
    // copy, no staging folder, no canary.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(apps)) left.push_back(entry.path().filename().string());
    EXPECT_THAT(left, testing::UnorderedElementsAre(fs::path(job.target).filename().string(), "Sibling.app", "note.txt",
                                                    "started"));
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        EXPECT_NE(entry.path().filename(), "canary") << entry.path();
    EXPECT_FALSE(fs::exists("canary"));

    EXPECT_THAT(log(), HasSubstr("替换 " + job.target + "\n已替换，重启\n"));
    EXPECT_THAT(log(), testing::EndsWith("] 完成\n"));
    EXPECT_EQ(fs::status(job.log).permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << "the log is the user's alone";
}

// A link planted where the log should be is left alone: the script writes nothing through
// it and still replaces the copy.
TEST_F(ReplaceScriptTest, NeverAppendsItsLogThroughALink)
{
    prepare("Glimra.app");
    const std::string outside = base + "/outside.txt";
    testsupport::writeFile(outside, "theirs\n");
    fs::create_symlink(outside, job.log);
    runScript();

    EXPECT_EQ(testsupport::readFile(job.target + "/marker.txt"), "new");
    EXPECT_EQ(testsupport::readFile(outside), "theirs\n");
    EXPECT_TRUE(fs::is_symlink(job.log));
}

// An old copy holding folders its owner cannot write or enter goes too, as the user the
// permissions hold; one that cannot go is named in the log instead of the last line.
TEST_F(ReplaceScriptTest, RemovesAnOldCopyWithSealedFoldersOrLogsWhatIsLeft)
{
    const auto user = testsupport::userBoundByPermissions();
    if (!user) GTEST_SKIP() << "running as root and no user \"nobody\" to drop to";
    const testsupport::OtherUsersFolder sealedCase(*user);
    base = sealedCase.path();
    prepare("Glimra.app");
    testsupport::writeFile(job.target + "/sealed/inner/file", "x");
    fs::permissions(job.target + "/sealed/inner", fs::perms::none);
    fs::permissions(job.target + "/sealed", fs::perms::owner_read | fs::perms::owner_exec);
    testsupport::handOver(base, *user);
    EXPECT_EQ(testsupport::runAs(*user, [&] { return runScriptAndWait(); }), "");
    EXPECT_EQ(testsupport::readFile(job.target + "/marker.txt"), "new");
    EXPECT_THAT(log(), testing::EndsWith("] 完成\n"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(apps)) left.push_back(entry.path().filename().string());
    EXPECT_THAT(left, testing::UnorderedElementsAre("Glimra.app", "Sibling.app", "note.txt", "started"));

    // Only root can leave a folder in the user's copy that the user cannot empty.
    if (::geteuid() != 0) return;
    const testsupport::OtherUsersFolder foreignCase(*user);
    base = foreignCase.path();
    prepare("Glimra.app");
    testsupport::handOver(base, *user);
    testsupport::writeFile(job.target + "/foreign/file", "x");
    EXPECT_EQ(testsupport::runAs(*user, [&] { return runScriptAndWait(); }), "");
    EXPECT_EQ(testsupport::readFile(job.target + "/marker.txt"), "new");
    EXPECT_THAT(log(), HasSubstr("] 已替换，但旧版本没能删除：" + job.target + ".old-"));
    EXPECT_THAT(log(), testing::Not(HasSubstr("完成")));
}

TEST_F(ReplaceScriptTest, PutsTheOldCopyBackAndStartsItWhenTheNewOneFailsToStart)
{
    prepare("Glimra.app", "exit 3");
    runScript();

    expectOldCopyKept();
    EXPECT_EQ(lastStarted("old"), "new\nold\n");
    EXPECT_FALSE(fs::exists(job.stageDir));
    EXPECT_THAT(log(), HasSubstr("新版本没能启动（3），恢复旧版本"));
    EXPECT_THAT(log(), testing::Not(HasSubstr("完成")));
}

TEST_F(ReplaceScriptTest, KeepsANewCopyThatIsStillRunningAfterASecond)
{
    prepare("Glimra.app", "sleep 2; exit 3");
    runScript();

    EXPECT_EQ(testsupport::readFile(job.target + "/marker.txt"), "new");
    EXPECT_EQ(started(), "new\n");
    EXPECT_THAT(log(), testing::EndsWith("] 完成\n"));
}

TEST_F(ReplaceScriptTest, GivesUpWithoutTouchingAnythingWhileTheOldProcessRuns)
{
    prepare("Glimra.app");
    job.pid = std::to_string(::getpid());
    job.rounds = 2;
    runScript();

    expectOldCopyKept();
    EXPECT_TRUE(fs::exists(job.staged));
    EXPECT_FALSE(fs::exists(apps / "started"));
    EXPECT_THAT(log(), testing::EndsWith("\n旧进程 0.6s 没退出，放弃替换（安装包留在原处）\n"));
}

TEST_F(ReplaceScriptTest, KeepsTheOldCopyAndStartsItWhenAStepFails)
{
    // The new bundle has gone before the script runs: moving it in fails.
    prepare("Glimra.app");
    fs::remove_all(job.staged);
    runScript();
    expectOldCopyKept();
    EXPECT_EQ(lastStarted("old"), "old\n");
    EXPECT_THAT(log(), HasSubstr("无法放入新版本"));

    // A target name so long that no name beside it for the old copy fits.
    fs::remove_all(dir.path());
    fs::create_directory(dir.path());
    prepare(std::string(246, 'g') + ".app");
    runScript();
    expectOldCopyKept();
    EXPECT_FALSE(fs::exists(job.stageDir));
    EXPECT_EQ(lastStarted("old"), "old\n");
    EXPECT_THAT(log(), HasSubstr("无法在旁边留出旧版本的位置"));
}

}  // namespace
