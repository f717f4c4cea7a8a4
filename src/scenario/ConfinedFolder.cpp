#include "scenario/ConfinedFolder.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace scenario {
namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
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

ConfinedFolder::Kind kindOf(int folder, const std::string& name)
{
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? ConfinedFolder::Kind::missing : ConfinedFolder::Kind::other;
    if (S_ISLNK(info.st_mode)) return ConfinedFolder::Kind::link;
    if (S_ISDIR(info.st_mode)) return ConfinedFolder::Kind::folder;
    if (S_ISREG(info.st_mode)) return ConfinedFolder::Kind::file;
    return ConfinedFolder::Kind::other;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd)
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool writeAllTo(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
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

bool isPlainRelativePath(const std::string& path)
{
    return !relativePathProblem(path);
}

std::optional<ConfinedFolder> ConfinedFolder::open(const std::string& path, bool create)
{
    std::error_code error;
    if (create) std::filesystem::create_directories(path, error);
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error) absolute = path;
    while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    return ConfinedFolder(std::move(absolute), fd);
}

ConfinedFolder::ConfinedFolder(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

ConfinedFolder::ConfinedFolder(ConfinedFolder&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1))
{
}

ConfinedFolder& ConfinedFolder::operator=(ConfinedFolder&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

ConfinedFolder::~ConfinedFolder()
{
    if (fd_ >= 0) ::close(fd_);
}

ConfinedFolder::Entry ConfinedFolder::inspect(const std::string& relative) const
{
    if (!isPlainRelativePath(relative)) return {Kind::other, relative};
    const auto list = parts(relative);
    Descriptor folder(::dup(fd_));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Kind kind = kindOf(folder.get(), list[i]);
        const bool last = i + 1 == list.size();
        if (last || kind == Kind::missing) return {kind, joined(list, i + 1)};
        if (kind != Kind::folder) return {kind, joined(list, i + 1)};
        Descriptor next(::openat(folder.get(), list[i].c_str(), folderFlags));
        if (next.get() < 0) return {Kind::other, joined(list, i + 1)};
        folder.reset(next.release());
    }
    return {Kind::other, relative};
}

bool ConfinedFolder::isEmpty(const std::string& except) const
{
    const int fd = ::openat(fd_, ".", folderFlags);
    if (fd < 0) return false;
    DIR* listing = ::fdopendir(fd);
    if (!listing) {
        ::close(fd);
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != except) {
            empty = false;
            break;
        }
    }
    ::closedir(listing);
    return empty;
}

int ConfinedFolder::openParent(const std::string& relative, std::string& leaf) const
{
    if (!isPlainRelativePath(relative)) return -1;
    const auto list = parts(relative);
    int folder = ::dup(fd_);
    for (std::size_t i = 0; i + 1 < list.size() && folder >= 0; ++i) {
        const int next = ::openat(folder, list[i].c_str(), folderFlags);
        ::close(folder);
        folder = next;
    }
    leaf = list.back();
    return folder;
}

bool ConfinedFolder::makeFolders(const std::string& relative, std::vector<std::string>* made) const
{
    if (!isPlainRelativePath(relative)) return false;
    const auto list = parts(relative);
    Descriptor folder(::dup(fd_));
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (::mkdirat(folder.get(), list[i].c_str(), 0755) == 0) {
            if (made) made->push_back(joined(list, i + 1));
        } else if (errno != EEXIST) {
            return false;
        }
        // A link in place of the folder fails here rather than being followed.
        const int next = ::openat(folder.get(), list[i].c_str(), folderFlags);
        if (next < 0) return false;
        folder.reset(next);
    }
    return true;
}

