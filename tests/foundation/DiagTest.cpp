#include "foundation/Diag.h"

#include "platform/core/SystemLog.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "support/DiagLines.h"
#include "support/ReturnsInChild.h"

#include <atomic>
#include <filesystem>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::readFile;

namespace {

class DiagLog : public testsupport::DiagTest {
protected:
    std::string logPath() const { return dataHome() + "/Glimra/diag.log"; }
    std::string olderPath() const { return dataHome() + "/Glimra/diag.1.log"; }
};

}  // namespace

TEST_F(DiagLog, TheFirstLineCreatesTheFolderAndFile)
{
    ASSERT_FALSE(fs::exists(dataHome() + "/Glimra"));
    clock().advance(75.9);
    Diag::log("启动: pid=501");
    EXPECT_EQ(readFile(logPath()), "09:01:15 启动: pid=501\n");
    ASSERT_TRUE(Diag::fileURL());
    EXPECT_EQ(*Diag::fileURL(), logPath());
}

TEST_F(DiagLog, TheLogAndItsFolderAreTheUsersAloneAlsoWhenLoosenedBefore)
{
    const auto modeOf = [](const std::string& path) { return fs::status(path).permissions(); };
    const auto owner = fs::perms::owner_read | fs::perms::owner_write;
    Diag::log("first");
    EXPECT_EQ(modeOf(dataHome() + "/Glimra"), fs::perms::owner_all);
    EXPECT_EQ(modeOf(logPath()), owner);

    // As a launch finds them after someone loosened them.
    fs::permissions(dataHome() + "/Glimra", fs::perms::all);
    fs::permissions(logPath(), fs::perms::all);
    testsupport::writeFile(olderPath(), "old\n");
    fs::permissions(olderPath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Diag::resetLocation();
    Diag::log("second");
    EXPECT_EQ(modeOf(dataHome() + "/Glimra"), fs::perms::owner_all);
    EXPECT_EQ(modeOf(logPath()), fs::perms::owner_all);
    EXPECT_EQ(modeOf(olderPath()), fs::perms::owner_read);
}

TEST_F(DiagLog, AMessageWithALineFeedKeepsOneTimeStampAndIndentsTheRest)
{
    Diag::log("first\nsecond\n");
    Diag::log("");
    EXPECT_EQ(readFile(logPath()), "09:00:00 first\n  second\n  \n09:00:00 \n");
}

TEST_F(DiagLog, AWindowTitleCannotForgeAStampedLine)
{
    clock().advance(3600 + 2 * 60 + 3);
    Diag::log("owner=Evil\n12:34:56 帧活性: 帧已恢复");
    EXPECT_EQ(readFile(logPath()), "10:02:03 owner=Evil\n  12:34:56 帧活性: 帧已恢复\n");
}

TEST_F(DiagLog, OtherControlCharactersAreWrittenAsVisibleEscapes)
{
    Diag::log(std::string("a\rb\tc") + '\0' + "d\x1B[2J\x7F" + "e\u0085f\u2028g\u2029h ⇒ 帧");
    EXPECT_EQ(readFile(logPath()), "09:00:00 a\\x0Db\\x09c\\x00d\\x1B[2J\\x7Fe\\u0085f\\u2028g\\u2029h ⇒ 帧\n");
    // A message cut inside a separator's bytes is left as it is.
    Diag::log("tail\xE2\x80");
    EXPECT_EQ(readFile(logPath()).substr(readFile(logPath()).find("tail")), "tail\xE2\x80\n");
}

// A window title holding U+202E would show the rest of its line reversed.
TEST_F(DiagLog, BidirectionalControlsAreWrittenAsVisibleEscapesAndOtherSymbolsStay)
{
    Diag::log("owner=\u202Egpj.exe\u202A\u202B\u202C\u202D|\u2066\u2067\u2068\u2069|\u200E\u200F");
    Diag::log("… ═ → ⇒ \u2027\u202F\u2065\u206A\u200D 帧");
    EXPECT_EQ(readFile(logPath()),
              "09:00:00 owner=\\u202Egpj.exe\\u202A\\u202B\\u202C\\u202D|\\u2066\\u2067\\u2068\\u2069|"
              "\\u200E\\u200F\n"
              "09:00:00 … ═ → ⇒ \u2027\u202F\u2065\u206A\u200D 帧\n");
}

TEST_F(DiagLog, RotatesOnlyWhenStrictlyLargerAtEvery256thCall)
{
    constexpr std::uintmax_t limit = 4 * 1024 * 1024;
    testsupport::writeFile(olderPath(), "an older generation\n");
    auto callsThenResize = [&](std::uintmax_t size) {
        for (int i = 0; i < 255; ++i) Diag::log("filler");
        fs::resize_file(logPath(), size);
    };

    callsThenResize(limit);
    Diag::log("check one");
    EXPECT_EQ(fs::file_size(logPath()), limit + std::string("09:00:00 check one\n").size())
        << "a file of exactly 4 MiB is not rotated";

    callsThenResize(limit + 1);
    Diag::log("check two");
    EXPECT_EQ(fs::file_size(olderPath()), limit + 1) << "the older generation is replaced";
    EXPECT_EQ(readFile(logPath()), "09:00:00 check two\n");

    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dataHome() + "/Glimra")) ++files;
    EXPECT_EQ(files, 2u);
}

