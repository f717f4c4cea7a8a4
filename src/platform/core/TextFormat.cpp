#include "platform/core/TextFormat.h"

#include "platform/core/Geometry.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace core {
namespace {

// printf's "%.Nf" as the C locale writes it, whatever locale the process runs in.
std::string fixedText(double value, int decimals)
{
    char buffer[400];  // the widest double in fixed notation, with its sign and decimals
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatArg::asObject() const
{
    if (const auto* s = std::get_if<std::string>(&value_)) return *s;
    if (const auto* i = std::get_if<long long>(&value_)) return std::to_string(*i);
    return numberText(std::get<double>(value_));
}

long long FormatArg::asInteger() const
{
    if (const auto* i = std::get_if<long long>(&value_)) return *i;
    if (const auto* d = std::get_if<double>(&value_)) {
        // Out of range has no integer value; converting it would be undefined.
        if (!(std::abs(*d) < 9.2e18)) return 0;
        return static_cast<long long>(*d);
    }
    try {
        return std::stoll(std::get<std::string>(value_));
    } catch (...) {
        return 0;
    }
}

double FormatArg::asDouble() const
{
    if (const auto* d = std::get_if<double>(&value_)) return *d;
    if (const auto* i = std::get_if<long long>(&value_)) return static_cast<double>(*i);
    try {
        return std::stod(std::get<std::string>(value_));
    } catch (...) {
        return 0;
    }
}

std::string formatText(const std::string& format, std::initializer_list<FormatArg> args)
{
    const std::vector<FormatArg> list(args);
    std::size_t next = 0;
    std::string out;
    out.reserve(format.size() + 16);

    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        const std::string rest = format.substr(i + 1, 3);
        if (rest.starts_with("%")) {
            out += '%';
            i += 1;
        } else if (rest.starts_with("@") || rest.starts_with("d")) {
            if (next < list.size()) {
                out += rest[0] == '@' ? list[next].asObject() : std::to_string(list[next].asInteger());
                ++next;
            } else {
                out += '%';
                out += rest[0];
            }
            i += 1;
        } else if (rest == ".0f" || rest == ".1f") {
            if (next < list.size()) {
                out += fixedText(list[next].asDouble(), rest[1] - '0');
                ++next;
            } else {
                out += '%' + rest;
            }
            i += 3;
        } else {
            out += '%';
        }
    }
    return out;
}

}  // namespace core
