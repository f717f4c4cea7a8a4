#include "platform/core/Paths.h"
#include "platform/core/SystemLog.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

bool hasSessionFolder()
{
    struct stat status {};
    const std::string session = "/run/user/" + std::to_string(::geteuid());
    return ::lstat(session.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid();
}

// The folder another process of this user's chooses in this temporary folder.
std::string chosenInAnotherProcess()
{
    int ends[2];
    if (::pipe(ends) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string folder = core::paths::runtimeFolder();
        [[maybe_unused]] const auto written = ::write(ends[1], folder.data(), folder.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string folder;
    char buffer[512];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        folder.append(buffer, static_cast<std::size_t>(n));
    ::close(ends[0]);
    ::waitpid(child, nullptr, 0);
    return folder;
}

}  // namespace

TEST(RuntimeFolder, ASquattedFallbackNameGivesOneFixedAlternativeChosenOnceAndByEveryCopy)
{
    if (hasSessionFolder()) GTEST_SKIP() << "the session's runtime folder is there";
    std::vector<std::string> lines;
    core::systemLog::setSink([&](const std::string& line) { lines.push_back(line); });
    testsupport::ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", "");
    TempDir plain, byFile, byLink, elsewhere;

    // Unclaimed: the session's own name, made for the user alone.
    environment.set("TMPDIR", plain.path());
    const std::string fallback = core::paths::runtimeFolder();
    EXPECT_EQ(fs::path(fallback).parent_path(), plain.path());
    EXPECT_TRUE(fs::path(fallback).filename().string().starts_with("runtime-"));
    EXPECT_EQ(fs::status(fallback).permissions(), fs::perms::owner_all);
    const std::string name = fs::path(fallback).filename().string();
    const std::string alternative = name + "-" + std::to_string(::geteuid());

    // Taken by a file, or by a link to someone's folder: the one alternative, every call.
    testsupport::writeFile(byFile.path() + "/" + name, "not a folder");
    ::chmod(elsewhere.path().c_str(), 0755);
    fs::create_directory_symlink(elsewhere.path(), byLink.path() + "/" + name);
    for (const auto* squatted : {&byFile, &byLink}) {
        environment.set("TMPDIR", squatted->path());
        const std::string fromAnother = chosenInAnotherProcess();
        const std::string chosen = core::paths::runtimeFolder();
        EXPECT_EQ(chosen, squatted->path() + "/" + alternative);
        EXPECT_EQ(fromAnother, chosen);
        for (int call = 0; call < 20; ++call) EXPECT_EQ(core::paths::runtimeFolder(), chosen);
        EXPECT_EQ(fs::status(chosen).permissions(), fs::perms::owner_all);
        EXPECT_EQ(std::distance(fs::directory_iterator(squatted->path()), fs::directory_iterator()), 2);
    }
    EXPECT_EQ(testsupport::readFile(byFile.path() + "/" + name), "not a folder");
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    EXPECT_EQ(fs::status(elsewhere.path()).permissions(), static_cast<fs::perms>(0755));
    // One line for each squatted name.
    EXPECT_EQ(lines.size(), 2u);
    core::systemLog::setSink({});
}
