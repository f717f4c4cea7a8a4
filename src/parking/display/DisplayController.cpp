#include "parking/display/DisplayController.h"

#include "foundation/ActiveDisplays.h"
#include "parking/ledger/VDLog.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace parking {
namespace {

constexpr double margin = 40;
constexpr double modeWaitSeconds = 4;
constexpr double modePollStep = 0.15;
constexpr int flushAttempts = 3;
constexpr double flushWaitSeconds = 1.5;
constexpr double flushPollStep = 0.1;

std::string idList(const std::vector<desktop::DisplayID>& ids)
{
    std::string text = "[";
    for (std::size_t i = 0; i < ids.size(); ++i) text += (i ? ", " : "") + std::to_string(ids[i]);
    return text + "]";
}

std::string idList(const std::set<desktop::DisplayID>& ids) { return idList(std::vector(ids.begin(), ids.end())); }

bool contains(const std::vector<desktop::DisplayID>& ids, desktop::DisplayID id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::string integer(double value) { return std::to_string(static_cast<long long>(value)); }

// The bottom-right corner of the real displays' bounding box, (0, 0) without any.
core::Point realBottomRight(const std::vector<desktop::DisplayID>& active, const std::vector<desktop::DisplayID>& excluded)
{
    core::Point corner{0, 0};
    for (const auto id : active) {
        if (contains(excluded, id)) continue;
        const auto display = desktop::displays().display(id);
        if (!display) continue;
        corner.x = std::max(corner.x, display->frame.maxX());
        corner.y = std::max(corner.y, display->frame.maxY());
    }
    return corner;
}

// Serial numbers start from the launch's wall-clock time, so that each launch's differ.
std::uint32_t serialSeedAtLaunch()
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(dispatch::wallClock()) & 0xFFFFF);
}

}  // namespace

DisplayController::DisplayController() : serialSeed_(serialSeedAtLaunch()) {}

DisplayController::~DisplayController()
{
    for (auto& [source, entry] : live_) VDDestroy(entry.handle);
}

DisplayController& DisplayController::shared()
{
    // Never destroyed: quit ends the displays, and the desktop may be gone at exit.
    static auto* instance = new DisplayController;
    return *instance;
}

bool DisplayController::isFeatureEnabled()
{
    if (!VDAvailable()) return false;
    return defaults::setting::virtualDisplayPark.value();
}

