// A diagnostic, on only with the hidden setting "groundTruthProbe": every 3 s it writes
// what the stream sees next to what other ways of looking at the same window see, to
// tell from a user's log whether a frozen mirror was the stream's fault, the source's
// or a cover's. It changes nothing that other parts act on.
#include "capture/NumberText.h"
#include "capture/OcclusionProbe.h"
#include "capture/StreamMirror.h"
#include "foundation/Diag.h"
#include "platform/core/AppIdentity.h"
#include "platform/desktop/Desktop.h"

namespace {

constexpr double probeInterval = 3.0;

using Done = std::function<void(StreamMirror&, std::string)>;

std::string pictureText(const desktop::StreamConfiguration& configuration, const desktop::PixelBufferRef& image)
{
    return std::to_string(configuration.width) + "x" + std::to_string(configuration.height) + " " +
           capture::cgDigest(image.get()).value_or("无数据");
}

desktop::StreamConfiguration screenshotConfiguration(const desktop::ShareableWindow& window)
{
    desktop::StreamConfiguration configuration;
    configuration.width = std::max(2, static_cast<int>(window.frame.width()));
    configuration.height = std::max(2, static_cast<int>(window.frame.height()));
    configuration.showsCursor = false;
    return configuration;
}

const desktop::ShareableWindow* findWindow(const desktop::ShareableContent& content, desktop::WindowID windowID)
{
    for (const auto& window : content.windows) {
        if (window.windowID == windowID) return &window;
    }
    return nullptr;
}

}  // namespace

void StreamMirror::startGroundTruthProbe()
{
    if (groundTruthTimer_.isActive()) return;
    groundTruthTimer_ =
        dispatch::Timer(queue_, probeInterval, ref().guarded([](StreamMirror& self) { self.probeTick(); }));
}

void StreamMirror::probeTick()
{
    if (!stream_ || pausedWanted_) return;
    const StreamRef stream = stream_;
    const desktop::WindowID windowID = target_.windowID;
    const std::uint64_t fingerprint = intake_.lastStreamFp();
    const long delivered = framesDelivered();

    const auto occluder = OcclusionProbe::occluderInfo(windowID);
    const std::string cover = occluder ? OcclusionProbe::describe(*occluder) : "无";
    std::string flags = "查不到";
    if (const auto all = desktop::windowServer().windowList(desktop::WindowListOption::all)) {
        for (const auto& entry : *all) {
            if (entry.number == windowID) {
                flags = formatFlags(entry);
                break;
            }
        }
    }
    const std::string occluderFlags = occluder ? occluder->ownerName.value_or("?") + " " + formatFlags(*occluder) : "无";
    const std::string legacy =
        capture::imageEvidence(desktop::windowServer().windowImage(windowID, desktop::ImageResolution::best))
            .value_or("取证失败");
    if (lastLegacyDigest_) legacySameStreak_ = legacy == *lastLegacyDigest_ ? legacySameStreak_ + 1 : 0;
    lastLegacyDigest_ = legacy;

    screenshotDigest(windowID, [=](StreamMirror& mirror, std::string window) {
        mirror.displayDigest(windowID, false, [=](StreamMirror& mirror, std::string screen) {
            mirror.displayDigest(windowID, true, [=](StreamMirror& mirror, std::string cutOut) {
                // A rebuilt stream makes the report meaningless.
                if (mirror.stream_ != stream) return;
                Diag::log("地面真值: 流指纹=" + capture::hexText(fingerprint) +
                          " delivered=" + std::to_string(delivered) + " | 独立截图(窗口)=" + window +
                          " | 旧API截图(窗口)=" + legacy + " 连续相同=" + std::to_string(mirror.legacySameStreak_) +
                          " | 独立截图(屏幕)=" + screen + " | 挖掉遮挡后=" + cutOut + " | 遮挡=" + cover);
                Diag::log("地面真值·标志: 源[" + flags + "] 遮挡者[" + occluderFlags + "]");
            });
        });
    });
}

void StreamMirror::screenshotDigest(desktop::WindowID windowID, Done done)
{
    const Ref self = ref();
    desktop::capture().shareableContent(
        false, false,
        [self, windowID, done](std::optional<desktop::ShareableContent> content, std::optional<desktop::Error> error) {
            const auto report = [self, done](std::string text) {
                self.post([done, text](StreamMirror& mirror) { done(mirror, text); });
            };
            if (error || !content) return report("失败 " + (error ? error->localizedDescription : std::string()));
            const desktop::ShareableWindow* window = findWindow(*content, windowID);
            if (!window) return report("窗口不在枚举（已关闭/不可共享）");
            desktop::StreamConfiguration configuration = screenshotConfiguration(*window);
            configuration.ignoreShadowsSingleWindow = true;
            configuration.ignoreGlobalClipSingleWindow = true;
            desktop::capture().screenshot(
                desktop::ContentFilter::desktopIndependentWindow(*window), configuration,
                [report, configuration](desktop::PixelBufferRef image, std::optional<desktop::Error> error) {
                    if (error) return report("失败 " + error->localizedDescription);
                    report(pictureText(configuration, image));
                });
        });
}

void StreamMirror::displayDigest(desktop::WindowID windowID, bool excludeFront, Done done)
{
    const Ref self = ref();
    desktop::capture().shareableContent(
        false, false,
        [self, windowID, excludeFront, done](std::optional<desktop::ShareableContent> content,
                                             std::optional<desktop::Error> error) {
            const auto report = [self, done](std::string text) {
                self.post([done, text](StreamMirror& mirror) { done(mirror, text); });
            };
            if (error || !content) return report("失败 " + (error ? error->localizedDescription : std::string()));
            const desktop::ShareableWindow* window = findWindow(*content, windowID);
            if (!window) return report("窗口不在枚举");
            const auto displayID = desktop::displays().displayAt({window->frame.midX(), window->frame.midY()});
            const desktop::ShareableDisplay* display = nullptr;
            for (const auto& candidate : content->displays) {
                if (displayID && candidate.displayID == *displayID) display = &candidate;
            }
            if (!display) return report("找不到所在显示器");

            desktop::StreamConfiguration configuration = screenshotConfiguration(*window);
            const core::Rect crop(window->frame.minX() - display->frame.minX(),
                                  window->frame.minY() - display->frame.minY(), window->frame.width(),
                                  window->frame.height());
            configuration.sourceRect = crop;
            std::vector<desktop::ShareableWindow> excluded;
            const std::string& ownBundle = core::AppIdentity::current().bundleIdentifier;
            for (const auto& candidate : content->windows) {
                if (candidate.owningApplication && candidate.owningApplication->bundleIdentifier == ownBundle) {
                    excluded.push_back(candidate);
                }
            }
            if (excludeFront) {
                for (const auto& front : frontWindows(*window, *content)) excluded.push_back(front);
            }
            const std::string tag = excludeFront ? "挖" + std::to_string(excluded.size()) + "个" : "屏";
            desktop::capture().screenshot(
                desktop::ContentFilter::displayExcludingWindows(*display, excluded), configuration,
                [report, configuration, tag, crop](desktop::PixelBufferRef image, std::optional<desktop::Error> error) {
                    if (error) return report("失败 " + error->localizedDescription);
                    report(pictureText(configuration, image) + " [" + tag + " 裁=" + OcclusionProbe::rectDesc(crop) +
                           "]");
                });
        });
}
