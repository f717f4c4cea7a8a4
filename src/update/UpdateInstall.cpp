#include "update/UpdateInstaller.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/BundleFile.h"
#include "platform/core/OwnFolder.h"
#include "platform/core/TextFormat.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "update/AppUpdate.h"
#include "update/ApplicationQuit.h"
#include "update/BundleSignature.h"
#include "update/InstallGuard.h"
#include "update/PackageStaging.h"
#include "update/ReplaceScript.h"
#include "update/ShortenedText.h"
#include "update/StagedTreeRemoval.h"
#include "update/TrustedKeys.h"

#include <QUrl>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <sys/stat.h>

namespace {

constexpr double quitDelay = 0.6;
constexpr int waitRounds = 200;

// Fixed when the installation starts, on the main thread.
struct StagingInputs {
    UpdateManifest manifest;
    std::string package;
    std::string target;
    std::string ourIdentifier;
    std::optional<std::string> ourTeam;
    std::vector<std::string> trustedKeys;
    int pid = 0;
};

void openForManualInstall(const std::string& package)
{
    Diag::log("更新安装: 当前是 ad-hoc 签名 → 不自动替换，改为打开安装包");
    desktop::urlOpener().open(
        QUrl::fromLocalFile(QString::fromStdString(package)).toString(QUrl::FullyEncoded).toStdString());
    if (UpdateInstaller::suppressPrompts()) return;
    AppUpdate::alert(L10n::t("请手动完成安装"),
                     L10n::t("把安装包里的 Glimra 拖进「应用程序」并覆盖旧版本，然后重新打开。") + "\n\n" +
                         L10n::t("为什么不能自动替换：当前是开发签名（ad-hoc），替换后 macOS 会把它当成另一个应用，"
                                 "屏幕录制与辅助功能授权会失效。等正式签名到位后，这一步会变成一键完成。"),
                     {L10n::t("好")});
}

std::string rejectMessage(const InstallReject& reject, std::int64_t expectedBuild, std::int64_t foundBuild)
{
    switch (reject.check) {
    case InstallReject::Check::bundle:
        return core::formatText(L10n::t("安装包不是 Glimra（标识为 %@）"), {reject.candidateBundle.value_or("nil")});
    case InstallReject::Check::build:
        return core::formatText(L10n::t("安装包版本不对（清单说 build %d，实际 %d）"),
                                {static_cast<long long>(expectedBuild), static_cast<long long>(foundBuild)});
    case InstallReject::Check::unsignedBundle: return L10n::t("安装包的签名校验不通过");
    case InstallReject::Check::team: return L10n::t("安装包的签名与我们不是同一个开发者");
    }
    return L10n::t("安装失败");
}

// Beside the diagnostics log; else in the private updates folder, never a guessable
// shared name, and never a link planted there.
std::string installLogPath()
{
    std::optional<std::string> folder;
    if (const auto log = Diag::fileURL())
        folder = std::filesystem::path(*log).parent_path().string();
    else
        folder = UpdateInstaller::updatesDir();
    if (!folder) return "/dev/null";
    const std::string path = *folder + "/update-install.log";
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        core::reportOwnPathLink(path);
        return "/dev/null";
    }
    return path;
}

