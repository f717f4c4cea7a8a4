#include "platform/core/OwnFolder.h"
#include "platform/core/SystemLog.h"
#include "support/ReturnsInChild.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using core::OwnFolder;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

using testsupport::modeOf;

class OwnFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::systemLog::setSink([this](const std::string& line) { lines.push_back(line); });
        fs::create_directory(base.path() + "/base");
        // Where a link leads: nothing here may change.
        writeFile(outside.path() + "/secret", "outside\n");
        ::chmod((outside.path() + "/secret").c_str(), 0644);
        ::chmod(outside.path().c_str(), 0755);
    }
    void TearDown() override { core::systemLog::setSink({}); }

    std::string at(const std::string& relative) const { return base.path() + "/base/" + relative; }
    void expectOutsideUntouched() const
    {
        EXPECT_EQ(fs::directory_iterator(outside.path()) != fs::directory_iterator(), true);
        EXPECT_EQ(std::distance(fs::directory_iterator(outside.path()), fs::directory_iterator()), 1);
        EXPECT_EQ(readFile(outside.path() + "/secret"), "outside\n");
        EXPECT_EQ(modeOf(outside.path() + "/secret"), 0644u);
        EXPECT_EQ(modeOf(outside.path()), 0755u);
    }
    std::string linkLine(const std::string& path) const
    {
        return "[Glimra] 私有目录: " + path + " 是链接 ⇒ 不跟随，保持原样";
    }

    TempDir base, outside;
    std::vector<std::string> lines;
};

}  // namespace

TEST_F(OwnFolderTest, MissingFoldersAreMadeForTheUserAloneWhateverTheUmask)
{
    const mode_t previous = ::umask(0);
    const auto folder = OwnFolder::open(base.path() + "/base", "Glimra/CrashReports", OwnFolder::Missing::create);
    ::umask(previous);
    ASSERT_TRUE(folder) << folder.refusal();
    EXPECT_EQ(folder.path(), at("Glimra/CrashReports"));
    EXPECT_EQ(modeOf(at("Glimra")), 0700u);
    EXPECT_EQ(modeOf(at("Glimra/CrashReports")), 0700u);

    EXPECT_EQ(folder.writeAtomically("defaults.json", "{}\n"), std::nullopt);
    EXPECT_EQ(readFile(at("Glimra/CrashReports/defaults.json")), "{}\n");
    EXPECT_EQ(modeOf(at("Glimra/CrashReports/defaults.json")), 0600u);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"defaults.json"});

    // The base and its missing parents too (~/.local/share, ~/.config): else any user could
    // plant files in them.
    ::umask(0);
    const auto deeper = OwnFolder::open(at("local/share"), "Glimra", OwnFolder::Missing::create);
    ::umask(previous);
    ASSERT_TRUE(deeper) << deeper.refusal();
    EXPECT_EQ(modeOf(at("local")), 0700u);
    EXPECT_EQ(modeOf(at("local/share")), 0700u);
    EXPECT_EQ(modeOf(at("local/share/Glimra")), 0700u);

    const auto missing = OwnFolder::open(base.path() + "/base", "Glimra/updates", OwnFolder::Missing::fail);
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.refusedLink());
    EXPECT_TRUE(lines.empty());
}

TEST_F(OwnFolderTest, ALinkAsTheFolderOrAFolderAboveItIsRefusedOnceAndLeftAlone)
{
    fs::create_directory_symlink(outside.path(), at("Glimra"));
    for (const auto missing : {OwnFolder::Missing::fail, OwnFolder::Missing::create}) {
        const auto last = OwnFolder::open(base.path() + "/base", "Glimra", missing);
        EXPECT_FALSE(last);
        EXPECT_TRUE(last.refusedLink());
        const auto middle = OwnFolder::open(base.path() + "/base", "Glimra/CrashReports", missing);
        EXPECT_FALSE(middle);
        EXPECT_TRUE(middle.refusedLink());
        EXPECT_EQ(OwnFolder::openPath(at("Glimra"), missing).refusedLink(), true);
    }
    EXPECT_TRUE(fs::is_symlink(at("Glimra")));
    EXPECT_FALSE(fs::exists(outside.path() + "/CrashReports"));
    expectOutsideUntouched();
    // One line for the path, however often it is met.
    EXPECT_EQ(lines, std::vector<std::string>{linkLine(at("Glimra"))});

    // A dangling link is no folder to make either.
    fs::create_symlink(outside.path() + "/gone", at("dangling"));
    EXPECT_TRUE(OwnFolder::open(base.path() + "/base", "dangling/x", OwnFolder::Missing::create).refusedLink());
    EXPECT_FALSE(fs::exists(outside.path() + "/gone"));
    EXPECT_TRUE(fs::is_symlink(at("dangling")));

    // A file where a folder should be is refused, though it is no link.
    writeFile(at("file"), "x");
    const auto file = OwnFolder::open(base.path() + "/base", "file/x", OwnFolder::Missing::create);
    EXPECT_FALSE(file);
    EXPECT_FALSE(file.refusedLink());
    EXPECT_EQ(readFile(at("file")), "x");
    EXPECT_EQ(lines.size(), 2u);
}

