#include "update/StagedTreeCheck.h"

#include "platform/core/ByteText.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

bool isAllowed(const struct stat& status)
{
    if (status.st_mode & (S_ISUID | S_ISGID | S_ISVTX)) return false;
    return S_ISDIR(status.st_mode) || (S_ISREG(status.st_mode) && status.st_nlink == 1);
}

}  // namespace

std::string printableName(const std::string& name)
{
    std::string printable = name;
    std::replace_if(
        printable.begin(), printable.end(), [](char c) { return core::isControlByte(static_cast<unsigned char>(c)); },
        '?');
    return printable;
}

StagedTree checkStagedTree(const std::string& root, const ContentLimits& limits)
{
    StagedTree tree;
    const auto refuse = [&](ContentRefusal::Kind kind, const std::string& entry) {
        tree.topLevel.reset();
        tree.refusal = ContentRefusal{kind, printableName(entry)};
        return tree;
    };
    std::size_t entries = 0;
    std::size_t topLevelEntries = 0;
    std::uint64_t bytes = 0;
    std::error_code error;
    // Never follows a link: recursion only enters real folders.
    fs::recursive_directory_iterator walk(root, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        const fs::path& path = walk->path();
        const std::string relative = path.lexically_relative(root).string();
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) return refuse(ContentRefusal::Kind::unsafeEntry, relative);
        const std::string name = path.filename().string();
        if (core::hasControlCharacter(name) || !isAllowed(status))
            return refuse(ContentRefusal::Kind::unsafeEntry, relative);
        if (++entries > limits.maxEntries) return refuse(ContentRefusal::Kind::tooLarge, {});
        if (S_ISREG(status.st_mode)) bytes += static_cast<std::uint64_t>(status.st_size);
        if (bytes > limits.maxBytes) return refuse(ContentRefusal::Kind::tooLarge, {});
        if (walk.depth() == 0) {
            if (++topLevelEntries > 1) return refuse(ContentRefusal::Kind::unsafeEntry, relative);
            if (S_ISDIR(status.st_mode)) tree.topLevel = name;
        }
    }
    if (error) return refuse(ContentRefusal::Kind::unsafeEntry, ".");
    return tree;
}
