#include "scenario/OutputFolder.h"

#include "foundation/Diag.h"
#include "platform/core/Paths.h"
#include "platform/core/SystemLog.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimWorld.h"

#include <cstdlib>
#include <filesystem>

namespace scenario {
namespace {

namespace fs = std::filesystem;

constexpr const char* environmentNames[] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME"};

std::string dumped(const nlohmann::json& value)
{
    // Text that is not UTF-8 is replaced rather than thrown over.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void pointSettingsAndLogAtEnvironment()
{
    Diag::resetLocation();
    const auto config = core::paths::configHome();
    defaults::Defaults::standard().reopen(config ? *config + "/Glimra/defaults.json" : std::string());
}

}  // namespace

struct OutputFolder::Sinks {
    std::mutex mutex;
    std::ofstream syslog;
    std::ofstream journal;
};

OutputFolder::OutputFolder(std::string folder)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(folder, error);
    folder_ = error ? folder : absolute.lexically_normal().string();
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
}

OutputFolder::~OutputFolder()
{
    detach();
}

std::string OutputFolder::path(const std::string& relative) const
{
    return folder_ + "/" + relative;
}

std::optional<std::string> OutputFolder::attach(const std::vector<std::string>& stepFiles)
{
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error || !fs::is_directory(folder_)) return "cannot create the folder " + folder_;

    std::vector<std::string> leftovers{"data/Glimra", "config/Glimra", "syslog.txt", "desktop.jsonl", "state.json"};
    leftovers.insert(leftovers.end(), stepFiles.begin(), stepFiles.end());
    for (const auto& file : leftovers) {
        fs::remove_all(path(file), error);
        if (error) return "cannot remove " + path(file) + ": " + error.message();
    }

    attached_ = true;
    for (const char* name : environmentNames) {
        const char* value = std::getenv(name);
        savedEnvironment_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("XDG_DATA_HOME", path("data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    pointSettingsAndLogAtEnvironment();

    // The log exists even when the application writes nothing to it.
    if (!write("data/Glimra/diag.log", "")) return "cannot write " + path("data/Glimra/diag.log");

    sinks_ = std::make_shared<Sinks>();
    sinks_->syslog.open(path("syslog.txt"), std::ios::binary | std::ios::trunc);
    sinks_->journal.open(path("desktop.jsonl"), std::ios::binary | std::ios::trunc);
    if (!sinks_->syslog || !sinks_->journal) return "cannot write into " + folder_;
    core::systemLog::setSink([sinks = sinks_](const std::string& line) {
        std::lock_guard lock(sinks->mutex);
        sinks->syslog << line << '\n' << std::flush;
    });
    return std::nullopt;
}

void OutputFolder::recordJournal(sim::SimWorld& world)
{
    journaled_ = &world;
    world.setJournal([sinks = sinks_](const nlohmann::json& event) {
        std::lock_guard lock(sinks->mutex);
        sinks->journal << journalLine(event) << '\n' << std::flush;
    });
}

void OutputFolder::detach()
{
    if (!attached_) return;
    attached_ = false;
    core::systemLog::setSink({});
    if (journaled_) journaled_->setJournal({});
    journaled_ = nullptr;
    sinks_.reset();
    for (const auto& [name, value] : savedEnvironment_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    savedEnvironment_.clear();
    pointSettingsAndLogAtEnvironment();
}

bool OutputFolder::write(const std::string& relative, const std::string& contents) const
{
    const fs::path target = path(relative);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << contents;
    out.close();
    return static_cast<bool>(out);
}

const std::vector<std::string>& OutputFolder::ownNames()
{
    static const std::vector<std::string> names{"data", "config", "syslog.txt", "desktop.jsonl", "state.json"};
    return names;
}

std::string OutputFolder::journalLine(const nlohmann::json& event)
{
    std::string line = "{";
    const auto add = [&](const std::string& key, const nlohmann::json& value) {
        if (line.size() > 1) line += ',';
        line += dumped(key) + ':' + dumped(value);
    };
    if (const auto t = event.find("t"); t != event.end()) add("t", *t);
    for (const auto& [key, value] : event.items())
        if (key != "t") add(key, value);
    return line + "}";
}

}  // namespace scenario
