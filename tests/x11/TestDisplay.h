#pragma once

#include <sys/types.h>

#include <string>

namespace testsupport {

// An X server of the test's own beside the shared test display (Xvfb on a free display,
// openbox managing it), which the test may kill. Ends both by pid when it goes, also when
// the test fails.
class TestDisplay {
public:
    TestDisplay();
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    // ":N"; empty when the server or its window manager did not come up.
    const std::string& name() const { return name_; }
    // Kills the server with the signal and reaps it; the window manager is reaped later.
    void kill(int signalNumber);

private:
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
    std::string name_;
};

}  // namespace testsupport
