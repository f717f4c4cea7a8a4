#include "platform/sim/SimVirtualDisplays.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>

namespace sim {
namespace {

constexpr double defaultWidth = 1920;
constexpr double defaultHeight = 1080;

// What the display's object and the world's notices share: the world may end the
// display (a scenario removes it) while the object lives.
struct DisplayState {
    std::mutex mutex;
    bool terminated = false;
    bool released = false;
    std::function<void()> terminationHandler;
    std::vector<desktop::VirtualDisplayMode> modes;
    std::optional<double> modesDue;
};

class SimVirtualDisplay : public desktop::VirtualDisplay {
public:
    SimVirtualDisplay(std::shared_ptr<SimWorld> world, desktop::DisplayID id,
                      const desktop::VirtualDisplayDescriptor& descriptor, std::function<void()> releaseSerial)
        : world_(std::move(world)), id_(id), maxPixelsWide_(descriptor.maxPixelsWide),
          maxPixelsHigh_(descriptor.maxPixelsHigh), releaseSerial_(std::move(releaseSerial))
    {
        state_->terminationHandler = descriptor.terminationHandler;
        const std::weak_ptr<DisplayState> weak = state_;
        listener_ = world_->onDisplaysChanged([weak, world = std::weak_ptr<SimWorld>(world_), id] {
            const auto state = weak.lock();
            const auto alive = world.lock();
            if (!state || !alive || alive->display(id)) return;
            std::function<void()> handler;
            {
                std::lock_guard lock(state->mutex);
                if (state->terminated || state->released) return;
                state->terminated = true;
                handler = state->terminationHandler;
            }
            if (handler) dispatch::main().async(handler);
        });
    }

    ~SimVirtualDisplay() override
    {
        {
            std::lock_guard lock(state_->mutex);
            state_->released = true;
        }
        world_->removeListener(listener_);
        if (world_->removeDisplay(id_)) world_->record({{"do", "virtualDisplay.destroy"}, {"id", id_}});
        releaseSerial_();
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
            state_->modesDue = dispatch::now() + SimVirtualDisplays::modeDelay;
        }
        world_->requestDisplayMode(id_, current, scale, SimVirtualDisplays::modeDelay);
        return true;
    }

    std::vector<desktop::VirtualDisplayMode> modes() const override
    {
        std::lock_guard lock(state_->mutex);
        if (state_->terminated || !state_->modesDue || dispatch::now() < *state_->modesDue) return {};
        return state_->modes;
    }

    bool isTerminated() const override
    {
        std::lock_guard lock(state_->mutex);
        return state_->terminated;
    }

private:
    std::shared_ptr<SimWorld> world_;
    const desktop::DisplayID id_;
    const std::uint32_t maxPixelsWide_;
    const std::uint32_t maxPixelsHigh_;
    std::function<void()> releaseSerial_;
    std::shared_ptr<DisplayState> state_ = std::make_shared<DisplayState>();
    std::uint64_t listener_ = 0;
};

}  // namespace

SimVirtualDisplays::SimVirtualDisplays(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

bool SimVirtualDisplays::available() { return true; }

std::unique_ptr<desktop::VirtualDisplay> SimVirtualDisplays::create(const desktop::VirtualDisplayDescriptor& descriptor)
{
    bool serialFree = false;
    {
        std::lock_guard lock(serials_->mutex);
        serialFree = serials_->inUse.insert(descriptor.serialNum).second;
    }
    if (!serialFree) {
        world_->record({{"do", "virtualDisplay.create"},
                        {"name", descriptor.name},
                        {"serial", descriptor.serialNum},
                        {"id", nullptr},
                        {"result", false}});
        return nullptr;
    }

    // A new display starts at its largest size, one point per pixel, right of the others.
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

    auto releaseSerial = [serials = serials_, serial = descriptor.serialNum] {
        std::lock_guard lock(serials->mutex);
        serials->inUse.erase(serial);
    };
    world_->addDisplay(display);
    auto created = std::make_unique<SimVirtualDisplay>(world_, display.id, descriptor, std::move(releaseSerial));
    world_->record({{"do", "virtualDisplay.create"},
                    {"name", descriptor.name},
                    {"serial", descriptor.serialNum},
                    {"id", display.id},
                    {"result", true}});
    return created;
}

}  // namespace sim
