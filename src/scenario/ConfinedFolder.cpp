#include "scenario/ConfinedFolder.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace scenario {
namespace {

using core::OwnFolder;
using Missing = OwnFolder::Missing;

// The longest name a folder entry may have.
constexpr std::size_t maxNameBytes = NAME_MAX;

std::vector<std::string> parts(const std::string& relative)
{
    std::vector<std::string> list;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t slash = std::min(relative.find('/', start), relative.size());
        list.push_back(relative.substr(start, slash - start));
        start = slash + 1;
    }
    return list;
}

std::string joined(const std::vector<std::string>& list, std::size_t count)
{
    std::string path;
    for (std::size_t i = 0; i < count; ++i) path += (i ? "/" : "") + list[i];
    return path;
}

ConfinedFolder::Kind kindOf(const OwnFolder& folder, const std::string& name)
{
    errno = 0;
    const auto status = folder.status(name);
    if (!status) return errno == ENOENT ? ConfinedFolder::Kind::missing : ConfinedFolder::Kind::other;
    if (S_ISLNK(status->st_mode)) return ConfinedFolder::Kind::link;
    if (S_ISDIR(status->st_mode)) return ConfinedFolder::Kind::folder;
    if (S_ISREG(status->st_mode)) return ConfinedFolder::Kind::file;
    return ConfinedFolder::Kind::other;
}

}  // namespace

std::optional<std::string> relativePathProblem(const std::string& path)
{
    // The system reads a name up to its first NUL: "..\0" would be "..".
    if (path.find('\0') != std::string::npos) return "holds a NUL byte";
    if (path.empty() || path.front() == '/') return "expected a relative path inside the output folder";
    for (const auto& part : parts(path)) {
        if (part.empty() || part == "." || part == "..") return "expected a relative path inside the output folder";
        if (part.size() > maxNameBytes)
            return "a name in the path is longer than " + std::to_string(maxNameBytes) + " bytes";
    }
    return std::nullopt;
}

bool isPlainRelativePath(const std::string& path) { return !relativePathProblem(path); }

std::optional<ConfinedFolder> ConfinedFolder::open(const std::string& path, bool create)
{
    std::error_code error;
    std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error) absolute = path;
    while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    auto root = OwnFolder::open(absolute, "", create ? Missing::create : Missing::fail);
    if (!root) return std::nullopt;
    return ConfinedFolder(std::move(root));
}

ConfinedFolder::Entry ConfinedFolder::inspect(const std::string& relative) const
{
    if (!isPlainRelativePath(relative)) return {Kind::other, relative};
    const auto list = parts(relative);
    OwnFolder folder = root_.reopened();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Kind kind = kindOf(folder, list[i]);
        if (i + 1 == list.size() || kind != Kind::folder) return {kind, joined(list, i + 1)};
        folder = folder.child(list[i], Missing::fail);
        if (!folder) return {Kind::other, joined(list, i + 1)};
    }
    return {Kind::other, relative};
}

bool ConfinedFolder::isEmpty(const std::string& except) const
{
    for (const auto& name : root_.names())
        if (name != except) return false;
    return true;
}

OwnFolder ConfinedFolder::openParent(const std::string& relative, std::string& leaf) const
{
    if (!isPlainRelativePath(relative)) return {};
    const auto list = parts(relative);
    OwnFolder folder = root_.reopened();
    for (std::size_t i = 0; i + 1 < list.size() && folder; ++i) folder = folder.child(list[i], Missing::fail);
    leaf = list.back();
    return folder;
}

bool ConfinedFolder::makeFolders(const std::string& relative, std::vector<std::string>* made) const
{
    if (!isPlainRelativePath(relative)) return false;
    const auto list = parts(relative);
    OwnFolder folder = root_.reopened();
    for (std::size_t i = 0; i < list.size() && folder; ++i) {
        const bool missing = kindOf(folder, list[i]) == Kind::missing;
        // A link in place of the folder is refused rather than followed.
        folder = folder.child(list[i], Missing::create, 0755);
        if (folder && missing && made) made->push_back(joined(list, i + 1));
    }
    return static_cast<bool>(folder);
}

