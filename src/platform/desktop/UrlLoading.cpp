#include "platform/desktop/UrlLoading.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace desktop {
namespace {

constexpr std::array<std::pair<std::string_view, UrlLoadError>, 10> errorNames{{
    {"timedOut", UrlLoadError::timedOut},
    {"hostNotFound", UrlLoadError::hostNotFound},
    {"refused", UrlLoadError::refused},
    {"connectionLost", UrlLoadError::connectionLost},
    {"tlsFailed", UrlLoadError::tlsFailed},
    {"certificateUntrusted", UrlLoadError::certificateUntrusted},
    {"tooManyRedirects", UrlLoadError::tooManyRedirects},
    {"insecureRedirect", UrlLoadError::insecureRedirect},
    {"cancelled", UrlLoadError::cancelled},
    {"other", UrlLoadError::other},
}};

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

std::string_view urlLoadErrorName(UrlLoadError error)
{
    for (const auto& [name, value] : errorNames)
        if (value == error) return name;
    return "other";
}

std::optional<UrlLoadError> urlLoadErrorNamed(std::string_view name)
{
    for (const auto& [known, value] : errorNames)
        if (known == name) return value;
    return std::nullopt;
}

std::optional<std::string> UrlResponseHead::header(std::string_view name) const
{
    for (const auto& [key, value] : headers)
        if (equalIgnoringCase(key, name)) return value;
    return std::nullopt;
}

}  // namespace desktop
