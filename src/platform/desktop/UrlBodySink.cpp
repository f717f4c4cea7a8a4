#include "platform/desktop/UrlBodySink.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace desktop {

UrlBodySink::UrlBodySink(const UrlRequest& request) : maxBytes_(request.maxBytes), path_(request.downloadPath) {}

UrlBodySink::~UrlBodySink()
{
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> UrlBodySink::refusalOfLength(std::int64_t expectedLength) const
{
    if (maxBytes_ > 0 && expectedLength > 0 && std::uint64_t(expectedLength) > maxBytes_)
        return "declared length over the byte cap";
    return std::nullopt;
}

std::optional<std::string> UrlBodySink::open()
{
    if (path_.empty()) return std::nullopt;
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return "cannot create the file: " + std::string(std::strerror(errno));
    return std::nullopt;
}

std::optional<std::string> UrlBodySink::keep(const char* data, std::size_t size)
{
    received_ += size;
    if (maxBytes_ > 0 && received_ > maxBytes_) return "body over the byte cap";
    if (path_.empty()) {
        body_.append(data, size);
        return std::nullopt;
    }
    for (std::size_t written = 0; written < size;) {
        const auto n = ::write(fd_, data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return "cannot write the file: " + std::string(std::strerror(errno));
        written += std::size_t(n);
    }
    return std::nullopt;
}

void UrlBodySink::close(bool failed)
{
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    if (failed) ::unlink(path_.c_str());
}

}  // namespace desktop
