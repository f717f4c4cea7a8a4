#include "settings/guide/GuideScenes.h"

namespace guide {

void demoHoverPreview(ui::Layer&) {}

}  // namespace guide
