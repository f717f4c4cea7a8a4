#include "support/TestEnvironment.h"
#include "update/StagedTreeCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Kind = ContentRefusal::Kind;

// A fresh tree "root/Glimra.app/bin/glimra" that change may spoil.
StagedTree checked(const std::function<void(const std::string& app)>& change, const ContentLimits& limits = {})
{
    testsupport::TempDir root;
    const std::string app = root.path() + "/Glimra.app";
    fs::create_directories(app + "/bin");
    testsupport::writeFile(app + "/bin/glimra", "12345");
    change(app);
    return checkStagedTree(root.path(), limits);
}

TEST(StagedTreeCheckTest, OnlyPlainFoldersAndSingleLinkFilesPass)
{
    const auto good = checked([](const std::string&) {});
    EXPECT_EQ(good.topLevel, "Glimra.app");
    EXPECT_FALSE(good.refusal);

    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> spoilers{
        {"set-uid", [](const std::string& app) { ::chmod((app + "/bin/glimra").c_str(), 04755); }},
        {"set-gid folder", [](const std::string& app) { ::chmod((app + "/bin").c_str(), 02755); }},
        {"sticky folder", [](const std::string& app) { ::chmod(app.c_str(), 01755); }},
        {"hard link", [](const std::string& app) { ::link((app + "/bin/glimra").c_str(), (app + "/second").c_str()); }},
        {"symbolic link", [](const std::string& app) { fs::create_directory_symlink("/", app + "/root"); }},
        {"dangling link", [](const std::string& app) { fs::create_symlink("/nonexistent", app + "/gone"); }},
        {"fifo", [](const std::string& app) { ::mkfifo((app + "/fifo").c_str(), 0600); }},
        {"control character", [](const std::string& app) { testsupport::writeFile(app + "/a\tb", ""); }},
        {"second top-level entry", [](const std::string& app) { testsupport::writeFile(app + "/../Other", ""); }},
    };
    for (const auto& [what, spoil] : spoilers) {
        const auto tree = checked(spoil);
        ASSERT_TRUE(tree.refusal) << what;
        EXPECT_EQ(tree.refusal->kind, Kind::unsafeEntry) << what;
        EXPECT_FALSE(tree.topLevel) << what;
        EXPECT_EQ(tree.refusal->entry.find('\t'), std::string::npos) << "shown printable";
    }

    const auto file = checked([](const std::string& app) {
        fs::remove_all(app);
        testsupport::writeFile(app, "");
    });
    EXPECT_FALSE(file.refusal);
    EXPECT_FALSE(file.topLevel) << "a file is no bundle";
}

TEST(StagedTreeCheckTest, LimitsCountEveryEntryAndEveryByte)
{
    EXPECT_FALSE(checked([](const std::string&) {}, {5, 3}).refusal) << "three entries of five bytes fit";
    EXPECT_EQ(checked([](const std::string&) {}, {4, 3}).refusal->kind, Kind::tooLarge);
    EXPECT_EQ(checked([](const std::string&) {}, {5, 2}).refusal->kind, Kind::tooLarge);
    EXPECT_EQ(checked([](const std::string& app) { fs::create_directory(app + "/empty"); }, {5, 3}).refusal->kind,
              Kind::tooLarge)
        << "folders count as entries";
}

}  // namespace
