#pragma once

#include <optional>
#include <string>
#include <vector>

namespace core {

// The system's preferred languages, most preferred first, as BCP 47-like identifiers
// ("zh-TW", "en-US"). On Linux they come from LANGUAGE (a colon-separated list), then
// LC_ALL, LC_MESSAGES and LANG; "C" and "POSIX" name no language.
std::vector<std::string> preferredLanguages();

// Replaces the environment's answer (the simulated desktop's setting); none restores it.
void setPreferredLanguagesOverride(std::optional<std::vector<std::string>> languages);

// "zh_TW.UTF-8" -> "zh-TW", "sr_RS@latin" -> "sr-RS"; empty for "C" and "POSIX".
std::string normalizeLocaleName(const std::string& posixName);

}  // namespace core
