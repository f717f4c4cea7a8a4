#include "scenario/AlertJournal.h"

#include "platform/sim/SimWorld.h"

namespace scenario {

int AlertJournal::nextAnswer(std::size_t buttonCount)
{
    std::lock_guard lock(answersMutex_);
    if (answers_.empty()) return 0;
    const int index = answers_.front();
    answers_.pop_front();
    return static_cast<std::size_t>(index) < buttonCount ? index : 0;
}

long AlertJournal::runModal(const ui::Alert& alert)
{
    const auto buttons = ui::shownButtonTitles(alert);
    scriptResponses({ui::firstButtonResponse + nextAnswer(buttons.size())});
    const long response = RecordingAlertPresenter::runModal(alert);
    world_.record({{"do", "alert"},
                   {"message", alert.messageText},
                   {"informative", alert.informativeText},
                   {"buttons", buttons},
                   {"response", response}});
    return response;
}

}  // namespace scenario
