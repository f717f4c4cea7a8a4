#include "settings/guide/GuideScenes.h"

namespace guide {

void demoResizeAndDefault(ui::Layer&) {}

}  // namespace guide