bool ConfinedFolder::setMode(const std::string& relative, unsigned mode) const
{
    std::string leaf;
    const OwnFolder parent = openParent(relative, leaf);
    const OwnFolder folder = parent ? parent.child(leaf, Missing::fail) : OwnFolder();
    return folder && ::fchmod(folder.descriptor(), mode) == 0;
}

std::string ConfinedFolder::temporaryName(const std::string& relative)
{
    const auto slash = relative.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : relative.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    return folder + "." + name + ".partial";
}

std::optional<ConfinedFolder::PendingFile> ConfinedFolder::create(const std::string& relative) const
{
    std::string leaf;
    OwnFolder parent = openParent(relative, leaf);
    if (!parent) return std::nullopt;
    const std::string temporary = "." + leaf + ".partial";
    const int fd = parent.openFile(temporary, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return std::nullopt;
    return PendingFile(std::move(parent), fd, temporary, leaf, path(temporaryName(relative)));
}

bool ConfinedFolder::writeFile(const std::string& relative, const std::string& contents) const
{
    auto file = create(relative);
    return file && file->writeAll(contents) && file->commit();
}

std::optional<std::string> ConfinedFolder::readFile(const std::string& relative, std::size_t maxBytes) const
{
    std::string leaf;
    const OwnFolder parent = openParent(relative, leaf);
    if (!parent) return std::nullopt;
    return parent.contents(leaf, maxBytes).bytes;
}

bool ConfinedFolder::removeFile(const std::string& relative) const
{
    std::string leaf;
    const OwnFolder parent = openParent(relative, leaf);
    return parent && kindOf(parent, leaf) == Kind::file && parent.remove(leaf);
}

bool ConfinedFolder::removeEmptyFolder(const std::string& relative) const
{
    std::string leaf;
    const OwnFolder parent = openParent(relative, leaf);
    return parent && kindOf(parent, leaf) == Kind::folder &&
           ::unlinkat(parent.descriptor(), leaf.c_str(), AT_REMOVEDIR) == 0;
}

void ConfinedFolder::listBelow(const std::string& relative, std::vector<std::string>& files,
                               std::vector<std::string>& folders) const
{
    std::string leaf;
    const OwnFolder parent = openParent(relative, leaf);
    const OwnFolder folder = parent ? parent.child(leaf, Missing::fail) : OwnFolder();
    if (!folder) return;
    std::vector<std::string> below;
    for (const auto& name : folder.names()) {
        const Kind kind = kindOf(folder, name);
        if (kind == Kind::file) files.push_back(relative + "/" + name);
        if (kind == Kind::folder) below.push_back(relative + "/" + name);
    }
    for (const auto& inner : below) {
        folders.push_back(inner);
        listBelow(inner, files, folders);
    }
}

ConfinedFolder::PendingFile::PendingFile(OwnFolder folder, int fd, std::string temporary, std::string name,
                                         std::string temporaryPath)
    : folder_(std::move(folder)),
      fd_(fd),
      temporary_(std::move(temporary)),
      name_(std::move(name)),
      temporaryPath_(std::move(temporaryPath))
{
}

ConfinedFolder::PendingFile::PendingFile(PendingFile&& other) noexcept
    : folder_(std::move(other.folder_)),
      fd_(std::exchange(other.fd_, -1)),
      temporary_(std::move(other.temporary_)),
      name_(std::move(other.name_)),
      temporaryPath_(std::move(other.temporaryPath_)),
      failed_(other.failed_)
{
}

ConfinedFolder::PendingFile::~PendingFile()
{
    if (fd_ >= 0) ::close(fd_);
    if (folder_) folder_.remove(temporary_);
}

bool ConfinedFolder::PendingFile::writeAll(const std::string& bytes)
{
    if (fd_ < 0 || !core::writeAllTo(fd_, bytes)) failed_ = true;
    return !failed_;
}

bool ConfinedFolder::PendingFile::commit()
{
    if (!folder_) return false;
    const bool closed = fd_ < 0 || ::close(fd_) == 0;
    fd_ = -1;
    // A rename replaces a link at the final name rather than writing through it.
    if (failed_ || !closed || !folder_.rename(temporary_, name_)) return false;
    folder_ = OwnFolder();
    return true;
}

}  // namespace scenario
