#pragma once

#include <optional>
#include <string>
#include <vector>

namespace scenario {

// What a run wrote into its output folder, kept there so that the next run into the same
// folder removes exactly that and nothing else. Both lists hold relative paths, sorted.
struct RunManifest {
    static constexpr const char* fileName = ".glimra-run.json";

    std::vector<std::string> files;
    std::vector<std::string> folders;

    // Indented JSON with a final newline: {"files": [..], "folders": [..]}.
    std::string text() const;
    // None unless the text is such an object with plain relative paths only.
    static std::optional<RunManifest> parse(const std::string& text);
};

}  // namespace scenario
