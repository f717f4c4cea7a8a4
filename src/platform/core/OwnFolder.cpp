#include "platform/core/OwnFolder.h"

#include "platform/core/Paths.h"
#include "platform/core/SystemLog.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <stdio.h>
#include <string_view>
#include <utility>
#include <unistd.h>

namespace core {
namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool isLink(int folder, const std::string& name)
{
    struct stat status {};
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

std::string joined(const std::string& folder, const std::string& name)
{
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// Opened without following a link, so the mode changed is that of the entry itself. A file
// with other hard links is left as it is: its mode is also that of the other names' file.
void tightenEntry(int folder, const std::string& folderPath, const char* name)
{
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) return;
    if (status.st_uid != ::geteuid() || (status.st_mode & 077) == 0) return;
    if (S_ISREG(status.st_mode) && status.st_nlink > 1) {
        reportOwnPathHardLinked(joined(folderPath, name));
        return;
    }
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    if (::fstat(fd, &status) == 0 && status.st_uid == ::geteuid() &&
        (S_ISDIR(status.st_mode) || (S_ISREG(status.st_mode) && status.st_nlink == 1)))
        ::fchmod(fd, status.st_mode & 07700);
    ::close(fd);
}

// Once per path and kind of fault, however often it is met.
void reportOnce(const std::string& line)
{
    static std::mutex lock;
    static std::set<std::string> reported;
    {
        std::lock_guard guard(lock);
        if (!reported.insert(line).second) return;
    }
    systemLog::write(line);
}

}  // namespace

bool writeAllTo(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void reportOwnPathLink(const std::string& path)
{
    reportOnce("[Glimra] 私有目录: " + path + " 是链接 ⇒ 不跟随，保持原样");
}

void reportOwnPathNotAFile(const std::string& path)
{
    reportOnce("[Glimra] 私有目录: " + path + " 不是普通文件 ⇒ 不打开，保持原样");
}

void reportOwnPathHardLinked(const std::string& path)
{
    reportOnce("[Glimra] 私有目录: " + path + " 另有硬链接 ⇒ 不写入，不收紧");
}

OwnFolder OwnFolder::refused(std::string reason, bool link)
{
    OwnFolder folder;
    folder.refusal_ = std::move(reason);
    folder.refusedLink_ = link;
    return folder;
}

OwnFolder OwnFolder::open(const std::string& base, const std::string& below, Missing missing)
{
    if (missing == Missing::create) paths::makeDirectories(base);
    // The base is where the user keeps such folders; it may be reached through links.
    const int baseFd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0) return refused(base + " cannot be opened (" + std::strerror(errno) + ")");
    OwnFolder folder(baseFd, base);
    std::string_view rest(below);
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string name(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (name.empty() || name == ".") continue;
        folder = folder.child(name, missing);
        if (!folder) return folder;
    }
    return folder;
}

OwnFolder OwnFolder::openPath(const std::string& path, Missing missing)
{
    auto slash = path.find_last_of('/');
    while (slash != std::string::npos && slash > 0 && slash + 1 == path.size())
        slash = path.find_last_of('/', slash - 1);
    if (slash == std::string::npos) return open(".", path, missing);
    return open(slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1), missing);
}

OwnFolder::OwnFolder(OwnFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      refusal_(std::move(other.refusal_)),
      refusedLink_(other.refusedLink_)
{
}

OwnFolder& OwnFolder::operator=(OwnFolder&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        refusal_ = std::move(other.refusal_);
        refusedLink_ = other.refusedLink_;
    }
    return *this;
}

OwnFolder::~OwnFolder()
{
    if (fd_ >= 0) ::close(fd_);
}

OwnFolder OwnFolder::reopened() const
{
    const int fd = fd_ >= 0 ? ::openat(fd_, ".", folderFlags) : -1;
    return fd >= 0 ? OwnFolder(fd, path_) : refused(path_ + " cannot be opened");
}

OwnFolder OwnFolder::child(const std::string& name, Missing missing, mode_t mode) const
{
    const std::string path = joined(path_, name);
    if (fd_ < 0) return refused(path + " cannot be opened");
    if (missing == Missing::create && ::mkdirat(fd_, name.c_str(), mode) == 0) {
        // Made now: the umask may have left it open to others.
        const int fd = ::openat(fd_, name.c_str(), folderFlags);
        if (fd >= 0) ::fchmod(fd, mode);
        return fd >= 0 ? OwnFolder(fd, path) : refused(path + " cannot be opened");
    }
    const int fd = ::openat(fd_, name.c_str(), folderFlags);
    if (fd >= 0) return OwnFolder(fd, path);
    const int error = errno;
    if (isLink(fd_, name)) {
        reportOwnPathLink(path);
        return refused(path + " is a symbolic link", true);
    }
    if (error == ENOTDIR) return refused(path + " is not a folder");
    return refused(path + " cannot be opened (" + std::strerror(error) + ")");
}

