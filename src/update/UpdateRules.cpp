#include "update/AppUpdate.h"

#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"

#include <openssl/evp.h>

#include <charconv>
#include <vector>

namespace {

// An optional sign, then ASCII digits only, within 64 bits.
std::optional<std::int64_t> integerText(std::string_view text)
{
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    if (text.empty() || (plus && text.front() == '-')) return std::nullopt;
    std::int64_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || stop != text.data() + text.size()) return std::nullopt;
    return value;
}

// The version numbers of a minimum system text; pieces that are not integers are dropped.
std::vector<std::int64_t> versionNumbers(const std::string& text)
{
    std::vector<std::int64_t> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t dot = text.find('.', start);
        if (dot == std::string::npos) dot = text.size();
        if (const auto number = integerText(std::string_view(text).substr(start, dot - start)))
            numbers.push_back(*number);
        start = dot + 1;
    }
    return numbers;
}

}  // namespace

std::int64_t AppUpdate::currentBuild(const core::AppIdentity& running)
{
    return integerText(running.build).value_or(0);
}

std::string AppUpdate::currentShortVersion(const core::AppIdentity& running)
{
    return running.version.empty() ? "0" : running.version;
}

std::optional<std::string> AppUpdate::fingerprint() { return core::systemInfo().machineIdentifier; }

int AppUpdate::bucket(const std::string& fingerprint, const std::string& salt)
{
    const std::string text = salt + "|" + fingerprint;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
    std::uint64_t leading = 0;
    for (int i = 0; i < 8; ++i) leading = leading << 8 | digest[i];
    return static_cast<int>(leading % 100);
}

UpdateOutcome AppUpdate::decision(const UpdateManifest& manifest, std::int64_t current,
                                  const std::optional<std::string>& fingerprint)
{
    // The same build is no update, and an older one never is: no downgrade.
    if (current >= manifest.build) return UpdateOutcome::upToDate();
    const auto percent = manifest.rolloutPercent;
    if (!percent || *percent >= 100) return UpdateOutcome::update(manifest);
    if (*percent <= 0) return UpdateOutcome::upToDate();
    // A machine that cannot be told apart is inside every rollout.
    if (!fingerprint) return UpdateOutcome::update(manifest);
    if (bucket(*fingerprint, manifest.rolloutSalt.value_or("z5")) >= *percent) return UpdateOutcome::upToDate();
    return UpdateOutcome::update(manifest);
}

bool AppUpdate::requiresNewerSystem(const std::optional<std::string>& minSystemVersion,
                                    const std::optional<core::OsVersion>& cur)
{
    if (!minSystemVersion || !cur) return false;
    const auto numbers = versionNumbers(*minSystemVersion);
    // A bare major version ("14") never blocks.
    if (numbers.size() < 2) return false;
    return *cur < core::OsVersion{numbers[0], numbers[1], numbers.size() > 2 ? numbers[2] : 0};
}

std::string AppUpdate::updateDetails(const UpdateManifest& manifest, const core::AppIdentity& running)
{
    const std::int64_t build = currentBuild(running);
    std::vector<std::string> paragraphs;
    if (manifest.minBuild && build < *manifest.minBuild)
        paragraphs.push_back(L10n::t("你的版本已不再受支持，请尽快更新。"));
    if (manifest.critical.value_or(false)) paragraphs.push_back(L10n::t("这是一次重要更新，建议尽快安装。"));
    if (manifest.notes && !manifest.notes->empty()) paragraphs.push_back(*manifest.notes);
    if (manifest.minSystemVersion && !manifest.minSystemVersion->empty())
        paragraphs.push_back(core::formatText(L10n::t("需要 macOS %@ 或更高版本。"), {*manifest.minSystemVersion}));
    paragraphs.push_back(core::formatText(L10n::t("当前版本 %@（build %d）→ 新版本 build %d。"),
                                          {currentShortVersion(running), build, manifest.build}));
    std::string details;
    for (const auto& paragraph : paragraphs) details += (details.empty() ? "" : "\n\n") + paragraph;
    return details;
}
