#include "app/LaunchSelfTests.h"

#include "panels/FocusRegion.h"
#include "panels/LayoutSelfTests.h"

#include <functional>
#include <utility>

namespace app {

bool runLaunchSelfTest(const std::vector<std::string>& args)
{
    static const std::pair<const char*, void (*)()> selfTests[] = {
        {"-glimra-layout-selftest", &panels::layoutSelfTest},
        {"-glimra-size-selftest", &panels::sizeSelfTest},
        {"-glimra-focus-selftest", &FocusRegion::selfTest},
    };
    for (const std::string& arg : args)
        for (const auto& [name, run] : selfTests)
            if (arg == name) {
                run();
                return true;
            }
    return false;
}

}  // namespace app
