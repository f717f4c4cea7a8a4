#include "support/TestEnvironment.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

// Every entry below the folder with its mode and contents.
std::map<std::string, std::string> snapshotOf(const std::string& folder)
{
    std::map<std::string, std::string> entries;
    struct stat status {};
    ::lstat(folder.c_str(), &status);
    entries["."] = std::to_string(status.st_mode & 07777);
    for (const auto& entry : fs::directory_iterator(folder)) {
        ::lstat(entry.path().c_str(), &status);
        entries[entry.path().filename().string()] =
            std::to_string(status.st_mode & 07777) + " " + readFile(entry.path().string());
    }
    return entries;
}

void fillShared(const std::string& folder, const std::vector<std::string>& names)
{
    fs::create_directory(folder);
    for (const auto& name : names) {
        writeFile(folder + "/" + name, "theirs: " + name + "\n");
        fs::permissions(folder + "/" + name, static_cast<fs::perms>(0644));
    }
    fs::permissions(folder, static_cast<fs::perms>(0755));
}

}  // namespace

// Links planted where Glimra keeps its log, its crash reports and its settings lead to
// folders others share: a launch follows none of them, changes nothing there and says so
// once for each.
TEST(X11OwnFolders, ALaunchFollowsNoLinkInItsOwnFolders)
{
    UserFolders folders;
    const TempDir shared;
    std::vector<std::string> reports;
    for (int i = 10; i < 35; ++i) reports.push_back("glimra-2026-01-" + std::to_string(i) + ".crash");
    reports.push_back("notes.txt");
    fillShared(shared.path() + "/reports", reports);
    fillShared(shared.path() + "/logs", {"other.log"});
    fillShared(shared.path() + "/settings", {"defaults.json"});
    const std::map<std::string, std::map<std::string, std::string>> before{
        {"reports", snapshotOf(shared.path() + "/reports")},
        {"logs", snapshotOf(shared.path() + "/logs")},
        {"settings", snapshotOf(shared.path() + "/settings")}};

    fs::create_directories(folders.path("data/Glimra"));
    fs::create_directory_symlink(shared.path() + "/reports", folders.path("data/Glimra/CrashReports"));
    fs::create_symlink(shared.path() + "/logs/other.log", folders.path("data/Glimra/diag.log"));
    fs::remove_all(folders.path("config/Glimra"));
    fs::create_directory_symlink(shared.path() + "/settings", folders.path("config/Glimra"));

    GlimraOnDesktop glimra(folders, GLIMRA_EXECUTABLE);
    const std::vector<std::string> links{"data/Glimra/diag.log", "data/Glimra/CrashReports", "config/Glimra"};
    const auto line = [&](const std::string& link) {
        return "私有目录: " + folders.path(link) + " 是链接 ⇒ 不跟随，保持原样";
    };
    // The log is not written, so its status button tells that it is up.
    EXPECT_TRUE(waitUntil(
        [&] {
            for (const auto& link : links)
                if (glimra.err().find(line(link)) == std::string::npos) return false;
            return statusButtonOf(glimra.pid()) != 0;
        },
        30))
        << glimra.err();
    EXPECT_EQ(glimra.quit(), 0);

    for (const auto& [name, entries] : before) EXPECT_EQ(snapshotOf(shared.path() + "/" + name), entries) << name;
    for (const auto& link : links) {
        EXPECT_TRUE(fs::is_symlink(folders.path(link))) << link;
        EXPECT_EQ(occurrences(glimra.err(), line(link)), 1u) << link;
    }
}