bool ConfinedFolder::setMode(const std::string& relative, unsigned mode) const
{
    std::string leaf;
    Descriptor parent(openParent(relative, leaf));
    if (parent.get() < 0) return false;
    Descriptor folder(::openat(parent.get(), leaf.c_str(), folderFlags));
    return folder.get() >= 0 && ::fchmod(folder.get(), mode) == 0;
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
    Descriptor parent(openParent(relative, leaf));
    if (parent.get() < 0) return std::nullopt;
    const std::string temporary = "." + leaf + ".partial";
    const int fd = ::openat(parent.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return std::nullopt;
    return PendingFile(parent.release(), fd, temporary, leaf, path(temporaryName(relative)));
}

bool ConfinedFolder::writeFile(const std::string& relative, const std::string& contents) const
{
    auto file = create(relative);
    return file && file->writeAll(contents) && file->commit();
}

std::optional<std::string> ConfinedFolder::readFile(const std::string& relative, std::size_t maxBytes) const
{
    std::string leaf;
    Descriptor parent(openParent(relative, leaf));
    if (parent.get() < 0) return std::nullopt;
    Descriptor file(::openat(parent.get(), leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::string text;
    char buffer[65536];
    while (text.size() <= maxBytes) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

bool ConfinedFolder::removeFile(const std::string& relative) const
{
    std::string leaf;
    Descriptor parent(openParent(relative, leaf));
    return parent.get() >= 0 && kindOf(parent.get(), leaf) == Kind::file && ::unlinkat(parent.get(), leaf.c_str(), 0) == 0;
}

bool ConfinedFolder::removeEmptyFolder(const std::string& relative) const
{
    std::string leaf;
    Descriptor parent(openParent(relative, leaf));
    return parent.get() >= 0 && kindOf(parent.get(), leaf) == Kind::folder &&
           ::unlinkat(parent.get(), leaf.c_str(), AT_REMOVEDIR) == 0;
}

void ConfinedFolder::listBelow(const std::string& relative, std::vector<std::string>& files,
                               std::vector<std::string>& folders) const
{
    std::string leaf;
    Descriptor parent(openParent(relative, leaf));
    if (parent.get() < 0) return;
    const int fd = ::openat(parent.get(), leaf.c_str(), folderFlags);
    if (fd < 0) return;
    DIR* listing = ::fdopendir(fd);
    if (!listing) {
        ::close(fd);
        return;
    }
    std::vector<std::string> below;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const Kind kind = kindOf(fd, name);
        if (kind == Kind::file) files.push_back(relative + "/" + name);
        if (kind == Kind::folder) below.push_back(relative + "/" + name);
    }
    ::closedir(listing);
    for (const auto& folder : below) {
        folders.push_back(folder);
        listBelow(folder, files, folders);
    }
}

ConfinedFolder::PendingFile::PendingFile(int folder, int fd, std::string temporary, std::string name,
                                         std::string temporaryPath)
    : folder_(folder), fd_(fd), temporary_(std::move(temporary)), name_(std::move(name)),
      temporaryPath_(std::move(temporaryPath))
{
}

ConfinedFolder::PendingFile::PendingFile(PendingFile&& other) noexcept
    : folder_(std::exchange(other.folder_, -1)), fd_(std::exchange(other.fd_, -1)),
      temporary_(std::move(other.temporary_)), name_(std::move(other.name_)),
      temporaryPath_(std::move(other.temporaryPath_)), failed_(other.failed_)
{
}

ConfinedFolder::PendingFile::~PendingFile()
{
    if (fd_ >= 0) ::close(fd_);
    if (folder_ >= 0) {
        ::unlinkat(folder_, temporary_.c_str(), 0);
        ::close(folder_);
    }
}

bool ConfinedFolder::PendingFile::writeAll(const std::string& bytes)
{
    if (fd_ < 0 || !writeAllTo(fd_, bytes.data(), bytes.size())) failed_ = true;
    return !failed_;
}

bool ConfinedFolder::PendingFile::commit()
{
    if (folder_ < 0) return false;
    const bool closed = fd_ < 0 || ::close(fd_) == 0;
    fd_ = -1;
    // A rename replaces a link at the final name rather than writing through it.
    if (failed_ || !closed || ::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) != 0) return false;
    ::close(folder_);
    folder_ = -1;
    return true;
}

}  // namespace scenario
