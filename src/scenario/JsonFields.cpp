#include "scenario/JsonFields.h"

#include <algorithm>
#include <cmath>

namespace scenario {

std::string childPath(const std::string& path, std::string_view key)
{
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string itemPath(const std::string& path, std::size_t index) { return path + "[" + std::to_string(index) + "]"; }

void refuse(const std::string& path, std::string message) { throw ValidationError{path, std::move(message)}; }

double readNumber(const nlohmann::json& value, const std::string& path)
{
    if (!value.is_number()) refuse(path, "expected a number");
    const double number = value.get<double>();
    if (!std::isfinite(number)) refuse(path, "expected a finite number");
    return number;
}

long long readInteger(const nlohmann::json& value, const std::string& path, long long min, long long max)
{
    if (!value.is_number_integer()) refuse(path, "expected an integer");
    // Unsigned values beyond the signed range are out of every range asked for here.
    if (value.is_number_unsigned() && value.get<unsigned long long>() > static_cast<unsigned long long>(max))
        refuse(path, "must be between " + std::to_string(min) + " and " + std::to_string(max));
    const long long number = value.get<long long>();
    if (number < min || number > max)
        refuse(path, "must be between " + std::to_string(min) + " and " + std::to_string(max));
    return number;
}

bool readBool(const nlohmann::json& value, const std::string& path)
{
    if (!value.is_boolean()) refuse(path, "expected true or false");
    return value.get<bool>();
}

std::string readString(const nlohmann::json& value, const std::string& path)
{
    if (!value.is_string()) refuse(path, "expected a string");
    return value.get<std::string>();
}

const nlohmann::json& readList(const nlohmann::json& value, const std::string& path)
{
    if (!value.is_array()) refuse(path, "expected a list");
    return value;
}

std::vector<std::string> readStrings(const nlohmann::json& value, const std::string& path)
{
    std::vector<std::string> strings;
    const auto& list = readList(value, path);
    for (std::size_t i = 0; i < list.size(); ++i) strings.push_back(readString(list[i], itemPath(path, i)));
    return strings;
}

namespace {

std::vector<double> readNumbers(const nlohmann::json& value, const std::string& path, std::size_t count)
{
    const bool fits = value.is_array() && value.size() == count &&
                      std::all_of(value.begin(), value.end(), [](const auto& n) { return n.is_number(); });
    if (!fits) refuse(path, "expected " + std::to_string(count) + " numbers");
    std::vector<double> numbers;
    for (std::size_t i = 0; i < count; ++i) numbers.push_back(readNumber(value[i], itemPath(path, i)));
    return numbers;
}

}  // namespace

core::Point readPoint(const nlohmann::json& value, const std::string& path)
{
    const auto n = readNumbers(value, path, 2);
    return {n[0], n[1]};
}

core::Size readSize(const nlohmann::json& value, const std::string& path)
{
    const auto n = readNumbers(value, path, 2);
    return {n[0], n[1]};
}

core::Rect readFrame(const nlohmann::json& value, const std::string& path)
{
    const auto n = readNumbers(value, path, 4);
    return {n[0], n[1], n[2], n[3]};
}

double inRange(double value, const std::string& path, double min, double max)
{
    if (!(value >= min && value <= max))
        refuse(path, "must be between " + core::numberText(min) + " and " + core::numberText(max));
    return value;
}

Fields::Fields(const nlohmann::json& value, std::string path, const std::vector<std::string_view>& allowed)
    : object_(value), path_(std::move(path))
{
    if (!value.is_object()) refuse(path_, "expected an object");
    for (const auto& [key, item] : value.items())
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
            refuse(childPath(path_, key), "unknown key");
}

const nlohmann::json* Fields::find(std::string_view key) const
{
    const auto it = object_.find(std::string(key));
    return it == object_.end() ? nullptr : &*it;
}

const nlohmann::json& Fields::require(std::string_view key) const
{
    const auto* value = find(key);
    if (!value) refuse(path(key), "required");
    return *value;
}

}  // namespace scenario
