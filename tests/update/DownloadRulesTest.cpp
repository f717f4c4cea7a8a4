#include "update/UpdateInstaller.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

TEST(DownloadAddress, HttpsAnywhereAndPlainHttpOnlyOnLoopback)
{
    for (const char* accepted : {
             "https://updates.glimra.app/Glimra-1.2.0.tar.gz",
             "HTTPS://Example.org:8443/a?b=c",
             "http://127.0.0.1:8080/p.tar.gz",
             "HTTP://LocalHost/p",
             "http://[::1]:9000/p",
             "http://user@localhost/p",
         })
        EXPECT_EQ(UpdateInstaller::acceptableURL(accepted), accepted);

    for (const char* refused : {
             "http://example.org/p.tar.gz",
             "http://127.0.0.1.example.org/p",
             "http://localhost@evil.example/p",  // the host is what follows the "@"
             "http://localhost.:80/p",
             "http://[::2]/p",
             "http://127.0.0.1:80x/p",
             "ftp://127.0.0.1/p",
             "file:///tmp/p.tar.gz",
             "https://",
             "not a url",
             "",
             "https://exa mple.org/p",
         })
        EXPECT_EQ(UpdateInstaller::acceptableURL(refused), std::nullopt) << refused;
}

TEST(PackageFile, NameKeepsTheVersionInsideTheUpdatesFolder)
{
    EXPECT_EQ(UpdateInstaller::packageFileName({"1.2.0", 120}), "Glimra-1.2.0-120.tar.gz");
    EXPECT_EQ(UpdateInstaller::packageFileName({"1.2.0-beta+7_x", 7}), "Glimra-1.2.0-beta+7_x-7.tar.gz");
    EXPECT_EQ(UpdateInstaller::packageFileName({"../x", 1}), "Glimra-.._x-1.tar.gz");
    EXPECT_EQ(UpdateInstaller::packageFileName({"..", 1}), "Glimra-..-1.tar.gz");
    EXPECT_EQ(UpdateInstaller::packageFileName({"/etc/passwd", 1}), "Glimra-_etc_passwd-1.tar.gz");
    EXPECT_EQ(UpdateInstaller::packageFileName({"1.2 β\n", 3}), "Glimra-1.2___-3.tar.gz");  // one "_" per character
    EXPECT_EQ(UpdateInstaller::packageFileName({std::string(100, '9'), 4}),
              "Glimra-" + std::string(64, '9') + "-4.tar.gz");
}

TEST(PackageFile, DigestIsLowerCaseHexOfTheContentsAndNoneWithoutAFile)
{
    testsupport::TempDir folder;
    testsupport::writeFile(folder.path() + "/abc", "abc");
    EXPECT_EQ(UpdateInstaller::sha256OfFile(folder.path() + "/abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(UpdateInstaller::sha256OfFile(folder.path() + "/missing"), std::nullopt);
}

TEST(PackageFile, UpdatesFolderIsPrivateUnderTheDataFolder)
{
    testsupport::TempDir data;
    testsupport::ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", data.path());
    const std::string expected = std::string(std::getenv("XDG_DATA_HOME")) + "/Glimra/updates";
    EXPECT_EQ(UpdateInstaller::updatesDir(), expected);
    struct stat status {};
    ASSERT_EQ(::stat(expected.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    // Opened up by someone: closed again before a package lands there.
    ::chmod(expected.c_str(), 0777);
    EXPECT_EQ(UpdateInstaller::updatesDir(), expected);
    ::stat(expected.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    // A link in its place is not followed.
    testsupport::TempDir elsewhere;
    std::filesystem::remove(expected);
    std::filesystem::create_directory_symlink(elsewhere.path(), expected);
    EXPECT_EQ(UpdateInstaller::updatesDir(), std::nullopt);
    // Nor one in place of the data folder above it, which is neither tightened nor filled.
    std::filesystem::remove_all(data.path() + "/Glimra");
    ::chmod(elsewhere.path().c_str(), 0755);
    std::filesystem::create_directory_symlink(elsewhere.path(), data.path() + "/Glimra");
    EXPECT_EQ(UpdateInstaller::updatesDir(), std::nullopt);
    ::stat(elsewhere.path().c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0755u);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
}

}  // namespace
