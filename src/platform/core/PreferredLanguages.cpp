#include "platform/core/PreferredLanguages.h"

#include <cstdlib>
#include <mutex>
#include <sstream>

namespace core {
namespace {

std::mutex& overrideMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::optional<std::vector<std::string>>& languagesOverride()
{
    static std::optional<std::vector<std::string>> languages;
    return languages;
}

void addUnique(std::vector<std::string>& list, const std::string& name)
{
    if (name.empty()) return;
    for (const auto& existing : list)
        if (existing == name) return;
    list.push_back(name);
}

}  // namespace

std::string normalizeLocaleName(const std::string& posixName)
{
    std::string name = posixName.substr(0, posixName.find_first_of(".@"));
    if (name == "C" || name == "POSIX") return {};
    for (char& c : name)
        if (c == '_') c = '-';
    return name;
}

std::vector<std::string> preferredLanguages()
{
    {
        std::lock_guard lock(overrideMutex());
        if (languagesOverride()) return *languagesOverride();
    }
    std::vector<std::string> list;
    if (const char* language = std::getenv("LANGUAGE"); language && *language) {
        std::stringstream stream(language);
        std::string item;
        while (std::getline(stream, item, ':')) addUnique(list, normalizeLocaleName(item));
    }
    // The first of LC_ALL, LC_MESSAGES and LANG that is set decides the messages locale.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        addUnique(list, normalizeLocaleName(value));
        break;
    }
    return list;
}

void setPreferredLanguagesOverride(std::optional<std::vector<std::string>> languages)
{
    std::lock_guard lock(overrideMutex());
    languagesOverride() = std::move(languages);
}

}  // namespace core
