#include "shellcore/MenuThumbnailSetting.h"

#include "platform/defaults/Defaults.h"

namespace MenuThumbnail {

bool enabled() { return defaults::Defaults::standard().boolean("menuWindowThumbs").value_or(true); }

}  // namespace MenuThumbnail
