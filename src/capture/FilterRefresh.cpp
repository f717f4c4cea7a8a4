// Keeping a running stream current without rebuilding it: a fresh snapshot of the
// source, and a new filter and configuration after a size change or a move, verified
// by counting frames. A failed or unverified change falls back to a rebuild.
#include "capture/NumberText.h"
#include "capture/OcclusionProbe.h"
#include "capture/StreamMirror.h"
#include "foundation/Diag.h"
#include "platform/desktop/Desktop.h"

namespace {

constexpr double sizeRefreshCheckDelay = 0.6;
constexpr double moveDebounce = 0.3;

}  // namespace

void StreamMirror::refreshTarget(std::function<void(StreamMirror&, bool)> done)
{
    const Ref self = ref();
    desktop::capture().shareableContent(false, false,
                                        [self, done = std::move(done)](std::optional<desktop::ShareableContent> content,
                                                                       std::optional<desktop::Error> error) {
                                            self.post([content = std::move(content), error, done](StreamMirror& mirror) {
                                                const bool found = mirror.applyRefreshedTarget(content, error);
                                                done(mirror, found);
                                            });
                                        });
}

bool StreamMirror::applyRefreshedTarget(const std::optional<desktop::ShareableContent>& content,
                                        const std::optional<desktop::Error>& error)
{
    if (error || !content) {
        Diag::log("刷新 filter 几何失败: " + (error ? error->localizedDescription : std::string()) + "（沿用旧快照）");
        return false;
    }
    const desktop::ShareableWindow* found = nullptr;
    for (const auto& window : content->windows) {
        if (window.windowID == target_.windowID && window.life == target_.life) {
            found = &window;
            break;
        }
    }
    if (!found) {
        Diag::log("刷新 filter 几何: 枚举里没有 windowID=" + std::to_string(target_.windowID) +
                  "（已关闭/不可共享），沿用旧快照");
        return false;
    }
    const core::Rect oldFrame = target_.frame;
    setTarget(*found);
    lastShareableContent_ = content;

    const core::Rect& frame = target_.frame;
    if (const auto displayID = desktop::displays().displayAt({frame.midX(), frame.midY()})) {
        sourceDisplay_.reset();
        for (const auto& display : content->displays) {
            if (display.displayID == *displayID) {
                sourceDisplay_ = display;
                break;
            }
        }
    }
    const std::string filterRect =
        OcclusionProbe::rectDesc(desktop::ContentFilter::desktopIndependentWindow(target_).contentRect());
    if (oldFrame != frame) {
        Diag::log("刷新 filter 几何: 旧快照 " + OcclusionProbe::rectDesc(oldFrame) + " → 新 " +
                  OcclusionProbe::rectDesc(frame) + "，新 filter.contentRect=" + filterRect);
    } else {
        Diag::log("刷新 filter 几何: 快照未变 " + OcclusionProbe::rectDesc(frame) +
                  "，新 filter.contentRect=" + filterRect);
    }
    return true;
}

void StreamMirror::swapFilterAndConfiguration(
    const StreamRef& stream, const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
    bool sendConfiguration,
    std::function<void(StreamMirror&, std::optional<desktop::Error>, std::optional<desktop::Error>)> done)
{
    const Ref self = ref();
    stream->updateContentFilter(filter, [self, stream, kind = filter.kind, configuration, sendConfiguration,
                                         done](std::optional<desktop::Error> filterError) {
        self.post([stream, kind, configuration, sendConfiguration, done, filterError](StreamMirror& mirror) {
            if (!filterError && mirror.stream_ == stream) mirror.streamKind_ = kind;
            if (filterError || !sendConfiguration) {
                done(mirror, filterError, std::nullopt);
                return;
            }
            const Ref again = mirror.ref();
            stream->updateConfiguration(configuration, [again, done](std::optional<desktop::Error> configurationError) {
                again.post([done, configurationError](StreamMirror& mirror) {
                    done(mirror, std::nullopt, configurationError);
                });
            });
        });
    });
}

void StreamMirror::verifyFramesAfter(double seconds, const StreamRef& stream, Step onSilence, Step onFlowing)
{
    ref().postAfter(seconds,
                    [stream, onSilence = std::move(onSilence), onFlowing = std::move(onFlowing)](StreamMirror& mirror) {
                        // After a rebuild the check has nothing to say.
                        if (mirror.stream_ != stream) return;
                        if (mirror.framesDelivered() == mirror.framesDeliveredAtSwitch_) {
                            onSilence(mirror);
                        } else if (onFlowing) {
                            onFlowing(mirror);
                        }
                    });
}

