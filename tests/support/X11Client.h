#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// An X client a test starts on the display DISPLAY names (xclock, xterm, xeyes...), in the
// C.UTF-8 locale whatever the test's own. It is ended by its pid when the object goes, also
// when the test fails.
class X11Client {
public:
    explicit X11Client(std::vector<std::string> arguments);
    ~X11Client();
    X11Client(const X11Client&) = delete;
    X11Client& operator=(const X11Client&) = delete;

    pid_t pid() const { return pid_; }
    // The client's window (the one that carries WM_CLASS), once it is mapped; 0 when none
    // appears within the time.
    unsigned long waitForWindow(const std::string& windowClass, double timeoutSeconds = 10);
    // Ends it now (SIGTERM, then SIGKILL after a second) and reaps it.
    void end();

private:
    pid_t pid_ = -1;
};

// A RandR monitor of the test's own (xrandr --setmonitor NAME GEOMETRY OUTPUT), removed
// again also when the test fails. A name starting with '*' makes it the primary; an output
// of the screen's takes the place of that output's own monitor.
class TestMonitor {
public:
    TestMonitor(std::string name, const std::string& geometry, const std::string& output = "none");
    ~TestMonitor();
    TestMonitor(const TestMonitor&) = delete;
    TestMonitor& operator=(const TestMonitor&) = delete;
    void remove();

private:
    std::string name_;
    bool removed_ = false;
};

// Runs a tool to its end, in the C.UTF-8 locale as a client, and answers what it wrote to
// standard output; the status is stored where asked.
std::string runTool(const std::vector<std::string>& arguments, int* status = nullptr);

struct PointerPoint {
    int x = 0, y = 0;
};
// Where the pointer is, in root pixels.
PointerPoint pointer();
// Moves the pointer and waits until it is there; whether it got there. Not xdotool's
// --sync, which waits for a move and so hangs when the pointer is there already.
bool movePointer(int x, int y);
// Moves the pointer onto a point as a hand does, its last step a pixel long: the window
// there sees it move, not only come in (as a menu closing over it would have it).
bool movePointerOnto(int x, int y);

// Polls the condition every 20 ms until it holds; false when the time runs out first.
bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds = 10);

}  // namespace testsupport
