#include "platform/defaults/UnreadableBackup.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace defaults {
namespace {

// The numbers N of the "<name>.unreadable.<N>" files in the folder.
std::vector<std::uint64_t> backupNumbers(const core::OwnFolder& folder, const std::string& prefix)
{
    std::vector<std::uint64_t> numbers;
    for (const auto& name : folder.names()) {
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

std::optional<std::string> moveAsideUnreadable(const core::OwnFolder& folder, const std::string& name)
{
    const std::string prefix = name + ".unreadable.";
    auto numbers = backupNumbers(folder, prefix);
    std::uint64_t next = numbers.empty() ? 1 : *std::max_element(numbers.begin(), numbers.end()) + 1;
    std::string backup;
    for (;; ++next) {
        backup = prefix + std::to_string(next);
        // Another process may have taken the number since the folder was listed.
        if (folder.renameNoReplace(name, backup)) break;
        if (errno != EEXIST) return std::nullopt;
    }

    numbers.push_back(next);
    std::sort(numbers.begin(), numbers.end(), std::greater<>());
    for (std::size_t i = keptUnreadableBackups; i < numbers.size(); ++i)
        folder.remove(prefix + std::to_string(numbers[i]));
    return folder.path() + "/" + backup;
}

}  // namespace defaults
