#include "platform/core/AppIdentity.h"

#include "platform/core/BundleFile.h"

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
namespace {

std::optional<AppIdentity>& overridden()
{
    static std::optional<AppIdentity> identity;
    return identity;
}

}  // namespace

AppIdentity AppIdentity::resolve(const std::string& executablePath)
{
    AppIdentity id;
    id.name = "Glimra";
    id.bundleIdentifier = GLIMRA_BUNDLE_ID;
    id.version = GLIMRA_VERSION;
    id.build = GLIMRA_BUILD;
    id.pid = static_cast<int>(::getpid());
    if (executablePath.empty()) return id;
    const std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
    id.bundlePath = folder.string();
    const std::string bundle = folder.parent_path().string();
    if (const auto file = readBundleFile(bundle)) {
        id.bundlePath = bundle;
        id.installed = true;
        id.version = file->version.value_or("");
        id.build = file->build.value_or("");
    }
    return id;
}

const AppIdentity& AppIdentity::current()
{
    if (const auto& identity = overridden()) return *identity;
    static const AppIdentity own = [] {
        std::error_code error;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return resolve(error ? std::string() : exe.string());
    }();
    return own;
}

void AppIdentity::setOverride(std::optional<AppIdentity> identity) { overridden() = std::move(identity); }

std::string AppIdentity::versionLine() const
{
    return name + " " + version + " (build " + build + ") " + bundleIdentifier;
}

}  // namespace core
