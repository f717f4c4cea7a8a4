#pragma once

#include <nlohmann/json.hpp>

#include <atomic>
#include <map>
#include <memory>

class PipPanel;

namespace app {

// The mini windows as a state dump lists them, with the frames each has shown. Main
// thread only.
class PanelStates {
public:
    // Starts counting the frames the panel shows; called once, right after creation.
    void track(PipPanel& panel);

    // Every registered panel in creation order: source, frame (global points), visible,
    // alpha, paused, focus, framesShown, pinned, previewVisible, takeover and the
    // effective frameRate, opacity and sizeMultiplier.
    nlohmann::ordered_json list() const;

private:
    // Entries of closed panels are dropped when the next panel is tracked.
    std::map<const PipPanel*, std::shared_ptr<std::atomic<long>>> framesShown_;
};

}  // namespace app
