#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace core {

enum class FileReadError {
    absent,      // nothing by that name
    notAFile,    // a folder, a device, a FIFO or a socket
    unreadable,  // no permission, or reading failed part-way
    tooLarge,    // more bytes than the reader takes
};

// A whole file's bytes, or why there are none. Never throws.
struct FileContents {
    std::optional<std::string> bytes;
    FileReadError error = FileReadError::absent;  // meaningful only without bytes
};

// Reads a regular file (following links) to its end.
FileContents fileContents(const std::string& path);
// Reads the regular file open at fd (left open) to its end; one larger than maxBytes is
// not read.
FileContents fileContents(int fd, std::uint64_t maxBytes = UINT64_MAX);

}  // namespace core
