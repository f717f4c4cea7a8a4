#include "update/CrashExcerpt.h"

#include <array>

namespace CrashExcerpt {

namespace {

// Byte classes matching the C locale, the same for every input.
struct ByteClasses {
    std::array<bool, 256> hex{};
    std::array<bool, 256> word{};
    std::array<bool, 256> space{};

    constexpr ByteClasses()
    {
        for (int c = 0; c < 256; ++c) {
            const bool digit = c >= '0' && c <= '9';
            const bool lower = c >= 'a' && c <= 'z';
            const bool upper = c >= 'A' && c <= 'Z';
            hex[c] = digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            word[c] = digit || lower || upper || c == '_';
            space[c] = c == ' ' || (c >= '\t' && c <= '\r');
        }
    }
};
constexpr ByteClasses classes;

bool isHex(char c) { return classes.hex[static_cast<unsigned char>(c)]; }
bool isWord(char c) { return classes.word[static_cast<unsigned char>(c)]; }
bool isSpace(char c) { return classes.space[static_cast<unsigned char>(c)]; }

bool hexRun(std::string_view text, std::size_t at, std::size_t length)
{
    for (std::size_t i = at; i < at + length; ++i) {
        if (!isHex(text[i])) return false;
    }
    return true;
}

// 8-4-4-4-12 hexadecimal digits.
bool uuidAt(std::string_view text, std::size_t at)
{
    constexpr std::size_t length = 36;
    if (text.size() - at < length) return false;
    if (text[at + 8] != '-' || text[at + 13] != '-' || text[at + 18] != '-' || text[at + 23] != '-') return false;
    return hexRun(text, at, 8) && hexRun(text, at + 9, 4) && hexRun(text, at + 14, 4) && hexRun(text, at + 19, 4) &&
           hexRun(text, at + 24, 12);
}

std::string replaceUuids(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (isHex(text[i]) && uuidAt(text, i)) {
            out += "[uuid]";
            i += 36;
        } else {
            out += text[i++];
        }
    }
    return out;
}

constexpr std::string_view identifyingKeys[] = {"incident",      "crashReporterKey", "deviceIdentifierForVendor",
                                                "anonymousUUID", "serialNumber",     "provisioningUDID",
                                                "hw.model"};

// At an opening quote: the length of `"key"\s*:\s*"` for a listed key, else 0.
std::size_t keyPrefixAt(std::string_view text, std::size_t at)
{
    for (std::string_view key : identifyingKeys) {
        std::size_t i = at + 1;
        if (text.substr(i, key.size()) != key) continue;
        i += key.size();
        if (i >= text.size() || text[i] != '"') continue;
        ++i;
        while (i < text.size() && isSpace(text[i])) ++i;
        if (i >= text.size() || text[i] != ':') continue;
        ++i;
        while (i < text.size() && isSpace(text[i])) ++i;
        if (i >= text.size() || text[i] != '"') continue;
        return i + 1 - at;
    }
    return 0;
}

std::string replaceKeyValues(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t quote = text.find('"', i);
        if (quote == std::string_view::npos) break;
        out.append(text, i, quote - i);
        const std::size_t prefix = keyPrefixAt(text, quote);
        const std::size_t valueEnd = prefix ? text.find('"', quote + prefix) : std::string_view::npos;
        if (valueEnd == std::string_view::npos) {
            out += '"';
            i = quote + 1;
            continue;
        }
        out.append(text, quote, prefix);
        out += "[redacted]\"";
        i = valueEnd + 1;
    }
    out.append(text.substr(std::min(i, text.size())));
    return out;
}

std::string replaceLongHexRuns(std::string_view text)
{
    constexpr std::size_t shortestRun = 40;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isHex(text[i])) {
            out += text[i++];
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isHex(text[end])) ++end;
        const bool standsAlone = (i == 0 || !isWord(text[i - 1])) && (end == text.size() || !isWord(text[end]));
        if (standsAlone && end - i >= shortestRun)
            out += "[hex]";
        else
            out.append(text, i, end - i);
        i = end;
    }
    return out;
}

bool continuesName(char c) { return isWord(c) || c == '-'; }

}  // namespace

std::string redact(std::string_view text) { return replaceLongHexRuns(replaceKeyValues(replaceUuids(text))); }

std::string hideHome(std::string_view text, std::string_view home)
{
    while (home.size() > 1 && home.back() == '/') home.remove_suffix(1);
    if (home.empty() || home.front() != '/' || home == "/") return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (std::size_t found = text.find(home); found != std::string_view::npos; found = text.find(home, found + 1)) {
        if (found < i) continue;
        const std::size_t end = found + home.size();
        // "/home/ann" is not in "/home/anna".
        if (end < text.size() && continuesName(text[end])) continue;
        out.append(text, i, found - i);
        out += '~';
        i = end;
    }
    out.append(text.substr(i));
    return out;
}

std::string_view leadingCodePoints(std::string_view text, std::size_t count)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsCodePoint = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCodePoint && count-- == 0) return text.substr(0, i);
    }
    return text;
}

std::string excerpt(std::string_view report, std::string_view home)
{
    const std::string hidden = hideHome(redact(leadingCodePoints(report, readLimit)), home);
    return std::string(leadingCodePoints(hidden, sentLimit));
}

}  // namespace CrashExcerpt
