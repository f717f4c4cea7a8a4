#include "platform/linux/DesktopUrlOpener.h"

#include "platform/core/SystemLog.h"
#include "platform/core/UrlSyntax.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace linuxdesktop {
namespace {

// The program's path: as given when it names a folder, else the first executable match
// on PATH.
std::optional<std::string> resolve(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0 ? std::optional(program) : std::nullopt;
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

}  // namespace

DesktopUrlOpener::DesktopUrlOpener(std::string program) : program_(std::move(program)) {}

bool DesktopUrlOpener::open(const std::string& url)
{
    if (!core::isWellFormedUrl(url)) return false;
    // Linux has no such settings panes: the request is noted and goes nowhere.
    if (url.starts_with("x-apple.systempreferences:")) {
        core::systemLog::write("[Glimra] no system settings pane on this desktop: " + url);
        return false;
    }
    const auto path = resolve(program_);
    if (!path) return false;
    std::string argument0 = program_;
    std::string argument1 = url;
    char* const argv[] = {argument0.data(), argument1.data(), nullptr};

    // Fork twice so the opener belongs to no one here and leaves no zombie behind; only
    // async-signal-safe calls between fork and exec.
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execve(path->c_str(), argv, environ);
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace linuxdesktop
