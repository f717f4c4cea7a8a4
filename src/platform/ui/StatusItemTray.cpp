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

}  // namespace

StatusItemTray::StatusItemTray(StatusItem& item) : item_(item)
{
    QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) item_.performClick();
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
    const QColor color = x11::trayForegroundColor().value_or(QGuiApplication::palette().color(QPalette::WindowText));
    QIcon icon;
    for (const int size : iconSizes) {
        if (const auto& image = item_.image()) {
            icon.addPixmap(QPixmap::fromImage(image->render(QSize(size, size), color)));
            continue;
        }
        // Without an image the title stands in, as large as the square allows.
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QFont font = painter.font();
        font.setPixelSize(size / 2);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::fromStdString(item_.title()));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace ui
