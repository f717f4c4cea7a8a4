#include "update/UpdateInstaller.h"

#include "platform/core/AppIdentity.h"
#include "platform/core/Paths.h"
#include "platform/core/UniqueName.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/MainWait.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace {

void checkDownloadAddresses(const SelfTestRecord& record)
{
    const auto accepted = [](const std::string& text) { return UpdateInstaller::acceptableURL(text).has_value(); };
    record("https 可下载", accepted("https://updates.glimra.app/Glimra-1.1.0.tar.gz"), "");
    record("本机回环 http 可下载", accepted("http://127.0.0.1:8901/a.dmg"), "本地演示通道");
    record("普通 http 拒收", !accepted("http://example.com/a.tar.gz"), "");
    record("非 http(s) 拒收", !accepted("ftp://example.com/a.tar.gz"), "");
    record("乱地址拒收", !accepted("not a url"), "");
}

void checkDigest(const SelfTestRecord& record)
{
    const std::string path = core::paths::temporaryFolder() + "/glimra-selftest-" + core::uniqueName();
    std::ofstream(path, std::ios::binary) << "abc";
    const auto digest = UpdateInstaller::sha256OfFile(path);
    record("sha256 与标准值一致", digest == "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
           digest.value_or("nil"));
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

void checkAcceptance(const SelfTestRecord& record)
{
    const std::string ours = core::AppIdentity::current().bundleIdentifier;
    const std::int64_t build = 120;
    const auto accepts = [&](const InstallCandidate& candidate, const std::optional<std::string>& ourTeam) {
        return !installReject(candidate, ours, build, ourTeam).has_value();
    };
    record("bundle+build+team 都对 → 放行", accepts({ours, build, "T1"}, "T1"), "");
    record("build 对不上 → 拒（不许图文不符）", !accepts({ours, build + 1, "T1"}, "T1"), "");
    record("bundle 对不上 → 拒", !accepts({"com.evil.thing", build, "T1"}, "T1"), "");
    record("签名者不是我们 → 拒", !accepts({ours, build, "T2"}, "T1"), "");
    record("新包没签名 → 拒", !accepts({ours, build, std::nullopt}, "T1"), "");
    record("我们是 ad-hoc → 只比 bundle 与 build", accepts({ours, build, "T2"}, std::nullopt), "");
}

void checkSelfReplacement(const SelfTestRecord& record)
{
    const auto team = UpdateInstaller::signingTeamID();
    const bool force = defaults::setting::forceSelfReplace.value();
    const bool holds = team || force || !UpdateInstaller::allowsSelfReplace();
    record("未签名（且未强制）→ 不许自动替换", holds,
           "team=" + team.value_or("ad-hoc") + " 强制=" + (force ? "true" : "false"));
}

bool stillWorking(UpdatePhase::Kind kind)
{
    return kind == UpdatePhase::Kind::downloading || kind == UpdatePhase::Kind::installing;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Where the installed copy's executable swaps the bundle folders, this executable, which
// does it the same way.
std::optional<std::string> ownExchanger()
{
    if (!desktop::installation().exchangesBundleFolders()) return std::nullopt;
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::nullopt : std::optional(executable.string());
}

}  // namespace

void UpdateInstaller::selfTest(const SelfTestRecord& record)
{
    checkDownloadAddresses(record);
    checkDigest(record);
    checkAcceptance(record);
    checkSelfReplacement(record);
    selfTestReplaceMechanism(record, ownExchanger());
}

void UpdateInstaller::selfTestRealDownload(const std::optional<UpdateOutcome>& outcome, const SelfTestRecord& record)
{
    if (!outcome || outcome->kind != UpdateOutcome::Kind::update) {
        record("真实下载", true, "本次没有可用更新（或端点不可达），跳过");
        return;
    }
    setSuppressPrompts(true);
    startDownload(outcome->manifest);
    dispatch::runMainUntil([] { return !stillWorking(phase().kind); }, 40.0);

    const UpdatePhase ended = phase();
    if (ended.kind == UpdatePhase::Kind::ready) {
        std::error_code ignored;
        record("静默下载：完成并落盘", std::filesystem::exists(ended.file, ignored),
               std::filesystem::path(ended.file).filename().string());
        if (const auto& expected = ended.manifest.sha256; expected && !expected->empty()) {
            const std::string digest = sha256OfFile(ended.file).value_or("?");
            record("静默下载：文件 sha256 与清单一致", digest == lowered(*expected), digest);
        }
        std::filesystem::remove(ended.file, ignored);
    } else {
        record("静默下载：完成并落盘", false, "phase 停在 " + ended.description());
    }
    setSuppressPrompts(false);
    setPhase({});
}
