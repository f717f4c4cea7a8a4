#include "platform/ui/StatusItemTray.h"

#include "platform/ui/Coordinates.h"
#include "platform/ui/StatusItem.h"
#include "platform/x11/X11TrayColors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace ui {
namespace {

// Trays ask for icons from 16 to 24 pixels mostly; each size is drawn, not scaled.
constexpr int iconSizes[] = {16, 18, 20, 22, 24, 32, 48};

const QColor outlinedGlyph(0xf4, 0xf4, 0xf4);
const QColor outline(0x1c, 0x1c, 0x1c);

// The image, or without one the title as large as the square allows, in one colour.
QImage glyph(const StatusItem& item, int size, const QColor& color)
{
    if (const auto& image = item.image()) return image->render(QSize(size, size), color);
    QImage drawn(size, size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    QFont font = painter.font();
    font.setPixelSize(size / 2);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(drawn.rect(), Qt::AlignCenter, QString::fromStdString(item.title()));
    return drawn;
}

// The glyph one pixel inside the square, ringed by a one-pixel outline.
QPixmap outlined(const StatusItem& item, int size)
{
    const QImage dark = glyph(item, size - 2, outline);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    for (int dy = 0; dy <= 2; ++dy)
        for (int dx = 0; dx <= 2; ++dx) painter.drawImage(dx, dy, dark);
    painter.drawImage(1, 1, glyph(item, size - 2, outlinedGlyph));
    return pixmap;
}

}  // namespace

StatusItemTray::StatusItemTray(StatusItem& item, StatusItemTrayPresence::Kind tray) : item_(item), tray_(tray)
{
    QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) item_.performClick();
    });
    contentChanged();
    icon_.show();
}

core::Rect StatusItemTray::frame() const { return screenFrame(icon_.geometry()); }

void StatusItemTray::contentChanged()
{
    icon_.setIcon(drawIcon());
    icon_.setToolTip(QString::fromStdString(item_.toolTip()));
}

QIcon StatusItemTray::drawIcon() const
{
    QIcon icon;
    if (tray_ == StatusItemTrayPresence::Kind::statusNotifier) {
        for (const int size : iconSizes) icon.addPixmap(outlined(item_, size));
        return icon;
    }
    const QColor color = x11::trayForegroundColor().value_or(QGuiApplication::palette().color(QPalette::WindowText));
    for (const int size : iconSizes) icon.addPixmap(QPixmap::fromImage(glyph(item_, size, color)));
    return icon;
}

}  // namespace ui
