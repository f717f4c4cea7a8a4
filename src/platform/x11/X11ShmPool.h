#pragma once

#include "platform/x11/X11Connection.h"

#include <xcb/shm.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace x11 {

// Shared-memory segments the X server writes frames into, attached once and used again:
// a segment handed out comes back to the pool when the last holder lets it go, so a
// frame can be the segment itself.
class ShmPool : public std::enable_shared_from_this<ShmPool> {
public:
    struct Segment {
        xcb_shm_seg_t id = 0;
        std::uint8_t* memory = nullptr;
        std::size_t size = 0;
        // Open while the segment lives, for another connection to attach it too.
        int descriptor = -1;
        // Tells segments apart over the process's life, unlike their addresses.
        std::uint64_t serial = 0;
    };

    explicit ShmPool(std::shared_ptr<Connection> connection);
    ~ShmPool();
    ShmPool(const ShmPool&) = delete;
    ShmPool& operator=(const ShmPool&) = delete;

    // A segment nobody holds of at least size bytes; none when the server takes no
    // shared memory from us.
    std::shared_ptr<Segment> take(std::size_t size);

    // The segment a frame's storage is, while someone holds that storage; none for storage
    // of another kind.
    static const Segment* segmentOf(const void* storage);

private:
    static void release(const std::shared_ptr<Connection>& connection, Segment* segment);
    void giveBack(Segment* segment);

    const std::shared_ptr<Connection> connection_;
    std::mutex mutex_;
    std::vector<Segment*> free_;
    // Set once the server refused a segment (no descriptor passing): reads go without.
    std::atomic<bool> refused_{false};
};

}  // namespace x11
