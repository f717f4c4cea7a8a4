#pragma once

#include <QImage>

#include <optional>

namespace app {

// A picture of the main display as the user sees it: other applications' windows as the
// capture framework delivers them, with the application's own windows (the status item,
// an open menu) drawn over them. None when capture is not allowed or there is no display.
// Any thread; the own windows are drawn on the main thread.
std::optional<QImage> mainDisplayImage();

}  // namespace app
