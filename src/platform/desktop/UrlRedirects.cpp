#include "platform/desktop/UrlRedirects.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace desktop {
namespace {

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

std::optional<std::string> part(CURLU* url, CURLUPart which, unsigned int flags = 0)
{
    char* text = nullptr;
    if (curl_url_get(url, which, &text, flags) != CURLUE_OK) return std::nullopt;
    std::string result(text);
    curl_free(text);
    return result;
}

std::string lowered(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

std::optional<HttpAddress> parseHttpAddress(const std::string& url)
{
    UrlHandle handle(curl_url(), &curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return std::nullopt;
    const auto scheme = part(handle.get(), CURLUPART_SCHEME);
    const auto host = part(handle.get(), CURLUPART_HOST);
    if (!scheme || !host || host->empty()) return std::nullopt;
    HttpAddress address{lowered(*scheme), lowered(*host), part(handle.get(), CURLUPART_PATH).value_or("/")};
    if (address.scheme != "http" && address.scheme != "https") return std::nullopt;
    return address;
}

bool isLoopbackHost(const std::string& host)
{
    if (host == "localhost" || host == "[::1]" || host == "::1") return true;
    // 127.0.0.0/8 in dotted form.
    if (!host.starts_with("127.")) return false;
    int dots = 0;
    for (char c : host) {
        if (c == '.')
            ++dots;
        else if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return dots == 3;
}

std::optional<std::string> resolveLocation(const std::string& base, const std::string& location)
{
    UrlHandle handle(curl_url(), &curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK) return std::nullopt;
    if (curl_url_set(handle.get(), CURLUPART_URL, location.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    return part(handle.get(), CURLUPART_URL);
}

std::optional<std::string> originOf(const std::string& url)
{
    const auto address = parseHttpAddress(url);
    UrlHandle handle(curl_url(), &curl_url_cleanup);
    if (!address || !handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    const auto port = part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!port) return std::nullopt;
    return address->scheme + "://" + address->host + ":" + *port;
}

std::optional<UrlLoadError> redirectRefusal(const std::string& from, const std::string& target, bool resendsBody,
                                            int redirectsSoFar)
{
    if (redirectsSoFar >= maxUrlRedirects) return UrlLoadError::tooManyRedirects;
    const auto address = parseHttpAddress(target);
    if (!address) return UrlLoadError::insecureRedirect;
    if (address->scheme == "http") {
        const auto origin = parseHttpAddress(from);
        if (!origin || origin->scheme != "http" || !isLoopbackHost(address->host))
            return UrlLoadError::insecureRedirect;
    }
    if (resendsBody && originOf(from) != originOf(target)) return UrlLoadError::insecureRedirect;
    return std::nullopt;
}

bool redirectDropsBody(const std::string& method, int status)
{
    return status == 303 || ((status == 301 || status == 302) && method == "POST");
}

}  // namespace desktop
