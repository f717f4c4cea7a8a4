#include "shellcore/MenuThumbnailSetting.h"

#include "platform/defaults/SettingsTable.h"

namespace MenuThumbnail {

bool enabled() { return defaults::setting::menuWindowThumbs.value(); }

}  // namespace MenuThumbnail
