#include "platform/core/FileContents.h"

#include <cerrno>
#include <new>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {
namespace {

FileContents failure(FileReadError error) { return {std::nullopt, error}; }

}  // namespace

FileContents fileContents(const std::string& path)
{
    // Non-blocking, so that a FIFO without a writer cannot hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return failure(errno == ENOENT || errno == ENOTDIR ? FileReadError::absent : FileReadError::unreadable);
    auto contents = fileContents(fd);
    ::close(fd);
    return contents;
}

FileContents fileContents(int fd, std::uint64_t maxBytes)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0) return failure(FileReadError::unreadable);
    if (!S_ISREG(status.st_mode)) return failure(FileReadError::notAFile);
    if (static_cast<std::uint64_t>(status.st_size) > maxBytes) return failure(FileReadError::tooLarge);
    std::string bytes;
    bool complete = false;
    try {
        bytes.reserve(static_cast<std::size_t>(status.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) {
                complete = count == 0;
                break;
            }
            bytes.append(buffer, static_cast<std::size_t>(count));
            // A file that grew past the cap while read is refused all the same.
            if (bytes.size() > maxBytes) return failure(FileReadError::tooLarge);
        }
    } catch (const std::bad_alloc&) {
        complete = false;
    } catch (const std::length_error&) {
        complete = false;
    }
    if (!complete) return failure(FileReadError::unreadable);
    return {std::move(bytes), FileReadError::absent};
}

}  // namespace core
