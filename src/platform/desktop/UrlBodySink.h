#pragma once

#include "platform/desktop/UrlLoading.h"

#include <cstdint>
#include <optional>
#include <string>

namespace desktop {

// Where an accepted answer's body goes: memory, or the request's download file, created
// anew and never through a link. Enforces the byte cap. A failed load discards the file.
class UrlBodySink {
public:
    explicit UrlBodySink(const UrlRequest& request);
    ~UrlBodySink();
    UrlBodySink(const UrlBodySink&) = delete;
    UrlBodySink& operator=(const UrlBodySink&) = delete;

    // Why the answer with this declared length (-1: none) cannot be taken; none when it can.
    std::optional<std::string> refusalOfLength(std::int64_t expectedLength) const;
    // Creates the download file; the reason on failure.
    std::optional<std::string> open();
    // The reason on failure: the cap passed or the file cannot be written.
    std::optional<std::string> keep(const char* data, std::size_t size);
    // Closes the file, removing it when the load failed.
    void close(bool failed);

    std::uint64_t bytesReceived() const { return received_; }
    std::string takeBody() { return std::move(body_); }

private:
    const std::uint64_t maxBytes_;
    const std::string path_;
    int fd_ = -1;
    std::uint64_t received_ = 0;
    std::string body_;
};

}  // namespace desktop
