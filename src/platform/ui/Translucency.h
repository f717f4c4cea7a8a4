#pragma once

#include <QPixmap>
#include <QRect>

namespace ui {

// Whether what lies beneath our translucent windows shows through them: always where the
// desktop composites; on X11 only while a compositing manager runs, since without one a
// translucent window's clear pixels show as black. Main thread only.
bool desktopShowsThrough();

// What one of our translucent windows at the place (Qt coordinates) paints first, standing
// in for what would show through it where nothing does: the screen's pixels there as they
// are shown now, or null while desktopShowsThrough(). Take it before the window is shown.
// Main thread only.
QPixmap pictureBeneath(const QRect& place);

}  // namespace ui
