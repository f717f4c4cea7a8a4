#include "update/PackagePlacement.h"

#include "update/ShortenedText.h"
#include "update/UpdateInstaller.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace packagedownload {
namespace {

std::string lowerCased(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string lastComponent(const std::string& path) { return path.substr(path.rfind('/') + 1); }

long long sizeOf(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : 0;
}

// True when the digest allows the file; logs either way.
bool digestAccepts(const UpdateManifest& manifest, const std::string& partial)
{
    if (!manifest.sha256 || manifest.sha256->empty()) {
        Diag::log("更新下载: 清单没给 sha256，跳过校验（不推荐）");
        return true;
    }
    const std::string actual = UpdateInstaller::sha256OfFile(partial).value_or("?");
    if (actual == lowerCased(*manifest.sha256)) {
        Diag::log("更新下载: sha256 校验通过 " + actual);
        return true;
    }
    Diag::log("更新下载: sha256 不符 期望=" + ShortenedText::forLog(*manifest.sha256) + " 实际=" + actual + "（丢弃）");
    return false;
}

}  // namespace

void placePackage(const UpdateManifest& manifest, const std::string& partial, const std::string& destination)
{
    if (!digestAccepts(manifest, partial)) {
        ::unlink(partial.c_str());
        downloadFailed(manifest, L10n::t("下载的文件校验不通过，已丢弃"));
        return;
    }
    // rename replaces an older package of the same name in one step.
    if (std::rename(partial.c_str(), destination.c_str()) != 0) {
        Diag::log("更新下载: 落盘失败 " + std::string(std::strerror(errno)));
        ::unlink(partial.c_str());
        downloadFailed(manifest, L10n::t("无法保存下载的文件"));
        return;
    }
    Diag::log("更新下载: 完成 " + lastComponent(destination) + "（" + std::to_string(sizeOf(destination)) + " 字节）");
    UpdateInstaller::setPhase(UpdatePhase::ready(manifest, destination));
    UpdateInstaller::presentReadyPrompt();
}

void downloadFailed(const UpdateManifest& manifest, const std::string& reason)
{
    UpdateInstaller::setPhase(UpdatePhase::available(manifest));
    UpdateInstaller::presentFailure(reason);
}

}  // namespace packagedownload
