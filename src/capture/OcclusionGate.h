#pragma once

#include "parking/WindowParking.h"
#include "platform/desktop/Types.h"

#include <optional>
#include <string>

namespace capture {

// A fully covered window stops redrawing and no rebuild helps. Once a cover has lasted
// 0.5 s and the window's own image has stopped changing, the gate asks the host to park
// the source, at most three times per episode (cooldown answers not counted), and then
// shows the frozen notice. The first uncovered tick ends the episode. Runs on the
// capture queue from the 0.5 s poll.
class OcclusionGate {
public:
    class Host {
    public:
        virtual ~Host() = default;
        // The description of a window that fully covers the source.
        virtual std::optional<std::string> occluderDescription() = 0;
        virtual bool isBorrowedByPinnedPreview() = 0;
        virtual void prewarmDisplay() = 0;
        // Whether anyone answers park requests.
        virtual bool canRequestPark() = 0;
        virtual WindowParking::RescueOutcome requestPark() = 0;
        // An image of the source from the window server, as imageEvidence gives it.
        virtual std::optional<std::string> windowEvidence() = 0;
        virtual void showFrozenNotice() = 0;
        virtual void withdrawFrozenNotice() = 0;
    };

    static constexpr int maxAttempts = 3;
    static constexpr double settleTime = 0.5;

    void tick(double now, desktop::WindowID windowID, Host& host);

    bool isCovered() const { return lastOccluderNote_.has_value(); }
    int rescueAttempts() const { return rescueAttempts_; }

private:
    void endEpisode(Host& host);

    std::optional<std::string> lastOccluderNote_;
    std::optional<double> occluderSince_;
    int rescueAttempts_ = 0;
    bool prewarmed_ = false;
    bool borrowedLogged_ = false;
    std::optional<std::string> evidenceDigest_;
    int evidenceSameCount_ = 0;
};

}  // namespace capture
