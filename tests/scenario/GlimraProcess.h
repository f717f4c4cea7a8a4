#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessOutcome {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the glimra executable with the arguments (a shell word list) and the environment
// prefix (e.g. "env -u XDG_RUNTIME_DIR"), capturing both outputs through files in the
// folder.
ProcessOutcome runGlimra(const std::string& arguments, const std::string& scratchFolder,
                         const std::string& environment = "");

// The glimra executable running as a child process, its outputs going to files in the
// scratch folder. Killed (SIGKILL) and reaped at destruction if it still runs, so a test
// that fails half-way never leaves it behind; a sanitizer's report in its stderr fails the
// test then.
class GlimraChild {
public:
    // The arguments one by one; `environment` is set on top of this process's.
    GlimraChild(const std::vector<std::string>& arguments, const std::string& scratchFolder,
                const std::map<std::string, std::string>& environment = {});
    // The same with another copy of the executable (an installed bundle's).
    GlimraChild(const std::string& executable, const std::vector<std::string>& arguments,
                const std::string& scratchFolder, const std::map<std::string, std::string>& environment);
    ~GlimraChild();
    GlimraChild(const GlimraChild&) = delete;
    GlimraChild& operator=(const GlimraChild&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int signalNumber);
    // Its exit status once it exits within the time; -1 when it ended by a signal, none
    // when it still runs.
    std::optional<int> waitForExit(double timeoutSeconds);
    bool running();
    std::string err() const;
    // Its own peak resident memory in bytes, once it has exited (0 before): unlike the
    // children's figure of getrusage, no other child's peak counts.
    long long peakResidentBytes() const { return peakResidentBytes_; }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    // A crash the test asked for is no sanitizer's finding.
    bool crashSent_ = false;
    long long peakResidentBytes_ = 0;
    std::string scratch_;
};

// Polls the condition every 20 ms until it holds, at most the time; whether it held.
bool waitUntil(double timeoutSeconds, const std::function<bool()>& condition);

}  // namespace testsupport
