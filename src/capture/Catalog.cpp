#include "capture/Catalog.h"

#include "foundation/Diag.h"
#include "platform/core/AppIdentity.h"
#include "platform/desktop/Desktop.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>
#include <set>

namespace Catalog {
namespace {

constexpr double minimumWidth = 120;
constexpr double minimumHeight = 80;
constexpr std::size_t exclusionMemory = 64;

// The keys of exclusions already logged, oldest first; shared by concurrent queries.
struct ExclusionLog {
    std::mutex mutex;
    std::deque<std::string> keys;

    // True when the key is new: it is then remembered, the oldest forgotten past 64.
    bool remember(const std::string& key)
    {
        std::lock_guard lock(mutex);
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) return false;
        if (keys.size() >= exclusionMemory) keys.pop_front();
        keys.push_back(key);
        return true;
    }
};

ExclusionLog& exclusionLog()
{
    static ExclusionLog log;
    return log;
}

std::optional<std::string> systemPromptReason(const desktop::ShareableApplication& app)
{
    if (excludedSystemBundleIDs().count(app.bundleIdentifier)) return std::string("黑名单");
    if (const auto running = desktop::workspace().application(app.processID)) {
        if (running->bundlePath && running->bundlePath->rfind("/System/Library/PrivateFrameworks/", 0) == 0) {
            return std::string("系统私有框架内的弹窗代理");
        }
    }
    if (app.applicationName.rfind("universalAccessAuth", 0) == 0) return std::string("名字兜底");
    return std::nullopt;
}

// The failure kinds logged since the last query that succeeded: the callers poll, and a
// refusal would otherwise fill the log.
struct FailureLog {
    std::mutex mutex;
    std::set<Failure> logged;

    bool remember(Failure failure)
    {
        std::lock_guard lock(mutex);
        return logged.insert(failure).second;
    }
    void forget()
    {
        std::lock_guard lock(mutex);
        logged.clear();
    }
};

FailureLog& failureLog()
{
    static FailureLog log;
    return log;
}

Failure failureOf(const std::optional<desktop::Error>& error)
{
    const bool declined = error && desktop::captureErrorKind(*error) == desktop::CaptureErrorKind::userDeclined;
    return declined ? Failure::notPermitted : Failure::failed;
}

std::string failureLine(Failure failure, const std::optional<desktop::Error>& error)
{
    if (failure == Failure::notPermitted) return "窗口列表: 没有屏幕录制权限，读不到任何窗口";
    return "窗口列表: 查询可共享内容失败" + (error ? " " + error->description : std::string());
}

// The capture's answer as a listing for the completion.
std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> listingOf(
    std::function<void(Listing)> completion)
{
    return [completion = std::move(completion)](std::optional<desktop::ShareableContent> content,
                                                std::optional<desktop::Error> error) {
        if (!error && content) {
            failureLog().forget();
            completion(Listing{filter(*content), std::nullopt});
            return;
        }
        const Failure failure = failureOf(error);
        if (failureLog().remember(failure)) Diag::log(failureLine(failure, error));
        completion(Listing{{}, failure});
    };
}

}  // namespace

const std::set<std::string>& excludedSystemBundleIDs()
{
    static const std::set<std::string> ids{
        "com.apple.accessibility.universalAccessAuthWarn",
        "com.apple.coreservices.uiagent",
        "com.apple.UserNotificationCenter",
        "com.apple.notificationcenterui",
        "com.apple.controlcenter",
        "com.apple.systemuiserver",
        "com.apple.loginwindow",
    };
    return ids;
}

bool isLargeEnough(const core::Rect& frame) { return frame.width() >= minimumWidth && frame.height() >= minimumHeight; }

std::vector<desktop::ShareableWindow> filter(const desktop::ShareableContent& content)
{
    const std::string& ownBundle = core::AppIdentity::current().bundleIdentifier;
    std::vector<desktop::ShareableWindow> kept;
    for (const auto& window : content.windows) {
        if (!window.owningApplication) continue;
        const desktop::ShareableApplication& owner = *window.owningApplication;
        if (!ownBundle.empty() && owner.bundleIdentifier == ownBundle) continue;
        if (const auto reason = systemPromptReason(owner)) {
            const std::string key = owner.bundleIdentifier + "#" + std::to_string(window.windowID);
            if (exclusionLog().remember(key)) {
                Diag::log("窗口列表: 拦下系统弹窗 owner=" + owner.applicationName + " id=" + owner.bundleIdentifier +
                          " 理由=" + *reason + " 窗口#" + std::to_string(window.windowID));
            }
            continue;
        }
        if (window.windowLayer != 0) continue;
        if (!isLargeEnough(window.frame)) continue;
        kept.push_back(window);
    }
    return kept;
}

void list(std::function<void(Listing)> completion)
{
    dispatch::global().async([completion = std::move(completion)] {
        desktop::capture().shareableContent(false, true, listingOf(completion));
    });
}

void list(std::vector<desktop::WindowInfo> onScreenWindows, std::function<void(Listing)> completion)
{
    dispatch::global().async([windows = std::move(onScreenWindows), completion = std::move(completion)] {
        desktop::capture().shareableContentOf(windows, listingOf(completion));
    });
}

}  // namespace Catalog
