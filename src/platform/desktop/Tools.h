#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace desktop {

// How a command-line tool's run ended.
struct ToolOutcome {
    enum class Kind {
        exited,         // the tool ran and exited with exitStatus
        couldNotStart,  // missing, not executable, or the system refused to start it
        timedOut,       // still running at the time-out; it was killed
    };
    Kind kind = Kind::couldNotStart;
    // The tool's exit status when it exited; -1 when it crashed.
    int exitStatus = -1;
    // Standard output and standard error together, the last outputCap bytes.
    std::string output;
    static constexpr std::size_t outputCap = std::size_t{1} << 20;

    bool succeeded() const { return kind == Kind::exited && exitStatus == 0; }
};

// Command-line tools started by path, never through a shell, so no argument is
// interpreted on the way.
class Tools {
public:
    virtual ~Tools() = default;

    // Runs the tool and waits for it, at most timeoutSeconds; a tool still running then is
    // killed.
    virtual ToolOutcome run(const std::string& path, const std::vector<std::string>& arguments, double timeoutSeconds) = 0;
    // Starts the tool and returns at once without waiting for it; it outlives this
    // process. False when it could not be started.
    virtual bool launch(const std::string& path, const std::vector<std::string>& arguments) = 0;
    // Starts the tool in a session of its own with its streams on /dev/null, reaped when it
    // ends, and returns its process id; none when it could not be started.
    virtual std::optional<int> startDetached(const std::string& path, const std::vector<std::string>& arguments) = 0;
};

}  // namespace desktop
