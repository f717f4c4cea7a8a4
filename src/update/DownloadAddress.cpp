#include "update/UpdateInstaller.h"

#include "platform/desktop/UrlRedirects.h"

// Parsed as the loader parses it, so the host checked is the host loaded from.
std::optional<std::string> UpdateInstaller::acceptableURL(const std::string& text)
{
    const auto address = desktop::parseHttpAddress(text);
    if (!address) return std::nullopt;
    const auto& host = address->host;
    const bool loopback = host == "127.0.0.1" || host == "localhost" || host == "[::1]";
    if (address->scheme != "https" && !loopback) return std::nullopt;
    return text;
}