TEST_F(DiagLog, ADeletedLogIsRecreatedWithoutLosingTheNextLines)
{
    Diag::log("one");
    fs::remove(logPath());
    Diag::log("two");  // goes to the unlinked file through the open handle
    Diag::resetLocation();
    Diag::log("three");
    EXPECT_EQ(readFile(logPath()), "09:00:00 three\n");
}

TEST_F(DiagLog, AFailedWriteReopensAndAppendsInsteadOfStartingAfresh)
{
    Diag::log("kept one");
    Diag::log("kept two");
    // Pull the cached descriptor out from under the log, so its next write fails.
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == fs::path(logPath()))
            ::close(std::stoi(entry.path().filename().string()));
    }
    Diag::log("after the failure");
    EXPECT_EQ(readFile(logPath()), "09:00:00 kept one\n09:00:00 kept two\n09:00:00 after the failure\n");
}

TEST_F(DiagLog, NeitherTheLogNorItsOlderGenerationIsWrittenThroughALink)
{
    testsupport::TempDir elsewhere;
    testsupport::writeFile(elsewhere.path() + "/theirs.log", "theirs\n");
    std::vector<std::string> systemLines;
    core::systemLog::setSink([&](const std::string& line) { systemLines.push_back(line); });

    // In place of the log: nothing is appended to what it names, and it is said once.
    Diag::log("first");
    fs::remove(logPath());
    fs::create_symlink(elsewhere.path() + "/theirs.log", logPath());
    Diag::resetLocation();
    for (int i = 0; i < 300; ++i) Diag::log("not through the link");
    EXPECT_EQ(readFile(elsewhere.path() + "/theirs.log"), "theirs\n");
    EXPECT_TRUE(fs::is_symlink(logPath()));

    // In place of the older generation: the log is not rotated onto it.
    fs::remove(logPath());
    fs::create_symlink(elsewhere.path() + "/theirs.log", olderPath());
    Diag::resetLocation();
    Diag::log("kept");
    fs::resize_file(logPath(), 4 * 1024 * 1024 + 1);
    for (int i = 0; i < 256; ++i) Diag::log("filler");
    EXPECT_EQ(readFile(elsewhere.path() + "/theirs.log"), "theirs\n");
    EXPECT_TRUE(fs::is_symlink(olderPath()));
    EXPECT_GT(fs::file_size(logPath()), 4u * 1024 * 1024);

    core::systemLog::setSink({});
    EXPECT_EQ(systemLines,
              (std::vector<std::string>{"[Glimra] 私有目录: " + logPath() + " 是链接 ⇒ 不跟随，保持原样",
                                        "[Glimra] 私有目录: " + olderPath() + " 是链接 ⇒ 不跟随，保持原样"}));
}

