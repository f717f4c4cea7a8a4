#include "scenario/LaunchInputs.h"

#include "scenario/Base64Text.h"
#include "scenario/ConfinedFolder.h"
#include "scenario/JsonFields.h"
#include "scenario/OutputFolder.h"

#include <map>
#include <set>

namespace scenario {
namespace {

using nlohmann::json;

constexpr long long maxButtonIndex = 99;

std::string readInsidePath(const json& value, const std::string& path)
{
    const std::string text = readString(value, path);
    if (auto problem = relativePathProblem(text)) refuse(path, *problem);
    return text;
}

std::optional<unsigned> readMode(const json& value, const std::string& path)
{
    const std::string text = readString(value, path);
    const bool octal = (text.size() == 3 || (text.size() == 4 && text[0] == '0')) &&
                       text.find_first_not_of("01234567") == std::string::npos;
    if (!octal) refuse(path, "expected octal permission bits such as \"644\" or \"0755\"");
    return static_cast<unsigned>(std::stoul(text, nullptr, 8));
}

std::vector<std::string> parentsOf(const std::string& relative)
{
    std::vector<std::string> parents;
    for (auto slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
        parents.push_back(relative.substr(0, slash));
    return parents;
}

bool isTemporaryName(const std::string& relative)
{
    const std::string leaf = relative.substr(relative.rfind('/') + 1);
    return leaf.size() > 1 && leaf.front() == '.' && leaf.ends_with(".partial");
}

// The files and folders the run writes itself, each with who writes it.
struct RunOutputs {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> folders;

    explicit RunOutputs(const Scenario& scenario)
    {
        for (const auto& file : OutputFolder::ownFilePaths()) files.emplace(file, "the run itself");
        for (const auto& folder : OutputFolder::ownFolderPaths()) folders.emplace(folder, "the run itself");
        for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
            const std::string& file = scenario.steps[i].file;
            if (file.empty()) continue;
            files.emplace(file, itemPath("steps", i));
            for (const auto& parent : parentsOf(file)) folders.emplace(parent, itemPath("steps", i));
        }
    }

    // Refuses a path the run writes, and one below a file the run writes.
    void refuseOwn(const std::string& relative, const std::string& path) const
    {
        if (const auto it = files.find(relative); it != files.end())
            refuse(path, "\"" + relative + "\" is written by " + it->second);
        if (const auto it = folders.find(relative); it != folders.end())
            refuse(path, "\"" + relative + "\" is a folder written by " + it->second);
        if (isTemporaryName(relative)) refuse(path, "\"" + relative + "\" is named as the run's temporaries are");
        for (const auto& parent : parentsOf(relative))
            if (const auto it = files.find(parent); it != files.end())
                refuse(path, "\"" + parent + "\" is a file written by " + it->second + ", not a folder");
    }
};

}  // namespace

IdentityWorld readIdentity(const json& value, const std::string& path)
{
    const Fields f(value, path, {"version", "build", "bundlePath"});
    IdentityWorld identity;
    if (const auto* v = f.find("version")) identity.version = readString(*v, f.path("version"));
    if (const auto* v = f.find("build")) identity.build = readString(*v, f.path("build"));
    if (const auto* v = f.find("bundlePath")) identity.bundlePath = readInsidePath(*v, f.path("bundlePath"));
    return identity;
}

std::vector<PlacedFile> readPlacedFiles(const json& value, const std::string& path)
{
    std::vector<PlacedFile> placed;
    const auto& list = readList(value, path);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Fields f(list[i], itemPath(path, i), {"path", "text", "base64", "mode"});
        PlacedFile file;
        file.path = readInsidePath(f.require("path"), f.path("path"));
        const auto* text = f.find("text");
        const auto* base64 = f.find("base64");
        if (!text == !base64) refuse(f.path(), "expected exactly one of text and base64");
        if (text) {
            file.contents = readString(*text, f.path("text"));
        } else {
            const auto decoded = decodeBase64(readString(*base64, f.path("base64")));
            if (!decoded) refuse(f.path("base64"), "not base64");
            file.contents = *decoded;
        }
        if (const auto* v = f.find("mode")) file.mode = readMode(*v, f.path("mode"));
        placed.push_back(std::move(file));
    }
    return placed;
}

std::vector<int> readAlertAnswers(const json& value, const std::string& path)
{
    std::vector<int> answers;
    const auto& list = readList(value, path);
    for (std::size_t i = 0; i < list.size(); ++i)
        answers.push_back(static_cast<int>(readInteger(list[i], itemPath(path, i), 0, maxButtonIndex)));
    return answers;
}

void checkLaunchPaths(const Scenario& scenario)
{
    const RunOutputs outputs(scenario);
    std::map<std::string, std::size_t> placed;
    std::map<std::string, std::size_t> placedFolders;
    for (std::size_t i = 0; i < scenario.files.size(); ++i) {
        const std::string& file = scenario.files[i].path;
        const std::string path = childPath(itemPath("files", i), "path");
        outputs.refuseOwn(file, path);
        if (const auto same = placed.find(file); same != placed.end())
            refuse(path, "\"" + file + "\" is placed by " + itemPath("files", same->second) + " already");
        if (const auto folder = placedFolders.find(file); folder != placedFolders.end())
            refuse(path, "\"" + file + "\" is a folder for " + itemPath("files", folder->second));
        for (const auto& parent : parentsOf(file)) {
            if (const auto other = placed.find(parent); other != placed.end())
                refuse(path, "\"" + parent + "\" is the file of " + itemPath("files", other->second) + ", not a folder");
            placedFolders.emplace(parent, i);
        }
        placed.emplace(file, i);
    }
    if (scenario.identity.bundlePath) outputs.refuseOwn(*scenario.identity.bundlePath, "identity.bundlePath");
}

}  // namespace scenario
