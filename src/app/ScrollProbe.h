#pragma once

#include <cstdint>

// The SIGUSR1 debug hook: opens a small test window beside the pointer, posts two
// synthetic scroll-wheel events at the pointer and logs whether the test window got them
// and whether the pointer moved. A run blocks the main thread for about 0.8 s.
namespace ScrollProbe {

// Every synthetic scroll event carries it as its poster's marker.
constexpr std::int64_t marker = 219831408;

// Hooks the probe to SIGUSR1 for the life of the process. A signal that comes while a
// run goes on is dropped with a log line.
void install();

// One probe run, on the main queue; ignored while another one runs.
void run();
bool isActive();

}  // namespace ScrollProbe
