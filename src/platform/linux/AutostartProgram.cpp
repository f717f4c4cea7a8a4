#include "platform/linux/AutostartProgram.h"

#include "platform/core/AppIdentity.h"

#include <filesystem>
#include <system_error>

namespace linuxdesktop {

namespace fs = std::filesystem;

AutostartProgram autostartProgramFor(const std::string& executablePath)
{
    if (executablePath.empty()) return {"", "The application's executable is unknown"};
    if (!core::AppIdentity::resolve(executablePath).installed)
        return {executablePath, "This copy runs from its build folder (" + executablePath +
                                    "); only an installed copy can start at login"};
    // PREFIX/lib/glimra/bin/glimra is started as PREFIX/bin/glimra when that leads to it.
    const fs::path executable(executablePath);
    const fs::path bundle = executable.parent_path().parent_path();
    const fs::path link = bundle.parent_path().parent_path() / "bin" / executable.filename();
    std::error_code error;
    if (link != executable && fs::equivalent(link, executable, error)) return {link.string(), std::nullopt};
    return {executablePath, std::nullopt};
}

std::string currentExecutable()
{
    std::error_code error;
    const auto path = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}  // namespace linuxdesktop
