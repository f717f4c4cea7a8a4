#include "platform/linux/ProcessTools.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

bool reapedWithin(int pid, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (::kill(pid, 0) == 0 || errno != ESRCH) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The session id: the sixth field of /proc/PID/stat, counted after the name's ")".
long sessionOf(int pid)
{
    const std::string stat = testsupport::readFile("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string state;
    long parent = 0, group = 0, session = 0;
    fields >> state >> parent >> group >> session;
    return session;
}

TEST(DetachedStartTest, StartsInASessionOfItsOwnOnDevNullAndIsReaped)
{
    linuxdesktop::ProcessTools tools;
    const auto pid = tools.startDetached("/bin/sleep", {"5"});
    ASSERT_TRUE(pid);
    EXPECT_EQ(sessionOf(*pid), *pid);
    for (int stream = 0; stream <= 2; ++stream) {
        const auto link = "/proc/" + std::to_string(*pid) + "/fd/" + std::to_string(stream);
        EXPECT_EQ(std::filesystem::read_symlink(link), "/dev/null") << stream;
    }
    ::kill(*pid, SIGKILL);
    EXPECT_TRUE(reapedWithin(*pid, 2)) << "left a zombie";

    EXPECT_EQ(tools.startDetached("/nonexistent/tool", {}), std::nullopt);
}

TEST(DetachedStartTest, HandsArgumentsOverAsTheyAre)
{
    testsupport::TempDir dir;
    const std::string out = dir.path() + "/out";
    const std::string argument = "$(touch canary) `touch canary` 'q' \"q\" \\ *";
    const auto pid = linuxdesktop::ProcessTools().startDetached(
        "/bin/sh", {"-c", "cd \"$1\" && printf '%s' \"$2\" > out", "sh", dir.path(), argument});
    ASSERT_TRUE(pid);
    ASSERT_TRUE(reapedWithin(*pid, 5));
    EXPECT_EQ(testsupport::readFile(out), argument);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/canary"));
}

}  // namespace
