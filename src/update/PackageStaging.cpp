#include "update/PackageStaging.h"

#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/desktop/Desktop.h"
#include "update/ArchiveListing.h"
#include "update/BundleSignature.h"
#include "update/StagedTreeCheck.h"
#include "update/StagedTreeRemoval.h"
#include "update/UpdateInstaller.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

constexpr const char* env = "/usr/bin/env";
constexpr const char* tar = "/usr/bin/tar";
constexpr double listingTimeoutSeconds = 60;
constexpr double extractionTimeoutSeconds = 600;

// The folder is removed unless the staging succeeds and keeps it.
class StageFolder {
public:
    explicit StageFolder(const std::string& parentDir)
    {
        std::string pattern = parentDir + "/.glimra-staging-XXXXXX";
        if (!::mkdtemp(pattern.data())) throw InstallError{L10n::t("无法创建解包文件夹")};
        path_ = pattern;
    }
    ~StageFolder()
    {
        if (path_.empty()) return;
        discardStagedTree(path_);
    }
    StageFolder(const StageFolder&) = delete;
    StageFolder& operator=(const StageFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string keep() { return std::exchange(path_, {}); }

private:
    std::string path_;
};

std::string lastCharacters(const std::string& text, std::size_t count)
{
    std::size_t start = text.size();
    for (std::size_t seen = 0; start > 0 && seen < count;) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xc0) != 0x80) ++seen;
    }
    return text.substr(start);
}

desktop::ToolOutcome runTar(std::vector<std::string> arguments, double timeoutSeconds)
{
    // The C locale keeps the listing in the format it is parsed in.
    arguments.insert(arguments.begin(), {"LC_ALL=C", tar});
    return desktop::tools().run(env, arguments, timeoutSeconds);
}

InstallError tarFailure(const desktop::ToolOutcome& outcome)
{
    const int status = outcome.kind == desktop::ToolOutcome::Kind::exited ? outcome.exitStatus : -1;
    return {core::formatText(L10n::t("无法解包下载的安装包（tar %d）"), {status}) + " " +
            lastCharacters(outcome.output, 120)};
}

InstallError refusalError(const ContentRefusal& refusal)
{
    switch (refusal.kind) {
    case ContentRefusal::Kind::unsafeEntry:
        return {core::formatText(L10n::t("安装包里有不允许的内容（%@）"), {refusal.entry})};
    case ContentRefusal::Kind::tooLarge: return {L10n::t("安装包太大或文件太多")};
    case ContentRefusal::Kind::noSpace: return {L10n::t("磁盘空间不足，无法解包安装包")};
    }
    return {L10n::t("安装包太大或文件太多")};
}

std::uint64_t freeBytesIn(const std::string& folder)
{
    struct statvfs status {};
    if (::statvfs(folder.c_str(), &status) != 0) return 0;
    return static_cast<std::uint64_t>(status.f_bavail) * status.f_frsize;
}

void prefilter(const std::string& package, const std::string& parentDir, const ContentLimits& limits)
{
    const auto outcome = runTar({"-tvzf", package}, listingTimeoutSeconds);
    if (!outcome.succeeded()) throw tarFailure(outcome);
    // A listing cut to the tool output's cap has lost its start: too many entries anyway.
    if (outcome.output.size() >= desktop::ToolOutcome::outputCap)
        throw refusalError({ContentRefusal::Kind::tooLarge, {}});
    const auto members = parseArchiveListing(outcome.output);
    if (!members)
        throw refusalError({ContentRefusal::Kind::unsafeEntry, printableName(lastCharacters(outcome.output, 120))});
    if (const auto refusal = listingRefusal(*members, limits, freeBytesIn(parentDir))) throw refusalError(*refusal);
}

bool endsWithApp(const std::string& name) { return name.size() > 4 && name.ends_with(".app"); }

// Relative, inside the bundle, and a regular file its owner may run (the walk has already
// ruled out links and anything else).
bool isUsableExecutable(const std::string& bundlePath, const std::optional<std::string>& executable)
{
    if (!executable || executable->empty() || executable->front() == '/') return false;
    for (const auto& component : std::filesystem::path(*executable))
        if (component == "..") return false;
    struct stat status {};
    return ::lstat((bundlePath + "/" + *executable).c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & S_IXUSR);
}

std::int64_t buildNumber(const std::optional<std::string>& build)
{
    std::int64_t value = -1;
    if (!build || build->empty()) return -1;
    const auto [end, error] = std::from_chars(build->data(), build->data() + build->size(), value);
    return error == std::errc{} && end == build->data() + build->size() ? value : -1;
}

}  // namespace

StagedBundle stagePackage(const std::string& package, const std::string& parentDir)
{
    const ContentLimits limits;
    StageFolder folder(parentDir);
    prefilter(package, parentDir, limits);

    // As root, tar would otherwise keep the archive's owners and set-uid bits.
    const auto extraction = runTar({"-xzf", package, "-C", folder.path(), "--no-same-owner", "--no-same-permissions"},
                                   extractionTimeoutSeconds);
    if (!extraction.succeeded()) throw tarFailure(extraction);
    ::chmod(folder.path().c_str(), 0700);  // a "./" member may have changed it

    const auto tree = checkStagedTree(folder.path(), limits);
    if (tree.refusal) throw refusalError(*tree.refusal);
    if (!tree.topLevel || !endsWithApp(*tree.topLevel)) throw InstallError{L10n::t("安装包里没有找到 App")};
    const std::string bundlePath = folder.path() + "/" + *tree.topLevel;

    const auto keyId = verifiedBundleKeyId(bundlePath);
    if (!keyId) throw InstallError{L10n::t("安装包的签名校验不通过")};
    const auto info = core::readBundleFile(bundlePath);
    if (!info || !isUsableExecutable(bundlePath, info->executable)) throw InstallError{L10n::t("安装包里没有找到 App")};

    StagedBundle staged;
    staged.info = *info;
    staged.build = buildNumber(info->build);
    staged.keyId = *keyId;
    staged.bundlePath = bundlePath;
    staged.stageDir = folder.keep();
    return staged;
}
