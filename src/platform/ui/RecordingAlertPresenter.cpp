#include "platform/ui/RecordingAlertPresenter.h"

namespace ui {

long RecordingAlertPresenter::runModal(const Alert& alert)
{
    std::lock_guard lock(mutex_);
    long response = firstButtonResponse;
    if (!scripted_.empty()) {
        response = scripted_.front();
        scripted_.pop_front();
    }
    records_.push_back({alert, response});
    return response;
}

void RecordingAlertPresenter::scriptResponses(const std::vector<long>& responses)
{
    std::lock_guard lock(mutex_);
    scripted_.insert(scripted_.end(), responses.begin(), responses.end());
}

std::vector<RecordingAlertPresenter::Record> RecordingAlertPresenter::records() const
{
    std::lock_guard lock(mutex_);
    return records_;
}

}  // namespace ui
