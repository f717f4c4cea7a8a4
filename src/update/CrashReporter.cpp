#include "update/CrashReporter.h"

#include "foundation/Diag.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/Paths.h"
#include "platform/core/Sha256.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Semaphore.h"
#include "update/CrashExcerpt.h"
#include "update/CrashReportFolder.h"
#include "update/CrashUploadLedger.h"
#include "update/FatalSignalHandler.h"
#include "update/ServiceEndpoint.h"
#include "update/SystemLine.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <unordered_set>

namespace CrashReporter {

namespace {

constexpr std::size_t reportsKept = 20;
constexpr double requestTimeout = 15;
constexpr double answerWait = 20;
// The answer only tells accepted or not: no more of it is held than of a manifest.
constexpr std::uint64_t answerByteCap = 1 << 20;

bool isUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < shortest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// The most bytes the excerpt's code points can take: a larger report is never read, so
// a huge one costs no memory at each launch.
constexpr std::uint64_t reportByteCap = CrashExcerpt::readLimit * 4;

struct ReportText {
    std::optional<std::string> text;
    bool tooLarge = false;
};

ReportText readText(const core::OwnFolder& folder, const std::string& name)
{
    auto contents = folder.contents(name, reportByteCap);
    if (!contents.bytes) return {.text = std::nullopt, .tooLarge = contents.error == core::FileReadError::tooLarge};
    if (!isUtf8(*contents.bytes)) return {};
    return {.text = std::move(contents.bytes)};
}

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::string reportPreamble()
{
    return "Glimra " + plistValue("version") + " (" + plistValue("build") + ")\nOS: " + SystemLine::line() + "\n";
}

// What one load leaves for the worker waiting on it; the answer may come after the wait.
struct PendingAnswer {
    dispatch::Semaphore arrived;
    std::atomic<bool> accepted = false;
};

}  // namespace

std::string plistValue(const std::string& key)
{
    const auto& identity = core::AppIdentity::current();
    const std::string value = key == "version" ? identity.version : key == "build" ? identity.build : "";
    return value.empty() ? "?" : value;
}

void start()
{
    auto folder = std::make_shared<core::OwnFolder>(CrashReportFolder::open());
    // Reports carry window titles: the folder is the user's alone.
    folder->tighten();
    if (const auto base = core::paths::dataHome())
        FatalSignalHandler::install(*base, CrashReportFolder::below, reportPreamble());
    // The one default the system writes: a first launch stores reporting as on.
    const auto& reporting = defaults::setting::crashReportingEnabled;
    if (!reporting.isStored()) reporting.write(true);
    const bool enabled = reporting.value();
    dispatch::global().async([folder, enabled] {
        CrashReportFolder::keepNewest(*folder, reportsKept);
        if (enabled) scanAndUpload();
    });
}

void scanAndUpload()
{
    const auto folder = CrashReportFolder::open();
    const auto names = CrashReportFolder::list(folder);
    if (!names) return;
    const std::vector<std::string> remembered = CrashUploadLedger::load();
    const std::unordered_set<std::string> alreadySent(remembered.begin(), remembered.end());
    const std::string home = homeFolder();

    std::vector<std::string> done;
    for (const std::string& name : *names) {
        if (!CrashReportFolder::isReportName(name) || alreadySent.contains(name)) continue;
        const auto [text, tooLarge] = readText(folder, name);
        if (tooLarge) {
            // Remembered like a sent report, so it is passed over, and its name trimmed, as they are.
            Diag::log("崩溃报告: " + name + " 超过 " + std::to_string(reportByteCap) + " 字节 ⇒ 不读取，不上传");
            done.push_back(name);
        }
        if (!text) continue;
        const Payload payload{{"appVersion", plistValue("version")},
                              {"appBuild", plistValue("build")},
                              {"osVersion", SystemLine::line()},
                              {"fileName", name},
                              {"excerpt", CrashExcerpt::excerpt(*text, home)}};
        if (upload(payload, core::sha256Hex(*text))) done.push_back(name);
    }
    CrashUploadLedger::store(CrashUploadLedger::updated(remembered, *names, done));
}

bool upload(const Payload& payload, const std::string& idempotencyKey)
{
    return upload(payload, idempotencyKey, ServiceEndpoint::resolvedBase());
}

bool upload(const Payload& payload, const std::string& idempotencyKey, const std::optional<std::string>& base)
{
    if (!base) return false;
    std::string body;
    try {
        body = nlohmann::json(payload).dump();
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    desktop::UrlRequest request;
    request.method = "POST";
    request.url = *base + "/api/crash";
    request.headers = {{"Content-Type", "application/json; charset=utf-8"}, {"Idempotency-Key", idempotencyKey}};
    request.body = std::move(body);
    request.idleTimeout = requestTimeout;
    request.maxBytes = answerByteCap;

    static const dispatch::Queue answers("crash-upload-answers");
    auto pending = std::make_shared<PendingAnswer>();
    const auto load = desktop::urlLoading().start(
        std::move(request), {.queue = answers,
                             .onResponse = nullptr,
                             .onProgress = nullptr,
                             .onFinished = [pending](const desktop::UrlLoadResult& result) {
                                 pending->accepted =
                                     result.ok() && result.head.status >= 200 && result.head.status <= 299;
                                 pending->arrived.signal();
                             }});
    if (pending->arrived.wait(answerWait)) return pending->accepted;
    // Too late to count: the report is sent again at the next launch.
    load->cancel();
    return false;
}

}  // namespace CrashReporter
