#include "platform/x11/X11ShmPool.h"

#include "platform/x11/X11Reply.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>

namespace x11 {
namespace {

// Every segment alive, of every pool: a frame's storage is looked up among them.
std::mutex liveMutex;
std::unordered_set<const ShmPool::Segment*> live;
std::uint64_t lastSerial = 0;

// Frames come in at most a few sizes at once (the last frame, the one being read, a
// resize); more free segments than this only hold memory.
constexpr std::size_t keptFree = 3;

// Memory the server maps through a descriptor: nothing is left behind in the system's
// segment table when the process dies.
ShmPool::Segment* attach(Connection& connection, std::size_t size)
{
    const int fd = memfd_create("glimra-frame", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
        close(fd);
        return nullptr;
    }
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    const int kept = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    const xcb_shm_seg_t id = xcb_generate_id(connection.xcb());
    // xcb closes the descriptor once it is sent.
    const auto cookie = xcb_shm_attach_fd_checked(connection.xcb(), id, fd, 0);
    if (const auto error = reply(xcb_request_check(connection.xcb(), cookie))) {
        if (kept >= 0) close(kept);
        munmap(memory, size);
        return nullptr;
    }
    std::lock_guard lock(liveMutex);
    auto* segment = new ShmPool::Segment{id, static_cast<std::uint8_t*>(memory), size, kept, ++lastSerial};
    live.insert(segment);
    return segment;
}

}  // namespace

ShmPool::ShmPool(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

ShmPool::~ShmPool()
{
    for (auto* segment : free_) release(connection_, segment);
}

std::shared_ptr<ShmPool::Segment> ShmPool::take(std::size_t size)
{
    if (!connection_->hasShm() || refused_ || size == 0) return nullptr;
    Segment* segment = nullptr;
    {
        std::lock_guard lock(mutex_);
        const auto fitting = std::find_if(free_.begin(), free_.end(), [&](Segment* s) { return s->size >= size; });
        if (fitting != free_.end()) {
            segment = *fitting;
            free_.erase(fitting);
        }
    }
    if (!segment) segment = attach(*connection_, size);
    if (!segment) {
        refused_ = true;
        return nullptr;
    }
    std::weak_ptr<ShmPool> pool = weak_from_this();
    return std::shared_ptr<Segment>(segment, [pool, connection = connection_](Segment* s) {
        if (const auto owner = pool.lock())
            owner->giveBack(s);
        else
            release(connection, s);
    });
}

void ShmPool::giveBack(Segment* segment)
{
    Segment* dropped = nullptr;
    {
        std::lock_guard lock(mutex_);
        free_.push_back(segment);
        if (free_.size() > keptFree) {
            // The smallest goes: the sizes that keep coming are the large ones.
            const auto smallest =
                std::min_element(free_.begin(), free_.end(), [](Segment* a, Segment* b) { return a->size < b->size; });
            dropped = *smallest;
            free_.erase(smallest);
        }
    }
    if (dropped) release(connection_, dropped);
}

const ShmPool::Segment* ShmPool::segmentOf(const void* storage)
{
    std::lock_guard lock(liveMutex);
    const auto found = live.find(static_cast<const Segment*>(storage));
    return found != live.end() ? *found : nullptr;
}

void ShmPool::release(const std::shared_ptr<Connection>& connection, Segment* segment)
{
    {
        std::lock_guard lock(liveMutex);
        live.erase(segment);
    }
    if (segment->descriptor >= 0) close(segment->descriptor);
    xcb_shm_detach(connection->xcb(), segment->id);
    connection->flush();
    munmap(segment->memory, segment->size);
    delete segment;
}

}  // namespace x11
