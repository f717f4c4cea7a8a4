#include "update/UpdateInstaller.h"

#include "platform/core/OwnFolder.h"
#include "platform/core/Paths.h"
#include "platform/core/Sha256.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool safeInFileName(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '+' || c == '-';
}

// The server's version text cannot name another folder or a hidden oddity: every
// character outside the safe set becomes "_", at most 64 of them.
std::string safeVersion(const std::string& version)
{
    constexpr std::size_t maxCharacters = 64;
    std::string safe;
    for (const unsigned char c : version) {
        if ((c & 0xC0) == 0x80) continue;  // the rest of a character already replaced
        if (safe.size() == maxCharacters) break;
        safe += safeInFileName(c) ? char(c) : '_';
    }
    return safe;
}

}  // namespace

std::optional<std::string> UpdateInstaller::updatesDir()
{
    const auto base = core::paths::dataHome();
    if (!base) return std::nullopt;
    const auto folder = core::OwnFolder::open(*base, "Glimra/updates", core::OwnFolder::Missing::create);
    const auto status = folder.status(".");
    if (!status || status->st_uid != ::geteuid()) return std::nullopt;
    // Packages wait here for the installer: no one else may swap them.
    folder.tighten();
    const auto tightened = folder.status(".");
    if (!tightened || (tightened->st_mode & 077) != 0) return std::nullopt;
    return folder.path();
}

std::string UpdateInstaller::packageFileName(const UpdateManifest& manifest)
{
    return "Glimra-" + safeVersion(manifest.shortVersion) + "-" + std::to_string(manifest.build) + ".tar.gz";
}

std::optional<std::string> UpdateInstaller::sha256OfFile(const std::string& path)
{
    return core::sha256HexOfFile(path);
}
