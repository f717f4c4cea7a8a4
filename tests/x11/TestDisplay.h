#pragma once

#include "support/TestEnvironment.h"
#include "support/X11Client.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct NamedWindowManager {
    std::string name;
};

// An X display of the test's own (Xvfb at the given screen, e.g. "1920x1080x16", with a
// window manager, openbox unless another command is given), which DISPLAY names while the
// object lives, for the test and every client it starts. Both processes are ended by their
// pids when it goes. A window manager that publishes no work area (KWin without its shell)
// is ready once it names itself; with no window manager command none runs.
class TestDisplay {
public:
    explicit TestDisplay(const std::string& screen, std::vector<std::string> windowManager = {"openbox"},
                         bool waitForWorkArea = true);
    // A display with one of the window managers the tests know by name (openbox, KWin,
    // xfwm4, icewm, fluxbox, metacity, marco, mutter, i3, awesome, bspwm, herbstluftwm),
    // each with two workspaces where it keeps a fixed number, its files in a folder of the
    // display's own and, where it needs one, a session bus of its own.
    TestDisplay(const std::string& screen, const NamedWindowManager& windowManager);
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    // Whether the server and its window manager took the display.
    bool ready() const { return ready_; }
    pid_t serverPid() const { return server_ ? server_->pid() : -1; }
    // Kills the server with the signal and reaps it, as a server that dies under its clients.
    void killServer(int signalNumber);

private:
    void start(const std::string& screen, std::vector<std::string> windowManager, bool waitForWorkArea);

    std::optional<std::string> earlierDisplay_;
    TempDir folder_;
    std::unique_ptr<X11Client> sessionBus_;
    std::unique_ptr<X11Client> server_;
    std::unique_ptr<X11Client> windowManager_;
    bool ready_ = false;
};

// A process's resident memory now and its peak (VmRSS, VmHWM), in bytes; 0 when unknown.
long residentBytes(pid_t pid);
long peakResidentBytes(pid_t pid);

}  // namespace testsupport
