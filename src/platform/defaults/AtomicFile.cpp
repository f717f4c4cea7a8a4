#include "platform/defaults/AtomicFile.h"

#include "platform/core/PrivateFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace defaults {
namespace {

bool writeAll(int fd, const std::string& text)
{
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& text)
{
    const std::filesystem::path target(path);
    if (target.has_parent_path()) core::makePrivateFolder(target.parent_path().string());

    std::string temporary = path + ".tmp.XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return "cannot create " + temporary + ": " + std::strerror(errno);

    // Synced before the rename, so a crash cannot leave the new name on an empty file.
    bool written = writeAll(fd, text) && ::fsync(fd) == 0;
    int failure = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return "write failed for " + temporary + ": " + std::strerror(failure);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return "cannot replace " + path + ": " + std::strerror(renameError);
    }
    return std::nullopt;
}

}  // namespace defaults
