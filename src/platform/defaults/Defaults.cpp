#include "platform/defaults/Defaults.h"

#include "platform/core/OwnFolder.h"
#include "platform/core/Paths.h"
#include "platform/core/SystemLog.h"
#include "platform/defaults/BoundedJson.h"
#include "platform/defaults/UnreadableBackup.h"
#include "platform/dispatch/Scheduler.h"
#include "platform/dispatch/WhileAlive.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <utility>

namespace defaults {
namespace {

using Json = nlohmann::json;

// The file's own object encloses every value.
constexpr int maxFileDepth = Defaults::maxDepth + 1;

// A burst of changes (a world seeding thousands of keys) goes out in one write instead of
// the writer stalling the burst with a rewrite of the growing file.
constexpr double writeDelaySeconds = 0.05;

// A larger file is no settings file of ours: it is refused like a broken one, unread.
constexpr std::uint64_t maxFileBytes = 16 * 1024 * 1024;

std::string serialized(const Json& values)
{
    // Text that is not UTF-8 is replaced rather than thrown over on the writing thread.
    return values.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

// The settings' folder, never reached through a link, made 0700 when missing.
core::OwnFolder openFolder(const std::string& path)
{
    return core::OwnFolder::openPath(std::filesystem::path(path).parent_path().string(),
                                     core::OwnFolder::Missing::create);
}

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

bool save(const std::string& path, const std::string& text)
{
    const auto failure = openFolder(path).writeAtomically(fileName(path), text);
    if (failure) core::systemLog::write("[Glimra] settings not saved: " + *failure);
    return !failure;
}

}  // namespace

class Defaults::State {
public:
    // Held across a whole file write, and taken before `mutex`, so writes land in order.
    std::mutex writeMutex;
    std::mutex mutex;
    std::string path;
    Json values = Json::object();
    // An unreadable file that could not be moved aside, and a link in place of the file or
    // its folder, are left alone, never overwritten.
    bool fileKept = false;
    std::optional<std::string> movedAside;
    // Bumped by every change; the file holds writtenVersion.
    std::uint64_t version = 0;
    std::uint64_t writtenVersion = 0;
    // A write waits on the queue of the scheduler of that generation.
    bool writeScheduled = false;
    std::uint64_t scheduledGeneration = 0;

    // With `mutex` held.
    void load()
    {
        values = Json::object();
        fileKept = false;
        movedAside.reset();
        writtenVersion = version;
        if (path.empty()) return;
        const auto folder = openFolder(path);
        const std::string name = fileName(path);
        const auto entry = folder.status(name);
        // A link in place of the folder or the file is left alone, and so is the file.
        if (folder.refusedLink() || (entry && S_ISLNK(entry->st_mode))) {
            if (folder) core::reportOwnPathLink(path);
            fileKept = true;
            return;
        }
        // Settings and their folder are the user's alone, also when loosened since.
        folder.tighten();
        const auto contents = folder.contents(name, maxFileBytes);
        if (!contents.bytes && contents.error == core::FileReadError::absent) return;
        if (contents.bytes) {
            auto parsed = parseWithinDepth(*contents.bytes, maxFileDepth);
            if (parsed && parsed->is_object()) {
                values = std::move(*parsed);
                return;
            }
        }
        if (const auto backup = moveAsideUnreadable(folder, name)) {
            core::systemLog::write("[Glimra] settings file unreadable, moved aside: " + path + " -> " + *backup);
            movedAside = backup;
        } else {
            fileKept = true;
            core::systemLog::write(
                "[Glimra] settings file unreadable and cannot be moved aside, not saving settings: " + path);
        }
    }

    // The text the file lacks; none when it is up to date or must be left alone.
    // With `mutex` held.
    std::optional<std::string> pendingText() const
    {
        if (version == writtenVersion || fileKept || path.empty()) return std::nullopt;
        return serialized(values);
    }

    void writePending()
    {
        std::lock_guard writing(writeMutex);
        std::unique_lock lock(mutex);
        const auto text = pendingText();
        if (!text) {
            writtenVersion = version;
            return;
        }
        const std::string target = path;
        const auto written = version;
        // Readers and writers of memory need not wait for the disk.
        lock.unlock();
        const bool saved = save(target, *text);
        lock.lock();
        if (saved) writtenVersion = written;
    }

