#pragma once

#include "platform/desktop/Types.h"

#include <map>
#include <mutex>
#include <optional>

namespace sim {

// What can go wrong with the capture of one window.
enum class CaptureFault {
    silence,         // frames are dropped
    incomplete,      // frames arrive without a picture and not complete
    stop,            // the stream ends with an error
    addOutputFails,  // installing a stream's output fails
    startFails,      // starting capture fails
};

// Faults waiting for the streams of a window: each occurrence is used up by one frame (or
// one call, for the start faults). Thread-safe.
class CaptureFaults {
public:
    // Replaces what was left of the same fault for the window.
    void inject(desktop::WindowID window, CaptureFault fault, long code, int count);
    // Uses up one occurrence; its error code when the fault was pending.
    std::optional<long> take(desktop::WindowID window, CaptureFault fault);

private:
    struct Pending {
        long code = 0;
        int remaining = 0;
    };
    std::mutex mutex_;
    std::map<std::pair<desktop::WindowID, CaptureFault>, Pending> pending_;
};

}  // namespace sim
