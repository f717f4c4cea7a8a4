#include "platform/linux/InstanceLock.h"

#include "platform/core/SystemLog.h"

#include "support/QtTestApplication.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSocketNotifier>
#include <QTimer>

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Result = linuxdesktop::InstanceLock::Result;

class InstanceLockTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        VirtualTimeTest::SetUp();
        folder = home() + "/run/glimra";
        ::mkdir((home() + "/run").c_str(), 0700);
    }

    // Runs Qt's events until the condition holds, at most the bound; a timer wakes the wait
    // when nothing else comes.
    template <typename Condition>
    bool pumpUntil(Condition condition, qint64 boundMilliseconds = 2000)
    {
        QTimer wake;
        wake.start(20);
        QElapsedTimer elapsed;
        elapsed.start();
        while (!condition() && elapsed.elapsed() < boundMilliseconds)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return condition();
    }

    std::string folder;
};

TEST_F(InstanceLockTest, TheFolderComesFromTheRuntimeFolderAndIsCreatedPrivate)
{
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string kept = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", (home() + "/run").c_str(), 1);
    EXPECT_EQ(linuxdesktop::InstanceLock::defaultFolder(), folder);
    // Without one, every copy finds the session's fallback, whatever folder it runs in.
    ::unsetenv("XDG_RUNTIME_DIR");
    const char* savedTemporary = std::getenv("TMPDIR");
    const std::string keptTemporary = savedTemporary ? savedTemporary : "";
    ::setenv("TMPDIR", home().c_str(), 1);
    const std::string session = "/run/user/" + std::to_string(::geteuid());
    struct stat sessionStatus {};
    const bool hasSession = ::lstat(session.c_str(), &sessionStatus) == 0 && S_ISDIR(sessionStatus.st_mode) &&
                            sessionStatus.st_uid == ::geteuid();
    const std::string fallback = linuxdesktop::InstanceLock::defaultFolder();
    if (hasSession) {
        EXPECT_EQ(fallback, session + "/glimra");
    } else {
        EXPECT_TRUE(fallback.starts_with(home() + "/runtime-")) << fallback;
        struct stat made {};
        ASSERT_EQ(::stat(std::filesystem::path(fallback).parent_path().c_str(), &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0700u);
    }
    EXPECT_EQ(linuxdesktop::InstanceLock::defaultFolder(), fallback);
    if (savedTemporary)
        ::setenv("TMPDIR", keptTemporary.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    if (saved) ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);

    EXPECT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt);
    struct stat status {};
    ASSERT_EQ(::stat(folder.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt) << "an existing good folder";
}

TEST_F(InstanceLockTest, UnsafeFoldersAreRefused)
{
    ::mkdir((home() + "/open").c_str(), 0700);
    ::chmod((home() + "/open").c_str(), 0755);
    const auto open = linuxdesktop::InstanceLock::prepareFolder(home() + "/open");
    ASSERT_TRUE(open);
    EXPECT_NE(open->find("open to group or others"), std::string::npos);

    ::mkdir((home() + "/real").c_str(), 0700);
    ::symlink((home() + "/real").c_str(), (home() + "/link").c_str());
    const auto link = linuxdesktop::InstanceLock::prepareFolder(home() + "/link");
    ASSERT_TRUE(link);
    EXPECT_NE(link->find("symbolic link"), std::string::npos);

    testsupport::writeFile(home() + "/file", "x");
    const auto file = linuxdesktop::InstanceLock::prepareFolder(home() + "/file");
    ASSERT_TRUE(file);
    EXPECT_NE(file->find("not a folder"), std::string::npos);

    EXPECT_TRUE(linuxdesktop::InstanceLock::prepareFolder(home() + "/missing/parent/glimra"));
}

TEST_F(InstanceLockTest, ALinkInPlaceOfTheLockFileIsNotFollowed)
{
    ASSERT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt);
    testsupport::writeFile(home() + "/theirs", "theirs");
    ::chmod((home() + "/theirs").c_str(), 0644);
    ASSERT_EQ(::symlink((home() + "/theirs").c_str(), (folder + "/instance.lock").c_str()), 0);
    linuxdesktop::InstanceLock lock(folder);
    EXPECT_EQ(lock.tryLock(), Result::failed);
    EXPECT_EQ(testsupport::readFile(home() + "/theirs"), "theirs");
    struct stat status {};
    ASSERT_EQ(::stat((home() + "/theirs").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST_F(InstanceLockTest, ARuntimeFolderThatIsALinkOrAnotherUsersIsNotUsed)
{
    // A fallback in the shared temporary folder: another user can plant a link there.
    const std::string theirs = home() + "/theirs";
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(theirs.c_str(), (home() + "/runtime-linked").c_str()), 0);
    const auto linked = linuxdesktop::InstanceLock::prepareFolder(home() + "/runtime-linked/glimra");
    ASSERT_TRUE(linked);
    EXPECT_NE(linked->find("symbolic link"), std::string::npos) << *linked;
    EXPECT_FALSE(std::filesystem::exists(theirs + "/glimra"));
    EXPECT_EQ(linuxdesktop::InstanceLock::otherLiveHolder(home() + "/runtime-linked/glimra"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(theirs + "/glimra"));

}

// Only root can make a folder that is another user's.
TEST_F(InstanceLockTest, AnotherUsersRuntimeFolderIsNotUsedNorItsFallbackName)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
    const std::string theirs = home() + "/theirs";
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    const auto foreign = linuxdesktop::InstanceLock::prepareFolder(theirs + "/glimra");
    ASSERT_TRUE(foreign);
    EXPECT_NE(foreign->find("another user"), std::string::npos) << *foreign;
    EXPECT_FALSE(std::filesystem::exists(theirs + "/glimra"));

    // A fallback of that name that another user made first in the temporary folder is not
    // taken.
    testsupport::ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", "");
    environment.set("TMPDIR", home());
    const std::string fallback = linuxdesktop::InstanceLock::defaultFolder();
    if (!fallback.starts_with(home() + "/runtime-")) GTEST_SKIP() << "the session's runtime folder is used: " << fallback;
    // The choice is made once for a temporary folder, so this one is another.
    const std::string other = home() + "/other";
    ::mkdir(other.c_str(), 0700);
    environment.set("TMPDIR", other);
    const std::string taken = other + "/" + std::filesystem::path(fallback).parent_path().filename().string();
    ASSERT_EQ(::mkdir(taken.c_str(), 0777), 0);
    ASSERT_EQ(::chown(taken.c_str(), 65534, 65534), 0);
    EXPECT_EQ(linuxdesktop::InstanceLock::defaultFolder(), taken + "-" + std::to_string(::geteuid()) + "/glimra");
}

TEST_F(InstanceLockTest, AFifoInPlaceOfTheLockFileIsLeftAloneWithOneLine)
{
    ASSERT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt);
    const std::string path = folder + "/instance.lock";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::vector<std::string> lines;
    core::systemLog::setSink([&](const std::string& line) { lines.push_back(line); });
    linuxdesktop::InstanceLock lock(folder);
    EXPECT_EQ(lock.tryLock(), Result::failed);
    EXPECT_EQ(lock.tryLock(), Result::failed);
    EXPECT_EQ(linuxdesktop::InstanceLock::otherLiveHolder(folder), std::nullopt);
    core::systemLog::setSink({});
    EXPECT_THAT(lines, testing::ElementsAre("[Glimra] 私有目录: " + path + " 不是普通文件 ⇒ 不打开，保持原样"));
    struct stat status {};
    ASSERT_EQ(::lstat(path.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(InstanceLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo)
{
    ASSERT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt);
    auto first = std::make_unique<linuxdesktop::InstanceLock>(folder);
    EXPECT_EQ(first->tryLock(), Result::acquired);
    EXPECT_EQ(first->tryLock(), Result::acquired) << "already held";
    struct stat lockStatus {};
    ASSERT_EQ(::lstat(first->lockPath().c_str(), &lockStatus), 0);
    EXPECT_EQ(lockStatus.st_mode & 0777, 0600u) << "this user's only, whatever the umask";

    linuxdesktop::InstanceLock second(folder);
    EXPECT_EQ(second.tryLock(), Result::heldByOther);
    EXPECT_EQ(second.holderPid(), ::getpid());
    EXPECT_FALSE(second.isHeld());
    EXPECT_EQ(second.waitForRelease(0.1), Result::heldByOther);

    first.reset();
    EXPECT_EQ(second.waitForRelease(1), Result::acquired);
}

TEST_F(InstanceLockTest, ADeadHoldersLockIsTakenOver)
{
    ASSERT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt);
    const std::string path = folder + "/instance.lock";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QLockFile lock(QString::fromStdString(path));
        ::_exit(lock.tryLock(0) ? 0 : 1);  // dies holding it
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(std::filesystem::exists(path));

    linuxdesktop::InstanceLock lock(folder);
    EXPECT_EQ(lock.tryLock(), Result::acquired);
}

TEST_F(InstanceLockTest, TheHolderHearsReopenAndIgnoresAnythingElse)
{
    ASSERT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt);
    EXPECT_FALSE(linuxdesktop::InstanceLock::sendReopen(folder, 0.2)) << "nobody listens";

    linuxdesktop::InstanceLock holder(folder);
    int reopened = 0;
    std::string error;
    EXPECT_FALSE(holder.listen([&] { ++reopened; }, &error)) << "not before the lock is held";
    ASSERT_EQ(holder.tryLock(), Result::acquired);
    testsupport::writeFile(holder.socketPath(), "leftover");
    ASSERT_TRUE(holder.listen([&] { ++reopened; }, &error)) << error;
    struct stat status {};
    ASSERT_EQ(::stat(holder.socketPath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u) << "this user's only";

    EXPECT_TRUE(linuxdesktop::InstanceLock::sendReopen(folder));
    EXPECT_TRUE(pumpUntil([&] { return reopened == 1; }));

    // Not the message: ignored.
    QLocalSocket other;
    other.connectToServer(QString::fromStdString(holder.socketPath()));
    ASSERT_TRUE(other.waitForConnected(1000));
    other.write("reopen-and-more");
    other.waitForBytesWritten(1000);
    pumpUntil([&] { return other.state() == QLocalSocket::UnconnectedState; });
    EXPECT_EQ(reopened, 1);

    EXPECT_TRUE(linuxdesktop::InstanceLock::sendReopen(folder));
    EXPECT_TRUE(pumpUntil([&] { return reopened == 2; }));
}

// Opens `count` connections to the socket and holds them, then writes one byte to `done`.
[[noreturn]] void holdConnections(const std::string& socketPath, int count, int done)
{
    // Without the holder's descriptors: its listening socket must close when it closes it.
    ::close_range(3, static_cast<unsigned>(done) - 1, 0);
    ::close_range(static_cast<unsigned>(done) + 1, ~0U, 0);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) ::close(fd);
    }
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(done, &byte, 1);
    for (;;) ::pause();
}

