#include "platform/core/SystemInfo.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <sys/utsname.h>

namespace {

class SystemInfoTest : public ::testing::Test {
protected:
    core::SystemInfoSources sources() const
    {
        return {folder.path() + "/os-release", folder.path() + "/lib-os-release", folder.path() + "/machine-id"};
    }
    void write(const std::string& name, const std::string& text) const
    {
        testsupport::writeFile(folder.path() + "/" + name, text);
    }

    testsupport::TempDir folder;
};

TEST_F(SystemInfoTest, ReadsTheReleaseTheMachineAndTheKernel)
{
    write("os-release",
          "PRETTY_NAME=\"Ubuntu 24.04.1 LTS\"\nNAME=\"Ubuntu\"\n# VERSION_ID=\"1.0\"\nVERSION_ID=\"24.04\"\n"
          "ID=ubuntu\n");
    write("machine-id", "0123456789abcdef0123456789abcdef\n");
    const core::SystemInfo info = core::readSystemInfo(sources());
    EXPECT_EQ(info.osVersion, (core::OsVersion{24, 4, 0}));
    EXPECT_EQ(info.osName, "Ubuntu");
    EXPECT_EQ(info.machineIdentifier, "0123456789abcdef0123456789abcdef");
    utsname names{};
    ASSERT_EQ(::uname(&names), 0);
    EXPECT_EQ(info.architecture, names.machine);
    EXPECT_FALSE(info.architecture.empty());
}

TEST_F(SystemInfoTest, MissingOrUnusableFactsAreNone)
{
    const core::SystemInfo nothing = core::readSystemInfo(sources());
    EXPECT_FALSE(nothing.osVersion);
    EXPECT_EQ(nothing.osName, "Linux");
    EXPECT_FALSE(nothing.machineIdentifier);

    // A rolling release has no VERSION_ID; the fallback file is read when the first is missing.
    write("lib-os-release", "NAME='Arch Linux'\nID=arch\n");
    write("machine-id", "uninitialized\n");
    const core::SystemInfo rolling = core::readSystemInfo(sources());
    EXPECT_FALSE(rolling.osVersion);
    EXPECT_EQ(rolling.osName, "Arch Linux");
    EXPECT_FALSE(rolling.machineIdentifier);

    for (const char* id : {"", "0123456789ABCDEF0123456789ABCDEF", "0123456789abcdef0123456789abcde",
                           "0123456789abcdef0123456789abcdef0"}) {
        write("machine-id", id);
        EXPECT_FALSE(core::readSystemInfo(sources()).machineIdentifier) << id;
    }
}

TEST_F(SystemInfoTest, VersionIdsGiveATripleOrNone)
{
    using V = core::OsVersion;
    EXPECT_EQ(core::parseOsVersion("24.04"), (V{24, 4, 0}));
    EXPECT_EQ(core::parseOsVersion("12"), (V{12, 0, 0}));
    EXPECT_EQ(core::parseOsVersion("3.19.1"), (V{3, 19, 1}));
    for (const char* text :
         {"", "rolling", "24.", ".04", "24..04", "1.2.3.4", "-1", "+24", "24.04 ", "24.x", "99999999999999999999"})
        EXPECT_FALSE(core::parseOsVersion(text)) << text;

    write("os-release", "VERSION_ID=\"3.19.1\"\nVERSION_ID=\"3.20.0\"\n");
    EXPECT_EQ(core::readSystemInfo(sources()).osVersion, (V{3, 20, 0}));
}

TEST_F(SystemInfoTest, TheDistributionIsNamedByItsIdAndVersionId)
{
    EXPECT_EQ(core::readDistribution(sources()), "linux") << "os-release's default ID";
    write("lib-os-release", "NAME='Arch Linux'\nID=arch\n");
    EXPECT_EQ(core::readDistribution(sources()), "arch");
    write("os-release",
          "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
          "VERSION=\"12 (bookworm)\"\nID=debian\n");
    EXPECT_EQ(core::readDistribution(sources()), "debian 12");
    write("os-release", "ID=ubuntu\nVERSION_ID=24.04\nID=\"\"\n");
    EXPECT_EQ(core::readDistribution(sources()), "linux 24.04");
}

TEST_F(SystemInfoTest, AnOverrideReplacesTheRealSystemUntilCleared)
{
    const core::SystemInfo simulated{core::OsVersion{22, 4, 3}, "Debian", "riscv64", std::nullopt};
    core::setSystemInfoOverride(simulated);
    EXPECT_EQ(core::systemInfo(), simulated);
    core::setSystemInfoOverride(std::nullopt);
    EXPECT_EQ(core::systemInfo(), core::readSystemInfo());
}

}  // namespace