// Checks the target, stages and verifies the package beside it and starts the replace
// script; returns the script's process id. Throws InstallError.
int stageAndStart(const StagingInputs& in)
{
    if (const auto refusal = installTargetRefusal(in.target, in.ourIdentifier)) throw InstallError{*refusal};
    if (const auto refusal = bundleFolderRefusal(in.target)) throw InstallError{*refusal};
    const StagedBundle staged = stagePackage(in.package, std::filesystem::path(in.target).parent_path().string());
    try {
        const std::optional<std::string> ourIdentifier =
            in.ourIdentifier.empty() ? std::nullopt : std::optional(in.ourIdentifier);
        // Signed with a key we trust, the package is of our team; else of its key's own.
        const bool ourKey = std::find(in.trustedKeys.begin(), in.trustedKeys.end(), staged.keyId) != in.trustedKeys.end();
        const std::optional<std::string> newTeam = ourKey ? in.ourTeam : std::nullopt;
        if (const auto reject =
                installReject({staged.info.identifier, staged.build, ourKey ? in.ourTeam : std::optional(staged.keyId)},
                              ourIdentifier, in.manifest.build, in.ourTeam))
            throw InstallError{rejectMessage(*reject, in.manifest.build, staged.build)};
        Diag::log("更新安装: 校验通过 新包=" + ShortenedText::forLog(staged.info.identifier.value_or("-")) + " build " +
                  std::to_string(staged.build) + " team=" + newTeam.value_or("ad-hoc"));

        const auto ourBundle = core::readBundleFile(in.target);
        const ReplaceJob job{.log = installLogPath(),
                             .pid = std::to_string(in.pid),
                             .target = in.target,
                             .staged = staged.bundlePath,
                             .stageDir = staged.stageDir,
                             .package = in.package,
                             .rounds = waitRounds,
                             .executable = staged.info.executable.value_or(""),
                             .oldExecutable = ourBundle ? ourBundle->executable.value_or("") : "",
                             .exchangeFolders = desktop::installation().exchangesBundleFolders()};
        if (const auto refusal = replaceJobRefusal(job, in.ourIdentifier)) throw InstallError{*refusal};
        const auto started = desktop::tools().startDetached(replaceScriptShell, replaceScriptArguments(job));
        if (!started) throw InstallError{L10n::t("无法启动安装脚本")};
        return *started;
    } catch (...) {
        discardStagedTree(staged.stageDir);
        throw;
    }
}

// The keys the running copy trusts; none for a copy without a bundle.
std::vector<std::string> ourTrustedKeys()
{
    const std::string& bundle = core::AppIdentity::current().bundlePath;
    if (!core::readBundleFile(bundle)) return {};
    return trustedKeyIds(bundle);
}

void abandon(const UpdatePhase& ready, const std::string& logged, const std::string& shown)
{
    Diag::log("更新安装: 中止 —— " + ShortenedText::forLog(logged));
    dispatch::main().async([ready, shown] {
        UpdateInstaller::setPhase(ready);
        UpdateInstaller::presentFailure(shown);
    });
}

}  // namespace

void UpdateInstaller::installAndRelaunch()
{
    const UpdatePhase ready = phase();
    if (ready.kind != UpdatePhase::Kind::ready) return;
    if (!allowsSelfReplace()) {
        openForManualInstall(ready.file);
        return;
    }
    const auto& identity = core::AppIdentity::current();
    auto trustedKeys = ourTrustedKeys();
    const StagingInputs inputs{
        ready.manifest,         ready.file,  identity.bundlePath, identity.bundleIdentifier, teamOf(trustedKeys),
        std::move(trustedKeys), identity.pid};
    setPhase(UpdatePhase::installing(ready.manifest));
    Diag::log("更新安装: 开始 目标=" + inputs.target +
              " bundle=" + (inputs.ourIdentifier.empty() ? std::string("-") : inputs.ourIdentifier) +
              " team=" + inputs.ourTeam.value_or("ad-hoc"));
    dispatch::global().async([ready, inputs] {
        try {
            const int scriptPid = stageAndStart(inputs);
            Diag::log("更新安装: 替身脚本已启动 glimra-update pid=" + std::to_string(scriptPid) + "，准备退出自己");
            dispatch::main().async([] { runOnMainAfter(quitDelay, quitApplication); });
        } catch (const InstallError& error) {
            abandon(ready, error.message, error.message);
        } catch (const std::exception& error) {
            abandon(ready, error.what(), L10n::t("安装失败"));
        }
    });
}

std::optional<std::string> UpdateInstaller::signingTeamID() { return teamOf(ourTrustedKeys()); }

bool UpdateInstaller::allowsSelfReplace()
{
    return defaults::setting::forceSelfReplace.value() || signingTeamID().has_value();
}

void runOnMainAfter(double seconds, std::function<void()> block)
{
    dispatch::main().asyncAfter(seconds, std::move(block));
}
