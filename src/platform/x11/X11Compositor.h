#pragma once

#include "platform/x11/X11Connection.h"

#include <QPixmap>
#include <QRect>

namespace x11 {

// Whether a compositing manager runs on the connection's screen (it owns the selection
// _NET_WM_CM_S<screen>). Without one, window opacity changes nothing on screen: translucent
// windows are drawn opaque.
bool hasCompositingManager(Connection& connection);

// Whether what lies beneath our translucent windows shows through them right now: always
// where Qt is not on X11; on X11 only while a compositing manager runs, since without one
// a translucent window's clear pixels show as black. Main thread only.
bool ownWindowsShowThrough();

// What one of our translucent windows at the place (Qt coordinates) paints first, standing
// in for what would show through it: null while ownWindowsShowThrough(), else the screen's
// pixels there as they are shown now. Take it before the window is shown. Main thread only.
QPixmap standInForBeneath(const QRect& place);

}  // namespace x11
