#include "scenario/EmptyApplication.h"
#include "scenario/ScenarioRunner.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Feeds the runner thousands of damaged scenario files and checks that each ends in a
// status (0, 1 or 2), never in an abort or a crash.
namespace {

using nlohmann::json;

// Every mutant is read; a few accepted ones in each child are run too, as a run costs
// far more than a refusal.
#if defined(__SANITIZE_ADDRESS__)
constexpr int mutantsPerBase = 1000;
#else
constexpr int mutantsPerBase = 2000;
#endif
constexpr int mutantsPerChild = 250;
constexpr int mutationKinds = 7;
constexpr int runKindsPerChild = 3;
// A child's exit status for a run that ended in another status than 0, 1 or 2.
constexpr int unexpectedStatus = 42;
// Runs longer than this (virtual seconds) are only read, not run.
constexpr double longestRun = 10;

// Every step kind the empty application can take, to damage besides the examples.
const char* everyStep = R"({
  "args": ["-x"], "clock": "2026-03-01T23:59:58", "languages": ["en-US"], "settings": {"takeoverLearnedMinSizes": {"b": [1, 2.5, "c"]}},
  "permissions": {"screenRecording": true, "accessibility": false},
  "virtualDisplays": {"available": true, "modeDelay": 0.5, "lingerCommits": 2},
  "windowServer": {"omitVirtualFromOnScreen": true, "unreadableList": false}, "inputFaults": {"ignoreWarps": true},
  "displays": [{"id": 1, "frame": [0, 0, 800, 600]}, {"id": 2, "frame": [800, 0, 640, 480], "scale": 1, "refreshHz": 120},
               {"id": 4, "frame": [1440, 0, 800, 600], "virtual": true}],
  "apps": [{"pid": 501, "name": "Editor",
            "behavior": {"refuseMoves": -25200, "minSize": [50, 50], "settleDelay": 0.2, "shiftMoves": [5, -5]},
            "windows": [{"id": 11, "frame": [10, 10, 300, 200], "layer": 0}, {"id": 12, "frame": [50, 50, 300, 200], "minimized": true}]},
           {"pid": 502, "hidden": false, "windows": [{"id": 21, "frame": [600, 100, 300, 300], "offscreen": false}]}],
  "front": [21], "frontmost": 502, "until": 4,
  "steps": [
    {"at": 0.1, "do": "pointer", "to": [100, 100]}, {"at": 0.2, "do": "mouseDown", "point": [120, 120]},
    {"at": 0.3, "do": "mouseUp", "button": "right"}, {"at": 0.4, "do": "click", "point": [200, 200], "count": 2},
    {"at": 0.5, "do": "drag", "from": [10, 10], "to": [110, 60], "duration": 0.5, "steps": 5},
    {"at": 1.0, "do": "key", "code": 3, "modifiers": ["cmd", "alt"]}, {"at": 1.1, "do": "keyDown", "code": 56},
    {"at": 1.2, "do": "keyUp", "code": 56}, {"at": 1.3, "do": "window.move", "id": 11, "frame": [20, 20, 300, 200]},
    {"at": 1.4, "do": "window.close", "id": 12}, {"at": 1.5, "do": "window.minimize", "id": 21},
    {"at": 1.6, "do": "window.restore", "id": 21}, {"at": 1.7, "do": "window.raise", "id": 11},
    {"at": 1.8, "do": "window.create", "pid": 502, "window": {"id": 22, "frame": [700, 200, 300, 200]}},
    {"at": 1.9, "do": "window.content", "id": 22, "content": "static"}, {"at": 2.0, "do": "app.activate", "pid": 501},
    {"at": 2.1, "do": "app.hide", "pid": 501}, {"at": 2.2, "do": "app.unhide", "pid": 501},
    {"at": 2.25, "do": "app.behavior", "pid": 502, "behavior": {"shiftMoves": [0, 12.5], "hang": 0.01}},
    {"at": 2.3, "do": "app.launch", "app": {"pid": 503, "windows": [{"id": 31, "frame": [0, 300, 200, 100]}]}},
    {"at": 2.4, "do": "app.quit", "pid": 503}, {"at": 2.5, "do": "display.add", "display": {"id": 3, "frame": [0, 600, 400, 300]}},
    {"at": 2.6, "do": "display.move", "id": 3, "frame": [100, 600, 400, 300]}, {"at": 2.7, "do": "display.remove", "id": 2},
    {"at": 2.75, "do": "virtualDisplay.terminate", "id": 4}, {"at": 2.76, "do": "virtualDisplay.terminate"},
    {"at": 2.8, "do": "capture.fault", "window": 11, "kind": "incomplete", "code": -3821, "count": 2},
    {"at": 2.9, "do": "permission", "screenRecording": false}, {"at": 3.0, "do": "signal", "name": "SIGUSR1"},
    {"at": 3.05, "do": "focus", "window": 21},
    {"at": 3.1, "do": "screenshot", "file": "shots/one.png", "display": 3}, {"at": 3.2, "do": "state", "file": "s.json"},
    {"at": 3.3, "do": "quit"}
  ]
})";

