#include "platform/linux/BundleFolderInstallation.h"

#include "platform/core/BundleFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

namespace linuxdesktop {
namespace {

namespace fs = std::filesystem;

// What a package's bundle folder holds at its top level (cmake/GlimraInstall.cmake,
// scripts/package).
constexpr std::array<std::string_view, 5> bundleEntries{"bundle.json", "bundle.sig", "update-keys", "LICENSE", "bin"};
constexpr std::array<std::string_view, 9> systemFolders{"/",    "/usr", "/usr/local", "/opt", "/home",
                                                        "/etc", "/var", "/srv",       "/tmp"};
constexpr const char* dpkg = "/usr/bin/dpkg";
constexpr double dpkgTimeoutSeconds = 10;

std::string canonicalOr(const std::string& path)
{
    std::error_code error;
    const auto canonical = fs::canonical(path, error);
    return error ? path : canonical.string();
}

bool isSharedFolder(const std::string& folder)
{
    for (const auto system : systemFolders)
        if (folder == system) return true;
    const char* home = std::getenv("HOME");
    return home && *home && folder == canonicalOr(home);
}

// The first entry by name that no package of ours holds: anything beside the bundle's
// own entries, then in bin anything but its executable.
std::optional<std::string> otherEntry(const std::string& folder)
{
    const auto bundle = core::readBundleFile(folder);
    const std::string executable = bundle ? bundle->executable.value_or("") : "";
    const auto firstOther = [](const std::string& path, const std::string& prefix, const auto& isOurs) {
        std::set<std::string> others;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(path, error)) {
            const std::string name = prefix + entry.path().filename().string();
            if (!isOurs(name)) others.insert(name);
        }
        return others.empty() ? std::nullopt : std::optional(*others.begin());
    };
    if (auto entry = firstOther(folder, "", [](const std::string& name) {
            return std::find(bundleEntries.begin(), bundleEntries.end(), name) != bundleEntries.end();
        }))
        return entry;
    return firstOther(folder + "/bin", "bin/", [&](const std::string& name) { return name == executable; });
}

bool isWritable(const std::string& folder) { return ::faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0; }

}  // namespace

BundleFolderInstallation::BundleFolderInstallation(std::shared_ptr<desktop::Tools> tools) : tools_(std::move(tools)) {}

std::optional<std::string> BundleFolderInstallation::trustedKeysFile(const std::string& bundlePath)
{
    return bundlePath + "/update-keys";
}

std::optional<desktop::Installation::Refusal> BundleFolderInstallation::replacementRefusal(const std::string& bundlePath)
{
    const std::string folder = canonicalOr(bundlePath);
    if (isSharedFolder(folder)) return Refusal{Refusal::Kind::sharedFolder, {}};
    // "PACKAGE[, PACKAGE…]: PATH" when a package owns the folder; without dpkg none does.
    const auto owner = tools_->run(dpkg, {"-S", folder}, dpkgTimeoutSeconds);
    if (owner.succeeded())
        return Refusal{Refusal::Kind::packageManager, owner.output.substr(0, owner.output.find(':'))};
    if (const auto entry = otherEntry(folder)) return Refusal{Refusal::Kind::otherContents, *entry};
    for (const auto& path : {folder, fs::path(folder).parent_path().string()})
        if (!isWritable(path)) return Refusal{Refusal::Kind::notWritable, path};
    return std::nullopt;
}

}  // namespace linuxdesktop
