#pragma once

#include <functional>

// The debug hooks' view of process signals, over the platform's signal self-pipe: the
// handler runs on the main queue, once per signal delivered, never in signal context.
namespace DebugHooks {

// Replaces the handler of the signal (SIGUSR1 or SIGUSR2).
void onSignal(int signalNumber, std::function<void()> handler);

}  // namespace DebugHooks
