#include "platform/core/SystemLog.h"
#include "platform/linux/XdgLoginItem.h"
#include "support/ReturnsInChild.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Status = desktop::LoginItem::Status;

using testsupport::modeOf;

// The autostart entry as a launch meets it in a folder someone else had a hand in.
class XdgLoginItemFilesTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        core::systemLog::setSink([this](const std::string& line) { lines.push_back(line); });
        fs::create_directories(configHome());
    }
    void TearDown() override
    {
        core::systemLog::setSink({});
        VirtualTimeTest::TearDown();
    }

    std::string folder() const { return configHome() + "/autostart"; }
    std::string entryPath() const { return folder() + "/glimra.desktop"; }
    std::string line(const std::string& path, const std::string& what) const
    {
        return "[Glimra] 私有目录: " + path + " " + what;
    }

    const std::string entry = "[Desktop Entry]\nType=Application\nName=Glimra\nExec=/usr/bin/glimra\n";
    linuxdesktop::XdgLoginItem item{{"/usr/bin/glimra", std::nullopt}};
    testsupport::TempDir outside;
    std::vector<std::string> lines;
};

}  // namespace

TEST_F(XdgLoginItemFilesTest, ALinkedAutostartFolderIsNeitherReadNorWrittenNorEmptied)
{
    testsupport::writeFile(outside.path() + "/glimra.desktop", entry);
    fs::create_directory_symlink(outside.path(), folder());

    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_TRUE(item.registerItem());
    EXPECT_TRUE(item.unregisterItem());
    EXPECT_EQ(testsupport::readFile(outside.path() + "/glimra.desktop"), entry);
    EXPECT_EQ(std::distance(fs::directory_iterator(outside.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_symlink(folder()));
    EXPECT_EQ(lines, std::vector<std::string>{line(folder(), "是链接 ⇒ 不跟随，保持原样")});
}

TEST_F(XdgLoginItemFilesTest, AFifoInPlaceOfTheEntryIsNotWaitedOnAndLeftAlone)
{
    fs::create_directory(folder());
    ASSERT_EQ(::mkfifo(entryPath().c_str(), 0600), 0);
    // The launch reads the entry's state: a wait there would be for good.
    EXPECT_TRUE(testsupport::returnsInChild([this] {
        item.status();
        item.registerItem();
    }));

    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_TRUE(item.registerItem());
    EXPECT_TRUE(fs::is_fifo(entryPath()));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()), 1);
    EXPECT_EQ(lines, std::vector<std::string>{line(entryPath(), "不是普通文件 ⇒ 不打开，保持原样")});
}

// The entry is only ever written by renaming a fresh file over it, which leaves the other
// name's file as it was; only the line tells that the hard link was seen.
TEST_F(XdgLoginItemFilesTest, AnEntryLinkedFromElsewhereIsReplacedNotWritten)
{
    fs::create_directory(folder());
    testsupport::writeFile(outside.path() + "/theirs.desktop", "theirs\n");
    ASSERT_EQ(::link((outside.path() + "/theirs.desktop").c_str(), entryPath().c_str()), 0);

    EXPECT_FALSE(item.registerItem());
    EXPECT_EQ(item.status(), Status::enabled);
    EXPECT_EQ(testsupport::readFile(outside.path() + "/theirs.desktop"), "theirs\n");
    EXPECT_EQ(fs::hard_link_count(entryPath()), 1u);
    EXPECT_EQ(lines, std::vector<std::string>{line(entryPath(), "另有硬链接 ⇒ 不写入，不收紧")});
}

TEST_F(XdgLoginItemFilesTest, EveryFolderMadeForTheEntryIsTheUsersAloneWhateverTheUmask)
{
    // The default ~/.config, made by this registration.
    testsupport::ScopedEnvironment environment;
    environment.set("HOME", home() + "/user");
    environment.set("XDG_CONFIG_HOME", "");
    const mode_t previous = ::umask(0);
    const auto error = item.registerItem();
    ::umask(previous);
    ASSERT_FALSE(error) << error->localizedDescription;
    EXPECT_EQ(modeOf(home() + "/user"), 0700u);
    EXPECT_EQ(modeOf(home() + "/user/.config"), 0700u);
    EXPECT_EQ(modeOf(home() + "/user/.config/autostart"), 0700u);
    EXPECT_EQ(modeOf(home() + "/user/.config/autostart/glimra.desktop"), 0600u);
}
