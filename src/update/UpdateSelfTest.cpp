#include "update/AppUpdate.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/dispatch/MainWait.h"
#include "update/LoadErrorTexts.h"
#include "update/ManifestDecoding.h"
#include "update/UpdateInstaller.h"

#include <algorithm>

namespace {

using desktop::UrlLoadError;
using Kind = UpdateOutcome::Kind;
using Action = AppUpdate::ManualAction;

// The same identifier on every machine, so that the bucket rows hold everywhere.
const std::string testIdentifier = "test-uuid";
const std::string packageURL = "https://updates.glimra.app/Glimra-9.9.9.tar.gz";

struct Counts {
    int passed = 0;
    int failed = 0;
};

SelfTestRecord recorderFor(Counts& counts)
{
    return [&counts](const std::string& name, bool ok, const std::string& detail) {
        Diag::log("更新自检: " + std::string(ok ? "PASS" : "FAIL") + " " + name + (detail.empty() ? "" : " —— " + detail));
        ++(ok ? counts.passed : counts.failed);
    };
}

bool offers(const UpdateManifest& manifest, std::int64_t current)
{
    return AppUpdate::decision(manifest, current, testIdentifier).kind == Kind::update;
}

void checkDecisionsAndRollout(const SelfTestRecord& record)
{
    const std::int64_t current = AppUpdate::currentBuild();
    record("更大 build 算更新", offers({"9.9.9", current + 1, packageURL}, current), "");
    record("相同 build 不算更新（禁降级）", !offers({"9.9.9", current, packageURL}, current), "");
    record("更小 build 不算更新（禁降级）", !offers({"9.9.9", current - 1, packageURL}, current), "");

    const int b = AppUpdate::bucket(testIdentifier, "z5");
    record("分桶稳定（同输入同结果）", b == AppUpdate::bucket(testIdentifier, "z5"), "桶=" + std::to_string(b));
    record("分桶在 0-99", b >= 0 && b < 100, "");
    const int other = AppUpdate::bucket(testIdentifier, "q7");
    record("换 salt 会换桶", b != other, std::to_string(b) + " vs " + std::to_string(other));

    const std::int64_t atRollout = AppUpdate::currentBuild();
    const auto m = [&](std::optional<std::int64_t> percent) {
        UpdateManifest manifest{"9.9.9", atRollout + 1, "https://updates.glimra.app/a.tar.gz"};
        manifest.rolloutPercent = percent;
        return manifest;
    };
    record("100% = 全量（必进）", offers(m(100), atRollout), "");
    record("0% = 不提示（必不进）", !offers(m(0), atRollout), "");
    record("缺省 = 全量", offers(m(std::nullopt), atRollout), "");
    record("1% 判定与桶一致", offers(m(1), atRollout) == (b < 1), "桶=" + std::to_string(b));
}

void checkDecoding(const SelfTestRecord& record)
{
    const auto complete = decodeManifest(
        R"({"shortVersion":"1.2.3","build":120,"url":"https://updates.glimra.app/Glimra-1.2.3.tar.gz",)"
        R"("notes":"修了几个 bug","critical":true,"minBuild":110,"minSystemVersion":"13.0","rolloutPercent":50,)"
        R"("rolloutSalt":"z5","sha256":"abc"})");
    record("完整清单解析", complete && complete->build == 120 && complete->critical == true,
           complete ? complete->shortVersion + " build " + std::to_string(complete->build) : "nil");
    record("缺 build → 判为无效",
           !decodeManifest(R"({"shortVersion":"1.2.3","url":"https://updates.glimra.app/Glimra-1.2.3.tar.gz"})"), "");
    record("坏 JSON → 判为无效", !decodeManifest("{oops"), "");
    record("多余字段不致命",
           decodeManifest(
               R"({"shortVersion":"2.0","build":200,"url":"https://updates.glimra.app/Glimra-2.0.tar.gz","future":123})")
               .has_value(),
           "");

    const std::int64_t current = AppUpdate::currentBuild();
    record("新版 + 全量 → 提示", offers({"3.0", current + 5, packageURL}, current), "");
    record("旧版 → 不提示", !offers({"0", std::max<std::int64_t>(0, current - 5), "u"}, current), "");
    UpdateManifest noRollout{"2", current + 5, "u"};
    noRollout.rolloutPercent = 0;
    record("新版 + 0% 灰度 → 不提示", !offers(noRollout, current), "");
}

void checkSystemGate(const SelfTestRecord& record)
{
    const auto blocks = [](std::optional<std::string> minimum, core::OsVersion running) {
        return AppUpdate::requiresNewerSystem(minimum, running);
    };
    record("清单没写系统下限 → 放行", !blocks(std::nullopt, {13, 0, 0}), "");
    record("空串系统下限 → 放行", !blocks("", {13, 0, 0}), "");
    record("本机够高 → 放行", !blocks("13.0", {14, 1, 0}), "");
    record("本机刚好够 → 放行", !blocks("13.0", {13, 0, 0}), "");
    record("大版本不够 → 拦住", blocks("14.0", {13, 6, 9}), "");
    record("小版本不够 → 拦住", blocks("13.4", {13, 3, 9}), "");
    record("补丁版本不够 → 拦住", blocks("13.2.1", {13, 2, 0}), "");
    record("补丁版本够 → 放行", !blocks("13.2.1", {13, 2, 1}), "");
    record("写糊了（只有主版本）→ 放行", !blocks("14", {13, 0, 0}), "宁可不拦，也不误伤");
}

void checkManualActions(const SelfTestRecord& record)
{
    const core::OsVersion running{13, 0, 0};
    const std::int64_t current = AppUpdate::currentBuild();
    const UpdateManifest n{"2.0", current + 1, packageURL};
    UpdateManifest o = n;
    o.minSystemVersion = "99.0";
    const auto leadsTo = [&](const UpdateOutcome& outcome, const Action& expected) {
        return AppUpdate::manualAction(outcome, running) == expected;
    };
    record("失败 → 只弹失败文案（不下载）",
           leadsTo(UpdateOutcome::failed("连接更新服务器超时"), {Action::Kind::failed, "连接更新服务器超时", {}}), "");
    record("已最新 → 只弹提示（不下载）", leadsTo(UpdateOutcome::upToDate(), {Action::Kind::upToDate, {}, {}}), "");
    record("有新版 + 系统够 → 直接下载（不问一句）", leadsTo(UpdateOutcome::update(n), {Action::Kind::download, {}, n}),
           "");
    record("有新版 + 系统不够 → 不下载，只告知", leadsTo(UpdateOutcome::update(o), {Action::Kind::systemTooOld, {}, o}),
           "");
    record("有新版 + 系统没写下限 → 直接下载", leadsTo(UpdateOutcome::update(n), {Action::Kind::download, {}, n}), "");
}

void checkErrorPhrases(const SelfTestRecord& record)
{
    const std::vector<std::pair<std::string, std::optional<UrlLoadError>>> cases = {
        {"超时→中文短语", UrlLoadError::timedOut},
        {"域名解析失败→中文短语", UrlLoadError::hostNotFound},
        {"TLS 失败→中文短语", UrlLoadError::tlsFailed},
        {"非 URLError 也有兜底", std::nullopt},
    };
    const std::vector<std::string> expectedKeys = {"连接更新服务器超时", "找不到更新服务器（域名解析失败）",
                                                   "更新服务器的安全连接建立失败", "网络请求未完成"};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string phrase = AppUpdate::friendlyReason(cases[i].second);
        record(cases[i].first, phrase == L10n::t(expectedKeys[i]), phrase);
    }
    // The Simplified Chinese phrases themselves, so the row holds in every interface language.
    std::string joined;
    bool noLetters = true;
    for (const auto& error : {std::optional(UrlLoadError::timedOut), std::optional(UrlLoadError::hostNotFound),
                              std::optional(UrlLoadError::tlsFailed), std::optional<UrlLoadError>(),
                              std::optional(UrlLoadError::refused)}) {
        const std::string phrase = LoadErrorTexts::reasonKey(error);
        noLetters = noLetters && std::none_of(phrase.begin(), phrase.end(), [](unsigned char c) {
                        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                    });
        joined += (joined.empty() ? "" : " / ") + phrase;
    }
    record("翻好后不含 ASCII 字母（即无英文原文）", noLetters, joined);
}

// The real check against the configured endpoint; none when it never answered.
std::optional<UpdateOutcome> checkForReal(const SelfTestRecord& record)
{
    const auto url = AppUpdate::manifestURL();
    Diag::log("更新自检: 尝试真实拉取 " + url.value_or("nil"));
    auto outcome = std::make_shared<std::optional<UpdateOutcome>>();
    auto text = std::make_shared<std::optional<std::string>>();
    AppUpdate::check(true, [outcome, text](const UpdateOutcome& result) {
        *outcome = result;
        switch (result.kind) {
        case Kind::update:
            *text =
                "成功：发现有更新 " + result.manifest.shortVersion + " build " + std::to_string(result.manifest.build);
            break;
        case Kind::upToDate: *text = "成功：本次不提示"; break;
        case Kind::failed: *text = "失败(" + result.reason + ")—— 静默忽略，属正常"; break;
        }
    });
    dispatch::runMainUntil([text] { return text->has_value(); }, 12.0);
    const std::string shown = text->value_or("（超时未回调）");
    Diag::log("更新自检: 真实拉取结果 = " + shown);
    record("真实拉取有明确结果", text->has_value(), shown);
    return *outcome;
}

}  // namespace

int AppUpdate::selfTest()
{
    Counts counts;
    const SelfTestRecord record = recorderFor(counts);
    checkDecisionsAndRollout(record);
    checkDecoding(record);
    checkSystemGate(record);
    checkManualActions(record);
    checkErrorPhrases(record);
    UpdateInstaller::selfTest(record);
    const auto outcome = checkForReal(record);
    UpdateInstaller::selfTestRealDownload(outcome, record);
    Diag::log("更新自检: 结束 —— " + std::to_string(counts.passed) + " 项通过 / " + std::to_string(counts.failed) +
              " 项失败" + (counts.failed == 0 ? " —— 全部通过 ✅" : ""));
    return counts.failed;
}
