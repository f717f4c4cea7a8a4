#pragma once

namespace MenuThumbnail {

// The "menuWindowThumbs" setting; missing or not a Boolean means on.
bool enabled();

}  // namespace MenuThumbnail