std::optional<desktop::DisplayID> DisplayController::ensureDisplay(desktop::DisplayID source)
{
    std::optional<Live> existing;
    {
        std::lock_guard lock(mutex_);
        if (terminated_) return std::nullopt;
        if (const auto found = live_.find(source); found != live_.end()) existing = found->second;
    }
    if (existing) {
        // An adopted display has no handle: it lives while the desktop lists it.
        const bool ended =
            existing->handle ? VDIsTerminated(existing->handle) : !desktop::displays().display(existing->displayID);
        if (!ended) return existing->displayID;
        VDLog::write("虚拟屏 #" + std::to_string(existing->displayID) + " 已被系统回收，重建" +
                     "（同时记入僵尸集合：系统回收 ≠ 已从排列里消失，仍要催）");
        {
            std::lock_guard lock(mutex_);
            zombies_.insert(existing->displayID);
            live_.erase(source);
        }
        VDDestroy(existing->handle);
    }

    if (!VDAvailable()) {
        VDLog::write(std::string("系统不支持（macOS < 14 或私有类缺失）：") + VDLastError());
        return std::nullopt;
    }
    const auto spec = VDSpec::of(source);
    if (!spec) {
        VDLog::write("读不到源屏 #" + std::to_string(source) + " 的规格");
        return std::nullopt;
    }
    const VDSpec padded = spec->padded(margin);
    const std::uint32_t serial = ++serialSeed_;
    const std::string name = "Glimra " + std::to_string(padded.pointWidth) + "x" + std::to_string(padded.pointHeight);
    const VDConfig config{
        static_cast<std::uint32_t>(padded.pointWidth),
        static_cast<std::uint32_t>(padded.pointHeight),
        static_cast<std::uint32_t>(padded.pixelWidth),
        static_cast<std::uint32_t>(padded.pixelHeight),
        padded.refreshRate,
        padded.pointWidth < padded.pixelWidth ? 1u : 0u,
        static_cast<std::uint32_t>(std::lround(padded.mmWidth)),
        static_cast<std::uint32_t>(std::lround(padded.mmHeight)),
        serial,
        name.c_str(),
    };

    const auto before = activeDisplayIDs();
    VDHandle handle = VDCreate(&config);
    if (!handle) {
        VDLog::write(std::string("创建失败：") + VDLastError() + "（当时活动屏 " + idList(before) + "）");
        return std::nullopt;
    }
    const desktop::DisplayID id = VDDisplayID(handle);
    if (id == 0) {
        VDLog::sink("[VD] 拿不到 displayID ⇒ 无法记入僵尸集合，只能空提交催一次（若屏真的进了排列，它会留到进程退出）");
        VDDestroy(handle);
        flushArrangement({});
        return std::nullopt;
    }

    const core::Point origin = bottomRightOfRealDisplays(activeDisplayIDs(), id);
    commitOrigin(id, origin);
    if (!waitForMode(id, modeWaitSeconds)) {
        const auto activeNow = activeDisplayIDs();
        const core::Point corner = bottomRightOfRealDisplays(activeNow, id);
        VDLog::write("提交配置后仍拿不到 mode ⇒ 这块屏不可用，销毁重来" + std::string("（#") + std::to_string(id) +
                     " 请求原点=" + integer(origin.x) + "," + integer(origin.y) + "，活动屏=" + idList(activeNow) +
                     "，" + "既有排列右下角=" + integer(corner.x) + "," + integer(corner.y) + ")");
        VDDestroy(handle);
        {
            std::lock_guard lock(mutex_);
            zombies_.insert(id);
        }
        flushArrangement({id});
        return std::nullopt;
    }

    VDLog::write("已就绪 虚拟屏 #" + std::to_string(id) + " = " + padded.summary() + " 原点=" + integer(origin.x) +
                 "," + integer(origin.y) + (before.empty() ? "" : "（建屏前活动屏 " + idList(before) + "）"));
    VDLog::write(std::string("  内部状态：") + VDModeSummary(handle));
    {
        std::lock_guard lock(mutex_);
        zombies_.erase(id);
        if (!terminated_) {
            live_[source] = Live{handle, id, padded};
            return id;
        }
    }
    // Quit ended everything while this display waited for its mode.
    VDDestroy(handle);
    VDLog::write("已销毁 虚拟屏 #" + std::to_string(id) + "（源 #" + std::to_string(source) + "）");
    flushArrangement({});
    return std::nullopt;
}

core::Point DisplayController::bottomRightOfRealDisplays(const std::vector<desktop::DisplayID>& active,
                                                         desktop::DisplayID newDisplay) const
{
    std::vector<desktop::DisplayID> excluded{newDisplay};
    {
        std::lock_guard lock(mutex_);
        for (const auto& [source, entry] : live_) excluded.push_back(entry.displayID);
        excluded.insert(excluded.end(), zombies_.begin(), zombies_.end());
    }
    return realBottomRight(active, excluded);
}

bool DisplayController::isVirtual(desktop::DisplayID displayID) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(live_.begin(), live_.end(),
                       [displayID](const auto& entry) { return entry.second.displayID == displayID; });
}

bool DisplayController::isZombie(desktop::DisplayID displayID) const
{
    std::lock_guard lock(mutex_);
    return zombies_.count(displayID) > 0;
}

std::vector<desktop::DisplayID> DisplayController::liveDisplayIDs() const
{
    std::lock_guard lock(mutex_);
    std::vector<desktop::DisplayID> ids;
    for (const auto& [source, entry] : live_) ids.push_back(entry.displayID);
    return ids;
}

std::set<desktop::DisplayID> DisplayController::zombieIDs() const
{
    std::lock_guard lock(mutex_);
    return zombies_;
}

bool DisplayController::hasLiveOrZombie() const
{
    std::lock_guard lock(mutex_);
    return !live_.empty() || !zombies_.empty();
}

