#pragma once

#include <algorithm>
#include <chrono>

namespace dispatch {

// The longest a task waits for its time. Far longer delays, such as a setting of 1e10 s,
// overflow the clock's nanoseconds and would make the task due at once, over and over.
inline constexpr double longestDelaySeconds = 24 * 60 * 60;

// A delay as the steady clock counts it: none below zero or for NaN, a day at most.
inline std::chrono::steady_clock::duration boundedDelay(double seconds)
{
    const double bounded = seconds > 0 ? std::min(seconds, longestDelaySeconds) : 0.0;
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(bounded));
}

}  // namespace dispatch
