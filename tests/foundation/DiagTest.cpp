#include "foundation/Diag.h"

#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "support/DiagLines.h"

#include <filesystem>
#include <regex>
#include <sstream>
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

TEST_F(DiagLog, AMessageWithALineFeedKeepsOneTimeStamp)
{
    Diag::log("first\nsecond");
    Diag::log("");
    EXPECT_EQ(readFile(logPath()), "09:00:00 first\nsecond\n09:00:00 \n");
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
