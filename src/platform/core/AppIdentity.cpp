#include "platform/core/AppIdentity.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

#ifndef GLIMRA_VERSION
#define GLIMRA_VERSION "0.0.0"
#endif
#ifndef GLIMRA_BUILD
#define GLIMRA_BUILD "0"
#endif
#ifndef GLIMRA_BUNDLE_ID
#define GLIMRA_BUNDLE_ID "com.glimra.app"
#endif

namespace core {

const AppIdentity& AppIdentity::current()
{
    static const AppIdentity identity = [] {
        AppIdentity id;
        id.name = "Glimra";
        id.bundleIdentifier = GLIMRA_BUNDLE_ID;
        id.version = GLIMRA_VERSION;
        id.build = GLIMRA_BUILD;
        std::error_code error;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
        id.bundlePath = error ? std::string() : exe.parent_path().string();
        id.pid = static_cast<int>(::getpid());
        return id;
    }();
    return identity;
}

std::string AppIdentity::versionLine() const
{
    return name + " " + version + " (build " + build + ") " + bundleIdentifier;
}

}  // namespace core
