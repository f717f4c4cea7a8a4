#include "platform/core/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace core::paths {
namespace {

std::optional<std::string> xdgDir(const char* variable, const char* fallbackUnderHome)
{
    if (const char* value = std::getenv(variable); value && *value == '/') return std::string(value);
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::nullopt;
    return std::string(home) + "/" + fallbackUnderHome;
}

bool isOwnFolder(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid();
}

std::string userName()
{
    passwd entry {};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && *found->pw_name)
        return found->pw_name;
    return std::to_string(::geteuid());
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

std::string runtimeFolder()
{
    if (const char* value = std::getenv("XDG_RUNTIME_DIR"); value && *value == '/') return value;
    const std::string session = "/run/user/" + std::to_string(::geteuid());
    if (isOwnFolder(session)) return session;
    const std::string fallback = temporaryFolder() + "/runtime-" + userName();
    ::mkdir(fallback.c_str(), 0700);
    if (isOwnFolder(fallback)) {
        ::chmod(fallback.c_str(), 0700);
        return fallback;
    }
    // Someone else took the name: a private folder of this copy's own is safe, though
    // another copy will not meet it there.
    std::string own = fallback + "-XXXXXX";
    if (::mkdtemp(own.data())) return own;
    return fallback;
}

bool makeDirectories(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

}  // namespace core::paths
