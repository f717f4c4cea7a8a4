#include "update/ManifestDecoding.h"

#include "platform/core/ByteText.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace {

using nlohmann::json;

// A value of the wrong type anywhere, or a version too long, fails the whole manifest.
struct Unusable {};

// A version is a short label for rows and file names; a longer one is no release of ours.
constexpr std::size_t versionLimit = 64;

// Integral and within 64 bits, however the number is written: 120.0 is 120, while 120.5,
// 1e30 and true are not integers.
std::int64_t integerOf(const json& value)
{
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) throw Unusable{};
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        // 2^63 is exact as a double; every integral double below it fits.
        constexpr double limit = 9223372036854775808.0;
        if (std::isfinite(number) && std::trunc(number) == number && number >= -limit && number < limit)
            return static_cast<std::int64_t>(number);
    }
    throw Unusable{};
}

std::string textOf(const json& value)
{
    if (!value.is_string()) throw Unusable{};
    return value.get<std::string>();
}

std::string versionOf(const json& value)
{
    std::string text = textOf(value);
    if (core::codePointCount(text) > versionLimit) throw Unusable{};
    return text;
}

bool boolOf(const json& value)
{
    if (!value.is_boolean()) throw Unusable{};
    return value.get<bool>();
}

const json* present(const json& object, const char* key)
{
    const auto it = object.find(key);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

template <class Read>
auto required(const json& object, const char* key, Read read)
{
    const json* value = present(object, key);
    if (!value) throw Unusable{};
    return read(*value);
}

template <class Read>
auto optional(const json& object, const char* key, Read read) -> std::optional<decltype(read(object))>
{
    const json* value = present(object, key);
    if (!value) return std::nullopt;
    return read(*value);
}

}  // namespace

std::optional<UpdateManifest> decodeManifest(std::string_view body)
{
    const json document = json::parse(body, nullptr, false);
    if (!document.is_object()) return std::nullopt;
    try {
        UpdateManifest manifest;
        manifest.shortVersion = required(document, "shortVersion", versionOf);
        manifest.build = required(document, "build", integerOf);
        manifest.url = required(document, "url", textOf);
        manifest.notes = optional(document, "notes", textOf);
        manifest.notesURL = optional(document, "notesURL", textOf);
        manifest.critical = optional(document, "critical", boolOf);
        manifest.minBuild = optional(document, "minBuild", integerOf);
        manifest.minSystemVersion = optional(document, "minSystemVersion", textOf);
        manifest.rolloutPercent = optional(document, "rolloutPercent", integerOf);
        manifest.rolloutSalt = optional(document, "rolloutSalt", textOf);
        manifest.sha256 = optional(document, "sha256", textOf);
        return manifest;
    } catch (const Unusable&) {
        return std::nullopt;
    }
}
