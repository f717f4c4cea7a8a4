#include "platform/core/Environment.h"

#include <cstdlib>
#include <mutex>

namespace core {

namespace {

std::mutex mutex;
std::optional<std::map<std::string, std::string>> override;

}  // namespace

std::optional<std::string> environmentValue(const std::string& name)
{
    std::lock_guard lock(mutex);
    if (override) {
        const auto it = override->find(name);
        if (it == override->end()) return std::nullopt;
        return it->second;
    }
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

void setEnvironmentOverride(std::optional<std::map<std::string, std::string>> variables)
{
    std::lock_guard lock(mutex);
    override = std::move(variables);
}

}  // namespace core
