#include "scenario/ServerRoutes.h"

#include "scenario/Base64Text.h"
#include "scenario/JsonFields.h"

#include "platform/desktop/UrlRedirects.h"

#include <algorithm>

namespace scenario {
namespace {

constexpr double maxSeconds = 86400;
constexpr double maxBytesPerSecond = 1e12;
constexpr long long maxByteCount = 9007199254740991;  // 2^53 - 1, exact in JSON

const std::vector<std::string_view> routeKeys{"method",         "url",           "path",     "status",
                                              "body",           "base64Body",    "headers",  "delay",
                                              "bytesPerSecond", "truncateAfter", "redirect", "error"};

bool isToken(const std::string& text)
{
    return !text.empty() && std::ranges::all_of(text, [](unsigned char c) {
        return std::isalnum(c) || std::string_view("!#$%&'*+-.^_`|~").find(char(c)) != std::string_view::npos;
    });
}

bool hasLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

desktop::HttpHeaders readHeaders(const nlohmann::json& value, const std::string& path)
{
    if (!value.is_object()) refuse(path, "expected an object");
    desktop::HttpHeaders headers;
    for (const auto& [name, text] : value.items()) {
        const std::string keyPath = childPath(path, name);
        if (!isToken(name)) refuse(keyPath, "not a header name");
        std::string headerValue = readString(text, keyPath);
        if (hasLineBreakOrNul(headerValue)) refuse(keyPath, "a header value holds no line break");
        headers.emplace_back(name, std::move(headerValue));
    }
    return headers;
}

desktop::UrlLoadError readError(const nlohmann::json& value, const std::string& path)
{
    const auto name = readString(value, path);
    const auto error = desktop::urlLoadErrorNamed(name);
    // Only the caller cancels.
    if (!error || *error == desktop::UrlLoadError::cancelled)
        refuse(path,
               "expected one of timedOut, hostNotFound, refused, connectionLost, tlsFailed, "
               "certificateUntrusted, tooManyRedirects, insecureRedirect, other");
    return *error;
}

sim::ScriptedRoute readRoute(const nlohmann::json& value, const std::string& path)
{
    const Fields f(value, path, routeKeys);
    sim::ScriptedRoute route;
    if (const auto* v = f.find("method")) {
        route.method = readString(*v, f.path("method"));
        if (!isToken(route.method) || !std::ranges::all_of(route.method, [](char c) { return c >= 'A' && c <= 'Z'; }))
            refuse(f.path("method"), "expected an upper-case method such as GET or POST");
    }
    const auto* url = f.find("url");
    const auto* routePath = f.find("path");
    if (!url == !routePath) refuse(path, "expected exactly one of url and path");
    if (url) {
        route.url = readString(*url, f.path("url"));
        if (!desktop::parseHttpAddress(route.url)) refuse(f.path("url"), "expected an http or https address");
    } else {
        route.path = readString(*routePath, f.path("path"));
        if (!route.path.starts_with('/') || hasLineBreakOrNul(route.path))
            refuse(f.path("path"), "expected a path starting with /");
    }
    const auto* body = f.find("body");
    const auto* base64Body = f.find("base64Body");
    if (body && base64Body) refuse(path, "expected at most one of body and base64Body");
    if (body) route.body = readString(*body, f.path("body"));
    if (base64Body) {
        const auto decoded = decodeBase64(readString(*base64Body, f.path("base64Body")));
        if (!decoded) refuse(f.path("base64Body"), "not base64");
        route.body = *decoded;
    }
    if (const auto* v = f.find("headers")) route.headers = readHeaders(*v, f.path("headers"));
    if (const auto* v = f.find("delay"))
        route.delay = inRange(readNumber(*v, f.path("delay")), f.path("delay"), 0, maxSeconds);
    if (const auto* v = f.find("bytesPerSecond")) {
        route.bytesPerSecond =
            inRange(readNumber(*v, f.path("bytesPerSecond")), f.path("bytesPerSecond"), 0, maxBytesPerSecond);
        if (route.bytesPerSecond == 0) refuse(f.path("bytesPerSecond"), "must be above 0");
    }
    if (const auto* v = f.find("truncateAfter"))
        route.truncateAfter = std::uint64_t(readInteger(*v, f.path("truncateAfter"), 0, maxByteCount));
    if (const auto* v = f.find("error")) route.error = readError(*v, f.path("error"));
    if (const auto* v = f.find("redirect")) {
        route.redirect = readString(*v, f.path("redirect"));
        if (route.redirect.empty() || hasLineBreakOrNul(route.redirect))
            refuse(f.path("redirect"), "expected an address");
        route.status = 302;
    }
    if (const auto* v = f.find("status")) {
        route.status = int(readInteger(*v, f.path("status"), 100, 599));
        if (!route.redirect.empty() && (route.status < 300 || route.status > 399))
            refuse(f.path("status"), "a redirect's status is 300 to 399");
    }
    return route;
}

}  // namespace

std::vector<sim::ScriptedRoute> readServerRoutes(const nlohmann::json& value, const std::string& path)
{
    std::vector<sim::ScriptedRoute> routes;
    const auto& list = readList(value, path);
    for (std::size_t i = 0; i < list.size(); ++i) routes.push_back(readRoute(list[i], itemPath(path, i)));
    return routes;
}

}  // namespace scenario
