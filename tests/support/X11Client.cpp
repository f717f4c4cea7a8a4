#include "support/X11Client.h"

#include "support/ChildEnvironment.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {
namespace {

// Clients and tools read and write text in the locale: the tests' titles and typed text
// are UTF-8 whatever the caller's locale, which on a bare machine is none.
std::vector<std::string> clientEnvironment() { return childEnvironment({{"LC_ALL", "C.UTF-8"}}); }

bool reaped(pid_t pid, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

}  // namespace

X11Client::X11Client(std::vector<std::string> arguments)
{
    auto argv = nullTerminated(arguments);
    const auto environment = clientEnvironment();
    auto envp = nullTerminated(environment);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ != 0) return;
    // The client dies with the test, also when the test crashes before its destructor
    // runs, and writes nowhere that ctest waits on.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    ::dup2(nowhere, STDOUT_FILENO);
    ::dup2(nowhere, STDERR_FILENO);
    ::execvpe(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

X11Client::~X11Client() { end(); }

void X11Client::end()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    if (!reaped(pid_, 1)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

unsigned long X11Client::waitForWindow(const std::string& windowClass, double timeoutSeconds)
{
    if (pid_ <= 0) return 0;
    unsigned long window = 0;
    waitUntil(
        [&] {
            // The class alone may name windows of other clients; the newest is ours only
            // when the pid agrees or the client sets none.
            const auto found = runTool({"xdotool", "search", "--onlyvisible", "--class", windowClass});
            unsigned long last = 0;
            for (std::size_t start = 0; start < found.size();) {
                const auto end = found.find('\n', start);
                const auto line = found.substr(start, end - start);
                if (!line.empty()) {
                    const auto id = std::stoul(line);
                    const auto pid = runTool({"xdotool", "getwindowpid", std::to_string(id)});
                    if (pid.empty() || std::stol(pid) == pid_) last = id;
                }
                if (end == std::string::npos) break;
                start = end + 1;
            }
            window = last;
            return window != 0;
        },
        timeoutSeconds);
    return window;
}

TestMonitor::TestMonitor(std::string name, const std::string& geometry, const std::string& output)
    : name_(std::move(name))
{
    runTool({"xrandr", "--setmonitor", name_, geometry, output});
}

TestMonitor::~TestMonitor() { remove(); }

void TestMonitor::remove()
{
    if (!removed_) runTool({"xrandr", "--delmonitor", name_.front() == '*' ? name_.substr(1) : name_});
    removed_ = true;
}

std::string runTool(const std::vector<std::string>& arguments, int* status)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", 0, 0);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    auto argv = nullTerminated(arguments);
    const auto environment = clientEnvironment();
    auto envp = nullTerminated(environment);
    pid_t pid = -1;
    const bool started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; started && (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
    ::close(pipeEnds[0]);
    int wstatus = -1;
    if (started) ::waitpid(pid, &wstatus, 0);
    if (status) *status = started && WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return output;
}

bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

PointerPoint pointer()
{
    std::istringstream words(runTool({"xdotool", "getmouselocation"}));
    PointerPoint place;
    for (std::string word; words >> word;) {
        if (word.rfind("x:", 0) == 0) place.x = std::stoi(word.substr(2));
        if (word.rfind("y:", 0) == 0) place.y = std::stoi(word.substr(2));
    }
    return place;
}

bool movePointer(int x, int y)
{
    runTool({"xdotool", "mousemove", std::to_string(x), std::to_string(y)});
    return waitUntil([&] {
        const PointerPoint now = pointer();
        return now.x == x && now.y == y;
    });
}

bool movePointerOnto(int x, int y) { return movePointer(x - 1, y) && movePointer(x, y); }

}  // namespace testsupport