    void runScheduledWrite()
    {
        {
            std::lock_guard lock(mutex);
            writeScheduled = false;
        }
        writePending();
    }
};

Defaults& Defaults::standard()
{
    static Defaults store([] {
        const auto config = core::paths::configHome();
        return config ? *config + "/Glimra/defaults.json" : std::string();
    }());
    return store;
}

Defaults::Defaults(std::string filePath) : state_(std::make_shared<State>()), queue_("defaults")
{
    std::lock_guard lock(state_->mutex);
    state_->path = std::move(filePath);
    state_->load();
}

Defaults::~Defaults() { flush(); }

void Defaults::reopen(std::string filePath)
{
    std::lock_guard writing(state_->writeMutex);
    std::lock_guard lock(state_->mutex);
    if (const auto text = state_->pendingText()) save(state_->path, *text);
    state_->path = std::move(filePath);
    state_->load();
}

std::string Defaults::filePath() const
{
    std::lock_guard lock(state_->mutex);
    return state_->path;
}

void Defaults::flush() { state_->writePending(); }

std::optional<std::string> Defaults::takeMovedAside()
{
    std::lock_guard lock(state_->mutex);
    return std::exchange(state_->movedAside, std::nullopt);
}

bool Defaults::contains(const std::string& key) const
{
    std::lock_guard lock(state_->mutex);
    return state_->values.contains(key);
}

std::optional<Json> Defaults::object(const std::string& key) const
{
    std::lock_guard lock(state_->mutex);
    const auto it = state_->values.find(key);
    if (it == state_->values.end()) return std::nullopt;
    return *it;
}

std::optional<bool> Defaults::boolean(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_boolean()) return std::nullopt;
    return value->get<bool>();
}

bool Defaults::boolValue(const std::string& key) const
{
    const auto value = object(key);
    if (!value) return false;
    if (value->is_boolean()) return value->get<bool>();
    if (value->is_number()) return value->get<double>() != 0;
    if (!value->is_string()) return false;
    const std::string& text = value->get_ref<const std::string&>();
    std::size_t i = text.find_first_not_of(" \t\n\r\f\v");
    if (i == std::string::npos) return false;
    if (text[i] == '+' || text[i] == '-') ++i;
    while (i < text.size() && text[i] == '0') ++i;
    if (i == text.size()) return false;
    const char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

std::optional<long long> Defaults::integer(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_number_integer()) return std::nullopt;
    return value->get<long long>();
}

std::optional<double> Defaults::number(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_number()) return std::nullopt;
    return value->get<double>();
}

std::optional<std::string> Defaults::string(const std::string& key) const
{
    const auto value = object(key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<Json> Defaults::array(const std::string& key) const
{
    auto value = object(key);
    if (!value || !value->is_array()) return std::nullopt;
    return value;
}

std::optional<Json> Defaults::dictionary(const std::string& key) const
{
    auto value = object(key);
    if (!value || !value->is_object()) return std::nullopt;
    return value;
}

bool Defaults::set(const std::string& key, Json value)
{
    if (nestedDeeperThan(value, maxDepth)) {
        core::systemLog::write("[Glimra] setting refused, nested deeper than " + std::to_string(maxDepth) + ": " + key);
        return false;
    }
    std::unique_lock lock(state_->mutex);
    state_->values[key] = std::move(value);
    changed(lock);
    return true;
}

void Defaults::remove(const std::string& key)
{
    std::unique_lock lock(state_->mutex);
    if (state_->values.erase(key) > 0) changed(lock);
}

void Defaults::changed(std::unique_lock<std::mutex>& lock)
{
    ++state_->version;
    // A write queued under a scheduler since replaced (a test's, a finished scenario's)
    // will never run; queue another on the current one.
    const auto generation = dispatch::schedulerGeneration();
    if (state_->writeScheduled && state_->scheduledGeneration == generation) return;
    state_->writeScheduled = true;
    state_->scheduledGeneration = generation;
    lock.unlock();
    // The store may be gone by the time the write runs; it wrote everything on its way out.
    queue_.asyncAfter(writeDelaySeconds, dispatch::whileAlive(std::weak_ptr<State>(state_),
                                                              [](State& state) { state.runScheduledWrite(); }));
}

Json Defaults::snapshot() const
{
    std::lock_guard lock(state_->mutex);
    return state_->values;
}

}  // namespace defaults
