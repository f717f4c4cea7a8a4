#pragma once

#include <limits>

namespace capture {

// Watches the time since the last delivered sample from the 0.5 s poll and orders a
// rebuild when frames have stopped: 2 s of silence, then every 30 s for five rebuilds
// and every 300 s after that. A frame delivered after the last rebuild gives the quota
// back; a rebuild, a restarted poll or a gap in the checks only restarts the silence.
class NoFrameWatchdog {
public:
    static constexpr double silenceLimit = 2.0;
    static constexpr int quota = 5;
    static constexpr double shortSpacing = 30;
    static constexpr double longSpacing = 300;
    // Twice the poll's spacing: checks further apart skipped ticks while the source was
    // off screen, and that time was no silence of the stream's.
    static constexpr double checkGap = 1.0;

    // A valid screen sample arrived (usable or not).
    void frameSeen(double now) { lastFrameSeenAt_ = silenceSince_ = now; }
    // The poll (re)started: silence is counted from now.
    void restartSilence(double now) { silenceSince_ = lastCheckAt_ = now; }

    // One poll tick while the source is on screen. A paused mirror is never silent; a
    // mirror without a stream is (its last start failed). True when the stream is to be
    // rebuilt; the decision is logged.
    bool check(double now, bool paused, long framesDelivered);

    int rebuildCount() const { return rebuildCount_; }

private:
    static constexpr double distantPast = -std::numeric_limits<double>::infinity();

    double lastFrameSeenAt_ = distantPast;
    double silenceSince_ = 0;
    double lastCheckAt_ = distantPast;
    double lastRebuildAt_ = distantPast;
    int rebuildCount_ = 0;
};

}  // namespace capture
