#include "scenario/RunLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace scenario {
namespace {

struct flock wholeFile(short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

// Whether the name still leads to the open file: a run that let go removed it, and one
// that came after may have made it anew.
bool stillNamed(int folder, int fd)
{
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::fstatat(folder, RunLock::fileName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

std::variant<RunLock, RunLock::Busy, std::monostate> RunLock::take(const ConfinedFolder& folder)
{
    // A file the holder removes between our open and our lock is let go and made again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int dir = ::dup(folder.descriptor());
        if (dir < 0) return std::monostate{};
        constexpr int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC;
        int fd = ::openat(dir, fileName, flags | O_CREAT | O_EXCL, 0644);
        const bool made = fd >= 0;
        if (!made && errno == EEXIST) fd = ::openat(dir, fileName, flags);
        if (fd < 0) {
            ::close(dir);
            return std::monostate{};
        }
        struct flock lock = wholeFile(F_WRLCK);
        if (::fcntl(fd, F_SETLK, &lock) != 0) {
            const bool held = errno == EACCES || errno == EAGAIN;
            struct flock holder = wholeFile(F_WRLCK);
            const bool named = held && ::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK;
            ::close(fd);
            ::close(dir);
            if (named) return Busy{holder.l_pid};
            if (held) continue;  // the holder let go just now
            return std::monostate{};
        }
        if (stillNamed(dir, fd)) return RunLock(dir, fd, made);
        ::close(fd);
        ::close(dir);
    }
    return std::monostate{};
}

RunLock::RunLock(int folder, int fd, bool made) : folder_(folder), fd_(fd), owned_(made) {}

RunLock::RunLock(RunLock&& other) noexcept
    : folder_(std::exchange(other.folder_, -1)), fd_(std::exchange(other.fd_, -1)), owned_(other.owned_)
{
}

RunLock::~RunLock()
{
    // Removed while still held, so that no other run takes the name in between.
    if (fd_ >= 0 && owned_) ::unlinkat(folder_, fileName, 0);
    if (fd_ >= 0) ::close(fd_);
    if (folder_ >= 0) ::close(folder_);
}

}  // namespace scenario
