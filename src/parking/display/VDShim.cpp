#include "parking/display/VDShim.h"

#include "platform/desktop/Desktop.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace {

constexpr std::uint32_t productID = 0x1234;
constexpr std::uint32_t vendorID = 0x5678;

// What a handle points at: the display and what its summary reports.
struct VDBox {
    std::unique_ptr<desktop::VirtualDisplay> display;
    desktop::VirtualDisplayDescriptor descriptor;  // without its handler
    desktop::VirtualDisplaySettings settings;
    // Shared with the termination handler, which may run after the box is gone.
    std::shared_ptr<std::atomic<bool>> terminated = std::make_shared<std::atomic<bool>>(false);
    bool applied = false;
};

VDBox* box(VDHandle handle) { return static_cast<VDBox*>(handle); }

// The two process-wide texts. VDAvailable writes the error from any thread, so writes
// are serialised; the pointers handed out stay valid until the next write.
std::mutex bufferMutex;
char lastError[512] = "";
char modeSummary[1024] = "";

// Copies at most size - 1 bytes, never ending inside a UTF-8 character.
void copyTruncated(char* buffer, std::size_t size, std::string_view text)
{
    std::size_t length = std::min(text.size(), size - 1);
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

std::string vformat(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    return text;
}

}  // namespace

void VDSetErr(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = vformat(format, args);
    va_end(args);
    std::lock_guard lock(bufferMutex);
    copyTruncated(lastError, sizeof lastError, text);
}

const char* VDLastError() { return lastError; }

bool VDAvailable()
{
    if (desktop::virtualDisplays().available()) return true;
    VDSetErr("缺少私有类 %s", "CGVirtualDisplay");
    return false;
}

VDHandle VDCreate(const VDConfig* config)
{
    if (!config) {
        VDSetErr("VDConfig 为空");
        return nullptr;
    }
    if (!VDAvailable()) return nullptr;
    if (config->width < 2 || config->height < 2) {
        VDSetErr("mode 尺寸不合法：%ux%u 点", config->width, config->height);
        return nullptr;
    }

    auto created = std::make_unique<VDBox>();
    auto& descriptor = created->descriptor;
    descriptor.name = config->name ? config->name : "Glimra Display";
    descriptor.maxPixelsWide = std::max(config->pixelsWide, config->width);
    descriptor.maxPixelsHigh = std::max(config->pixelsHigh, config->height);
    descriptor.sizeInMillimeters = {static_cast<float>(config->mmWidth), static_cast<float>(config->mmHeight)};
    descriptor.serialNum = config->serialNum;
    descriptor.productID = productID;
    descriptor.vendorID = vendorID;

    const desktop::VirtualDisplayMode mode{static_cast<int>(config->width), static_cast<int>(config->height),
                                           config->refreshRate > 0 ? config->refreshRate : 60.0};
    created->settings.modes = {mode};
    created->settings.hiDPI = config->hiDPI != 0;

    auto withHandler = descriptor;
    withHandler.terminationHandler = [terminated = created->terminated] { terminated->store(true); };
    created->display = desktop::virtualDisplays().create(withHandler);
    if (!created->display) {
        VDSetErr("initWithDescriptor 返回 nil（多半是 serialNum=%u 撞车，换一个唯一值）", config->serialNum);
        return nullptr;
    }

    created->applied = created->display->applySettings(created->settings);
    if (!created->applied) VDSetErr("applySettings 返回 NO");
    return created.release();
}

std::uint32_t VDDisplayID(VDHandle handle) { return handle ? box(handle)->display->displayID() : 0; }

bool VDIsTerminated(VDHandle handle) { return !handle || box(handle)->terminated->load(); }

const char* VDModeSummary(VDHandle handle)
{
    if (!handle) return "(nil)";
    const VDBox& shown = *box(handle);
    const auto displayModes = shown.display->modes();
    std::string text = format(
        "applied=%d hiDPI=%u settings.modes=%lu display.modes=%lu maxPixels=%ux%u mm=%.0fx%.0f serial=%u | ",
        shown.applied ? 1 : 0, shown.settings.hiDPI ? 1u : 0u, static_cast<unsigned long>(shown.settings.modes.size()),
        static_cast<unsigned long>(displayModes.size()), shown.descriptor.maxPixelsWide, shown.descriptor.maxPixelsHigh,
        shown.descriptor.sizeInMillimeters.width, shown.descriptor.sizeInMillimeters.height, shown.descriptor.serialNum);
    for (const auto& mode : displayModes)
        text += format("mode(%ux%u@%.0f) ", static_cast<unsigned>(mode.width), static_cast<unsigned>(mode.height),
                       mode.refreshRate);
    std::lock_guard lock(bufferMutex);
    copyTruncated(modeSummary, sizeof modeSummary, text);
    return modeSummary;
}

void VDDestroy(VDHandle handle)
{
    if (!handle) return;
    // A termination still queued finds only the shared flag.
    box(handle)->display.reset();
    delete box(handle);
}
