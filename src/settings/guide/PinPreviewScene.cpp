#include "settings/guide/GuideScenes.h"

namespace guide {

void demoPinPreview(ui::Layer&) {}

}  // namespace guide
