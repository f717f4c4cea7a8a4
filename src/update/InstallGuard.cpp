#include "update/InstallGuard.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/core/BundleFile.h"
#include "platform/core/ByteText.h"
#include "platform/core/Paths.h"
#include "platform/core/TextFormat.h"
#include "platform/desktop/Desktop.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

bool isPlainAbsolute(const std::string& path) { return path.starts_with('/') && !core::hasControlCharacter(path); }

// Relative, inside its bundle, and free of anything a shell or a log line could misread.
bool isPlainRelative(const std::string& path)
{
    if (path.empty() || path.starts_with('/') || core::hasControlCharacter(path)) return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

bool isDecimalProcessId(const std::string& text)
{
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return std::stoll(text) > 0 && std::stoll(text) <= INT_MAX;
}

std::string parentOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

std::optional<std::string> canonical(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool isSameOrInside(const std::string& path, const std::string& folder)
{
    return path == folder || folder == "/" || path.starts_with(folder + "/");
}

// Folders whose loss would lose the user's things: none of them may lie inside the target.
std::vector<std::string> keptFolders()
{
    std::vector<std::string> folders;
    const auto add = [&](const std::optional<std::string>& folder) {
        if (!folder) return;
        folders.push_back(canonical(*folder).value_or(*folder));
    };
    if (const char* home = std::getenv("HOME")) add(std::string(home));
    if (const auto config = core::paths::configHome()) add(*config + "/Glimra");
    add(core::paths::applicationSupport());
    if (const auto log = Diag::fileURL()) add(parentOf(*log));
    return folders;
}

std::string unsafe(const std::string& what)
{
    return core::formatText(L10n::t("安装位置不安全，无法自动替换（%@）"), {what});
}

}  // namespace

std::optional<std::string> installTargetRefusal(const std::string& target, const std::string& expectedIdentifier)
{
    if (!isPlainAbsolute(target)) return unsafe(target);
    const auto bundle = core::readBundleFile(target);
    if (!bundle) return L10n::t("当前副本不是安装版，无法自动替换");
    struct stat info {};
    if (target == "/" || canonical(target) != target || ::lstat(target.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || bundle->identifier != expectedIdentifier)
        return unsafe(target);
    for (const auto& folder : keptFolders()) {
        if (isSameOrInside(folder, target)) return unsafe(target);
    }
    struct stat parent {};
    const std::string parentDir = parentOf(target);
    if (::stat(parentDir.c_str(), &parent) != 0 || (parent.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return unsafe(parentDir);
    return std::nullopt;
}

std::optional<std::string> bundleFolderRefusal(const std::string& target)
{
    const auto refusal = desktop::installation().replacementRefusal(target);
    if (!refusal) return std::nullopt;
    using Kind = desktop::Installation::Refusal::Kind;
    switch (refusal->kind) {
    case Kind::sharedFolder:
        return core::formatText(L10n::t("%@ 是系统或共用文件夹，不是 Glimra 自己的文件夹，无法自动替换"), {target});
    case Kind::packageManager:
        return core::formatText(L10n::t("%@ 由软件包管理器安装（%@），请用软件包管理器更新"), {target, refusal->detail});
    case Kind::otherContents:
        return core::formatText(L10n::t("%@ 里还有别的程序的文件（%@），无法自动替换"), {target, refusal->detail});
    case Kind::notWritable: return core::formatText(L10n::t("无法写入 %@，无法自动替换"), {refusal->detail});
    }
    return unsafe(target);
}

std::optional<std::string> replaceJobRefusal(const ReplaceJob& job, const std::string& expectedIdentifier)
{
    if (const auto refusal = installTargetRefusal(job.target, expectedIdentifier)) return refusal;
    if (!isDecimalProcessId(job.pid)) return unsafe(job.pid);
    for (const auto* path : {&job.log, &job.staged, &job.stageDir, &job.package}) {
        if (!isPlainAbsolute(*path)) return unsafe(*path);
    }
    if (parentOf(job.staged) != job.stageDir || job.stageDir == job.target ||
        parentOf(job.stageDir) != parentOf(job.target))
        return unsafe(job.staged);
    for (const auto* path : {&job.executable, &job.oldExecutable}) {
        if (!isPlainRelative(*path)) return unsafe(*path);
    }
    if (job.rounds <= 0) return unsafe(std::to_string(job.rounds));
    return std::nullopt;
}