TEST_F(OwnFolderTest, ALinkAsAFileIsNeitherOpenedReadReplacedNorTightened)
{
    const auto folder = OwnFolder::open(base.path() + "/base", "Glimra", OwnFolder::Missing::create);
    ASSERT_TRUE(folder);
    fs::create_symlink(outside.path() + "/secret", at("Glimra/diag.log"));
    fs::create_symlink(outside.path() + "/new", at("Glimra/dangling.log"));

    EXPECT_LT(folder.openFile("diag.log", O_WRONLY | O_APPEND | O_CREAT), 0);
    EXPECT_LT(folder.openFile("dangling.log", O_WRONLY | O_APPEND | O_CREAT), 0);
    EXPECT_FALSE(folder.contents("diag.log").bytes);
    EXPECT_TRUE(folder.writeAtomically("diag.log", "replaced").has_value());
    EXPECT_TRUE(S_ISLNK(folder.status("diag.log")->st_mode));
    ::chmod(at("Glimra").c_str(), 0755);
    folder.tighten();
    EXPECT_EQ(modeOf(at("Glimra")), 0700u);

    EXPECT_TRUE(fs::is_symlink(at("Glimra/diag.log")));
    EXPECT_FALSE(fs::exists(outside.path() + "/new"));
    expectOutsideUntouched();
    EXPECT_EQ(lines, (std::vector<std::string>{linkLine(at("Glimra/diag.log")), linkLine(at("Glimra/dangling.log"))}));

    // Removing takes the link away, never what it names.
    EXPECT_TRUE(folder.remove("diag.log"));
    EXPECT_FALSE(fs::exists(at("Glimra/diag.log")));
    expectOutsideUntouched();
}

TEST_F(OwnFolderTest, TighteningTouchesTheFolderAndItsOwnEntriesOnly)
{
    const auto folder = OwnFolder::open(base.path() + "/base", "Glimra", OwnFolder::Missing::create);
    writeFile(at("Glimra/a.crash"), "x");
    fs::create_directory(at("Glimra/sub"));
    ::chmod(at("Glimra/a.crash").c_str(), 0664);
    ::chmod(at("Glimra/sub").c_str(), 0775);
    ::chmod(at("Glimra").c_str(), 0775);
    fs::create_symlink(outside.path() + "/secret", at("Glimra/b.crash"));
    folder.tighten();
    EXPECT_EQ(modeOf(at("Glimra")), 0700u);
    EXPECT_EQ(modeOf(at("Glimra/a.crash")), 0600u);
    EXPECT_EQ(modeOf(at("Glimra/sub")), 0700u);
    expectOutsideUntouched();
}

TEST_F(OwnFolderTest, AFifoAsAFileIsNeitherWaitedOnNorOpenedNorReplaced)
{
    const auto folder = OwnFolder::open(base.path() + "/base", "Glimra", OwnFolder::Missing::create);
    ASSERT_TRUE(folder);
    ASSERT_EQ(::mkfifo(at("Glimra/diag.log").c_str(), 0600), 0);
    EXPECT_TRUE(testsupport::returnsInChild([&] {
        folder.openFile("diag.log", O_WRONLY | O_APPEND | O_CREAT);
        folder.openFile("diag.log", O_RDONLY);
        folder.openForAppending("diag.log");
    }));

    EXPECT_LT(folder.openForAppending("diag.log"), 0);
    EXPECT_LT(folder.openFile("diag.log", O_RDONLY), 0);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_FALSE(folder.contents("diag.log").bytes);
    EXPECT_TRUE(folder.writeAtomically("diag.log", "replaced").has_value());
    EXPECT_TRUE(S_ISFIFO(folder.status("diag.log")->st_mode));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"diag.log"});
    EXPECT_EQ(lines, std::vector<std::string>{"[Glimra] 私有目录: " + at("Glimra/diag.log") +
                                              " 不是普通文件 ⇒ 不打开，保持原样"});
}

TEST_F(OwnFolderTest, AFileWithOtherHardLinksIsNeitherTightenedNorWrittenButReplacedWhereWritten)
{
    const auto folder = OwnFolder::open(base.path() + "/base", "Glimra", OwnFolder::Missing::create);
    ASSERT_TRUE(folder);
    for (const char* name : {"diag.log", "defaults.json"})
        ASSERT_EQ(::link((outside.path() + "/secret").c_str(), at(std::string("Glimra/") + name).c_str()), 0);
    const auto hardLinkLine = [&](const std::string& name) {
        return "[Glimra] 私有目录: " + at("Glimra/" + name) + " 另有硬链接 ⇒ 不写入，不收紧";
    };

    folder.tighten();
    EXPECT_EQ(modeOf(at("Glimra/diag.log")), 0644u);
    EXPECT_EQ(folder.openFile("diag.log", O_WRONLY | O_TRUNC), -1);
    EXPECT_EQ(errno, EMLINK);
    // Reading it writes nothing.
    const int reading = folder.openFile("diag.log", O_RDONLY);
    EXPECT_GE(reading, 0);
    ::close(reading);
    expectOutsideUntouched();

    // Where we write, a fresh file of ours takes the name.
    const int appending = folder.openForAppending("diag.log");
    ASSERT_GE(appending, 0);
    EXPECT_TRUE(core::writeAllTo(appending, "ours\n"));
    ::close(appending);
    EXPECT_EQ(folder.writeAtomically("defaults.json", "{}\n"), std::nullopt);
    for (const auto& [name, text] : {std::pair{"diag.log", "ours\n"}, std::pair{"defaults.json", "{}\n"}}) {
        const std::string path = at(std::string("Glimra/") + name);
        EXPECT_EQ(readFile(path), text);
        EXPECT_EQ(fs::hard_link_count(path), 1u);
        EXPECT_EQ(modeOf(path), 0600u);
    }
    expectOutsideUntouched();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{hardLinkLine("defaults.json"), hardLinkLine("diag.log")}));
}
