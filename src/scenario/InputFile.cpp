#include "scenario/InputFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scenario {
namespace {

std::string sizeText(std::size_t bytes)
{
    return bytes % (1024 * 1024) == 0 ? std::to_string(bytes / (1024 * 1024)) + " MiB"
                                      : std::to_string(bytes) + " bytes";
}

}  // namespace

InputText readInputFile(const std::string& path, std::size_t maxBytes)
{
    // Without blocking, so that opening a pipe with no writer does not wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {std::nullopt, "cannot read"};
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) return {std::nullopt, "cannot read"};
    if (S_ISDIR(info.st_mode)) return {std::nullopt, "is a folder, not a scenario file"};
    if (!S_ISREG(info.st_mode)) return {std::nullopt, "not a regular file"};
    const std::string tooLarge = "larger than " + sizeText(maxBytes);
    if (static_cast<std::size_t>(info.st_size) > maxBytes) return {std::nullopt, tooLarge};

    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {std::nullopt, "cannot read"};
        if (n == 0) return {std::move(text), ""};
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > maxBytes) return {std::nullopt, tooLarge};
    }
}

}  // namespace scenario
