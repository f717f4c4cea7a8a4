#include "platform/sim/SimVirtualDisplays.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

namespace sim {
namespace {

constexpr double defaultWidth = 1920;
constexpr double defaultHeight = 1080;

// What a display's object, the service and the world's notices share: the system may
// end the display (a scenario terminates or removes it) while the object lives.
struct DisplayState {
    std::mutex mutex;
    bool terminated = false;
    bool released = false;
    std::function<void()> terminationHandler;
    std::vector<desktop::VirtualDisplayMode> modes;
};

// Marks the display terminated and queues its handler; false when it had already ended.
bool markTerminated(DisplayState& state)
{
    std::function<void()> handler;
    {
        std::lock_guard lock(state.mutex);
        if (state.terminated || state.released) return false;
        state.terminated = true;
        handler = state.terminationHandler;
    }
    if (handler) dispatch::main().async(handler);
    return true;
}

}  // namespace

struct SimVirtualDisplays::Shared {
    std::mutex mutex;
    Options options;
    std::set<std::uint32_t> serialsInUse;
    std::map<desktop::DisplayID, std::weak_ptr<DisplayState>> states;

    Options currentOptions()
    {
        std::lock_guard lock(mutex);
        return options;
    }
};

namespace {

class SimVirtualDisplay : public desktop::VirtualDisplay {
public:
    using Shared = SimVirtualDisplays::Shared;

    SimVirtualDisplay(std::shared_ptr<SimWorld> world, std::shared_ptr<Shared> shared, desktop::DisplayID id,
                      const desktop::VirtualDisplayDescriptor& descriptor)
        : world_(std::move(world)),
          shared_(std::move(shared)),
          id_(id),
          serial_(descriptor.serialNum),
          maxPixelsWide_(descriptor.maxPixelsWide),
          maxPixelsHigh_(descriptor.maxPixelsHigh)
    {
        state_->terminationHandler = descriptor.terminationHandler;
        {
            std::lock_guard lock(shared_->mutex);
            shared_->states[id_] = state_;
        }
        // A display taken out of the list while its object lives has been ended.
        const std::weak_ptr<DisplayState> weak = state_;
        listener_ = world_->onDisplaysChanged([weak, world = std::weak_ptr<SimWorld>(world_), id] {
            const auto state = weak.lock();
            const auto alive = world.lock();
            if (state && alive && !alive->display(id)) markTerminated(*state);
        });
    }

    ~SimVirtualDisplay() override
    {
        bool ended = false;
        {
            std::lock_guard lock(state_->mutex);
            ended = state_->terminated;
            state_->released = true;
        }
        world_->removeListener(listener_);
        world_->record({{"do", "virtualDisplay.destroy"}, {"id", id_}});
        // A display the system ended already lingers; releasing it adds nothing.
        if (!ended) world_->endDisplay(id_, shared_->currentOptions().lingerCommits);
        std::lock_guard lock(shared_->mutex);
        shared_->states.erase(id_);
        shared_->serialsInUse.erase(serial_);
    }

    desktop::DisplayID displayID() const override { return id_; }

    bool applySettings(const desktop::VirtualDisplaySettings& settings) override
    {
        const double scale = settings.hiDPI ? 2 : 1;
        if (settings.modes.empty() || isTerminated()) return false;
        std::vector<desktop::VirtualDisplayMode> modes;
        for (auto mode : settings.modes) {
            if (mode.width <= 0 || mode.height <= 0) return false;
            if ((maxPixelsWide_ && mode.width * scale > maxPixelsWide_) ||
                (maxPixelsHigh_ && mode.height * scale > maxPixelsHigh_))
                return false;
            if (mode.refreshRate <= 0) mode.refreshRate = 60;
            modes.push_back(mode);
        }
        const auto& first = modes.front();
        desktop::DisplayMode current{static_cast<double>(first.width), static_cast<double>(first.height),
                                     static_cast<int>(first.width * scale), static_cast<int>(first.height * scale),
                                     first.refreshRate};
        {
            std::lock_guard lock(state_->mutex);
            state_->modes = std::move(modes);
        }
        if (const auto delay = shared_->currentOptions().modeDelay)
            world_->requestDisplayMode(id_, current, scale, *delay);
        return true;
    }

