#include "scenario/ScenarioValues.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace scenario {
namespace {

using nlohmann::json;

std::string integerText(double bound) { return std::to_string(static_cast<long long>(bound)); }

core::Point bounded(core::Point point, const std::string& path)
{
    if (!(std::abs(point.x) <= maxCoordinate && std::abs(point.y) <= maxCoordinate))
        refuse(path, "x and y must be between -" + integerText(maxCoordinate) + " and " + integerText(maxCoordinate));
    return point;
}

}  // namespace

desktop::Pid readPid(const json& value, const std::string& path)
{
    return static_cast<desktop::Pid>(readInteger(value, path, 1, INT32_MAX));
}

desktop::WindowID readWindowID(const json& value, const std::string& path)
{
    return static_cast<desktop::WindowID>(readInteger(value, path, 1, UINT32_MAX));
}

desktop::DisplayID readDisplayID(const json& value, const std::string& path)
{
    return static_cast<desktop::DisplayID>(readInteger(value, path, 1, UINT32_MAX));
}

double readSeconds(const json& value, const std::string& path)
{
    return inRange(readNumber(value, path), path, 0, maxSeconds);
}

core::Point readBoundedPoint(const json& value, const std::string& path)
{
    return bounded(readPoint(value, path), path);
}

core::Size readBoundedSize(const json& value, const std::string& path, double max)
{
    const core::Size size = readSize(value, path);
    if (!(size.width >= 0 && size.height >= 0 && size.width <= max && size.height <= max))
        refuse(path, "width and height must be between 0 and " + integerText(max));
    return size;
}

core::Rect readBoundedFrame(const json& value, const std::string& path, bool allowEmpty)
{
    const core::Rect frame = readFrame(value, path);
    bounded(frame.origin, path);
    const bool fits = allowEmpty ? frame.width() >= 0 && frame.height() >= 0 : frame.width() > 0 && frame.height() > 0;
    if (!fits || frame.width() > maxSide || frame.height() > maxSide)
        refuse(path, std::string(allowEmpty ? "width and height must be between 0 and "
                                            : "width and height must be above 0 and at most ") +
                         integerText(maxSide));
    return frame;
}

sim::Content readContent(const json& value, const std::string& path)
{
    return readChoice<sim::Content>(value, path, {{"animated", sim::Content::animated}, {"static", sim::Content::still}});
}

void checkDisplayPixels(const core::Rect& frame, double scale, const std::string& path)
{
    const double width = frame.width() * scale, height = frame.height() * scale;
    if (width > maxDisplayPixels || height > maxDisplayPixels)
        refuse(path, "at scale " + core::numberText(scale) + " the display is " + integerText(std::ceil(width)) +
                         " × " + integerText(std::ceil(height)) + " pixels, more than " +
                         integerText(maxDisplayPixels) + " a side");
}

}  // namespace scenario
