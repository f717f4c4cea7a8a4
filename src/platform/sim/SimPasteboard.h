#pragma once

#include "platform/desktop/Pasteboard.h"

#include <memory>
#include <mutex>

namespace sim {

class SimWorld;

// A pasteboard that remembers the last text and journals every write.
class SimPasteboard : public desktop::Pasteboard {
public:
    explicit SimPasteboard(std::shared_ptr<SimWorld> world);
    void setString(const std::string& text) override;
    std::optional<std::string> string() override;

private:
    std::shared_ptr<SimWorld> world_;
    std::mutex mutex_;
    std::optional<std::string> text_;
};

}  // namespace sim
