#include "platform/sim/ScriptedServer.h"

#include "platform/desktop/UrlRedirects.h"

namespace sim {

void ScriptedServer::setRoutes(std::vector<ScriptedRoute> routes) { routes_ = std::move(routes); }

std::optional<ScriptedRoute> ScriptedServer::route(const std::string& method, const std::string& url) const
{
    for (const auto& route : routes_)
        if (route.method == method && !route.url.empty() && route.url == url) return route;
    const auto address = desktop::parseHttpAddress(url);
    if (!address) return std::nullopt;
    for (const auto& route : routes_)
        if (route.method == method && route.url.empty() && route.path == address->path) return route;
    return std::nullopt;
}

}  // namespace sim
