#include "platform/core/FileContents.h"
#include "support/OtherUser.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace {

using core::FileReadError;

std::string describe(const core::FileContents& read)
{
    if (read.bytes) return "bytes:" + *read.bytes;
    switch (read.error) {
    case FileReadError::absent: return "absent";
    case FileReadError::notAFile: return "not a file";
    case FileReadError::unreadable: return "unreadable";
    case FileReadError::tooLarge: return "too large";
    }
    return "?";
}

TEST(FileContentsTest, AnythingButAReadableFileIsATypedAnswerNotAnException)
{
    testsupport::TempDir dir;
    const std::string file = dir.path() + "/report.crash";
    testsupport::writeFile(file, std::string("a\0b", 3));
    testsupport::writeFile(dir.path() + "/empty", "");
    std::filesystem::create_directory(dir.path() + "/folder.crash");
    ASSERT_EQ(::mkfifo((dir.path() + "/fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(file, dir.path() + "/link");

    EXPECT_EQ(describe(core::fileContents(file)), std::string("bytes:a\0b", 9));
    EXPECT_EQ(describe(core::fileContents(dir.path() + "/link")), std::string("bytes:a\0b", 9));
    EXPECT_EQ(describe(core::fileContents(dir.path() + "/empty")), "bytes:");
    EXPECT_EQ(describe(core::fileContents(dir.path() + "/missing")), "absent");
    EXPECT_EQ(describe(core::fileContents(file + "/below")), "absent");
    EXPECT_EQ(describe(core::fileContents(dir.path() + "/folder.crash")), "not a file");
    EXPECT_EQ(describe(core::fileContents(dir.path() + "/fifo")), "not a file") << "and not waited on";
    EXPECT_EQ(describe(core::fileContents("/dev/null")), "not a file");
}

TEST(FileContentsTest, AFileItsReaderMayNotReadIsUnreadable)
{
    const auto user = testsupport::userBoundByPermissions();
    if (!user) GTEST_SKIP() << "running as root and no user \"nobody\" to drop to";
    const testsupport::OtherUsersFolder dir(*user);
    const std::string file = dir.path() + "/secret";
    testsupport::writeFile(file, "x");
    testsupport::handOver(dir.path(), *user);
    ::chmod(file.c_str(), 0);
    EXPECT_EQ(testsupport::runAs(*user, [&] { return describe(core::fileContents(file)); }), "unreadable");
}

}  // namespace
