// Changing a running stream's frame rate in place, checked by counting frames after a
// delay that leaves room for at least two and a half frames.
#include "capture/StreamMirror.h"
#include "foundation/Diag.h"
#include "platform/core/TextFormat.h"

#include <algorithm>

void StreamMirror::switchFrameRate(int fps)
{
    const int rate = std::clamp(fps, 1, 60);
    if (rate == frameRate_) return;
    frameRate_ = rate;
    if (!stream_) {
        Diag::log("帧率: 流未启动，记下 " + std::to_string(rate) + " fps 待建流生效");
        return;
    }
    framesDeliveredAtSwitch_ = framesDelivered();
    Diag::log("帧率: 切换 → " + std::to_string(rate) + " fps");
    const StreamRef stream = stream_;
    desktop::StreamConfiguration configuration = makeConfiguration(currentPixelW_, currentPixelH_);
    const desktop::ContentFilter filter = makeFilter(configuration);
    swapFilterAndConfiguration(
        stream, filter, configuration, true,
        [stream, rate](StreamMirror& mirror, std::optional<desktop::Error> filterError,
                       std::optional<desktop::Error> configurationError) {
            if (filterError) {
                Diag::log("帧率: updateContentFilter 失败: " + filterError->localizedDescription + " → 回退重建流");
                if (mirror.stream_ == stream) mirror.restartStream("帧率切换换 filter 失败");
                return;
            }
            if (configurationError)
                Diag::log("帧率: updateConfiguration 失败: " + configurationError->localizedDescription);
            const double delay = std::max(2.5 / rate, 0.6);
            Diag::log(core::formatText("帧率: 已应用 %d fps，%.1fs 内验证帧流", {rate, delay}));
            mirror.verifyFramesAfter(
                delay, stream,
                [](StreamMirror& mirror) {
                    Diag::log("帧率: 切换后无新帧 → 回退重建流");
                    mirror.restartStream("帧率切换后无新帧");
                },
                nullptr);
        });
}
