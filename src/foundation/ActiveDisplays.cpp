#include "foundation/ActiveDisplays.h"

#include "platform/desktop/Desktop.h"

std::vector<desktop::DisplayID> activeDisplayIDs()
{
    std::vector<desktop::DisplayID> ids;
    for (const auto& display : desktop::displays().activeDisplays()) ids.push_back(display.id);
    return ids;
}
