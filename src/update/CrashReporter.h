#pragma once

// Crash reporting. Nothing is collected or sent yet.
namespace CrashReporter {

// At launch.
void start();

}  // namespace CrashReporter
