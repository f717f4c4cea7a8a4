#pragma once

#include <initializer_list>
#include <string>
#include <variant>

namespace core {

// One argument of formatText: a text, an integer or a floating-point number.
class FormatArg {
public:
    FormatArg(const std::string& s) : value_(s) {}
    FormatArg(const char* s) : value_(std::string(s ? s : "")) {}
    FormatArg(int v) : value_(static_cast<long long>(v)) {}
    FormatArg(long v) : value_(static_cast<long long>(v)) {}
    FormatArg(long long v) : value_(v) {}
    FormatArg(unsigned v) : value_(static_cast<long long>(v)) {}
    FormatArg(unsigned long v) : value_(static_cast<long long>(v)) {}
    FormatArg(double v) : value_(v) {}

    std::string asObject() const;  // %@
    long long asInteger() const;   // %d
    double asDouble() const;       // %.0f, %.1f

private:
    std::variant<std::string, long long, double> value_;
};

// Fills the placeholders %@, %d, %.0f, %.1f and %% of a (possibly translated) format. The
// format is data, never handed to printf: a placeholder without an argument stays as
// written, surplus arguments are ignored, a mistyped argument is converted, and any
// other '%' sequence is copied unchanged.
std::string formatText(const std::string& format, std::initializer_list<FormatArg> args = {});

}  // namespace core
