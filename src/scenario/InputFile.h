#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace scenario {

struct InputText {
    std::optional<std::string> text;
    // Why there is none, as a phrase for "FILE: ...".
    std::string problem;
};

// The bytes of a regular file of at most maxBytes. A folder, a device, a pipe or a file
// that is (or grows) larger is answered with the problem, without reading on.
InputText readInputFile(const std::string& path, std::size_t maxBytes);

}  // namespace scenario
