#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <functional>
#include <optional>

namespace desktop {

struct VirtualDisplayDescriptor {
    std::string name;
    std::uint32_t maxPixelsWide = 0;
    std::uint32_t maxPixelsHigh = 0;
    core::Size sizeInMillimeters;
    std::uint32_t serialNum = 0;
    std::uint32_t productID = 0;
    std::uint32_t vendorID = 0;
    // Runs on the main queue when the system ends the display.
    std::function<void()> terminationHandler;
};

struct VirtualDisplayMode {
    int width = 0;  // points
    int height = 0;
    double refreshRate = 60;  // a rate of 0 or below means 60
};

struct VirtualDisplaySettings {
    bool hiDPI = false;
    std::vector<VirtualDisplayMode> modes;
};

// A display that exists while this object lives; it joins the display list with
// isVirtual set.
class VirtualDisplay {
public:
    virtual ~VirtualDisplay() = default;
    virtual DisplayID displayID() const = 0;
    // False when the settings cannot be applied.
    virtual bool applySettings(const VirtualDisplaySettings& settings) = 0;
    // Empty until the system has given the display its mode, which takes a while.
    virtual std::vector<VirtualDisplayMode> modes() const = 0;
    virtual bool isTerminated() const = 0;
};

class VirtualDisplays {
public:
    virtual ~VirtualDisplays() = default;
    // Whether this desktop offers virtual displays at all.
    virtual bool available() = 0;
    // None when the display cannot be made (for example a serial number in use).
    virtual std::unique_ptr<VirtualDisplay> create(const VirtualDisplayDescriptor& descriptor) = 0;
};

}  // namespace desktop
