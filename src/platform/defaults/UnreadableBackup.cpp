#include "platform/defaults/UnreadableBackup.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <vector>

namespace defaults {
namespace {

namespace fs = std::filesystem;

// The numbers N of the "<name>.unreadable.<N>" files in the folder.
std::vector<std::uint64_t> backupNumbers(const fs::path& folder, const std::string& prefix)
{
    std::vector<std::uint64_t> numbers;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        std::uint64_t number = 0;
        const auto [stop, status] = std::from_chars(first, last, number);
        // Only the canonical spelling, so pruning removes the very file that was counted.
        if (status == std::errc() && stop == last && std::to_string(number) == std::string(first, last))
            numbers.push_back(number);
    }
    return numbers;
}

}  // namespace

std::optional<std::string> moveAsideUnreadable(const std::string& path)
{
    const fs::path file(path);
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const std::string prefix = file.filename().string() + ".unreadable.";

    auto numbers = backupNumbers(folder, prefix);
    std::uint64_t next = numbers.empty() ? 1 : *std::max_element(numbers.begin(), numbers.end()) + 1;
    std::string backup;
    for (;; ++next) {
        backup = (folder / (prefix + std::to_string(next))).string();
        // Another process may have taken the number since the folder was listed.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE) == 0) break;
        if (errno != EEXIST) return std::nullopt;
    }

    numbers.push_back(next);
    std::sort(numbers.begin(), numbers.end(), std::greater<>());
    std::error_code error;
    for (std::size_t i = keptUnreadableBackups; i < numbers.size(); ++i)
        fs::remove(folder / (prefix + std::to_string(numbers[i])), error);
    return backup;
}

}  // namespace defaults
