#include "x11/TestDisplay.h"

#include "support/ChildEnvironment.h"
#include "support/X11Client.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace testsupport {
namespace {

// Starts the program with the environment; its output goes nowhere. keepOpen stays open
// in the child (-displayfd's pipe).
pid_t spawn(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
            int keepOpen = -1)
{
    auto argv = nullTerminated(arguments);
    const auto texts = childEnvironment(environment);
    auto envp = nullTerminated(texts);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    ::dup2(nowhere, STDOUT_FILENO);
    ::dup2(nowhere, STDERR_FILENO);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keepOpen) ::close(fd);
    ::execvpe(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

// Ends it (SIGTERM, SIGKILL after a second) and reaps it.
void end(pid_t& pid)
{
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (::waitpid(pid, nullptr, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid = -1;
}

// The display number Xvfb writes once it accepts clients; empty when none comes in time.
std::string readDisplayNumber(int fd)
{
    std::string number;
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, 5000) > 0) {
        char c = 0;
        if (::read(fd, &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    return number;
}

}  // namespace

TestDisplay::TestDisplay()
{
    int fds[2];
    if (::pipe(fds) != 0) return;
    // Without -noreset the server would reset when its first client leaves.
    server_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp", "-noreset", "-screen", "0",
                     "1280x800x24"},
                    {}, fds[1]);
    ::close(fds[1]);
    const std::string number = readDisplayNumber(fds[0]);
    ::close(fds[0]);
    if (number.empty()) return;
    const std::string display = ":" + number;
    windowManager_ = spawn({"openbox"}, {{"DISPLAY", display}});
    const bool managed = waitUntil(
        [&] {
            return runTool({"env", "DISPLAY=" + display, "xprop", "-root", "_NET_SUPPORTING_WM_CHECK"})
                       .find("window id") != std::string::npos;
        },
        10);
    if (managed) name_ = display;
}

TestDisplay::~TestDisplay()
{
    end(windowManager_);
    end(server_);
}

void TestDisplay::kill(int signalNumber)
{
    if (server_ <= 0) return;
    ::kill(server_, signalNumber);
    ::waitpid(server_, nullptr, 0);
    server_ = -1;
}

}  // namespace testsupport
