#include "platform/sim/Compositor.h"

#include "platform/sim/WindowPainter.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace sim {
namespace {

const QRgb desktopBackground = qRgb(0x1E, 0x2A, 0x38);

QImage wrapped(const desktop::PixelBuffer& buffer, QImage::Format format)
{
    return QImage(buffer.bytes.data(), buffer.width, buffer.height, buffer.bytesPerRow, format);
}

int pixels(double points, double scale) { return static_cast<int>(std::lround(points * scale)); }

}  // namespace

desktop::PixelBufferRef composeRegion(SimWorld& world, const core::Rect& region, int pixelWidth, int pixelHeight,
                                      const WindowSelection& selects)
{
    auto canvas = std::make_shared<desktop::PixelBuffer>(std::max(pixelWidth, 1), std::max(pixelHeight, 1));
    QImage target(canvas->bytes.data(), canvas->width, canvas->height, canvas->bytesPerRow, QImage::Format_RGB32);
    target.fill(desktopBackground);
    if (region.isEmpty()) return canvas;

    std::vector<SimWindow> shown;  // front to back
    world.visitStack([&](const SimWindow& window, const SimApp*, bool onScreen) {
        if (onScreen && window.alpha > 0 && window.frame.intersects(region) && selects(window)) shown.push_back(window);
        return true;
    });

    const double scaleX = canvas->width / region.width();
    const double scaleY = canvas->height / region.height();
    QPainter painter(&target);
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        const SimWindow& window = *it;
        const QRect place(pixels(window.frame.minX() - region.minX(), scaleX),
                          pixels(window.frame.minY() - region.minY(), scaleY),
                          std::max(1, pixels(window.frame.width(), scaleX)),
                          std::max(1, pixels(window.frame.height(), scaleY)));
        if (!place.intersects(target.rect())) continue;
        painter.setOpacity(window.alpha);
        if (window.own) {
            const auto picture = window.grab ? window.grab(scaleX) : nullptr;
            if (picture && picture->width > 0 && picture->height > 0)
                painter.drawImage(place, wrapped(*picture, QImage::Format_ARGB32));
        } else {
            const auto picture = paintWindow(window, world.contentTime(window.id), place.width(), place.height());
            painter.drawImage(place.topLeft(), wrapped(*picture, QImage::Format_RGB32));
        }
    }
    return canvas;
}

bool writeDesktopPng(SimWorld& world, std::optional<desktop::DisplayID> display, const std::string& path)
{
    std::vector<desktop::DisplayInfo> shown = world.displays();
    if (display)
        std::erase_if(shown, [&](const desktop::DisplayInfo& d) { return d.id != *display; });
    if (shown.empty()) return false;

    int width = 0;
    int height = 0;
    for (const auto& d : shown) {
        width += std::max(1, pixels(d.frame.width(), 1));
        height = std::max(height, pixels(d.frame.height(), 1));
    }
    QImage canvas(width, std::max(height, 1), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    int left = 0;
    for (const auto& d : shown) {
        const int w = std::max(1, pixels(d.frame.width(), 1));
        const auto part = composeRegion(world, d.frame, w, pixels(d.frame.height(), 1),
                                        [](const SimWindow&) { return true; });
        painter.drawImage(left, 0, wrapped(*part, QImage::Format_RGB32));
        left += w;
    }
    painter.end();
    // Qt's default resolution depends on the screen and on whether a QApplication exists;
    // a fixed one keeps the file's bytes a function of what the desktop shows.
    canvas.setDotsPerMeterX(3780);
    canvas.setDotsPerMeterY(3780);

    std::error_code error;
    const auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    return canvas.save(QString::fromStdString(path), "PNG");
}

}  // namespace sim
