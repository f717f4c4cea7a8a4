#pragma once

namespace dispatch {
class ThreadScheduler;
}

namespace ui {

// Runs the main queue in the Qt event loop: new work is drained on the loop's next turn,
// delayed work when its time comes. Call once on the GUI thread, with the scheduler
// installed and the application object made; it drives until the application object
// goes away or another scheduler is installed.
void runMainQueueOnQt(dispatch::ThreadScheduler& scheduler);

}  // namespace ui
