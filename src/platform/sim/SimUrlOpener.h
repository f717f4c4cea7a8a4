#pragma once

#include "platform/desktop/UrlOpener.h"

#include <memory>
#include <mutex>
#include <vector>

namespace sim {

class SimWorld;

// Records the addresses handed to it. A system-settings address brings the world's
// settings application to running; nothing else is opened.
class SimUrlOpener : public desktop::UrlOpener {
public:
    explicit SimUrlOpener(std::shared_ptr<SimWorld> world);
    bool open(const std::string& url) override;
    // The well-formed addresses opened, in order.
    std::vector<std::string> opened();

private:
    std::shared_ptr<SimWorld> world_;
    std::mutex mutex_;
    std::vector<std::string> opened_;
};

}  // namespace sim
