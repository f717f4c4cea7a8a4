#include "scenario/LockHolder.h"

#include "platform/core/AppIdentity.h"
#include "platform/linux/InstanceLock.h"
#include "platform/sim/SimWorkspace.h"
#include "support/SimDesktopTest.h"

#include <QLockFile>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

namespace {

using testsupport::readFile;
using testsupport::writeFile;

class LockHolder : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        SimDesktopTest::SetUp();
        const char* saved = std::getenv("XDG_RUNTIME_DIR");
        savedRuntime_ = saved ? std::optional<std::string>(saved) : std::nullopt;
        ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
        folder_ = linuxdesktop::InstanceLock::defaultFolder();
        ASSERT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder_), std::nullopt);
    }
    void TearDown() override
    {
        if (holder_ > 0) {
            ::kill(holder_, SIGKILL);
            ::waitpid(holder_, nullptr, 0);
        }
        savedRuntime_ ? (void)::setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1)
                      : (void)::unsetenv("XDG_RUNTIME_DIR");
        SimDesktopTest::TearDown();
    }

    // Leaves a lock file as another process that holds it would: this process's lock with
    // another pid in its first line.
    void lockAs(pid_t pid)
    {
        const std::string path = linuxdesktop::InstanceLock(folder_).lockPath();
        std::string contents;
        {
            QLockFile lock(QString::fromStdString(path));
            ASSERT_TRUE(lock.tryLock());
            contents = readFile(path);
        }
        writeFile(path, std::to_string(pid) + contents.substr(contents.find('\n')));
    }

    // A live process that is not this one.
    pid_t startHolder()
    {
        char sleep[] = "sleep", seconds[] = "60";
        char* argv[] = {sleep, seconds, nullptr};
        EXPECT_EQ(posix_spawnp(&holder_, "sleep", nullptr, nullptr, argv, nullptr), 0);
        return holder_;
    }

    std::vector<desktop::Pid> ownCopies()
    {
        std::vector<desktop::Pid> pids;
        for (const auto& app : desktop::workspace().applications(core::AppIdentity::current().bundleIdentifier))
            pids.push_back(app.pid);
        return pids;
    }

    sim::SimWorkspace& workspace() { return dynamic_cast<sim::SimWorkspace&>(desktop::workspace()); }

    testsupport::TempDir runtime_;
    std::optional<std::string> savedRuntime_;
    std::string folder_;
    pid_t holder_ = -1;
};

TEST_F(LockHolder, ALiveHolderIsListedFirstAsACopyOfThisApplication)
{
    const auto own = desktop::workspace().ownPid();
    const pid_t holder = startHolder();
    lockAs(holder);
    scenario::announceLockHolder(workspace());
    EXPECT_EQ(ownCopies(), (std::vector<desktop::Pid>{static_cast<desktop::Pid>(holder), own}));
}

TEST_F(LockHolder, AStaleLockOrNoneListsNoOtherCopy)
{
    const auto own = desktop::workspace().ownPid();
    scenario::announceLockHolder(workspace());
    EXPECT_EQ(ownCopies(), std::vector<desktop::Pid>{own});

    const pid_t holder = startHolder();
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    holder_ = -1;
    lockAs(holder);
    scenario::announceLockHolder(workspace());
    EXPECT_EQ(ownCopies(), std::vector<desktop::Pid>{own});
    // Reading the lock took nothing: it is still there for the application to take over.
    linuxdesktop::InstanceLock lock(folder_);
    EXPECT_EQ(lock.tryLock(), linuxdesktop::InstanceLock::Result::acquired);
}

}  // namespace
