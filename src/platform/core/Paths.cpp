#include "platform/core/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace core::paths {
namespace {

std::optional<std::string> xdgDir(const char* variable, const char* fallbackUnderHome)
{
    if (const char* value = std::getenv(variable); value && *value == '/') return std::string(value);
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::nullopt;
    return std::string(home) + "/" + fallbackUnderHome;
}

}  // namespace

std::optional<std::string> configHome() { return xdgDir("XDG_CONFIG_HOME", ".config"); }

std::optional<std::string> dataHome() { return xdgDir("XDG_DATA_HOME", ".local/share"); }

std::optional<std::string> applicationSupport()
{
    auto base = dataHome();
    if (!base) return std::nullopt;
    return *base + "/Glimra";
}

std::string temporaryFolder()
{
    const char* value = std::getenv("TMPDIR");
    if (!value || *value != '/') return "/tmp";
    std::string folder = value;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

bool makeDirectories(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

}  // namespace core::paths
