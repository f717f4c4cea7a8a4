#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <limits>
#include <optional>
#include <string>

namespace capture {

// FNV-1a 64 over every byte of a window image, as uppercase hexadecimal; none without
// an image.
std::optional<std::string> cgDigest(const desktop::PixelBuffer* image);
// "W" + "x" + "H" + " " + digest of a window image; none without an image.
std::optional<std::string> imageEvidence(const desktop::PixelBufferRef& image);

// Frames keep flowing but their content no longer changes: tells a stream that froze
// from a page that simply does not move, by asking the window server for an image of
// the source that does not come from the stream. Rations rebuilds per episode of frozen
// content: five 30 s apart, then one every 300 s. Runs on the capture queue.
class StaleWatchdog {
public:
    // What the watchdog asks and orders, at the moment it needs it.
    class Host {
    public:
        virtual ~Host() = default;
        virtual bool mirrorPaused() = 0;
        // The source's bounds while the window server shows it on screen.
        virtual std::optional<core::Rect> sourceBounds() = 0;
        // The description of a window that fully covers the source.
        virtual std::optional<std::string> occluderDescription() = 0;
        virtual void withdrawFrozenNotice() = 0;
        // An image of the source from the window server, as imageEvidence gives it.
        virtual std::optional<std::string> windowEvidence() = 0;
        virtual void rebuild(const std::string& reason) = 0;
    };

    static constexpr int quota = 5;
    static constexpr double shortSpacing = 30;
    static constexpr double longSpacing = 300;
    static constexpr const char* rebuildReason = "内容僵死（帧流正常但内容长期不变）";

    // Six equal content samples in a row. lastContentChangeAt: when the sampled content
    // last changed; sourceSize feeds log lines.
    void attempt(double now, double lastContentChangeAt, core::Size sourceSize, Host& host);
    // The sampled content changed: the episode is over and its quota given back.
    void contentChanged();

    int rebuildCount() const { return rebuildCount_; }

private:
    void skip(const std::string& note, core::Size sourceSize);

    static constexpr double distantPast = -std::numeric_limits<double>::infinity();

    double lastAttemptAt_ = distantPast;
    int rebuildCount_ = 0;
    bool cooldownNoted_ = false;
    std::optional<std::string> lastSkipNote_;
    std::optional<std::string> lastIndependentDigest_;
    double lastIndependentAt_ = distantPast;
};

}  // namespace capture
