#pragma once

#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {
class SimWorld;
}

namespace scenario {

// The folder a run writes into. While it is attached the process's settings, log and
// data live in it (XDG_CONFIG_HOME at config/, XDG_DATA_HOME at data/), the system log
// goes to syslog.txt and the desktop's journal to desktop.jsonl. Detaching (or
// destruction) puts the environment back as it was.
class OutputFolder {
public:
    explicit OutputFolder(std::string folder);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Makes the folder, removes what an earlier run left there (the application's
    // folders, the output files and the named step files) so that the same scenario
    // gives the same bytes, and points the process at it. The reason when it cannot.
    std::optional<std::string> attach(const std::vector<std::string>& stepFiles);
    // Records the desktop's journal until detached.
    void recordJournal(sim::SimWorld& world);
    void detach();

    // The absolute path of a file inside the folder.
    std::string path(const std::string& relative) const;
    // Writes a file inside the folder, making its folders; false when it cannot.
    bool write(const std::string& relative, const std::string& contents) const;

    // The names at the top of the folder that the run writes itself.
    static const std::vector<std::string>& ownNames();

    // One journal line: "t" first, then the other keys in name order.
    static std::string journalLine(const nlohmann::json& event);

private:
    struct Sinks;

    std::string folder_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnvironment_;
    std::shared_ptr<Sinks> sinks_;
    sim::SimWorld* journaled_ = nullptr;
    bool attached_ = false;
};

}  // namespace scenario
