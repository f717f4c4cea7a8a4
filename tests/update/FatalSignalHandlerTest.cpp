#include "support/TestEnvironment.h"
#include "update/CrashingChild.h"

#include <gmock/gmock.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testing::ContainsRegex;
using testing::HasSubstr;
using testing::MatchesRegex;
using testing::Not;
using testsupport::crashInChild;

TEST(FatalSignalHandlerTest, AFatalSignalLeavesOnePrivateReportAndTheProcessEndsAsItWouldHave)
{
    testsupport::TempDir dir;
    const std::string folder = dir.path() + "/segv";
    const auto segv = crashInChild(folder, SIGSEGV, SIG_DFL, [] { testsupport::readForbiddenPage(); });
    ASSERT_TRUE(WIFSIGNALED(segv.status));
    EXPECT_EQ(WTERMSIG(segv.status), SIGSEGV);
    ASSERT_EQ(segv.reports.size(), 1u);
    EXPECT_THAT(segv.reports[0].filename().string(),
                MatchesRegex("Glimra-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}-[0-9]+\\.crash"));
    struct stat info {};
    ASSERT_EQ(::lstat(segv.reports[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    const std::string text = testsupport::readFile(segv.reports[0]);
    EXPECT_THAT(text, HasSubstr("Glimra 9.9 (99)\nOS: Linux 24.04 (x86_64)\nSignal: SIGSEGV (11)\n"));
    EXPECT_THAT(text, MatchesRegex("(.|\n)*Time: [0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z\n(.|\n)*"));

    // The crashing thread's frames, innermost first: the faulting function itself, named,
    // in this program at an offset; then its callers, out into the C library.
    EXPECT_THAT(text, ContainsRegex("\nProcess: [0-9]+\nCrashed thread: [0-9]+ \\([ -~]+\\)\nFrames:\n0  " +
                                    testsupport::ownExecutableName() +
                                    " \\+ 0x[0-9a-f]+  [A-Za-z0-9_]*readForbiddenPage[A-Za-z0-9_]* \\+ 0x[0-9a-f]+\n"));
    EXPECT_THAT(text, ContainsRegex("\n[0-9]+  libc\\.so\\.6 \\+ 0x[0-9a-f]+"));
    EXPECT_THAT(text, Not(HasSubstr("onFatalSignal"))) << "the handler's own frames are left out";
    EXPECT_THAT(text, Not(HasSubstr("CrashStack")));

    // A handler that was there before still gets the signal, after the report.
    const std::string abortFolder = dir.path() + "/abort";
    const auto abort = crashInChild(
        abortFolder, SIGABRT, [](int) { ::_exit(42); }, [] { std::abort(); });
    ASSERT_TRUE(WIFEXITED(abort.status));
    EXPECT_EQ(WEXITSTATUS(abort.status), 42);
    ASSERT_EQ(abort.reports.size(), 1u);
    const std::string abortText = testsupport::readFile(abort.reports[0]);
    EXPECT_THAT(abortText, HasSubstr("Signal: SIGABRT (6)\n"));
    // A signal the process sent itself: its frames begin where it was sent.
    EXPECT_THAT(abortText, ContainsRegex("\nFrames:\n0  libc\\.so\\.6 \\+ 0x"));
    EXPECT_THAT(abortText, ContainsRegex("\n[0-9]+  libc\\.so\\.6 \\+ 0x[0-9a-f]+  abort \\+ 0x"));
    EXPECT_THAT(abortText, ContainsRegex("\n[0-9]+  " + testsupport::ownExecutableName() + " \\+ 0x"));
}

}  // namespace
