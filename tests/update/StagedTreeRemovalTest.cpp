#include "support/OtherUser.h"
#include "support/TestEnvironment.h"
#include "update/StagedTreeRemoval.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

using testsupport::modeOf;

// Folders their owner cannot write or enter, and a link out of the tree, as a package may
// unpack them; removal runs as a user the permissions hold.
TEST(StagedTreeRemovalTest, FoldersWithoutOwnerPermissionsAreRemovedWithoutFollowingLinks)
{
    const auto user = testsupport::userBoundByPermissions();
    if (!user) GTEST_SKIP() << "running as root and no user \"nobody\" to drop to";
    const testsupport::OtherUsersFolder dir(*user);

    const auto verdict = testsupport::runAs(*user, [&]() -> std::string {
        std::string failures;
        const auto expect = [&](bool holds, const std::string& what) {
            if (!holds) failures += what + "; ";
        };
        const std::string outside = dir.path() + "/outside";
        const std::string stage = dir.path() + "/.glimra-staging-1";
        fs::create_directories(outside);
        testsupport::writeFile(outside + "/kept", "x");
        testsupport::writeFile(stage + "/Glimra.app/bin/glimra", "x");
        testsupport::writeFile(stage + "/Glimra.app/sealed/a/file", "x");
        fs::create_directory_symlink(outside, stage + "/Glimra.app/out");
        ::chmod(outside.c_str(), 0555);
        ::chmod((stage + "/Glimra.app/sealed/a").c_str(), 0000);
        ::chmod((stage + "/Glimra.app/sealed").c_str(), 0000);
        ::chmod((stage + "/Glimra.app").c_str(), 0555);

        const auto problem = removeStagedTree(stage);
        expect(!problem, "removal failed: " + problem.value_or(""));
        expect(!fs::exists(fs::symlink_status(stage)), "the staging folder is left");
        expect(modeOf(outside) == 0555, "the linked folder's mode changed");
        expect(fs::exists(outside + "/kept"), "the linked folder lost its file");

        // What cannot go is told.
        const std::string locked = dir.path() + "/locked";
        testsupport::writeFile(locked + "/.glimra-staging-2/file", "x");
        ::chmod(locked.c_str(), 0555);
        expect(removeStagedTree(locked + "/.glimra-staging-2").has_value(), "a folder that stayed was not told");
        ::chmod(locked.c_str(), 0755);
        ::chmod(outside.c_str(), 0755);
        return failures;
    });
    EXPECT_EQ(verdict, "");
}

}  // namespace
