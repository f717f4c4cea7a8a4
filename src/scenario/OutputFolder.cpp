#include "scenario/OutputFolder.h"

#include "scenario/RunManifest.h"

#include "foundation/Diag.h"
#include "platform/core/Paths.h"
#include "platform/core/SystemLog.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include <sys/stat.h>

namespace scenario {
namespace {

using Kind = ConfinedFolder::Kind;

// The environment a run points at its folder, and the folder each names. The runtime
// folder is the last: a live run keeps the user's own.
const std::vector<std::pair<const char*, const char*>> environment{
    {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"}, {"TMPDIR", "tmp"}, {"XDG_RUNTIME_DIR", "runtime"}};
// The run's own folders: the roots the application writes below, and theirs.
const std::vector<std::string> ownFolders{"data", "data/Glimra", "config", "config/Glimra", "tmp", "runtime"};
const std::vector<std::string> ownRoots{"data", "config", "tmp", "runtime"};
const std::vector<std::string> ownFiles{"state.json",
                                        "syslog.txt",
                                        "desktop.jsonl",
                                        "data/Glimra/diag.log",
                                        "data/Glimra/diag.1.log",
                                        "config/Glimra/defaults.json"};

// The list without the runtime folder when the run keeps the user's own.
template <class T>
std::vector<T> used(const std::vector<T>& list, OutputFolder::Runtime runtime)
{
    if (runtime == OutputFolder::Runtime::inFolder) return list;
    return {list.begin(), list.end() - 1};
}

constexpr std::size_t maxManifestBytes = 16 * 1024 * 1024;

std::string dumped(const nlohmann::json& value)
{
    // Text that is not UTF-8 is replaced rather than thrown over.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string parentOf(const std::string& relative)
{
    const auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

std::set<std::string> listed(const ConfinedFolder& folder, OutputFolder::Runtime runtime)
{
    std::vector<std::string> files, folders;
    for (const auto& root : used(ownRoots, runtime)) folder.listBelow(root, files, folders);
    std::set<std::string> all(files.begin(), files.end());
    all.insert(folders.begin(), folders.end());
    return all;
}

std::string placedKeyPath(std::size_t index) { return "files[" + std::to_string(index) + "].path"; }

}  // namespace

struct OutputFolder::Sinks {
    std::mutex mutex;
    std::optional<ConfinedFolder::PendingFile> syslog;
    std::optional<ConfinedFolder::PendingFile> journal;
};

OutputFolder::OutputFolder(std::string folder) : given_(folder)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    folder_ = error ? folder : absolute.lexically_normal().string();
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
}

OutputFolder::~OutputFolder() { detach(); }

std::string OutputFolder::path(const std::string& relative) const { return folder_ + "/" + relative; }

std::optional<std::string> OutputFolder::refusal(const Plan& plan, const std::set<std::string>& earlier) const
{
    const auto check = [&](const std::string& keyPath, const std::string& file,
                           bool folder) -> std::optional<std::string> {
        const std::string lead = keyPath.empty() ? "" : keyPath + ": ";
        const auto entry = confined_->inspect(file);
        if (entry.kind == Kind::link) return lead + path(entry.at) + " is a symbolic link";
        const bool earlierFile = entry.kind == Kind::file && earlier.count(entry.at);
        if (entry.at != file) {
            // Stopped on the way: a missing folder is made, a file the earlier run wrote goes.
            if (entry.kind == Kind::missing || earlierFile) return std::nullopt;
            return lead + path(entry.at) + " is not a folder";
        }
        if (entry.kind == Kind::missing || (folder ? entry.kind == Kind::folder : earlierFile)) return std::nullopt;
        if (folder) return lead + path(file) + " is not a folder";
        return lead + path(file) + " exists and was not written by an earlier run";
    };
    for (const auto& folder : used(ownFolders, runtime_))
        if (auto problem = check("", folder, true)) return problem;
    for (const auto& file : ownFiles)
        if (auto problem = check("", file, false)) return problem;
    for (const auto& step : plan.stepFiles)
        if (auto problem = check(step.keyPath, step.file, false)) return problem;
    for (std::size_t i = 0; i < plan.placedFiles.size(); ++i)
        if (auto problem = check(placedKeyPath(i), plan.placedFiles[i].path, false)) return problem;
    for (const auto& read : plan.linkFreePaths)
        if (const auto entry = confined_->inspect(read.file); entry.kind == Kind::link)
            return read.keyPath + ": " + path(entry.at) + " is a symbolic link";
    return std::nullopt;
}

std::optional<std::string> OutputFolder::attach(const Plan& plan, Runtime runtime)
{
    runtime_ = runtime;
    confined_ = ConfinedFolder::open(folder_, /*create=*/true);
    if (!confined_) return "cannot create the folder " + folder_;
    folder_ = confined_->path();
    const std::string untouched = "; nothing was touched";

    if (auto problem = lockFolder()) return problem;

    // Read under the lock: what a run before wrote is complete by now.
    RunManifest earlier;
    const auto manifest = confined_->inspect(RunManifest::fileName);
    if (manifest.kind == Kind::missing) {
        if (!confined_->isEmpty(RunLock::fileName))
            return folder_ + " is not empty and holds no " + RunManifest::fileName + " of an earlier run" + untouched;
    } else {
        const auto text =
            manifest.kind == Kind::file ? confined_->readFile(RunManifest::fileName, maxManifestBytes) : std::nullopt;
        const auto parsed = text ? RunManifest::parse(*text) : std::nullopt;
        if (!parsed) return path(RunManifest::fileName) + ": not the manifest of an earlier run" + untouched;
        earlier = *parsed;
    }
    if (auto problem = refusal(plan, {earlier.files.begin(), earlier.files.end()})) return *problem + untouched;
    lock_->adopt();

    // What the earlier run wrote goes; its folders only when nothing else is left in them.
    for (const auto& file : earlier.files) confined_->removeFile(file);
    std::sort(earlier.folders.begin(), earlier.folders.end(), [](const std::string& a, const std::string& b) {
        return std::count(a.begin(), a.end(), '/') > std::count(b.begin(), b.end(), '/');
    });
    for (const auto& folder : earlier.folders) confined_->removeEmptyFolder(folder);

    madeFolders_.clear();
    for (const auto& folder : used(ownFolders, runtime_))
        if (!confined_->makeFolders(folder, &madeFolders_)) return "cannot write into " + folder_;
    // Qt wants its runtime folder private to the user; the self-tests' files are the
    // user's alone too.
    confined_->setMode("tmp", 0700);
    if (runtime_ == Runtime::inFolder) confined_->setMode("runtime", 0700);
    before_ = listed(*confined_, runtime_);

    plannedFiles_ = ownFiles;
    for (const auto& step : plan.stepFiles) planFile(step.file);
    for (const auto& placed : plan.placedFiles) planFile(placed.path);
    writeManifest(/*final=*/false);
    if (auto problem = writePlaced(plan.placedFiles)) return problem;

    attached_ = true;
    // A live run meets the user's other copies in the user's runtime folder; without one
    // set, the session's fallback is found before the temporary folder moves here.
    const auto shared = runtime_ == Runtime::process ? std::optional(core::paths::runtimeFolder()) : std::nullopt;
    for (const auto& [name, folder] : used(environment, runtime_)) setEnvironment(name, path(folder));
    if (shared) setEnvironment("XDG_RUNTIME_DIR", *shared);
    // Nothing has read the settings or the log's place before: both start in the folder.
    Diag::resetLocation();
    defaults::Defaults::standard().reopen(path("config/Glimra/defaults.json"));

    // The log exists even when the application writes nothing to it.
    if (!write("data/Glimra/diag.log", "")) return "cannot write " + path("data/Glimra/diag.log");

    sinks_ = std::make_shared<Sinks>();
    if (auto file = confined_->create("syslog.txt")) sinks_->syslog.emplace(std::move(*file));
    if (auto file = confined_->create("desktop.jsonl")) sinks_->journal.emplace(std::move(*file));
    if (!sinks_->syslog || !sinks_->journal) return "cannot write into " + folder_;
    core::systemLog::setSink([sinks = sinks_](const std::string& line) {
        std::lock_guard lock(sinks->mutex);
        sinks->syslog->writeAll(line + '\n');
    });
    return std::nullopt;
}

void OutputFolder::setEnvironment(const std::string& name, const std::string& value)
{
    const char* was = std::getenv(name.c_str());
    savedEnvironment_.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
}

std::optional<std::string> OutputFolder::lockFolder()
{
    // A folder that is no run's gets no lock file; the check that follows refuses it.
    const bool locked = confined_->inspect(RunLock::fileName).kind != Kind::missing;
    const bool holdsManifest = confined_->inspect(RunManifest::fileName).kind != Kind::missing;
    if (!locked && !holdsManifest && !confined_->isEmpty()) return std::nullopt;
    auto taken = RunLock::take(*confined_);
    if (const auto* busy = std::get_if<RunLock::Busy>(&taken))
        return given_ + " is in use by another run (pid " + std::to_string(busy->pid) + ")";
    if (!std::holds_alternative<RunLock>(taken)) return "cannot write " + path(RunLock::fileName);
    lock_.emplace(std::move(std::get<RunLock>(taken)));
    return std::nullopt;
}

void OutputFolder::planFile(const std::string& file)
{
    plannedFiles_.push_back(file);
    // The folders it needs made, outermost first.
    std::vector<std::string> parents;
    for (auto parent = parentOf(file); !parent.empty(); parent = parentOf(parent)) parents.push_back(parent);
    for (auto it = parents.rbegin(); it != parents.rend(); ++it)
        if (confined_->inspect(*it).kind == Kind::missing &&
            std::find(madeFolders_.begin(), madeFolders_.end(), *it) == madeFolders_.end())
            madeFolders_.push_back(*it);
}

std::optional<std::string> OutputFolder::writePlaced(const std::vector<PlacedFile>& placed) const
{
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const auto& file = placed[i];
        auto pending = makeParent(file.path) ? confined_->create(file.path) : std::nullopt;
        const bool written = pending && (!file.mode || ::fchmod(pending->descriptor(), *file.mode) == 0) &&
                             pending->writeAll(file.contents) && pending->commit();
        if (!written) return placedKeyPath(i) + ": cannot write " + path(file.path);
    }
    return std::nullopt;
}

void OutputFolder::writeManifest(bool final) const
{
    RunManifest manifest;
    for (const auto& file : plannedFiles_) {
        if (!final || confined_->inspect(file).kind == Kind::file) manifest.files.push_back(file);
        // An interrupted run may leave the temporaries behind.
        if (!final) manifest.files.push_back(ConfinedFolder::temporaryName(file));
    }
    for (const auto& folder : madeFolders_)
        if (!final || confined_->inspect(folder).kind == Kind::folder) manifest.folders.push_back(folder);
    if (final) {
        // What the application itself wrote into its folders.
        std::vector<std::string> files, folders;
        for (const auto& root : used(ownRoots, runtime_)) confined_->listBelow(root, files, folders);
        for (const auto& file : files)
            if (!before_.count(file)) manifest.files.push_back(file);
        for (const auto& folder : folders)
            if (!before_.count(folder)) manifest.folders.push_back(folder);
    }
    confined_->writeFile(RunManifest::fileName, manifest.text());
}

void OutputFolder::recordJournal(sim::SimWorld& world)
{
    journaled_ = &world;
    world.setJournal([sinks = sinks_](const nlohmann::json& event) {
        std::lock_guard lock(sinks->mutex);
        sinks->journal->writeAll(journalLine(event) + '\n');
    });
}

void OutputFolder::detach()
{
    if (!attached_) {
        lock_.reset();
        return;
    }
    attached_ = false;
    core::systemLog::setSink({});
    if (journaled_) journaled_->setJournal({});
    journaled_ = nullptr;
    if (sinks_ && sinks_->syslog) sinks_->syslog->commit();
    if (sinks_ && sinks_->journal) sinks_->journal->commit();
    sinks_.reset();

    // The store lets go of the folder's settings file; it is not pointed back at the
    // user's, which a run never reads.
    defaults::Defaults::standard().reopen(std::string());
    Diag::resetLocation();
    writeManifest(/*final=*/true);

    for (const auto& [name, value] : savedEnvironment_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    savedEnvironment_.clear();
    lock_.reset();
}

bool OutputFolder::makeParent(const std::string& relative) const
{
    const std::string parent = parentOf(relative);
    return confined_ && (parent.empty() || confined_->makeFolders(parent));
}

bool OutputFolder::write(const std::string& relative, const std::string& contents) const
{
    return makeParent(relative) && confined_->writeFile(relative, contents);
}

bool OutputFolder::writeThrough(const std::string& relative,
                                const std::function<bool(const std::string& path)>& writer) const
{
    if (!makeParent(relative)) return false;
    auto file = confined_->create(relative);
    return file && writer(file->temporaryPath()) && file->commit();
}

std::vector<std::string> OutputFolder::ownFilePaths()
{
    std::vector<std::string> files = ownFiles;
    files.push_back(RunManifest::fileName);
    files.push_back(RunLock::fileName);
    return files;
}

const std::vector<std::string>& OutputFolder::ownFolderPaths() { return ownFolders; }

const std::vector<std::string>& OutputFolder::ownNames()
{
    static const std::vector<std::string> names{"data",           "config",        "runtime",    "tmp",
                                                "syslog.txt",     "desktop.jsonl", "state.json", RunManifest::fileName,
                                                RunLock::fileName};
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