TEST_F(DiagLog, AFifoOrAFileLinkedFromElsewhereInPlaceOfTheLogIsNeitherWaitedOnNorWritten)
{
    testsupport::TempDir elsewhere;
    std::vector<std::string> systemLines;
    core::systemLog::setSink([&](const std::string& line) { systemLines.push_back(line); });

    // The first line comes before the signal handlers exist: a wait here would be for good.
    Diag::log("first");
    fs::remove(logPath());
    ASSERT_EQ(::mkfifo(logPath().c_str(), 0600), 0);
    Diag::resetLocation();
    EXPECT_TRUE(testsupport::returnsInChild([] { Diag::log("not waited on"); }));
    Diag::log("not written");
    Diag::log("nor this");
    EXPECT_TRUE(fs::is_fifo(logPath()));

    // Linked from elsewhere: the other name's file keeps what it had.
    fs::remove(logPath());
    testsupport::writeFile(elsewhere.path() + "/theirs.log", "theirs\n");
    ASSERT_EQ(::link((elsewhere.path() + "/theirs.log").c_str(), logPath().c_str()), 0);
    Diag::resetLocation();
    Diag::log("mine");
    Diag::log("mine too");
    EXPECT_EQ(readFile(elsewhere.path() + "/theirs.log"), "theirs\n");
    EXPECT_EQ(readFile(logPath()), "09:00:00 mine\n09:00:00 mine too\n");
    EXPECT_EQ(fs::hard_link_count(logPath()), 1u);

    core::systemLog::setSink({});
    EXPECT_EQ(systemLines,
              (std::vector<std::string>{"[Glimra] 私有目录: " + logPath() + " 不是普通文件 ⇒ 不打开，保持原样",
                                        "[Glimra] 私有目录: " + logPath() + " 另有硬链接 ⇒ 不写入，不收紧"}));
}

TEST_F(DiagLog, AnUnwritableFolderMakesEveryCallANoOp)
{
    // A file where the folder should be: even root cannot create the log there.
    testsupport::writeFile(home() + "/blocker", "");
    ::setenv("XDG_DATA_HOME", (home() + "/blocker").c_str(), 1);
    Diag::resetLocation();
    for (int i = 0; i < 300; ++i) EXPECT_NO_THROW(Diag::log("lost"));
    EXPECT_EQ(readFile(home() + "/blocker"), "");
}

TEST_F(DiagLog, ConcurrentWritersNeverInterleaveLines)
{
    auto threads = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(threads);
    constexpr int writers = 6;
    constexpr int linesEach = 300;
    dispatch::Semaphore finished;
    std::vector<dispatch::Queue> queues;
    for (int w = 0; w < writers; ++w) queues.emplace_back("writer." + std::to_string(w));
    for (int w = 0; w < writers; ++w)
        queues[w].async([w, &finished] {
            for (int i = 0; i < linesEach; ++i)
                Diag::log("writer=" + std::to_string(w) + " line=" + std::to_string(i) + " " + std::string(200, 'x'));
            finished.signal();
        });
    for (int w = 0; w < writers; ++w) ASSERT_TRUE(finished.wait(30));
    dispatch::install(scheduler_);

    std::istringstream lines(readFile(logPath()));
    const std::regex shape(R"(\d\d:\d\d:\d\d writer=\d line=\d+ x{200})");
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_TRUE(std::regex_match(line, shape)) << line.substr(0, 80);
        ++count;
    }
    EXPECT_EQ(count, writers * linesEach);
}

TEST_F(DiagLog, ThePathCanBeReadWhileTheLocationIsResetAndLinesAreWritten)
{
    auto threads = std::make_shared<dispatch::ThreadScheduler>();
    dispatch::install(threads);
    constexpr int rounds = 400;
    dispatch::Semaphore finished;
    std::atomic<int> wrongPaths = 0;
    std::vector<dispatch::Queue> queues;
    for (int q = 0; q < 6; ++q) queues.emplace_back("race." + std::to_string(q));
    for (int q = 0; q < 6; ++q)
        queues[q].async([q, &finished, &wrongPaths, expected = logPath()] {
            for (int i = 0; i < rounds; ++i) {
                if (q < 2)
                    Diag::log("writer=" + std::to_string(q) + " line=" + std::to_string(i));
                else if (q < 4)
                    Diag::resetLocation();
                else if (Diag::fileURL() != expected)
                    ++wrongPaths;
            }
            finished.signal();
        });
    for (int q = 0; q < 6; ++q) ASSERT_TRUE(finished.wait(30));
    dispatch::install(scheduler_);

    EXPECT_EQ(wrongPaths, 0);
    std::istringstream lines(readFile(logPath()));
    const std::regex shape(R"(\d\d:\d\d:\d\d writer=\d line=\d+)");
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) ASSERT_TRUE(std::regex_match(line, shape)) << line;
    EXPECT_EQ(count, 2 * rounds);
}
