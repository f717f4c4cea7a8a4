#pragma once

#include "platform/desktop/UrlLoading.h"

#include <optional>
#include <string>

namespace desktop {

constexpr int maxUrlRedirects = 10;

// An http(s) address taken apart, scheme and host in lower case; none for any other address.
struct HttpAddress {
    std::string scheme;
    std::string host;
    std::string path;
};
std::optional<HttpAddress> parseHttpAddress(const std::string& url);

bool isLoopbackHost(const std::string& host);

// The absolute address a Location value points to from base; none when it makes no address.
std::optional<std::string> resolveLocation(const std::string& base, const std::string& location);

// "scheme://host:port" with the scheme's own port filled in; none for anything but http(s).
std::optional<std::string> originOf(const std::string& url);

// Why following a redirect from one address to target is refused, after redirectsSoFar
// earlier ones; none when it may be followed. Plain http is allowed from plain http onto
// loopback only, so that a redirect can neither strip the encryption off a load nor turn
// a remote server's answer into a call on a local service. A body is resent to its own
// origin only (resendsBody: the next hop would carry it).
std::optional<UrlLoadError> redirectRefusal(const std::string& from, const std::string& target, bool resendsBody,
                                            int redirectsSoFar);

// The method after a redirect with this status: 303, and 301 or 302 after a POST, turn
// into a GET without a body, as browsers do.
bool redirectDropsBody(const std::string& method, int status);

}  // namespace desktop
