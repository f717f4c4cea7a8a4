#include "panels/HoverTriggerHooks.h"

namespace {

class NoTrigger : public HoverTriggerHooks {
public:
    void setSuspended(bool) override {}
    std::optional<WindowHit> windowUnder(core::Point, core::Size) override { return std::nullopt; }
};

std::shared_ptr<HoverTriggerHooks>& slot()
{
    static std::shared_ptr<HoverTriggerHooks> hooks;
    return hooks;
}

}  // namespace

void HoverTriggerHooks::install(std::shared_ptr<HoverTriggerHooks> hooks) { slot() = std::move(hooks); }

HoverTriggerHooks& HoverTriggerHooks::installed()
{
    static NoTrigger none;
    return slot() ? *slot() : none;
}
