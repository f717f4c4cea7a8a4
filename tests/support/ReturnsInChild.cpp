#include "support/ReturnsInChild.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

::testing::AssertionResult returnsInChild(const std::function<void()>& call)
{
    // Generous: only a call that waits for good gets near it, even on a loaded machine.
    constexpr int boundMs = 60000;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return ::testing::AssertionFailure() << "no pipe";
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return ::testing::AssertionFailure() << "cannot fork";
    }
    if (child == 0) {
        ::close(ends[0]);
        call();
        ::_exit(0);
    }
    // The pipe closes when the child ends, however it ends.
    ::close(ends[1]);
    pollfd end{ends[0], POLLIN, 0};
    int ready;
    do ready = ::poll(&end, 1, boundMs);
    while (ready < 0 && errno == EINTR);
    ::close(ends[0]);
    if (ready == 0) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (ready == 0) return ::testing::AssertionFailure() << "the call still waited after " << boundMs / 1000 << " s";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return ::testing::AssertionFailure() << "the child ended with status " << status;
    return ::testing::AssertionSuccess();
}

}  // namespace testsupport
