#include "app/MenuDisplayImage.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/ui/PixelImage.h"

#include <QCoreApplication>
#include <QPainter>
#include <QThread>

#include <cmath>
#include <mutex>

namespace app {
namespace {

std::optional<QImage> captureDisplay(const desktop::DisplayInfo& display)
{
    desktop::ShareableDisplay shareable;
    shareable.displayID = display.id;
    shareable.frame = display.frame;
    shareable.width = static_cast<int>(display.frame.width());
    shareable.height = static_cast<int>(display.frame.height());
    desktop::StreamConfiguration configuration;
    configuration.width = static_cast<int>(std::lround(display.frame.width() * display.scale));
    configuration.height = static_cast<int>(std::lround(display.frame.height() * display.scale));
    configuration.showsCursor = false;

    struct Result {
        std::mutex mutex;
        desktop::PixelBufferRef picture;
    };
    auto result = std::make_shared<Result>();
    dispatch::Semaphore done;
    desktop::capture().screenshot(
        desktop::ContentFilter::displayExcludingWindows(shareable, {}), configuration,
        [result, done](desktop::PixelBufferRef picture, std::optional<desktop::Error> error) mutable {
            std::lock_guard lock(result->mutex);
            if (!error) result->picture = std::move(picture);
            done.signal();
        });
    if (!done.wait(5.0)) return std::nullopt;
    std::lock_guard lock(result->mutex);
    if (!result->picture) return std::nullopt;
    return ui::pixelImage(*result->picture, QImage::Format_ARGB32).copy();
}

void drawOwnWindows(QImage& image, const desktop::DisplayInfo& display)
{
    const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly);
    if (!list) return;
    const auto own = desktop::workspace().ownPid();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (auto it = list->rbegin(); it != list->rend(); ++it) {
        if (it->ownerPid != own || !it->bounds || !it->bounds->intersects(display.frame)) continue;
        const auto picture = desktop::windowServer().windowImage(it->number, desktop::ImageResolution::best);
        if (!picture) continue;
        const auto& b = *it->bounds;
        const QRectF target((b.x() - display.frame.x()) * display.scale, (b.y() - display.frame.y()) * display.scale,
                            b.width() * display.scale, b.height() * display.scale);
        painter.drawImage(target, ui::pixelImage(*picture, QImage::Format_ARGB32));
    }
}

}  // namespace

std::optional<QImage> mainDisplayImage()
{
    auto& displays = desktop::displays();
    const auto id = displays.mainDisplayID();
    const auto display = id ? displays.display(*id) : std::nullopt;
    if (!display) return std::nullopt;
    auto image = captureDisplay(*display);
    if (!image) return std::nullopt;
    const auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        drawOwnWindows(*image, *display);
    else
        dispatch::main().sync([&] { drawOwnWindows(*image, *display); });
    return image;
}

}  // namespace app
