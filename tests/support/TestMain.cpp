#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

// ctest runs every test as its own process, many at once: each process gets a home,
// XDG folders and a temporary folder of its own, so no two share a file.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::TempDir processHome;
    const auto setFolder = [&](const char* variable, const std::string& name) {
        const std::string path = processHome.path() + "/" + name;
        std::filesystem::create_directory(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        ::setenv(variable, path.c_str(), 1);
    };
    ::setenv("HOME", processHome.path().c_str(), 1);
    setFolder("TMPDIR", "tmp");
    setFolder("XDG_CONFIG_HOME", "config");
    setFolder("XDG_DATA_HOME", "data");
    setFolder("XDG_CACHE_HOME", "cache");
    setFolder("XDG_RUNTIME_DIR", "runtime");
    return RUN_ALL_TESTS();
}
