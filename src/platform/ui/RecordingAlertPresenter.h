#pragma once

#include "platform/ui/AlertPresenter.h"

#include <deque>
#include <mutex>

namespace ui {

// Alerts for tests and scenarios: records every alert and answers from a scripted list,
// else with the first button. Thread-safe.
class RecordingAlertPresenter : public AlertPresenter {
public:
    struct Record {
        Alert alert;
        long response = firstButtonResponse;
    };

    long runModal(const Alert& alert) override;

    // The answers for the next alerts, in order.
    void scriptResponses(const std::vector<long>& responses);
    std::vector<Record> records() const;

private:
    mutable std::mutex mutex_;
    std::deque<long> scripted_;
    std::vector<Record> records_;
};

}  // namespace ui
