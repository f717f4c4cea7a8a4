#pragma once

#include "scenario/JsonFields.h"
#include "scenario/ScenarioFile.h"

#include <nlohmann/json.hpp>

#include <string>

// The bounded values of a scenario: bounds that keep a file from asking for absurd
// amounts of memory or time.
namespace scenario {

constexpr double maxSeconds = 86400;
constexpr double maxSide = 16384;           // points, of a display or a window
constexpr double maxCoordinate = 1000000;   // points from the primary display's origin, either way
constexpr double maxDisplayPixels = 16384;  // a side of a display, its points times its scale
constexpr long long maxKeyCode = 127;       // the platform's virtual key codes

desktop::Pid readPid(const nlohmann::json& value, const std::string& path);
desktop::WindowID readWindowID(const nlohmann::json& value, const std::string& path);
desktop::DisplayID readDisplayID(const nlohmann::json& value, const std::string& path);
double readSeconds(const nlohmann::json& value, const std::string& path);
core::Point readBoundedPoint(const nlohmann::json& value, const std::string& path);
core::Size readBoundedSize(const nlohmann::json& value, const std::string& path, double max);
core::Rect readBoundedFrame(const nlohmann::json& value, const std::string& path, bool allowEmpty);
sim::Content readContent(const nlohmann::json& value, const std::string& path);

// Refuses a display whose frame at its scale is more than maxDisplayPixels a side.
void checkDisplayPixels(const core::Rect& frame, double scale, const std::string& path);

}  // namespace scenario
