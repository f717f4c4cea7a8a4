#include "platform/ui/Coordinates.h"

#include "platform/desktop/Desktop.h"
#include "platform/desktop/GlobalSpace.h"

#include <cmath>

namespace ui {
namespace {

double flipHeight() { return desktop::firstScreenHeight(desktop::displays()); }

core::Rect topLeftRect(const QRect& r) { return core::Rect(r.x(), r.y(), r.width(), r.height()); }

core::Point toQt(core::Point global)
{
    const auto origin = desktop::globalSpace().qtOrigin();
    return {global.x + origin.x, global.y + origin.y};
}

core::Point fromQt(core::Point qt)
{
    const auto origin = desktop::globalSpace().qtOrigin();
    return {qt.x - origin.x, qt.y - origin.y};
}

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

QRect qtGeometry(const core::Rect& screenFrame)
{
    const auto global = core::flipped(screenFrame, flipHeight());
    return roundedRect(core::Rect(toQt(global.origin), global.size));
}

core::Rect screenFrame(const QRect& qtGeometry)
{
    const auto qt = topLeftRect(qtGeometry);
    return core::flipped(core::Rect(fromQt(qt.origin), qt.size), flipHeight());
}

QPointF qtGlobalPoint(core::Point screenPoint)
{
    const auto qt = toQt(core::flipped(screenPoint, flipHeight()));
    return QPointF(qt.x, qt.y);
}

core::Point screenPoint(const QPointF& qtGlobalPoint)
{
    return core::flipped(fromQt({qtGlobalPoint.x(), qtGlobalPoint.y()}), flipHeight());
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
