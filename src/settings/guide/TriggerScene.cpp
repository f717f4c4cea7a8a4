#include "settings/guide/GuideScenes.h"

namespace guide {

void demoTrigger(ui::Layer&) {}

}  // namespace guide
