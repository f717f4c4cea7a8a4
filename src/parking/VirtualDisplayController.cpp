#include "parking/VirtualDisplayController.h"

#include "platform/desktop/Desktop.h"

#include <memory>
#include <mutex>

namespace {

std::mutex& testMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const VirtualDisplayController::VirtualTest>& installed()
{
    static std::shared_ptr<const VirtualDisplayController::VirtualTest> test;
    return test;
}

}  // namespace

VirtualDisplayController& VirtualDisplayController::shared()
{
    static VirtualDisplayController instance;
    return instance;
}

void VirtualDisplayController::install(VirtualTest isVirtual)
{
    auto test = isVirtual ? std::make_shared<const VirtualTest>(std::move(isVirtual)) : nullptr;
    std::lock_guard lock(testMutex());
    installed() = std::move(test);
}

bool VirtualDisplayController::isVirtual(desktop::DisplayID displayID) const
{
    std::shared_ptr<const VirtualTest> test;
    {
        std::lock_guard lock(testMutex());
        test = installed();
    }
    if (test) return (*test)(displayID);
    const auto display = desktop::displays().display(displayID);
    return display && display->isVirtual;
}
