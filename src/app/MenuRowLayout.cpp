#include "app/MenuRowLayout.h"

#include <algorithm>

namespace app::menurow {
namespace {

core::Rect focusFrame(double width, double rowHeight)
{
    return {width - focusButtonSide - focusButtonMargin, (rowHeight - focusButtonSide) / 2, focusButtonSide,
            focusButtonSide};
}

}  // namespace

Layout layout(double width, double rowHeight, std::optional<core::Size> thumbnailSize, double labelHeight)
{
    Layout result;
    double labelStart = 8;
    if (thumbnailSize) {
        result.thumbnail = {8, (rowHeight - thumbnailSize->height) / 2, thumbnailSize->width, thumbnailSize->height};
        labelStart = result.thumbnail.maxX() + 10;
    }
    result.focusButton = focusFrame(width, rowHeight);
    result.label = {labelStart, (rowHeight - labelHeight) / 2,
                    std::max(0.0, result.focusButton.minX() - 8 - labelStart), labelHeight};
    return result;
}

bool isNearFocusButton(core::Point point, double width, double rowHeight)
{
    return focusFrame(width, rowHeight).insetBy(-focusDeadZone, -focusDeadZone).contains(point);
}

}  // namespace app::menurow
