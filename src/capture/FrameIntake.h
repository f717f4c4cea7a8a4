#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Capture.h"

#include <atomic>
#include <cstdint>
#include <limits>

namespace capture {

// A cheap 64-bit fingerprint of a frame: FNV-1a 64 over one byte of each of 16
// consecutive pixels at four columns of every 37th row. 0 when the buffer is too narrow
// to sample.
std::uint64_t contentFingerprint(const desktop::PixelBuffer& buffer);

// The per-sample bookkeeping of a capture stream, on its capture queue: which samples
// are usable, the delivered and applied counters, capture death (samples keep coming
// but none is usable) and its recovery, width changes, and the content sampling that
// feeds the stale watchdog. The counters may be read from any thread.
class FrameIntake {
public:
    // What the intake tells its owner, on the capture queue, in the order it happens.
    class Host {
    public:
        virtual ~Host() = default;
        virtual void captureDied() = 0;
        virtual void captureRecovered() = 0;
        // Usable frames now have another width: a crop made for the old size is over.
        virtual void frameWidthChanged() = 0;
        // The sampled content changed after a run of equal samples or a first sample.
        virtual void contentChanged() = 0;
        // Six samples in a row equal to the one before them.
        virtual void contentStale() = 0;
    };

    static constexpr double sampleSpacing = 0.5;
    static constexpr int staleSamples = 6;

    explicit FrameIntake(Host& host) : host_(host) {}

    // One screen sample of the current stream. True when it is usable and is to be
    // handed on. targetFrame and sourceSize only feed log lines.
    bool take(const desktop::Frame& frame, double now, const core::Rect& targetFrame, core::Size sourceSize);

    // A rebuild starts counting afresh; a capture-dead notice in force then waits for
    // five usable frames of the new stream.
    void resetForRebuild();

    // A stopped stream is restarted automatically; answers the attempts since the last
    // usable frame, this one included.
    int countRecoveryRestart() { return ++recoveryAttempts_; }
    int recoveryAttempts() const { return recoveryAttempts_; }

    long framesDelivered() const { return framesDelivered_.load(); }
    long framesApplied() const { return framesApplied_.load(); }
    bool captureDeadNotified() const { return captureDeadNotified_; }
    std::uint64_t lastStreamFp() const { return lastStreamFp_; }
    double lastContentChangeAt() const { return lastContentChangeAt_; }
    void setLastContentChangeAt(double at) { lastContentChangeAt_ = at; }

private:
    static constexpr double distantPast = -std::numeric_limits<double>::infinity();

    void judgeCaptureHealth(double now);
    void sampleContent(const desktop::PixelBuffer& buffer, double now, core::Size sourceSize);

    Host& host_;
    std::atomic<long> framesDelivered_{0};
    std::atomic<long> framesApplied_{0};
    long lastAppliedCount_ = 0;
    double lastAppliedChangeAt_ = distantPast;
    bool captureDeadNotified_ = false;
    long appliedAtDeath_ = 0;
    int recoveryAttempts_ = 0;
    int lastBufferPixelW_ = 0;

    double lastStaleSampleAt_ = distantPast;
    std::uint64_t lastStreamFp_ = 0;
    std::uint64_t lastContentHash_ = 0;
    bool contentHashValid_ = false;
    int staleContentTicks_ = 0;
    double lastContentChangeAt_ = 0;
    double lastFingerprintLogAt_ = distantPast;
};

}  // namespace capture
