#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <memory>

namespace x11 {

// Tells, on the main thread, each time a window of Qt's becomes or stops being embedded:
// mapped inside another window than the root (the tray's). A tray that owns its selection
// may still never embed an icon (a hung panel), or unmap it or let it go back to the root
// later, and Qt is not told.
class TrayEmbeddingWatch {
public:
    virtual ~TrayEmbeddingWatch() = default;
};
// `icon` names the window as it is when an event comes, none while there is none. None
// where Qt is not on X11.
std::unique_ptr<TrayEmbeddingWatch> watchTrayEmbedding(std::function<xcb_window_t()> icon,
                                                       std::function<void(bool embedded)> changed);

}  // namespace x11
