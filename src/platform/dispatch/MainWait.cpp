#include "platform/dispatch/MainWait.h"

#include "platform/dispatch/Queue.h"

#include <chrono>
#include <thread>

namespace dispatch {

bool runMainUntil(const std::function<bool()>& done, double seconds)
{
    const double deadline = now() + seconds;
    while (!done()) {
        if (now() >= deadline) return false;
        sleepFor(0.05);
    }
    return true;
}

bool waitRealTime(const std::function<bool()>& done, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}  // namespace dispatch
