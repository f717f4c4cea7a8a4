#pragma once

#include <optional>
#include <string>

namespace scenario {

// A file a scenario places in its output folder before launch (a crash report, a bundle).
struct PlacedFile {
    std::string path;  // relative to the output folder
    std::string contents;
    std::optional<unsigned> mode;  // permission bits; the folder's usual ones when none
};

}  // namespace scenario