void StreamMirror::refreshFilterAndConfig(core::Size size)
{
    if (!stream_) return;
    framesDeliveredAtSwitch_ = framesDelivered();
    const StreamRef stream = stream_;
    const int pixelWidth = currentPixelW_;
    const int pixelHeight = derivedHeight(pixelWidth);
    refreshTarget([stream, size, pixelWidth, pixelHeight](StreamMirror& mirror, bool) {
        if (mirror.stream_ != stream) return;
        desktop::StreamConfiguration configuration = mirror.makeConfiguration(pixelWidth, pixelHeight);
        const desktop::ContentFilter filter = mirror.makeFilter(configuration);
        mirror.swapFilterAndConfiguration(
            stream, filter, configuration, true,
            [stream, size](StreamMirror& mirror, std::optional<desktop::Error> filterError,
                           std::optional<desktop::Error> configurationError) {
                if (filterError) {
                    Diag::log("updateContentFilter 失败: " + filterError->localizedDescription + " → 改走重建流");
                    if (mirror.stream_ == stream) mirror.restartStream("updateContentFilter 失败");
                    return;
                }
                if (configurationError)
                    Diag::log("updateConfiguration 失败: " + configurationError->localizedDescription);
                Diag::log("换 filter+config: 源区域 → " + capture::wholeSizeText(size.width, size.height) +
                          "，0.6s 内验证帧流");
                mirror.verifyFramesAfter(
                    sizeRefreshCheckDelay, stream,
                    [](StreamMirror& mirror) {
                        Diag::log("换 filter+config: 0.6s 无新帧 → 回退重建路径");
                        mirror.restartStream("updateContentFilter 后无新帧");
                    },
                    [](StreamMirror&) { Diag::log("换 filter+config: 帧流正常 ✓"); });
            });
    });
}

void StreamMirror::scheduleFilterRefreshForMove()
{
    // A move reported while one is pending is absorbed: it reads the newest snapshot.
    if (!stream_ || pausedWanted_ || !pendingMoveWork_.isEmpty()) return;
    pendingMoveWork_ = ref().postAfter(moveDebounce, [](StreamMirror& mirror) {
        mirror.pendingMoveWork_ = {};
        if (!mirror.stream_) return;
        const StreamRef stream = mirror.stream_;
        mirror.refreshTarget([stream](StreamMirror& mirror, bool) {
            if (mirror.stream_ != stream) return;
            desktop::StreamConfiguration configuration =
                mirror.makeConfiguration(mirror.currentPixelW_, mirror.currentPixelH_);
            const desktop::ContentFilter filter = mirror.makeFilter(configuration);
            // Only the display modes crop, so only they need the new configuration.
            const bool cropped = configuration.sourceRect && *configuration.sourceRect != core::Rect();
            mirror.swapFilterAndConfiguration(
                stream, filter, configuration, cropped,
                [stream, filter, configuration, cropped](StreamMirror& mirror, std::optional<desktop::Error> filterError,
                                                         std::optional<desktop::Error> configurationError) {
                    if (const auto& error = filterError ? filterError : configurationError) {
                        Diag::log("仅位移: updateContentFilter 失败 " + error->localizedDescription + " → 重建流");
                        if (mirror.stream_ == stream) mirror.restartStream("仅位移换 filter 失败");
                        return;
                    }
                    std::string line =
                        "仅位移: filter 已跟到新位置 contentRect=" + OcclusionProbe::rectDesc(filter.contentRect());
                    if (cropped) line += " 裁=" + OcclusionProbe::rectDesc(*configuration.sourceRect);
                    Diag::log(line);
                });
        });
    });
}

std::string StreamMirror::formatFlags(const desktop::WindowInfo& info)
{
    const std::string alpha = info.alpha ? capture::twoDecimalsText(*info.alpha) : "?";
    return "层=" + std::to_string(info.layer.value_or(-1)) + " α=" + alpha +
           " 在屏=" + std::to_string(info.isOnscreen ? (*info.isOnscreen ? 1 : 0) : -1) +
           " 共享=" + std::to_string(info.sharingState.value_or(-1));
}
