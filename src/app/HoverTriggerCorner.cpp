#include "app/HoverTriggerCorner.h"

namespace app {

HoverTriggerCorner HoverTriggerCorner::of(const core::Rect& windowFrame, desktop::CornerInset clear,
                                          core::Size zoneSize, double flipHeight)
{
    const double right = windowFrame.maxX() - clear.right;
    const double top = windowFrame.minY() + clear.top;
    return {.zone = {right - zoneSize.width, top, zoneSize.width, zoneSize.height},
            .block = {right - blockSize.width - blockInset, (flipHeight - top) - blockSize.height - blockInset,
                      blockSize.width, blockSize.height}};
}

}  // namespace app
