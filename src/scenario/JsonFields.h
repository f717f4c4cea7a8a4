#pragma once

#include "platform/core/Geometry.h"

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Typed reading of JSON values that names the offending key path when a value does not
// fit ("steps[3].frame: expected 4 numbers").
namespace scenario {

// Thrown while a scenario is read; never leaves the scenario reader.
struct ValidationError {
    std::string path;  // empty for the file as a whole
    std::string message;

    std::string text() const { return path.empty() ? message : path + ": " + message; }
};

std::string childPath(const std::string& path, std::string_view key);
std::string itemPath(const std::string& path, std::size_t index);

[[noreturn]] void refuse(const std::string& path, std::string message);

double readNumber(const nlohmann::json& value, const std::string& path);
// An integer JSON number within [min, max]; 3.0 is not an integer.
long long readInteger(const nlohmann::json& value, const std::string& path, long long min, long long max);
bool readBool(const nlohmann::json& value, const std::string& path);
std::string readString(const nlohmann::json& value, const std::string& path);
const nlohmann::json& readList(const nlohmann::json& value, const std::string& path);
std::vector<std::string> readStrings(const nlohmann::json& value, const std::string& path);
core::Point readPoint(const nlohmann::json& value, const std::string& path);
core::Size readSize(const nlohmann::json& value, const std::string& path);
core::Rect readFrame(const nlohmann::json& value, const std::string& path);

// A number within [min, max].
double inRange(double value, const std::string& path, double min, double max);

// One of the named choices.
template <class T>
T readChoice(const nlohmann::json& value, const std::string& path,
             std::initializer_list<std::pair<std::string_view, T>> choices)
{
    const std::string text = readString(value, path);
    std::string names;
    for (const auto& [name, choice] : choices) {
        if (name == text) return choice;
        names += names.empty() ? "" : ", ";
        names += name;
    }
    refuse(path, "expected one of " + names);
}

// An object whose keys are checked against the allowed ones before anything is read.
class Fields {
public:
    Fields(const nlohmann::json& value, std::string path, const std::vector<std::string_view>& allowed);

    const std::string& path() const { return path_; }
    std::string path(std::string_view key) const { return childPath(path_, key); }
    // None when the key is absent.
    const nlohmann::json* find(std::string_view key) const;
    // Refuses an absent key.
    const nlohmann::json& require(std::string_view key) const;

private:
    const nlohmann::json& object_;
    std::string path_;
};

}  // namespace scenario
