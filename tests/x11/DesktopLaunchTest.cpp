#include "platform/x11/X11Compositor.h"
#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

using testsupport::GlimraChild;
using testsupport::TempDir;

// Generous for a busy machine; a child still running past it is killed.
constexpr double launchWait = 30;
// How long the quit may take once a signal asks for it.
constexpr double quitWait = 3;

// A line the application logs late in its launch.
const std::string launchedLine = "已清空最小尺寸学习缓存";

// `glimra` with no arguments on the test display, with folders of its own under one
// temporary home: settings, data (its log at data/Glimra/diag.log) and runtime. The guide
// and the update check are kept out of the way.
class DesktopLaunch : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"/config/Glimra", "/data", "/runtime"})
            std::filesystem::create_directories(home() + folder);
        std::filesystem::permissions(home() + "/runtime", std::filesystem::perms::owner_all);
        testsupport::writeFile(
            home() + "/config/Glimra/defaults.json",
            R"({"onboardingCompleted": true, "updateLastCheckAt": )" + std::to_string(std::time(nullptr)) + "}");
    }

    const std::string& home() const { return home_.path(); }
    std::map<std::string, std::string> folders() const
    {
        return {{"XDG_CONFIG_HOME", home() + "/config"},
                {"XDG_DATA_HOME", home() + "/data"},
                {"XDG_RUNTIME_DIR", home() + "/runtime"}};
    }
    std::unique_ptr<GlimraChild> start(const std::string& scratch, std::map<std::string, std::string> environment = {})
    {
        environment.merge(folders());
        return std::make_unique<GlimraChild>(std::vector<std::string>{}, scratch, environment);
    }
    // The same under prlimit with the limit given ("--nofile=20:" for a soft limit alone).
    std::unique_ptr<GlimraChild> startLimited(const std::string& scratch, const std::string& limit)
    {
        return std::make_unique<GlimraChild>("/usr/bin/prlimit", std::vector<std::string>{limit, GLIMRA_EXECUTABLE},
                                             scratch, folders());
    }
    // How often the log holds the line; every launch logs into the same log.
    long timesLogged(const std::string& line) const
    {
        const auto lines = testsupport::logLines(home());
        return std::count(lines.begin(), lines.end(), line);
    }
    // Waits until the child has launched, once more than before; false when it exited first.
    bool launched(GlimraChild& child)
    {
        const long before = timesLogged(launchedLine);
        return testsupport::waitUntil(launchWait, [&] { return !child.running() || timesLogged(launchedLine) > before; }) &&
               child.running();
    }

private:
    TempDir home_;
};

using testsupport::modeOf;

TEST_F(DesktopLaunch, RunsOnTheDisplayInTheUsersFoldersAndQuitsOnSIGTERMAndSIGINT)
{
    // The second copy runs as if in a Wayland session that also has DISPLAY: its windows
    // must still be X windows.
    const std::map<std::string, std::string> wayland{{"WAYLAND_DISPLAY", "glimra-test-no-such-socket"},
                                                     {"QT_QPA_PLATFORM", "wayland"}};
    for (const int signal : {SIGTERM, SIGINT}) {
        TempDir scratch;
        const auto child = start(scratch.path(), signal == SIGINT ? wayland : std::map<std::string, std::string>{});
        ASSERT_TRUE(launched(*child)) << child->err();
        // The instance lock lives as long as the copy that holds it.
        EXPECT_EQ(modeOf(home() + "/runtime/glimra/instance.lock"), 0600u);
        // The application's own signals reach it instead of ending the process.
        child->signal(SIGUSR1);
        EXPECT_FALSE(child->waitForExit(0.3));

        child->signal(signal);
        EXPECT_EQ(child->waitForExit(quitWait), 0) << strsignal(signal) << ": " << child->err();
    }
    // Only this user reads what it wrote.
    for (const char* folder : {"/config/Glimra", "/data/Glimra", "/runtime/glimra"})
        EXPECT_EQ(modeOf(home() + folder), 0700u) << folder;
    for (const char* file : {"/data/Glimra/diag.log", "/config/Glimra/defaults.json"})
        EXPECT_EQ(modeOf(home() + file), 0600u) << file;
}

