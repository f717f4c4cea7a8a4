#include "scenario/AlertJournal.h"

#include "platform/sim/SimWorld.h"

namespace scenario {

long AlertJournal::runModal(const ui::Alert& alert)
{
    const long response = RecordingAlertPresenter::runModal(alert);
    world_.record({{"do", "alert"},
                   {"message", alert.messageText},
                   {"informative", alert.informativeText},
                   {"response", response}});
    return response;
}

}  // namespace scenario
