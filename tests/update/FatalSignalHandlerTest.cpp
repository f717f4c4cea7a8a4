#include "support/TestEnvironment.h"
#include "update/FatalSignalHandler.h"

#include <gmock/gmock.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testing::HasSubstr;
using testing::MatchesRegex;

struct ChildEnd {
    int status = 0;
    std::vector<std::filesystem::path> reports;
};

// Runs `crash` in a child with the handler installed over `previous` as the signal's
// disposition, and collects how the child ended and what it left.
ChildEnd crashInChild(const std::string& folder, int signal, void (*previous)(int), void (*crash)())
{
    const pid_t child = ::fork();
    if (child == 0) {
        // Whatever a sanitizer installed, this child starts from a known disposition.
        std::signal(signal, previous);
        FatalSignalHandler::install(folder, "Glimra 9.9 (99)\nOS: Linux 24.04 (x86_64)\n");
        crash();
        ::_exit(3);
    }
    ChildEnd end;
    ::waitpid(child, &end.status, 0);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) end.reports.push_back(entry.path());
    return end;
}

TEST(FatalSignalHandlerTest, AFatalSignalLeavesOnePrivateReportAndTheProcessEndsAsItWouldHave)
{
    testsupport::TempDir dir;
    const std::string folder = dir.path() + "/segv";
    const ChildEnd segv = crashInChild(folder, SIGSEGV, SIG_DFL, [] { ::raise(SIGSEGV); });
    ASSERT_TRUE(WIFSIGNALED(segv.status));
    EXPECT_EQ(WTERMSIG(segv.status), SIGSEGV);
    ASSERT_EQ(segv.reports.size(), 1u);
    EXPECT_THAT(segv.reports[0].filename().string(), MatchesRegex("Glimra-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}-[0-9]+\\.crash"));
    struct stat info {};
    ASSERT_EQ(::lstat(segv.reports[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    const std::string text = testsupport::readFile(segv.reports[0]);
    EXPECT_THAT(text, HasSubstr("Glimra 9.9 (99)\nOS: Linux 24.04 (x86_64)\nSignal: SIGSEGV (11)\n"));
    EXPECT_THAT(text, MatchesRegex("(.|\n)*Time: [0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z\n(.|\n)*"));

    // A handler that was there before still gets the signal, after the report.
    const std::string abortFolder = dir.path() + "/abort";
    const ChildEnd abort = crashInChild(abortFolder, SIGABRT, [](int) { ::_exit(42); }, [] { std::abort(); });
    ASSERT_TRUE(WIFEXITED(abort.status));
    EXPECT_EQ(WEXITSTATUS(abort.status), 42);
    ASSERT_EQ(abort.reports.size(), 1u);
    EXPECT_THAT(testsupport::readFile(abort.reports[0]), HasSubstr("Signal: SIGABRT (6)\n"));
}

}  // namespace
