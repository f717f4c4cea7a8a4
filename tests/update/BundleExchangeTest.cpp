#include "support/TestEnvironment.h"
#include "update/ReplaceScript.h"

#include <gmock/gmock.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

// Where the installed copy's stand-in pauses itself for the test to kill the whole script.
enum class Pause { none, beforeExchange, afterExchange, inNewCopy };

// How the stand-in answers the swap: through the real executable, or as a filesystem
// that cannot exchange, or as one that fails.
enum class Exchange { real, refused, failing };

// An installed prefix as the install lays it out: the bundle lib/glimra, the link
// bin/glimra into it, and an update staged beside the bundle. The bundles' executables are
// scripts that hand the swap to the real glimra executable.
class BundleExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefix = fs::path(dir.path()) / "prefix";
        fs::create_directories(prefix / "bin");
        fs::create_symlink("../lib/glimra/bin/glimra", prefix / "bin" / "glimra");
        job = {.log = dir.path() + "/install.log",
               .pid = exitedPid(),
               .target = (prefix / "lib" / "glimra").string(),
               .staged = (prefix / "lib" / "stage-1" / "Glimra.app").string(),
               .stageDir = (prefix / "lib" / "stage-1").string(),
               .package = dir.path() + "/Glimra-2.0-2.tar.gz",
               .rounds = 3,
               .executable = "bin/glimra",
               .oldExecutable = "bin/glimra",
               .exchangeFolders = true};
        testsupport::writeFile(job.package, "package");
    }

    void makeBundles(Pause pause, Exchange exchange = Exchange::real, const std::string& newBody = "exit 0")
    {
        makeBundle(job.target, "old", pause, exchange, "exit 0");
        makeBundle(job.staged, "new", pause, exchange, newBody);
    }

    void makeBundle(const fs::path& bundle, const std::string& marker, Pause pause, Exchange exchange,
                    const std::string& body)
    {
        const auto pauseAt = [&](Pause at) {
            return pause == at ? ": > \"" + paused() + "\"; kill -STOP $$\n" : std::string();
        };
        const std::string swap = exchange == Exchange::refused ? "exit 3\n"
                                 : exchange == Exchange::failing
                                     ? "exit 1\n"
                                     : pauseAt(Pause::beforeExchange) + "\"" GLIMRA_EXECUTABLE "\" \"$@\"\nstatus=$?\n" +
                                           pauseAt(Pause::afterExchange) + "exit $status\n";
        testsupport::writeFile((bundle / "bin" / "glimra").string(),
                               "#!/bin/sh\nif [ \"$1\" = -glimra-exchange-folders ]; then\n" + swap + "fi\necho " +
                                   marker + " >> \"" + started() + "\"\n" + pauseAt(Pause::inNewCopy) + body + "\n");
        fs::permissions(bundle / "bin" / "glimra", fs::perms::owner_all);
        testsupport::writeFile((bundle / "marker.txt").string(), marker);
    }

    static std::string exitedPid()
    {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(0);
        ::waitpid(pid, nullptr, 0);
        return std::to_string(pid);
    }

    // The script in a process group of its own, so that the test can end it with every
    // process it started, as a logout or the power going would.
    void startScript()
    {
        auto arguments = replaceScriptArguments(job);
        std::vector<char*> argv{const_cast<char*>(replaceScriptShell)};
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        script = ::fork();
        ASSERT_GE(script, 0);
        if (script == 0) {
            ::setpgid(0, 0);
            ::execv(replaceScriptShell, argv.data());
            ::_exit(127);
        }
        ::setpgid(script, script);
    }

    void runToEnd()
    {
        startScript();
        int status = 0;
        ASSERT_EQ(::waitpid(script, &status, 0), script);
    }

    // Waits until a stand-in has paused, then kills the script's whole process group.
    void killWhenPaused()
    {
        startScript();
        // Unreaped until the kill, the script keeps its process group alive even if it
        // has ended.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(paused()) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(-script, SIGKILL);
        ::waitpid(script, nullptr, 0);
        ASSERT_TRUE(fs::exists(paused())) << testsupport::readFile(job.log);
    }

    // What the prefix's bin/glimra leads to, when it leads to an executable file of a
    // whole bundle: that bundle's marker.
    std::string runnableCopy() const
    {
        std::error_code error;
        const fs::path executable = fs::canonical(prefix / "bin" / "glimra", error);
        if (error || !fs::is_regular_file(executable) || ::access(executable.c_str(), X_OK) != 0) return "none";
        return testsupport::readFile((executable.parent_path().parent_path() / "marker.txt").string());
    }

    std::vector<std::string> libEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(prefix / "lib")) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    // What the copies started so far wrote, once the last one is the expected copy: the
    // script starts the old copy again without waiting for it.
    std::string startedUntil(const std::string& last) const
    {
        for (int i = 0; i < 3000 && !testsupport::readFile(started()).ends_with(last + "\n"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return testsupport::readFile(started());
    }

    std::string paused() const { return dir.path() + "/paused"; }
    std::string started() const { return dir.path() + "/started"; }
    std::string log() const { return testsupport::readFile(job.log); }

    testsupport::TempDir dir;
    fs::path prefix;
    ReplaceJob job;
    pid_t script = -1;
};

TEST_F(BundleExchangeTest, KilledAtAnyStepTheBundlePathHoldsARunnableCopy)
{
    struct Step {
        Pause pause;
        const char* copy;
    };
    for (const auto& [pause, copy] :
         {Step{Pause::beforeExchange, "old"}, Step{Pause::afterExchange, "new"}, Step{Pause::inNewCopy, "new"}}) {
        SCOPED_TRACE(copy);
        fs::remove_all(prefix / "lib");
        fs::remove(paused());
        makeBundles(pause);
        killWhenPaused();
        EXPECT_EQ(runnableCopy(), copy);
    }
}

TEST_F(BundleExchangeTest, ACompletedRunLeavesTheNewCopyAloneInItsPlace)
{
    makeBundles(Pause::none);
    runToEnd();
    EXPECT_EQ(runnableCopy(), "new");
    EXPECT_EQ(libEntries(), std::vector<std::string>{"glimra"});
    EXPECT_FALSE(fs::exists(job.package));
    EXPECT_THAT(log(), Not(HasSubstr("改名")));
    EXPECT_THAT(log(), testing::EndsWith("] 完成\n"));
}

TEST_F(BundleExchangeTest, ANewCopyThatFailsIsSwappedBackForTheOldOne)
{
    makeBundles(Pause::none, Exchange::real, "exit 4");
    runToEnd();
    EXPECT_EQ(runnableCopy(), "old");
    EXPECT_EQ(libEntries(), std::vector<std::string>{"glimra"});
    EXPECT_TRUE(fs::exists(job.package));
    EXPECT_EQ(startedUntil("old"), "new\nold\n");
}

// Only a filesystem that cannot exchange gets the two renames; any other failure keeps
// the old copy without touching it.
TEST_F(BundleExchangeTest, RenamesOnlyWhereTheExchangeIsRefused)
{
    makeBundles(Pause::none, Exchange::refused);
    runToEnd();
    EXPECT_EQ(runnableCopy(), "new");
    EXPECT_EQ(libEntries(), std::vector<std::string>{"glimra"});
    EXPECT_THAT(log(), HasSubstr("改为两次改名"));

    fs::remove_all(prefix / "lib");
    testsupport::writeFile(job.package, "package");
    makeBundles(Pause::none, Exchange::failing);
    runToEnd();
    EXPECT_EQ(runnableCopy(), "old");
    EXPECT_EQ(libEntries(), std::vector<std::string>{"glimra"});
    EXPECT_THAT(log(), HasSubstr("无法放入新版本"));
    EXPECT_TRUE(fs::exists(job.package));
    EXPECT_EQ(startedUntil("old"), "new\nold\n");
}

}  // namespace
