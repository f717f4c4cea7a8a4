#include "platform/linux/AutostartProgram.h"
#include "platform/linux/XdgLoginItem.h"
#include "support/TestEnvironment.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using linuxdesktop::AutostartProgram;
using linuxdesktop::autostartProgramFor;

class AutostartProgramTest : public testsupport::VirtualTimeTest {
protected:
    // PREFIX/lib/glimra with bundle.json beside bin/glimra, as an install lays it out.
    std::string installAt(const std::string& prefix)
    {
        const std::string bundle = prefix + "/lib/glimra";
        fs::create_directories(bundle + "/bin");
        testsupport::writeFile(bundle + "/bundle.json", R"({"identifier":"com.glimra.app","executable":"bin/glimra"})");
        testsupport::writeFile(bundle + "/bin/glimra", "");
        return bundle + "/bin/glimra";
    }
};

TEST_F(AutostartProgramTest, AnInstalledCopyStartsThroughItsLinkAndABuildFolderCopyNever)
{
    const std::string prefix = home() + "/prefix";
    const std::string installed = installAt(prefix);
    EXPECT_EQ(autostartProgramFor(installed), (AutostartProgram{installed, std::nullopt})) << "no link yet";

    fs::create_directories(prefix + "/bin");
    fs::create_symlink("../lib/glimra/bin/glimra", prefix + "/bin/glimra");
    EXPECT_EQ(autostartProgramFor(installed), (AutostartProgram{prefix + "/bin/glimra", std::nullopt}));

    // A link that leads to another copy is not this one's.
    const std::string other = installAt(home() + "/other");
    fs::remove(prefix + "/bin/glimra");
    fs::create_symlink(other, prefix + "/bin/glimra");
    EXPECT_EQ(autostartProgramFor(installed), (AutostartProgram{installed, std::nullopt}));

    const std::string built = home() + "/src/build/glimra";
    const AutostartProgram fromBuild = autostartProgramFor(built);
    EXPECT_EQ(fromBuild.executable, built);
    ASSERT_TRUE(fromBuild.refusal);
    EXPECT_NE(fromBuild.refusal->find(built), std::string::npos) << *fromBuild.refusal;
    EXPECT_TRUE(autostartProgramFor("").refusal);
}

// The switch of a copy run from its build folder still shows, and can turn off, an entry
// an earlier version wrote for it.
TEST_F(AutostartProgramTest, ACopyThatCannotRegisterStillSeesAndRemovesItsOldEntry)
{
    using Status = desktop::LoginItem::Status;
    const std::string built = home() + "/src/build/glimra";
    linuxdesktop::XdgLoginItem item(autostartProgramFor(built));
    EXPECT_TRUE(item.registrationRefusal());
    const auto error = item.registerItem();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription, *item.registrationRefusal());
    const std::string entry = configHome() + "/autostart/glimra.desktop";
    EXPECT_FALSE(fs::exists(entry));

    testsupport::writeFile(entry, "[Desktop Entry]\nType=Application\nName=Glimra\nExec=" + built + "\n");
    EXPECT_EQ(item.status(), Status::enabled);
    EXPECT_FALSE(item.unregisterItem());
    EXPECT_EQ(item.status(), Status::notRegistered);
}

}  // namespace
