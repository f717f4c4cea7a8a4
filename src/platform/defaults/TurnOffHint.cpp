#include "platform/defaults/TurnOffHint.h"

#include "platform/core/AppIdentity.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"

namespace defaults {

std::string turnOffHint(const StrictBool& setting)
{
    const std::string key(setting.key);
    if (desktop::conventions().textVariant.empty())
        return "defaults write " + core::AppIdentity::current().bundleIdentifier + " " + key + " -bool NO";
    // The running store writes the file whole: an edit made meanwhile would be lost.
    return "退出 Glimra 后在 " + Defaults::standard().filePath() + " 里写入 \"" + key + "\": false";
}

}  // namespace defaults
