#include "platform/ui/Coordinates.h"

#include "platform/desktop/Desktop.h"

#include <cmath>

namespace ui {
namespace {

double flipHeight() { return desktop::firstScreenHeight(desktop::displays()); }

core::Rect topLeftRect(const QRect& r) { return core::Rect(r.x(), r.y(), r.width(), r.height()); }

}  // namespace

QRect roundedRect(const core::Rect& r)
{
    const auto rect = r.standardized();
    const int left = static_cast<int>(std::lround(rect.minX()));
    const int top = static_cast<int>(std::lround(rect.minY()));
    const int right = static_cast<int>(std::lround(rect.maxX()));
    const int bottom = static_cast<int>(std::lround(rect.maxY()));
    return QRect(left, top, right - left, bottom - top);
}

QRect qtGeometry(const core::Rect& screenFrame) { return roundedRect(core::flipped(screenFrame, flipHeight())); }

core::Rect screenFrame(const QRect& qtGeometry) { return core::flipped(topLeftRect(qtGeometry), flipHeight()); }

QPointF qtGlobalPoint(core::Point screenPoint)
{
    const auto global = core::flipped(screenPoint, flipHeight());
    return QPointF(global.x, global.y);
}

core::Point screenPoint(const QPointF& qtGlobalPoint)
{
    return core::flipped(core::Point{qtGlobalPoint.x(), qtGlobalPoint.y()}, flipHeight());
}

QRect viewGeometry(const core::Rect& frame, double superviewHeight, bool superviewFlipped)
{
    return roundedRect(superviewFlipped ? frame : core::flipped(frame, superviewHeight));
}

core::Rect viewFrame(const QRect& qtGeometry, double superviewHeight, bool superviewFlipped)
{
    const auto frame = topLeftRect(qtGeometry);
    return superviewFlipped ? frame : core::flipped(frame, superviewHeight);
}

}  // namespace ui
