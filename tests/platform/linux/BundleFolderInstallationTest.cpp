#include "platform/linux/BundleFolderInstallation.h"
#include "platform/linux/ProcessTools.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"

#include <filesystem>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Refusal = desktop::Installation::Refusal;

class BundleFolderInstallationTest : public testsupport::VirtualTimeTest {
protected:
    // PREFIX/lib/glimra as an install lays it out, beside other programs of the prefix.
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        prefix = home() + "/prefix";
        bundle = prefix + "/lib/glimra";
        fs::create_directories(bundle + "/bin");
        testsupport::writeFile(bundle + "/bundle.json", R"({"identifier":"com.glimra.app","executable":"bin/glimra"})");
        for (const char* file : {"/bin/glimra", "/LICENSE", "/update-keys", "/bundle.sig"})
            testsupport::writeFile(bundle + file, "");
        fs::create_directories(prefix + "/share/other");
        testsupport::writeFile(prefix + "/bin/other", "");
    }

    std::string prefix;
    std::string bundle;
    linuxdesktop::BundleFolderInstallation installation{std::make_shared<linuxdesktop::ProcessTools>()};
};

TEST_F(BundleFolderInstallationTest, ReplacesOnlyAFolderOfOurOwnThatTheUserMayWrite)
{
    EXPECT_EQ(installation.trustedKeysFile(bundle), bundle + "/update-keys");
    EXPECT_EQ(installation.replacementRefusal(bundle), std::nullopt);

    // A prefix made to look like a bundle holds other programs.
    testsupport::writeFile(prefix + "/bundle.json", testsupport::readFile(bundle + "/bundle.json"));
    EXPECT_EQ(installation.replacementRefusal(prefix), (Refusal{Refusal::Kind::otherContents, "lib"}));
    testsupport::writeFile(bundle + "/bin/helper", "");
    EXPECT_EQ(installation.replacementRefusal(bundle), (Refusal{Refusal::Kind::otherContents, "bin/helper"}));
    fs::remove(bundle + "/bin/helper");

    for (const std::string system : {"/", "/usr", "/usr/local", "/opt"})
        EXPECT_EQ(installation.replacementRefusal(system), (Refusal{Refusal::Kind::sharedFolder, {}})) << system;
    {
        testsupport::ScopedEnvironment environment;
        environment.set("HOME", bundle);
        EXPECT_EQ(installation.replacementRefusal(bundle + "/."), (Refusal{Refusal::Kind::sharedFolder, {}}));
    }
    if (fs::exists("/usr/bin/dpkg")) {
        const auto owned = installation.replacementRefusal("/usr/share/doc/dpkg");
        ASSERT_TRUE(owned);
        EXPECT_EQ(owned->kind, Refusal::Kind::packageManager);
        EXPECT_EQ(owned->detail.substr(0, 4), "dpkg");
    }
    // The replace script renames the folder and empties it: both it and its parent.
    fs::permissions(prefix + "/lib", fs::perms::owner_write, fs::perm_options::remove);
    if (::geteuid() != 0) {
        EXPECT_EQ(installation.replacementRefusal(bundle), (Refusal{Refusal::Kind::notWritable, prefix + "/lib"}));
    }
    fs::permissions(prefix + "/lib", fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