TEST_F(InstanceLockTest, AFloodOfHeldConnectionsNeitherClosesTheSocketNorLosesAReopen)
{
    ASSERT_EQ(linuxdesktop::InstanceLock::prepareFolder(folder), std::nullopt);
    linuxdesktop::InstanceLock holder(folder);
    ASSERT_EQ(holder.tryLock(), Result::acquired);
    int reopened = 0;
    std::string error;
    ASSERT_TRUE(holder.listen([&] { ++reopened; }, &error)) << error;

    int done[2];
    ASSERT_EQ(::pipe2(done, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) holdConnections(holder.socketPath(), 400, done[1]);
    ::close(done[1]);

    // Few descriptors to spare, so a holder that keeps every connection runs out.
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const auto inUse = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(inUse + 150);
    ::setrlimit(RLIMIT_NOFILE, &tight);
    // Also when an assertion ends the test early.
    struct Cleanup {
        rlimit limit;
        pid_t child;
        int readEnd;
        ~Cleanup()
        {
            ::setrlimit(RLIMIT_NOFILE, &limit);
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            ::close(readEnd);
        }
    } const cleanup{saved, child, done[0]};

    // The child writes its byte once it holds every connection, or the pipe closes as it
    // dies; bounded only so that a lost reopen fails rather than hangs.
    constexpr qint64 floodBound = 60000;
    bool flooded = false;
    QSocketNotifier notifier(done[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] { flooded = true; });
    ASSERT_TRUE(pumpUntil([&] { return flooded; }, floodBound));

    struct stat status {};
    EXPECT_EQ(::lstat(holder.socketPath().c_str(), &status), 0) << "the socket file is still there";
    EXPECT_TRUE(linuxdesktop::InstanceLock::sendReopen(folder));
    EXPECT_TRUE(pumpUntil([&] { return reopened > 0 || ::lstat(holder.socketPath().c_str(), &status) != 0; }, floodBound));
    EXPECT_EQ(reopened, 1);
}

}  // namespace
