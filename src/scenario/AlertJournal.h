#pragma once

#include "platform/ui/RecordingAlertPresenter.h"

#include <deque>
#include <mutex>
#include <vector>

namespace sim {
class SimWorld;
}

namespace scenario {

// Answers the application's alerts with the scenario's button indexes in order, then
// with the first button (as it does for an index the alert has no button for), and
// writes each into the desktop's journal with its buttons and answer:
// {"do":"alert","message","informative","buttons","response"}.
class AlertJournal : public ui::RecordingAlertPresenter {
public:
    AlertJournal(sim::SimWorld& world, std::vector<int> answers)
        : world_(world), answers_(answers.begin(), answers.end())
    {
    }

    long runModal(const ui::Alert& alert) override;

private:
    // The index of the button that answers an alert with that many buttons.
    int nextAnswer(std::size_t buttonCount);

    sim::SimWorld& world_;
    std::mutex answersMutex_;
    std::deque<int> answers_;
};

}  // namespace scenario
