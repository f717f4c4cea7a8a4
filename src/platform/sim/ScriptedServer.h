#pragma once

#include "platform/desktop/UrlLoading.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// One scripted answer of the simulated network.
struct ScriptedRoute {
    std::string method = "GET";
    // The whole address, or else the path on any host.
    std::string url;
    std::string path;

    int status = 200;
    std::string body;
    desktop::HttpHeaders headers;
    double delay = 0;           // virtual seconds before the answer (or the error) comes
    double bytesPerSecond = 0;  // 0: the body at once
    // The connection drops after this many bytes of the body, whose whole length was declared.
    std::optional<std::uint64_t> truncateAfter;
    std::string redirect;  // a Location, absolute or relative
    std::optional<desktop::UrlLoadError> error;
};

// The routes in the order given; a whole address goes before a path.
class ScriptedServer {
public:
    void setRoutes(std::vector<ScriptedRoute> routes);
    // None: no host answers there.
    std::optional<ScriptedRoute> route(const std::string& method, const std::string& url) const;

private:
    std::vector<ScriptedRoute> routes_;
};

}  // namespace sim
