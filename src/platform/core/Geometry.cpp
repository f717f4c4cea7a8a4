#include "platform/core/Geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace core {

Rect Rect::null()
{
    const double inf = std::numeric_limits<double>::infinity();
    return Rect(inf, inf, 0, 0);
}

Rect Rect::standardized() const
{
    if (isNull()) return *this;
    Rect r = *this;
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

bool sameSize(Size a, Size b, double tolerance)
{
    return std::abs(a.width - b.width) <= tolerance && std::abs(a.height - b.height) <= tolerance;
}

double Rect::minX() const { return standardized().origin.x; }
double Rect::maxX() const
{
    const Rect r = standardized();
    return r.origin.x + r.size.width;
}
double Rect::midX() const
{
    const Rect r = standardized();
    return r.origin.x + r.size.width / 2;
}
double Rect::minY() const { return standardized().origin.y; }
double Rect::maxY() const
{
    const Rect r = standardized();
    return r.origin.y + r.size.height;
}
double Rect::midY() const
{
    const Rect r = standardized();
    return r.origin.y + r.size.height / 2;
}

bool Rect::isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }

bool Rect::isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

bool Rect::contains(Point p) const
{
    if (isNull()) return false;
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::contains(const Rect& other) const
{
    if (isNull() || other.isNull()) return false;
    return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() && other.maxY() <= maxY();
}

bool Rect::intersects(const Rect& other) const { return !intersection(other).isNull(); }

Rect Rect::intersection(const Rect& other) const
{
    if (isNull() || other.isNull()) return null();
    const double x0 = std::max(minX(), other.minX());
    const double y0 = std::max(minY(), other.minY());
    const double x1 = std::min(maxX(), other.maxX());
    const double y1 = std::min(maxY(), other.maxY());
    if (x1 <= x0 || y1 <= y0) return null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::united(const Rect& other) const
{
    if (isNull()) return other.standardized();
    if (other.isNull()) return standardized();
    const double x0 = std::min(minX(), other.minX());
    const double y0 = std::min(minY(), other.minY());
    return Rect(x0, y0, std::max(maxX(), other.maxX()) - x0, std::max(maxY(), other.maxY()) - y0);
}

Rect Rect::insetBy(double dx, double dy) const
{
    if (isNull()) return *this;
    const Rect r = standardized();
    const Rect inset(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
    if (inset.size.width < 0 || inset.size.height < 0) return null();
    return inset;
}

Rect Rect::offsetBy(double dx, double dy) const
{
    if (isNull()) return *this;
    return Rect(origin.x + dx, origin.y + dy, size.width, size.height);
}

double Rect::area() const
{
    if (isNull()) return 0;
    return std::abs(size.width * size.height);
}

Point flipped(Point p, double firstScreenHeight) { return {p.x, firstScreenHeight - p.y}; }

Rect flipped(const Rect& r, double firstScreenHeight)
{
    if (r.isNull()) return r;
    const Rect s = r.standardized();
    return Rect(s.origin.x, firstScreenHeight - s.maxY(), s.size.width, s.size.height);
}

std::string numberText(double value)
{
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "+inf";
    if (value == 0) value = 0;  // no "-0.0"
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

std::string rectText(const Rect& r)
{
    return "(" + numberText(r.origin.x) + ", " + numberText(r.origin.y) + ", " + numberText(r.size.width) + ", " +
           numberText(r.size.height) + ")";
}

std::string pointText(Point p) { return "(" + numberText(p.x) + ", " + numberText(p.y) + ")"; }

std::string sizeText(Size s) { return "(" + numberText(s.width) + ", " + numberText(s.height) + ")"; }

}  // namespace core
