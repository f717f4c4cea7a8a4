#include "x11/TestDisplay.h"

#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace testsupport {
namespace {

// The display number a server started with -displayfd writes once it takes clients.
std::string displayNumberFrom(int readEnd, double timeoutSeconds)
{
    std::string number;
    waitUntil(
        [&] {
            pollfd ready{readEnd, POLLIN, 0};
            char buffer[16];
            if (::poll(&ready, 1, 0) > 0)
                if (const auto n = ::read(readEnd, buffer, sizeof buffer); n > 0) number.append(buffer, n);
            return number.find('\n') != std::string::npos;
        },
        timeoutSeconds);
    const auto end = number.find('\n');
    return end == std::string::npos ? std::string() : number.substr(0, end);
}

long statusKilobytes(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) != 0) continue;
        std::istringstream value(line.substr(field.size() + 1));
        long kilobytes = 0;
        value >> kilobytes;
        return kilobytes * 1024;
    }
    return 0;
}

}  // namespace

TestDisplay::TestDisplay(const std::string& screen, std::vector<std::string> windowManager, bool waitForWorkArea)
{
    if (const char* display = std::getenv("DISPLAY")) earlierDisplay_ = display;
    // The server picks a free display itself: one picked here could be taken meanwhile.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    ::fcntl(ends[1], F_SETFD, 0);
    server_ = std::make_unique<X11Client>(std::vector<std::string>{
        "Xvfb", "-displayfd", std::to_string(ends[1]), "-nolisten", "tcp", "-noreset", "-screen", "0", screen});
    ::close(ends[1]);
    const std::string number = displayNumberFrom(ends[0], 10);
    ::close(ends[0]);
    if (number.empty()) return;
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
    windowManager_ = std::make_unique<X11Client>(std::move(windowManager));
    // A window manager names itself before it takes map requests; the work area comes once
    // it does.
    ready_ = waitUntil(
        [waitForWorkArea] {
            return runTool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") != std::string::npos &&
                   (!waitForWorkArea || runTool({"xprop", "-root", "_NET_WORKAREA"}).find(" = ") != std::string::npos);
        },
        20);
}

TestDisplay::~TestDisplay()
{
    windowManager_.reset();
    server_.reset();
    if (earlierDisplay_)
        ::setenv("DISPLAY", earlierDisplay_->c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

void TestDisplay::killServer(int signalNumber)
{
    if (!server_) return;
    ::kill(server_->pid(), signalNumber);
    server_->end();
}

long residentBytes(pid_t pid) { return statusKilobytes(pid, "VmRSS"); }
long peakResidentBytes(pid_t pid) { return statusKilobytes(pid, "VmHWM"); }

}  // namespace testsupport
