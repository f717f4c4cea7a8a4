#include "platform/defaults/SettingsTable.h"

#include <algorithm>
#include <array>

namespace defaults::setting {
namespace {

#define GLIMRA_SKIP(...)
#define GLIMRA_HOT_KEY(name) name,
constexpr std::array hotKeys{GLIMRA_SETTINGS(GLIMRA_SKIP, GLIMRA_HOT_KEY)};
#undef GLIMRA_HOT_KEY

#undef GLIMRA_SKIP

}  // namespace

const std::vector<std::string_view>& allKeys()
{
#define GLIMRA_KEY(name, ...) name.key,
#define GLIMRA_HOT_KEY_KEYS(name) name.code.key, name.flags.key,
    static const std::vector<std::string_view> keys{GLIMRA_SETTINGS(GLIMRA_KEY, GLIMRA_HOT_KEY_KEYS)};
#undef GLIMRA_KEY
#undef GLIMRA_HOT_KEY_KEYS
    return keys;
}

std::optional<HotKeySettings> hotKey(std::string_view prefix)
{
    const auto found = std::find_if(hotKeys.begin(), hotKeys.end(),
                                    [prefix](const HotKeySettings& settings) { return settings.prefix == prefix; });
    if (found == hotKeys.end()) return std::nullopt;
    return *found;
}

}  // namespace defaults::setting
