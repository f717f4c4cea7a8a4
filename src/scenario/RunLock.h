#pragma once

#include "scenario/ConfinedFolder.h"

#include <optional>
#include <string>
#include <variant>

namespace scenario {

// Keeps other runs out of an output folder while one uses it: a record lock on a file in
// the folder, which the system lets go when the process ends, however it ends. Released,
// the lock file goes again, so a finished run leaves the folder as it would without it.
class RunLock {
public:
    static constexpr const char* fileName = ".glimra-run.lock";

    // Another process holds the folder.
    struct Busy {
        long long pid = 0;
    };
    // Takes the folder's lock without waiting, making its file; none when the file cannot
    // be made or locked.
    static std::variant<RunLock, Busy, std::monostate> take(const ConfinedFolder& folder);

    RunLock(RunLock&& other) noexcept;
    RunLock& operator=(RunLock&& other) = delete;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    ~RunLock();

    // A file of that name that stood there before (an interrupted run's) is removed on
    // release too, once the folder has proved to be a run's.
    void adopt() { owned_ = true; }

private:
    RunLock(int folder, int fd, bool made);

    int folder_ = -1;
    int fd_ = -1;
    bool owned_ = false;  // the file is removed on release
};

}  // namespace scenario
