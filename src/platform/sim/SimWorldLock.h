#pragma once

#include "platform/sim/SimWorld.h"

namespace sim {

// Holds the world's lock; the outermost holder hands the notices gathered meanwhile to
// the listeners once the lock is released, so that listeners may call back in.
class SimWorld::Lock {
public:
    explicit Lock(SimWorld& world) : world_(world), lock_(world.mutex_) { ++world_.lockDepth_; }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    ~Lock()
    {
        if (world_.lockDepth_ == 1 && world_.stackChanged_) {
            world_.refreshFocus();
            world_.events_.push_back({Event::Kind::stack});
        }
        if (--world_.lockDepth_ > 0 || world_.events_.empty()) return;
        std::vector<Event> events;
        events.swap(world_.events_);
        const Listeners listeners = world_.listeners_;
        lock_.unlock();
        world_.deliver(events, listeners);
    }

private:
    SimWorld& world_;
    std::unique_lock<std::recursive_mutex> lock_;
};

}  // namespace sim