int OwnFolder::openFile(const std::string& name, int flags, mode_t mode) const
{
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    const std::string path = joined(path_, name);
    // Non-blocking, so that a FIFO cannot hold the open; truncated only once known to be a
    // file of ours alone.
    const int fd = ::openat(fd_, name.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        const int error = errno;
        if (!holdsForeignEntry(name) && error == ELOOP) reportOwnPathLink(path);
        errno = error;
        return -1;
    }
    struct stat opened {};
    int refusal = 0;
    if (::fstat(fd, &opened) != 0) {
        refusal = errno;
    } else if (!S_ISREG(opened.st_mode)) {
        reportOwnPathNotAFile(path);
        refusal = EINVAL;
    } else if ((flags & O_ACCMODE) != O_RDONLY && opened.st_nlink > 1) {
        reportOwnPathHardLinked(path);
        refusal = EMLINK;
    } else if ((flags & O_TRUNC) && ::ftruncate(fd, 0) != 0) {
        refusal = errno;
    } else if (!(flags & O_NONBLOCK) && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        refusal = errno;
    }
    if (refusal == 0) return fd;
    ::close(fd);
    errno = refusal;
    return -1;
}

int OwnFolder::openForAppending(const std::string& name) const
{
    constexpr int flags = O_WRONLY | O_APPEND | O_CREAT;
    const int fd = openFile(name, flags);
    if (fd >= 0 || errno != EMLINK) return fd;
    if (writeAtomically(name, "")) {
        errno = EMLINK;
        return -1;
    }
    return openFile(name, flags);
}

FileContents OwnFolder::contents(const std::string& name, std::uint64_t maxBytes) const
{
    // Non-blocking, so that a FIFO without a writer cannot hold the open. What is no regular
    // file is the caller's to judge (fileContents says so), not a refusal to report.
    const int fd = fd_ >= 0 ? ::openat(fd_, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC) : -1;
    if (fd < 0) {
        const int error = fd_ >= 0 ? errno : EBADF;
        if (error == ELOOP || (fd_ >= 0 && isLink(fd_, name))) reportOwnPathLink(joined(path_, name));
        return {std::nullopt, error == ENOENT ? FileReadError::absent : FileReadError::unreadable};
    }
    auto read = fileContents(fd, maxBytes);
    ::close(fd);
    return read;
}

bool OwnFolder::holdsForeignEntry(const std::string& name) const
{
    const auto entry = status(name);
    if (!entry || S_ISREG(entry->st_mode)) return false;
    if (S_ISLNK(entry->st_mode))
        reportOwnPathLink(joined(path_, name));
    else
        reportOwnPathNotAFile(joined(path_, name));
    return true;
}

std::optional<struct stat> OwnFolder::status(const std::string& name) const
{
    struct stat status {};
    if (fd_ < 0 || ::fstatat(fd_, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return status;
}

std::vector<std::string> OwnFolder::names() const
{
    std::vector<std::string> names;
    const int listing = fd_ >= 0 ? ::openat(fd_, ".", folderFlags) : -1;
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!entries) {
        if (listing >= 0) ::close(listing);
        return names;
    }
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(entries);
    return names;
}

bool OwnFolder::remove(const std::string& name) const { return fd_ >= 0 && ::unlinkat(fd_, name.c_str(), 0) == 0; }

bool OwnFolder::rename(const std::string& from, const std::string& to) const
{
    return fd_ >= 0 && ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0;
}

bool OwnFolder::renameNoReplace(const std::string& from, const std::string& to) const
{
    return fd_ >= 0 && ::renameat2(fd_, from.c_str(), fd_, to.c_str(), RENAME_NOREPLACE) == 0;
}

std::optional<std::string> OwnFolder::writeAtomically(const std::string& name, const std::string& text) const
{
    const std::string target = joined(path_, name);
    if (fd_ < 0) return "cannot write " + target + ": " + refusal_;
    if (const auto entry = status(name)) {
        if (S_ISLNK(entry->st_mode)) {
            reportOwnPathLink(target);
            return "cannot replace " + target + ": it is a symbolic link";
        }
        if (!S_ISREG(entry->st_mode)) {
            reportOwnPathNotAFile(target);
            return "cannot replace " + target + ": it is not a regular file";
        }
        // Renamed over, the other names keep their file as it was.
        if (entry->st_nlink > 1) reportOwnPathHardLinked(target);
    }
    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = "." + name + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(attempt);
        fd = ::openat(fd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return "cannot create a temporary file in " + path_ + ": " + std::strerror(errno);
    // Synced before the rename, so a crash cannot leave the new name on an empty file.
    bool written = writeAllTo(fd, text) && ::fsync(fd) == 0;
    int failure = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (!written) {
        ::unlinkat(fd_, temporary.c_str(), 0);
        return "write failed for " + joined(path_, temporary) + ": " + std::strerror(failure);
    }
    if (!rename(temporary, name)) {
        const int renameError = errno;
        ::unlinkat(fd_, temporary.c_str(), 0);
        return "cannot replace " + target + ": " + std::strerror(renameError);
    }
    return std::nullopt;
}

void OwnFolder::tighten() const
{
    if (fd_ < 0) return;
    struct stat status {};
    if (::fstat(fd_, &status) == 0 && status.st_uid == ::geteuid() && (status.st_mode & 077) != 0)
        ::fchmod(fd_, status.st_mode & 07700);
    for (const auto& name : names()) tightenEntry(fd_, path_, name.c_str());
}

}  // namespace core