TEST_F(DesktopLaunch, ASecondCopyFindsTheFirstAndExitsWhileTheFirstRuns)
{
    TempDir firstScratch, secondScratch;
    const auto first = start(firstScratch.path());
    ASSERT_TRUE(launched(*first)) << first->err();

    const auto second = start(secondScratch.path());
    EXPECT_EQ(second->waitForExit(launchWait), 0) << second->err();
    EXPECT_EQ(timesLogged("检测到已有实例 pid=" + std::to_string(first->pid()) + " → 激活并退出当前进程"), 1);
    EXPECT_TRUE(first->running());
    // The instance lock is still the first copy's: a third one finds it too.
    const auto third = start(secondScratch.path());
    EXPECT_EQ(third->waitForExit(launchWait), 0) << third->err();
    first->signal(SIGTERM);
    EXPECT_EQ(first->waitForExit(quitWait), 0) << first->err();
}

TEST_F(DesktopLaunch, SaysAtLaunchWhenNoCompositingManagerDrawsTranslucency)
{
    const std::string line = "X11: no compositing manager ⇒ translucent windows are drawn opaque";
    const auto launchAndQuit = [&] {
        TempDir scratch;
        const auto child = start(scratch.path());
        ASSERT_TRUE(launched(*child)) << child->err();
        child->signal(SIGTERM);
        EXPECT_EQ(child->waitForExit(quitWait), 0) << child->err();
    };
    launchAndQuit();
    EXPECT_EQ(timesLogged(line), 1);

    const auto connection = testsupport::openTestDisplay();
    ASSERT_TRUE(connection);
    testsupport::X11Client compositor({"xcompmgr"});
    ASSERT_TRUE(testsupport::waitUntil([&] { return x11::hasCompositingManager(*connection); }));
    launchAndQuit();
    EXPECT_EQ(timesLogged(line), 1);
}

// A shell's small soft limit on open files is raised for the run, which then quits on
// SIGTERM as ever; a hard limit too small to work with is one line, exit 1.
TEST_F(DesktopLaunch, ASmallLimitOnOpenFilesIsRaisedAndOneThatCannotBeIsTold)
{
    for (const char* limit : {"--nofile=15:", "--nofile=20:"}) {
        SCOPED_TRACE(limit);
        TempDir scratch;
        const auto child = startLimited(scratch.path(), limit);
        ASSERT_TRUE(launched(*child)) << child->err();
        child->signal(SIGTERM);
        EXPECT_EQ(child->waitForExit(quitWait), 0) << child->err();
    }
    TempDir scratch;
    const auto refused = startLimited(scratch.path(), "--nofile=20:20");
    EXPECT_EQ(refused->waitForExit(launchWait), 1);
    EXPECT_EQ(refused->err(), "glimra: the limit on open files is 20 (ulimit -n); Glimra needs at least 64\n");
}

#if !defined(__SANITIZE_ADDRESS__)
// The sanitizer cannot start at all in so little address space.
TEST_F(DesktopLaunch, TooLittleMemoryForItsThreadsIsToldInOneLine)
{
    TempDir scratch;
    const auto child = startLimited(scratch.path(), "--as=300000000");
    EXPECT_EQ(child->waitForExit(launchWait), 1);
    const std::string err = child->err();
    EXPECT_TRUE(err.starts_with("glimra: out of a system resource (threads, memory or locks): ")) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}
#endif

// The server's last free client slot goes to Glimra's own connection, and Qt's is refused.
TEST_F(DesktopLaunch, ADisplayThatTakesNoMoreClientsIsToldInOneLine)
{
    using Connection = std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)>;
    std::vector<Connection> idle;
    // Bounded so that a server without a limit cannot take the test's every descriptor.
    while (idle.size() < 2000) {
        Connection connection(xcb_connect(nullptr, nullptr), xcb_disconnect);
        if (xcb_connection_has_error(connection.get())) break;
        idle.push_back(std::move(connection));
    }
    ASSERT_LT(idle.size(), 2000u);
    ASSERT_FALSE(idle.empty());
    idle.pop_back();

    TempDir scratch;
    const auto child = start(scratch.path());
    EXPECT_EQ(child->waitForExit(launchWait), 1);
    EXPECT_EQ(child->err(), "glimra: the X11 display '" + std::string(std::getenv("DISPLAY")) +
                                "' accepts no more clients (Qt's own connection was refused)\n");
}

}  // namespace
