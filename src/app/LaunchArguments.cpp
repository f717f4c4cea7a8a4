#include "app/LaunchArguments.h"

#include "app/AppDelegate.h"
#include "app/DebugHooks.h"
#include "app/LaunchSelfTests.h"
#include "app/MenuShot.h"

#include <vector>

namespace app {

bool isLaunchArgument(const std::string& argument)
{
    const std::vector<std::string> alone{argument};
    return requestedSelfTest(alone) || MenuShot::mode(alone) || DebugHooks::settingsTab(alone) ||
           argument == "-glimra-show-settings" || argument == AppDelegate::awaitInstanceLockArgument;
}

}  // namespace app
