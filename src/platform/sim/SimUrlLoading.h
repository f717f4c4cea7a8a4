#pragma once

#include "platform/desktop/UrlLoading.h"
#include "platform/sim/ScriptedServer.h"

#include <memory>
#include <mutex>

namespace sim {

class SimWorld;

// Loads answered by the scripted server on virtual time, each step on the caller's queue.
// An address no route answers has no host. Every load is journaled once it ends
// ("http": method, url, the final status or null, the request body when there is one,
// the error's name when it failed). Download files are real files.
class SimUrlLoading : public desktop::UrlLoading {
public:
    explicit SimUrlLoading(std::shared_ptr<SimWorld> world);
    void setRoutes(std::vector<ScriptedRoute> routes);
    std::shared_ptr<desktop::UrlLoad> start(desktop::UrlRequest request, desktop::UrlLoadHandlers handlers) override;

private:
    std::shared_ptr<SimWorld> world_;
    std::mutex mutex_;
    ScriptedServer server_;
};

}  // namespace sim
