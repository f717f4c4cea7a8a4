#pragma once

#include "platform/dispatch/Queue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace desktop {

// Why a load ended without an answer.
enum class UrlLoadError {
    timedOut,  // nothing for the idle time-out, or the total time-out passed
    hostNotFound,
    refused,         // no server listening
    connectionLost,  // the connection ended early, a body short of its length among them
    tlsFailed,
    certificateUntrusted,
    tooManyRedirects,
    insecureRedirect,  // onto another scheme than http(s), plain http from https or off loopback,
                       // or a body resent to another origin
    cancelled,         // by the caller, or its answer to the head refused the body
    other,             // an address that is not http(s), the byte cap, a file that cannot be written
};

// The error's name as scenarios and logs spell it ("timedOut").
std::string_view urlLoadErrorName(UrlLoadError error);
std::optional<UrlLoadError> urlLoadErrorNamed(std::string_view name);

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct UrlRequest {
    std::string method = "GET";
    std::string url;
    HttpHeaders headers;
    std::string body;
    // Seconds without a byte in either direction, and for the whole load with its redirects;
    // 0: no limit.
    double idleTimeout = 30;
    double totalTimeout = 0;
    // A body longer than this (declared or received) ends the load; 0: no cap.
    std::uint64_t maxBytes = 0;
    // The body goes to this file, created anew (0600, never through a link) once the answer
    // is accepted and removed again when the load fails; empty: the body is kept in memory.
    std::string downloadPath;
};

// The final answer's status line and headers, after every redirect.
struct UrlResponseHead {
    int status = 0;
    std::string url;  // the address that answered
    HttpHeaders headers;
    // The declared body length; -1 without one.
    std::int64_t expectedLength = -1;

    // The first header of that name, case ignored.
    std::optional<std::string> header(std::string_view name) const;
};

struct UrlLoadResult {
    std::optional<UrlLoadError> error;
    std::string errorDetail;  // for logs
    UrlResponseHead head;     // status 0 when no answer arrived
    std::string body;         // empty for a download to a file
    std::uint64_t bytesReceived = 0;

    bool ok() const { return !error; }
};

// What the caller hears, each on its queue and in this order: the head once, progress,
// then the result exactly once.
struct UrlLoadHandlers {
    dispatch::Queue queue;
    // Runs before any byte of the body is kept; false refuses the body and the load ends
    // cancelled. None accepts every answer.
    std::function<bool(const UrlResponseHead&)> onResponse;
    // Bytes received so far and the declared length (-1 without one).
    std::function<void(std::uint64_t received, std::int64_t expected)> onProgress;
    std::function<void(const UrlLoadResult&)> onFinished;
};

// A load under way.
class UrlLoad {
public:
    virtual ~UrlLoad() = default;
    // Ends the load as cancelled unless it has finished already.
    virtual void cancel() = 0;
};

// HTTP and HTTPS requests. Certificates are always checked; at most ten redirects are
// followed, onto plain http only from plain http on the loopback host; the request's own
// headers go to its first origin only.
class UrlLoading {
public:
    virtual ~UrlLoading() = default;
    virtual std::shared_ptr<UrlLoad> start(UrlRequest request, UrlLoadHandlers handlers) = 0;
};

}  // namespace desktop