    std::vector<desktop::VirtualDisplayMode> modes() const override
    {
        std::vector<desktop::VirtualDisplayMode> modes;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->terminated) return {};
            modes = state_->modes;
        }
        if (!world_->currentMode(id_)) return {};
        return modes;
    }

    bool isTerminated() const override
    {
        std::lock_guard lock(state_->mutex);
        return state_->terminated;
    }

private:
    std::shared_ptr<SimWorld> world_;
    std::shared_ptr<Shared> shared_;
    const desktop::DisplayID id_;
    const std::uint32_t serial_;
    const std::uint32_t maxPixelsWide_;
    const std::uint32_t maxPixelsHigh_;
    std::shared_ptr<DisplayState> state_ = std::make_shared<DisplayState>();
    std::uint64_t listener_ = 0;
};

}  // namespace

SimVirtualDisplays::SimVirtualDisplays(std::shared_ptr<SimWorld> world)
    : world_(std::move(world)), shared_(std::make_shared<Shared>())
{
}

void SimVirtualDisplays::setOptions(const Options& options)
{
    std::lock_guard lock(shared_->mutex);
    shared_->options = options;
}

bool SimVirtualDisplays::available() { return shared_->currentOptions().available; }

std::unique_ptr<desktop::VirtualDisplay> SimVirtualDisplays::create(const desktop::VirtualDisplayDescriptor& descriptor)
{
    bool made = false;
    {
        std::lock_guard lock(shared_->mutex);
        made = shared_->options.available && shared_->serialsInUse.insert(descriptor.serialNum).second;
    }
    if (!made) {
        world_->record({{"do", "virtualDisplay.create"},
                        {"name", descriptor.name},
                        {"serial", descriptor.serialNum},
                        {"id", nullptr},
                        {"result", false}});
        return nullptr;
    }

    // A new display starts at its largest size, one point per pixel, right of the others,
    // and has no mode until its settings bring one.
    desktop::DisplayInfo display;
    display.id = world_->allocateDisplayID();
    double right = 0;
    for (const auto& other : world_->displays()) right = std::max(right, other.frame.maxX());
    const double width = descriptor.maxPixelsWide ? descriptor.maxPixelsWide : defaultWidth;
    const double height = descriptor.maxPixelsHigh ? descriptor.maxPixelsHigh : defaultHeight;
    display.frame = core::Rect(right, 0, width, height);
    display.visibleFrame = display.frame;
    display.scale = 1;
    display.mode = {width, height, static_cast<int>(width), static_cast<int>(height), 60};
    display.physicalSizeMM = descriptor.sizeInMillimeters;
    display.name = descriptor.name;
    display.isVirtual = true;

    world_->addDisplay(display, false);
    auto created = std::make_unique<SimVirtualDisplay>(world_, shared_, display.id, descriptor);
    world_->record({{"do", "virtualDisplay.create"},
                    {"name", descriptor.name},
                    {"serial", descriptor.serialNum},
                    {"id", display.id},
                    {"result", true}});
    return created;
}

bool SimVirtualDisplays::terminate(std::optional<desktop::DisplayID> id)
{
    std::optional<desktop::DisplayID> target;
    for (const auto& display : world_->displays()) {
        if (!display.isVirtual || (id && display.id != *id) || world_->hasEnded(display.id)) continue;
        target = display.id;
        break;
    }
    if (!target) return false;
    std::shared_ptr<DisplayState> state;
    {
        std::lock_guard lock(shared_->mutex);
        if (const auto found = shared_->states.find(*target); found != shared_->states.end())
            state = found->second.lock();
    }
    // A display declared with the desktop has no object to tell.
    if (state) markTerminated(*state);
    return world_->endDisplay(*target, shared_->currentOptions().lingerCommits);
}

}  // namespace sim
