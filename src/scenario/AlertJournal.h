#pragma once

#include "platform/ui/RecordingAlertPresenter.h"

namespace sim {
class SimWorld;
}

namespace scenario {

// Answers the application's alerts as the recording presenter does (the first button)
// and writes each into the desktop's journal with its answer:
// {"do":"alert","message","informative","response"}.
class AlertJournal : public ui::RecordingAlertPresenter {
public:
    explicit AlertJournal(sim::SimWorld& world) : world_(world) {}

    long runModal(const ui::Alert& alert) override;

private:
    sim::SimWorld& world_;
};

}  // namespace scenario