void DisplayController::adoptDeclaredDisplays()
{
    const auto active = desktop::displays().activeDisplays();
    std::vector<std::pair<desktop::DisplayID, VDSpec>> declared;
    for (const auto& display : active) {
        if (!display.isVirtual) continue;
        declared.emplace_back(display.id, VDSpec::of(display.id).value_or(VDSpec{}));
    }

    std::lock_guard lock(mutex_);
    // A launch after another one's quit in the same process (an in-process scenario run)
    // starts from the displays the desktop lists now, not from those the last one left.
    const auto listed = [&active](desktop::DisplayID id) {
        return std::any_of(active.begin(), active.end(), [id](const auto& display) { return display.id == id; });
    };
    terminated_ = false;
    serialSeed_ = serialSeedAtLaunch();
    std::erase_if(live_, [&](const auto& entry) {
        if (listed(entry.second.displayID)) return false;
        VDDestroy(entry.second.handle);
        return true;
    });
    std::erase_if(zombies_, [&](desktop::DisplayID id) { return !listed(id); });
    for (auto& [id, spec] : declared) {
        const bool known = std::any_of(live_.begin(), live_.end(),
                                       [id = id](const auto& entry) { return entry.second.displayID == id; });
        if (known) continue;
        const auto source = std::find_if(active.begin(), active.end(), [this](const desktop::DisplayInfo& display) {
            return !display.isVirtual && live_.count(display.id) == 0;
        });
        if (source == active.end()) break;
        spec.sourceDisplayID = source->id;
        live_[source->id] = Live{nullptr, id, spec};
    }
}

void DisplayController::terminateAll()
{
    std::map<desktop::DisplayID, Live> ended;
    std::set<desktop::DisplayID> zombies;
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
        if (live_.empty() && zombies_.empty()) return;
        ended.swap(live_);
        zombies = zombies_;
    }

    // Adopted displays are not ours to end: they are neither destroyed nor waited for.
    std::vector<desktop::DisplayID> ids;
    for (const auto& [source, entry] : ended) {
        if (!entry.handle) continue;
        ids.push_back(entry.displayID);
        VDDestroy(entry.handle);
        VDLog::write("已销毁 虚拟屏 #" + std::to_string(entry.displayID) + "（源 #" + std::to_string(source) + "）");
    }
    ids.insert(ids.end(), zombies.begin(), zombies.end());
    if (!zombies.empty())
        VDLog::write("另有 " + std::to_string(zombies.size()) + " 块「建屏失败留下的屏」需要一并催走：" + idList(zombies));
    flushArrangement(ids);
}

void DisplayController::flushArrangement(const std::vector<desktop::DisplayID>& untilGone)
{
    auto& displays = desktop::displays();
    for (int attempt = 1; attempt <= flushAttempts; ++attempt) {
        const int result = displays.commitConfiguration({});
        VDLog::write("催走虚拟屏（第 " + std::to_string(attempt) + " 次，空提交）：" +
                     (result == 0 ? std::string("提交成功") : "提交失败(" + std::to_string(result) + ")"));
        if (untilGone.empty()) return;

        const double deadline = dispatch::now() + flushWaitSeconds;
        while (true) {
            const auto active = activeDisplayIDs();
            const bool gone = std::none_of(untilGone.begin(), untilGone.end(),
                                           [&active](desktop::DisplayID id) { return contains(active, id); });
            if (gone) {
                VDLog::write("虚拟屏已消失 → 活动屏 " + idList(active));
                std::lock_guard lock(mutex_);
                for (const auto id : untilGone) zombies_.erase(id);
                return;
            }
            if (dispatch::now() >= deadline - 1e-9) break;
            dispatch::sleepFor(flushPollStep);
        }
    }

    std::vector<desktop::DisplayID> still;
    for (const auto id : activeDisplayIDs())
        if (contains(untilGone, id)) still.push_back(id);
    {
        std::lock_guard lock(mutex_);
        for (const auto id : untilGone) {
            // The warning below promises a later retry: what is still there stays a zombie.
            if (contains(still, id))
                zombies_.insert(id);
            else
                zombies_.erase(id);
        }
    }
    if (!still.empty())
        VDLog::write("⚠️ 3 次空提交催走后虚拟屏 " + idList(still) + " 仍在活动列表" +
                     "（进程退出时系统一定会收走它；该 ID 已记入僵尸集合，" + "下次 terminateAll 仍会再试）");
}

bool DisplayController::commitOrigin(desktop::DisplayID displayID, core::Point origin)
{
    const int result =
        desktop::displays().commitConfiguration({{displayID, static_cast<int>(origin.x), static_cast<int>(origin.y)}});
    if (result == 0) return true;
    VDLog::write("提交 origin 失败 moved=" + std::to_string(result) + " committed=" + std::to_string(result));
    return false;
}

std::optional<desktop::DisplayMode> DisplayController::waitForMode(desktop::DisplayID displayID, double seconds)
{
    if (seconds <= 0) return std::nullopt;
    for (double counted = 0; counted < seconds; counted += modePollStep) {
        if (auto mode = desktop::displays().currentMode(displayID)) return mode;
        dispatch::sleepFor(modePollStep);
    }
    return std::nullopt;
}

}  // namespace parking
