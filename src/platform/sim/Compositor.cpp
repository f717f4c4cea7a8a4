#include "platform/sim/Compositor.h"

#include "platform/sim/TextStrip.h"
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
    return QImage(buffer.data(), buffer.width, buffer.height, buffer.bytesPerRow, format);
}

int pixels(double points, double scale) { return static_cast<int>(std::lround(points * scale)); }

// The menu bar's height when the display's visible frame leaves none above it.
constexpr double standardMenuBarPoints = 24;
constexpr double menuFontPoints = 13;

double menuBarPoints(const desktop::DisplayInfo& display)
{
    const double top = display.visibleFrame.minY() - display.frame.minY();
    return !display.visibleFrame.isEmpty() && top > 0 && top < display.frame.height() ? top : standardMenuBarPoints;
}

// Each display's menu bar over the windows, naming the frontmost application.
void paintMenuBars(SimWorld& world, QPainter& painter, const core::Rect& region, double scaleX, double scaleY)
{
    const auto frontmost = world.frontmost();
    const auto app = frontmost ? world.app(*frontmost) : std::nullopt;
    StripLook look;
    look.text = app ? app->info.name : std::string();
    look.fontPixels = std::max(1, pixels(menuFontPoints, scaleY));
    look.bold = true;
    look.background = qRgb(0xEC, 0xEC, 0xEC);
    look.foreground = qRgb(0x10, 0x10, 0x10);
    look.edge = qRgb(0xC4, 0xC4, 0xC4);
    painter.setOpacity(1);
    for (const auto& display : world.displays()) {
        const core::Rect bar(display.frame.minX(), display.frame.minY(), display.frame.width(), menuBarPoints(display));
        if (!bar.intersects(region)) continue;
        look.width = std::max(1, pixels(bar.width(), scaleX));
        look.height = std::max(1, pixels(bar.height(), scaleY));
        painter.drawImage(QPoint(pixels(bar.minX() - region.minX(), scaleX), pixels(bar.minY() - region.minY(), scaleY)),
                          *textStrip(look));
    }
}

}  // namespace

desktop::PixelBufferRef composeRegion(SimWorld& world, const core::Rect& region, int pixelWidth, int pixelHeight,
                                      const WindowSelection& selects)
{
    auto canvas = std::make_shared<desktop::PixelBuffer>(std::max(pixelWidth, 1), std::max(pixelHeight, 1));
    QImage target(canvas->bytes.data(), canvas->width, canvas->height, canvas->bytesPerRow, QImage::Format_RGB32);
    target.fill(desktopBackground);
    if (region.isEmpty()) return canvas;

    std::vector<std::pair<SimWindow, std::string>> shown;  // front to back, with the application's name
    world.visitStack([&](const SimWindow& window, const SimApp* owner, bool onScreen) {
        if (onScreen && window.alpha > 0 && window.frame.intersects(region) && selects(window))
            shown.emplace_back(window, owner ? owner->info.name : std::string());
        return true;
    });

    const double scaleX = canvas->width / region.width();
    const double scaleY = canvas->height / region.height();
    QPainter painter(&target);
    const auto paint = [&](const SimWindow& window, const std::string& appName) {
        const QRect place(
            pixels(window.frame.minX() - region.minX(), scaleX), pixels(window.frame.minY() - region.minY(), scaleY),
            std::max(1, pixels(window.frame.width(), scaleX)), std::max(1, pixels(window.frame.height(), scaleY)));
        if (!place.intersects(target.rect())) return;
        painter.setOpacity(window.alpha);
        if (window.own) {
            const auto picture = window.grab ? window.grab(scaleX) : nullptr;
            if (picture && picture->width > 0 && picture->height > 0)
                painter.drawImage(place, wrapped(*picture, QImage::Format_ARGB32));
        } else {
            const auto picture =
                paintWindow(window, appName, world.contentTime(window.id), place.width(), place.height());
            painter.drawImage(place.topLeft(), wrapped(*picture, QImage::Format_RGB32));
        }
    };
    // The menu bars lie at their own level: status items and menus above it, the rest below.
    const auto overBars = std::stable_partition(
        shown.begin(), shown.end(), [](const auto& entry) { return entry.first.layer >= desktop::level::statusBar; });
    for (auto it = std::make_reverse_iterator(shown.end()); it != std::make_reverse_iterator(overBars); ++it)
        paint(it->first, it->second);
    paintMenuBars(world, painter, region, scaleX, scaleY);
    for (auto it = std::make_reverse_iterator(overBars); it != shown.rend(); ++it) paint(it->first, it->second);
    return canvas;
}

bool writeDesktopPng(SimWorld& world, std::optional<desktop::DisplayID> display, const std::string& path)
{
    std::vector<desktop::DisplayInfo> shown = world.displays();
    if (display) std::erase_if(shown, [&](const desktop::DisplayInfo& d) { return d.id != *display; });
    if (shown.empty()) return false;

    int width = 0;
    int height = 0;
    for (const auto& d : shown) {
        width += std::max(1, pixels(d.frame.width(), 1));
        height = std::max(height, pixels(d.frame.height(), 1));
    }
    // Our own bytes, not the toolkit's: lacking memory for them throws, where the toolkit
    // would warn on standard error and go on with a null picture.
    desktop::PixelBuffer picture(width, std::max(height, 1));
    QImage canvas(picture.data(), picture.width, picture.height, picture.bytesPerRow, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    int left = 0;
    for (const auto& d : shown) {
        const int w = std::max(1, pixels(d.frame.width(), 1));
        const auto part =
            composeRegion(world, d.frame, w, pixels(d.frame.height(), 1), [](const SimWindow&) { return true; });
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
