#include "settings/StoredBool.h"

#include "platform/defaults/Defaults.h"

#include <QString>

namespace settings {

bool storedBool(const std::string& key, bool defaultValue)
{
    const auto value = defaults::Defaults::standard().object(key);
    if (!value) return defaultValue;
    if (value->is_boolean()) return value->get<bool>();
    if (value->is_number()) return value->get<double>() != 0;
    if (value->is_string()) {
        const QString text = QString::fromStdString(value->get<std::string>()).trimmed().toLower();
        return text == "true" || text == "yes";
    }
    return defaultValue;
}

}  // namespace settings
