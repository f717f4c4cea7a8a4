#include "platform/core/Paths.h"

#include "platform/core/SystemLog.h"

#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
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

// The folder as this user's alone (0700), made when missing; false when something else
// (a link, a file, another user's folder) has the name.
bool makeOwnFolder(const std::string& path)
{
    ::mkdir(path.c_str(), 0700);
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status {};
    const bool own = ::fstat(fd, &status) == 0 && status.st_uid == ::geteuid() &&
                     ((status.st_mode & 07777) == 0700 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return own;
}

std::string userName()
{
    passwd entry{};
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
    // Chosen once per temporary folder: every call, and every copy of this user's, finds
    // the same one, so two copies meet at one instance lock.
    static std::mutex lock;
    static std::map<std::string, std::string> chosen;
    const std::string temporary = temporaryFolder();
    std::lock_guard guard(lock);
    if (const auto found = chosen.find(temporary); found != chosen.end()) return found->second;
    const std::string session = "/run/user/" + std::to_string(::geteuid());
    if (isOwnFolder(session)) return chosen[temporary] = session;
    const std::string fallback = temporary + "/runtime-" + userName();
    if (makeOwnFolder(fallback)) return chosen[temporary] = fallback;
    // Someone else took the name: one other name, the same for every copy of this user's.
    const std::string alternative = fallback + "-" + std::to_string(::geteuid());
    if (makeOwnFolder(alternative)) {
        systemLog::write("[Glimra] 运行目录: " + fallback + " 不是本用户的目录 ⇒ 改用 " + alternative);
        return chosen[temporary] = alternative;
    }
    systemLog::write("[Glimra] 运行目录: " + fallback + " 与 " + alternative + " 都不是本用户的目录 ⇒ 无单实例锁");
    return chosen[temporary] = alternative;
}

bool makeDirectories(const std::string& path)
{
    if (path.empty()) return false;
    // One name at a time, each made 0700 exactly: under a lax umask (000) a folder such as
    // ~/.config would let any local user plant files, autostart entries among them.
    for (auto slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) == 0) {
            const int fd = ::open(prefix.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                ::fchmod(fd, 0700);
                ::close(fd);
            }
        }
        if (slash == std::string::npos) break;
    }
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace core::paths