const std::vector<std::string> extremeNumbers{"1e308",
                                              "-1e308",
                                              "1e400",
                                              "-1e400",
                                              "-0",
                                              "-0.0",
                                              "1e-400",
                                              "18446744073709551616",
                                              "18446744073709551615",
                                              "9223372036854775807",
                                              "-9223372036854775809",
                                              "4294967296",
                                              "2147483648",
                                              "NaN",
                                              "Infinity",
                                              "-Infinity",
                                              "0",
                                              "0.5",
                                              "99999999999999999999999999999999999999"};
const std::vector<std::string> otherValues{"null", "true", "\"x\"", "[]", "{}", "-1", "\"\"", "[[[[1]]]]", "\"../x\""};

// One value of the document as the serialiser below meets it, in document order.
struct Node {
    bool number = false;
    bool member = false;  // a value of an object's key
};

// Writes the document back as text with one edit at the node of that index: dropped or
// doubled (object members), or replaced by raw text.
struct Edit {
    enum Kind { drop, duplicate, replace } kind = replace;
    std::size_t target = 0;
    std::string text;
};

class Writer {
public:
    explicit Writer(const Edit* edit) : edit_(edit) {}

    std::string write(const json& value)
    {
        std::string out;
        append(value, false, out);
        return out;
    }
    const std::vector<Node>& nodes() const { return nodes_; }

private:
    void append(const json& value, bool member, std::string& out)
    {
        const std::size_t index = nodes_.size();
        nodes_.push_back({value.is_number(), member});
        std::string own;
        if (value.is_object()) {
            own += '{';
            bool first = true;
            for (const auto& [key, item] : value.items()) {
                const std::size_t itemIndex = nodes_.size();
                std::string text;
                append(item, true, text);
                const std::string entry = json(key).dump() + ":" + text;
                int copies = 1;
                if (edit_ && edit_->target == itemIndex && edit_->kind == Edit::drop) copies = 0;
                if (edit_ && edit_->target == itemIndex && edit_->kind == Edit::duplicate) copies = 2;
                for (int i = 0; i < copies; ++i, first = false) own += (first ? "" : ",") + entry;
            }
            own += '}';
        } else if (value.is_array()) {
            own += '[';
            for (std::size_t i = 0; i < value.size(); ++i) {
                if (i) own += ',';
                append(value[i], false, own);
            }
            own += ']';
        } else {
            own = value.dump();
        }
        out += edit_ && edit_->target == index && edit_->kind == Edit::replace ? edit_->text : own;
    }

    const Edit* edit_;
    std::vector<Node> nodes_;
};

// The mutants of one base text, the same ones on every run.
class Mutants {
public:
    explicit Mutants(std::string base) : base_(std::move(base)), document_(json::parse(base_))
    {
        Writer writer(nullptr);
        writer.write(document_);
        nodes_ = writer.nodes();
    }

