#include "platform/x11/X11TextCharsets.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace x11::charsets {
namespace {

const std::string replacement = "\xef\xbf\xbd";
const auto failedHandle = reinterpret_cast<iconv_t>(-1);

struct Final {
    char final;
    Charset charset;
};

// The 94-character sets of one byte X clients write. JIS X 0201's katakana go through
// EUC-JP, which holds them behind a single shift.
constexpr std::array singleByteSets{
    Final{'B', ascii},
    Final{'J', {"ISO646-JP", 1, "", false}},
    Final{'I', {"EUC-JP", 1, "\x8e", true}},
};

// The right halves of ISO 8859 by their final byte.
constexpr std::array<std::pair<char, const char*>, 15> latinRightHalves{{
    {'A', "ISO-8859-1"},
    {'B', "ISO-8859-2"},
    {'C', "ISO-8859-3"},
    {'D', "ISO-8859-4"},
    {'L', "ISO-8859-5"},
    {'G', "ISO-8859-6"},
    {'F', "ISO-8859-7"},
    {'H', "ISO-8859-8"},
    {'M', "ISO-8859-9"},
    {'V', "ISO-8859-10"},
    {'T', "ISO-8859-11"},
    {'Y', "ISO-8859-13"},
    {'_', "ISO-8859-14"},
    {'b', "ISO-8859-15"},
    {'f', "ISO-8859-16"},
}};

// The 94×94 sets, each as its EUC encoding holds it.
constexpr std::array doubleByteSets{
    Final{'A', {"EUC-CN", 2, "", true}},      // GB 2312
    Final{'B', {"EUC-JP", 2, "", true}},      // JIS X 0208
    Final{'C', {"EUC-KR", 2, "", true}},      // KS C 5601
    Final{'D', {"EUC-JP", 2, "\x8f", true}},  // JIS X 0212
};

// Extended segments' names, as X's font registries spell them, that are not ISO 8859.
constexpr std::array<std::pair<const char*, const char*>, 8> segmentNames{{
    {"utf-8", "UTF-8"},
    {"big5-0", "BIG5"},
    {"big5hkscs-0", "BIG5-HKSCS"},
    {"gbk-0", "GBK"},
    {"gb18030-0", "GB18030"},
    {"koi8-r", "KOI8-R"},
    {"koi8-u", "KOI8-U"},
    {"tcvn-5712", "TCVN5712-1"},
}};

template <std::size_t n>
Charset byFinal(const std::array<Final, n>& sets, char final, int unknownWidth)
{
    for (const auto& set : sets)
        if (set.final == final) return set.charset;
    return {nullptr, unknownWidth};
}

std::string replacements(std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += replacement;
    return text;
}

}  // namespace

std::optional<Designation> designation(std::string_view intermediates, char final)
{
    if (intermediates == "(" || intermediates == ")")
        return Designation{intermediates == ")", byFinal(singleByteSets, final, 1)};
    if (intermediates == "-") {
        for (const auto& [setFinal, name] : latinRightHalves)
            if (setFinal == final) return Designation{true, {name, 1, "", true}};
        return Designation{true, {nullptr, 1}};
    }
    // ESC $ A, B and @ are the older form of ESC $ ( A, B and @.
    const bool olderForm = intermediates == "$" && (final == '@' || final == 'A' || final == 'B');
    if (intermediates == "$(" || intermediates == "$)" || olderForm)
        return Designation{intermediates == "$)", byFinal(doubleByteSets, final, 2)};
    return std::nullopt;
}

Charset namedCharset(std::string_view name, int width)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) -> char { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    for (const auto& [segmentName, converter] : segmentNames)
        if (lower == segmentName) return {converter, width};
    // The right halves named "iso8859-N", as before they had final bytes.
    static constexpr std::string_view latin = "iso8859-";
    if (lower.starts_with(latin)) {
        const std::string wanted = "ISO-8859-" + lower.substr(latin.size());
        for (const auto& [final, converter] : latinRightHalves)
            if (wanted == converter) return {converter, width};
    }
    return {nullptr, width};
}

Converter::~Converter()
{
    for (const auto& [name, handle] : handles_)
        if (handle != failedHandle) iconv_close(handle);
}

iconv_t Converter::handle(const char* name)
{
    const auto [at, added] = handles_.try_emplace(name, failedHandle);
    if (added) at->second = iconv_open("UTF-8", name);
    return at->second;
}

std::string Converter::toUtf8(const Charset& charset, std::string_view bytes, bool& lossless)
{
    if (bytes.empty()) return {};
    const std::size_t unit = charset.width > 0 ? std::strlen(charset.lead) + static_cast<std::size_t>(charset.width) : 1;
    const iconv_t converter = charset.converter ? handle(charset.converter) : failedHandle;
    if (converter == failedHandle) {
        lossless = false;
        return replacements(charset.width > 0 ? (bytes.size() + unit - 1) / unit : 1);
    }
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::array<char, 256> buffer;
    while (inLeft > 0) {
        char* next = buffer.data();
        std::size_t room = buffer.size();
        const std::size_t result = iconv(converter, &in, &inLeft, &next, &room);
        out.append(buffer.data(), static_cast<std::size_t>(next - buffer.data()));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // A character it cannot read (EILSEQ), or one cut off at the end (EINVAL).
        lossless = false;
        out += replacement;
        const std::size_t skip = errno == EINVAL ? inLeft : std::min(unit, inLeft);
        in += skip;
        inLeft -= skip;
    }
    return out;
}

}  // namespace x11::charsets
