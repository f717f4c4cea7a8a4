#pragma once

#include <functional>

namespace ui {

// Turns the process signals SIGUSR1, SIGUSR2, SIGTERM and SIGINT into main-queue tasks.
// The signal handler only write()s the signal's number to a pipe; a reader on the main
// thread (driven by the Qt event loop) posts one main-queue task per signal received to
// the handler registered for it; SIGTERM and SIGINT go ahead of the other signals read
// with them. Main thread only.
namespace SignalPipe {

// Registers the handler of one of the four signals (replacing an earlier one) and catches
// that signal from now on; the other signals keep their disposition. False for any other
// signal, or when the pipe cannot be made.
bool handle(int signalNumber, std::function<void()> handler);

// Reads what the pipe holds now and posts its tasks, without waiting for the event loop;
// also for a task that kept the main thread busy, to see what came meanwhile.
void drain();

// Whether SIGTERM or SIGINT came since the process started; any thread may ask, also
// while the main thread is stuck and reads no pipe.
bool quitArrived();

// Gives the four signals back their default disposition and forgets the handlers.
void reset();

}  // namespace SignalPipe

}  // namespace ui
