#pragma once

#include "scenario/ConfinedFolder.h"
#include "scenario/PlacedFile.h"
#include "scenario/RunLock.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {
class SimWorld;
}

namespace scenario {

// The folder a run writes into, and only there: never through a symbolic link, and
// never removing what no run wrote. While it is attached the process's settings, log,
// data, temporary and runtime folders live in it (XDG_CONFIG_HOME at config/,
// XDG_DATA_HOME at data/, TMPDIR at tmp/, XDG_RUNTIME_DIR at runtime/ unless the run
// keeps the user's own), the system log goes to syslog.txt and the desktop's journal
// to desktop.jsonl. The run's manifest (.glimra-run.json) lists what
// it wrote. Detaching (or destruction) puts the environment back as it was.
class OutputFolder {
public:
    explicit OutputFolder(std::string folder);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Where the run's runtime folder is: runtime/ in the folder, or the user's own (a
    // live run, whose instance folder other processes share).
    enum class Runtime { inFolder, process };

    // A path inside the folder, with its key path in the scenario for refusals.
    struct KeyedPath {
        std::string keyPath;
        std::string file;
    };
    // What a run writes besides its own files, and what it hands the application.
    struct Plan {
        std::vector<KeyedPath> stepFiles;
        std::vector<PlacedFile> placedFiles;   // written before launch; key paths files[i].path
        std::vector<KeyedPath> linkFreePaths;  // no part of them may be a symbolic link
    };

    // Takes the folder for a run, holding it against other runs until detached. Refuses,
    // touching nothing, a folder another run holds, one that is neither
    // empty nor holds an earlier run's manifest, and one where a file of this run would
    // be written through a link or over something no earlier run wrote, or where a
    // link-free path passes a link. Otherwise removes what the earlier run listed,
    // points the process at the folder, writes the manifest of what this run may write
    // (so that even an interrupted run is cleared by the next) and then the placed
    // files. The reason, as one line, when it refuses.
    std::optional<std::string> attach(const Plan& plan, Runtime runtime = Runtime::inFolder);
    // Records the desktop's journal until detached.
    void recordJournal(sim::SimWorld& world);
    // Completes the output files, writes the manifest of what the run wrote and puts the
    // environment back.
    void detach();

    // The absolute path of a file inside the folder.
    std::string path(const std::string& relative) const;
    // Writes a file inside the folder, making its folders; false when it cannot.
    bool write(const std::string& relative, const std::string& contents) const;
    // The same for a writer that needs a path: it writes the temporary it is given.
    bool writeThrough(const std::string& relative, const std::function<bool(const std::string& path)>& writer) const;

    // The names at the top of the folder that the run writes itself.
    static const std::vector<std::string>& ownNames();
    // The files (the manifest and the lock included) and the folders the run writes itself, whatever
    // the steps and the application write.
    static std::vector<std::string> ownFilePaths();
    static const std::vector<std::string>& ownFolderPaths();

    // One journal line: "t" first, then the other keys in name order.
    static std::string journalLine(const nlohmann::json& event);

private:
    struct Sinks;

    std::optional<std::string> refusal(const Plan& plan, const std::set<std::string>& earlier) const;
    // Holds the folder against other runs; why not when another run has it.
    std::optional<std::string> lockFolder();
    // Sets a variable until detached.
    void setEnvironment(const std::string& name, const std::string& value);
    // Plans a file of the run: listed in the manifest, its missing folders too.
    void planFile(const std::string& file);
    std::optional<std::string> writePlaced(const std::vector<PlacedFile>& placed) const;
    void writeManifest(bool final) const;
    bool makeParent(const std::string& relative) const;

    std::string given_;  // as the caller named it
    std::string folder_;
    std::optional<ConfinedFolder> confined_;
    std::optional<RunLock> lock_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnvironment_;
    std::shared_ptr<Sinks> sinks_;
    sim::SimWorld* journaled_ = nullptr;
    bool attached_ = false;
    Runtime runtime_ = Runtime::inFolder;

    // For the manifest: the files this run may write, the folders it made, and what
    // stood in its own folders before it started.
    std::vector<std::string> plannedFiles_;
    std::vector<std::string> madeFolders_;
    std::set<std::string> before_;
};

}  // namespace scenario
