#include "platform/core/AppIdentity.h"

#include "support/TestEnvironment.h"

#include <filesystem>

TEST(AppIdentity, ABundleFolderGivesItsPathVersionAndBuildAndTheBuildTreeKeepsCompiledInValues)
{
    testsupport::TempDir dir;
    const std::string bundle = dir.path() + "/Glimra.app";
    std::filesystem::create_directories(bundle + "/bin");
    testsupport::writeFile(bundle + "/bundle.json",
                           R"({"identifier":"com.glimra.app","version":"2.5.0","build":"77","executable":"bin/glimra"})");
    const auto installed = core::AppIdentity::resolve(bundle + "/bin/glimra");
    EXPECT_EQ(installed.bundlePath, bundle);
    EXPECT_EQ(installed.version, "2.5.0");
    EXPECT_EQ(installed.build, "77");
    EXPECT_TRUE(installed.installed);

    // Absent values read as absent, which the update rules count as version "0", build 0.
    testsupport::writeFile(bundle + "/bundle.json", R"({"identifier":"com.glimra.app","build":7})");
    const auto sparse = core::AppIdentity::resolve(bundle + "/bin/glimra");
    EXPECT_EQ(sparse.bundlePath, bundle);
    EXPECT_EQ(sparse.version, "");
    EXPECT_EQ(sparse.build, "");

    const auto built = core::AppIdentity::resolve(dir.path() + "/build/glimra");
    EXPECT_EQ(built.bundlePath, dir.path() + "/build");
    EXPECT_FALSE(built.installed);
    EXPECT_EQ(built.version, core::AppIdentity::resolve("").version);
    EXPECT_FALSE(built.version.empty());
}

TEST(AppIdentity, AnOverrideStandsInForTheOwnIdentityUntilCleared)
{
    const std::string ownPath = core::AppIdentity::current().bundlePath;
    core::AppIdentity other = core::AppIdentity::current();
    other.bundlePath = "/elsewhere/Glimra.app";
    other.build = "9";
    core::AppIdentity::setOverride(other);
    EXPECT_EQ(core::AppIdentity::current().bundlePath, "/elsewhere/Glimra.app");
    EXPECT_EQ(core::AppIdentity::current().build, "9");
    core::AppIdentity::setOverride(std::nullopt);
    EXPECT_EQ(core::AppIdentity::current().bundlePath, ownPath);
}