    // The i-th mutant and what was done to make it.
    std::pair<std::string, std::string> operator[](int i) const
    {
        std::mt19937 random(static_cast<std::uint32_t>(i) * 2654435761u + 17);
        const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        const auto pickNode = [&](bool (*fits)(const Node&)) {
            std::vector<std::size_t> candidates;
            for (std::size_t n = 0; n < nodes_.size(); ++n)
                if (fits(nodes_[n])) candidates.push_back(n);
            return candidates[pick(candidates.size())];
        };
        switch (i % mutationKinds) {
        case 0: {
            const std::size_t at = pick(base_.size());
            return {base_.substr(0, at), "truncated at " + std::to_string(at)};
        }
        case 1: {
            std::string text = base_;
            std::string what = "bytes changed at";
            for (std::size_t n = 1 + pick(3); n > 0; --n) {
                const std::size_t at = pick(text.size());
                text[at] = static_cast<char>(pick(256));
                what += " " + std::to_string(at);
            }
            return {text, what};
        }
        case 2:
        case 3: {
            const Edit edit{i % 7 == 2 ? Edit::drop : Edit::duplicate, pickNode([](const Node& n) { return n.member; }),
                            ""};
            return {Writer(&edit).write(document_),
                    (i % 7 == 2 ? "dropped node " : "doubled node ") + std::to_string(edit.target)};
        }
        case 4:
        case 5: {
            const Edit edit{Edit::replace, pickNode([](const Node& n) { return n.number; }),
                            extremeNumbers[pick(extremeNumbers.size())]};
            return {Writer(&edit).write(document_), "number " + std::to_string(edit.target) + " = " + edit.text};
        }
        default: {
            const std::size_t depth = 60 + pick(10);
            Edit edit{Edit::replace, pickNode([](const Node&) { return true; }), otherValues[pick(otherValues.size())]};
            if (pick(3) == 0) edit.text = std::string(depth, '[') + std::string(depth, ']');
            return {Writer(&edit).write(document_),
                    "node " + std::to_string(edit.target) + " = " + edit.text.substr(0, 20)};
        }
        }
    }

private:
    std::string base_;
    json document_;
    std::vector<Node> nodes_;
};

// Loads the scenario and, when it is accepted, short and wanted, runs it; the status.
int loadAndRun(const std::string& file, const std::string& folder, const std::function<bool()>& wanted)
{
    auto app = std::make_unique<scenario::EmptyApplication>();
    auto loaded = scenario::loadScenario(file, *app);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) return refusal->status;
    const auto& checked = std::get<scenario::Scenario>(loaded);
    if (checked.until > longestRun || !wanted()) return 0;
    return scenario::runScenario(checked, folder, std::move(app)).status;
}

// Runs mutants [first, last) in a child process, so that an abort ends only the child.
// Empty when all ended in 0, 1 or 2; else what went wrong, with the mutant.
std::string runInChild(const Mutants& mutants, int first, int last, const std::string& folder)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const std::string runtime = folder + "/runtime-" + std::to_string(first);
        ::mkdir(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        testsupport::ensureQtApplication();
        // Each child runs accepted mutants of a few kinds, the next child of the next ones.
        std::set<int> kindsRun;
        const int firstKind = first / mutantsPerChild % mutationKinds;
        const std::string file = folder + "/mutant-" + std::to_string(first) + ".json";
        for (int i = first; i < last; ++i) {
            // The parent learns which mutant was running if this one does not come back.
            (void)!::write(pipeEnds[1], &i, sizeof i);
            testsupport::writeFile(file, mutants[i].first);
            const int kind = i % mutationKinds;
            const auto wanted = [&] {
                return (kind - firstKind + mutationKinds) % mutationKinds < runKindsPerChild &&
                       kindsRun.insert(kind).second;
            };
            const int status = loadAndRun(file, folder + "/out-" + std::to_string(i), wanted);
            if (status < 0 || status > 2) ::_exit(unexpectedStatus);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    int current = first;
    for (int i; ::read(pipeEnds[0], &i, sizeof i) == sizeof i;) current = i;
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
    const std::string how = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                            : WEXITSTATUS(status) == unexpectedStatus
                                ? "a status other than 0, 1 or 2"
                                : "exit status " + std::to_string(WEXITSTATUS(status));
    return "mutant " + std::to_string(current) + " (" + mutants[current].second + ") ended with " + how + ":\n" +
           mutants[current].first.substr(0, 2000);
}

std::vector<std::string> bases()
{
    std::vector<std::string> texts{everyStep};
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(GLIMRA_EXAMPLES_DIR))
        if (entry.path().extension() == ".json") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) texts.push_back(testsupport::readFile(file.string()));
    return texts;
}

TEST(ScenarioMutation, DamagedFilesEndInAStatusNeverInACrash)
{
    for (const auto& base : bases()) {
        const Mutants mutants(base);
        testsupport::TempDir folder;
        for (int first = 0; first < mutantsPerBase; first += mutantsPerChild) {
            const std::string failure =
                runInChild(mutants, first, std::min(first + mutantsPerChild, mutantsPerBase), folder.path());
            ASSERT_EQ(failure, "");
        }
    }
}

}  // namespace
