#pragma once

#include "app/Application.h"

namespace dispatch {
class ManualScheduler;
}

namespace scenario {

// Virtual time as the runner lets it pass: in slices of a hundredth of a second, with the
// widget toolkit's posted events delivered after each, so that the application's own
// windows keep up, and with a stop as soon as the application has exited.
class Timeline {
public:
    Timeline(dispatch::ManualScheduler& scheduler, const app::Application& app);

    // Runs what is due now; false when the application has exited.
    bool settle();
    // Runs the application up to the time; false as soon as it has exited.
    bool advanceTo(double time);

private:
    bool running() const;

    dispatch::ManualScheduler& scheduler_;
    const app::Application& app_;
};

}  // namespace scenario
