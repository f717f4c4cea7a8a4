#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

}  // namespace

// A FIFO where the log belongs held the launch before its signal handlers existed, and
// files this user keeps elsewhere, with second names among Glimra's, were tightened and
// written. The launch goes on, leaves all of them as they were and says so once for each.
TEST(X11OwnFiles, ALaunchNeitherWaitsOnAFifoNorChangesFilesLinkedFromOutside)
{
    UserFolders folders;
    const TempDir shared;
    fs::create_directories(folders.path("data/Glimra"));
    ASSERT_EQ(::mkfifo(folders.path("data/Glimra/diag.log").c_str(), 0600), 0);
    const std::string notes = shared.path() + "/notes.txt";
    const std::string settings = shared.path() + "/settings.json";
    writeFile(notes, "theirs\n");
    fs::copy_file(folders.path("config/Glimra/defaults.json"), settings);
    const std::string settingsText = readFile(settings);
    for (const auto& file : {notes, settings}) ::chmod(file.c_str(), 0644);
    ASSERT_EQ(::link(notes.c_str(), folders.path("data/Glimra/notes.txt").c_str()), 0);
    fs::remove(folders.path("config/Glimra/defaults.json"));
    ASSERT_EQ(::link(settings.c_str(), folders.path("config/Glimra/defaults.json").c_str()), 0);

    // Started on its own: the launch fixture would read the FIFO for the log's length.
    GlimraChild glimra(GLIMRA_EXECUTABLE, {}, folders.home(), folders.environment());
    const std::vector<std::string> lines{
        "私有目录: " + folders.path("data/Glimra/diag.log") + " 不是普通文件 ⇒ 不打开，保持原样",
        "私有目录: " + folders.path("data/Glimra/notes.txt") + " 另有硬链接 ⇒ 不写入，不收紧",
        "私有目录: " + folders.path("config/Glimra/defaults.json") + " 另有硬链接 ⇒ 不写入，不收紧"};
    EXPECT_TRUE(waitUntil(
        [&] {
            for (const auto& line : lines)
                if (glimra.err().find(line) == std::string::npos) return false;
            return statusButtonOf(glimra.pid()) != 0;
        },
        30))
        << glimra.err();
    glimra.signal(SIGTERM);
    EXPECT_EQ(glimra.waitForExit(3), 0);

    EXPECT_TRUE(fs::is_fifo(folders.path("data/Glimra/diag.log")));
    EXPECT_EQ(readFile(notes), "theirs\n");
    EXPECT_EQ(readFile(settings), settingsText);
    for (const auto& file : {notes, settings}) EXPECT_EQ(modeOf(file), 0644u) << file;
    for (const auto& line : lines) EXPECT_EQ(occurrences(glimra.err(), line), 1u) << line;
}
