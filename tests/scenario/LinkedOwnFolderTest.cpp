#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/time.h>

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

struct Entry {
    unsigned mode;
    long long modified;
    bool operator==(const Entry&) const = default;
};

std::map<std::string, Entry> entriesOf(const std::string& folder)
{
    std::map<std::string, Entry> entries;
    for (const auto& entry : fs::directory_iterator(folder)) {
        struct stat status {};
        ::lstat(entry.path().c_str(), &status);
        entries[entry.path().filename().string()] = {status.st_mode & 07777u, status.st_mtim.tv_sec};
    }
    return entries;
}

using testsupport::modeOf;

}  // namespace

TEST(LinkedOwnFolder, ARunLeavesAFolderItsCrashReportsLinkNamesUntouched)
{
    TempDir scratch, outside;
    const std::string file = scratch.path() + "/world.json";
    testsupport::writeFile(file, "{}");
    const std::string dir = scratch.path() + "/out";
    const auto first = testsupport::runGlimra("--scenario " + file + " --out " + dir, scratch.path());
    ASSERT_EQ(first.status, 0) << first.err;

    // More reports than a launch keeps, of different ages, and a file that is no report.
    for (int day = 1; day <= 25; ++day) {
        const std::string name =
            outside.path() + "/glimra-2026-01-" + (day < 10 ? "0" : "") + std::to_string(day) + ".crash";
        testsupport::writeFile(name, "Process: Glimra\n");
        ::chmod(name.c_str(), 0644);
        const timeval times[2] = {{1767225600 + day * 86400, 0}, {1767225600 + day * 86400, 0}};
        ::utimes(name.c_str(), times);
    }
    testsupport::writeFile(outside.path() + "/notes.txt", "mine\n");
    ::chmod((outside.path() + "/notes.txt").c_str(), 0644);
    ::chmod(outside.path().c_str(), 0755);
    const auto before = entriesOf(outside.path());
    fs::create_directory_symlink(outside.path(), dir + "/data/Glimra/CrashReports");

    for (int run = 0; run < 2; ++run) {
        const auto again = testsupport::runGlimra("--scenario " + file + " --out " + dir, scratch.path());
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(entriesOf(outside.path()).size(), 26u);
        EXPECT_TRUE(entriesOf(outside.path()) == before) << "run " << run;
        EXPECT_EQ(modeOf(outside.path()), 0755u);
        EXPECT_TRUE(fs::is_symlink(dir + "/data/Glimra/CrashReports"));
        EXPECT_EQ(testsupport::readFile(dir + "/syslog.txt"),
                  "[Glimra] 私有目录: " + dir + "/data/Glimra/CrashReports 是链接 ⇒ 不跟随，保持原样\n");
    }
}
