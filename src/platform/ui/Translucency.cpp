#include "platform/ui/Translucency.h"

#include "platform/x11/X11Compositor.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {

bool desktopShowsThrough() { return x11::ownWindowsShowThrough(); }

QPixmap pictureBeneath(const QRect& place)
{
    if (desktopShowsThrough()) return {};
    QScreen* screen = QGuiApplication::screenAt(place.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0, place.x(), place.y(), place.width(), place.height()) : QPixmap();
}

}  // namespace ui
