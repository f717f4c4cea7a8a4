#include "settings/guide/GuideScenes.h"

namespace guide {

void demoOpenOriginal(ui::Layer&) {}

}  // namespace guide
