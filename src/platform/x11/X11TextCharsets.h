#pragma once

#include <iconv.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

// The character sets compound text designates, read through the C library's iconv: Qt
// reads sets such as JIS X 0208 or ISO 8859-5 only with ICU's codecs, which it lacks here.
namespace x11::charsets {

struct Charset {
    const char* converter = nullptr;  // iconv's name; none for a set we cannot read
    int width = 1;                    // bytes per character in the text; 0 where it varies
    const char* lead = "";            // what the converter's encoding puts before each character
    bool high = false;                // whether that encoding holds the characters with the high bit set
};

inline constexpr Charset ascii{"ASCII", 1, "", false};
inline constexpr Charset latin1Right{"ISO-8859-1", 1, "", true};
inline constexpr Charset utf8{"UTF-8", 0, "", false};

// What an escape sequence designates (ECMA-35): a set for the left half (GL) or the right
// half (GR); none when the sequence designates nothing.
struct Designation {
    bool right = false;
    Charset charset;
};
std::optional<Designation> designation(std::string_view intermediates, char final);

// The set an extended segment names ("big5-0", "KOI8-R", "utf-8"), whose characters take
// `width` bytes.
Charset namedCharset(std::string_view name, int width);

// Converts runs of text to UTF-8, opening a converter once per set.
class Converter {
public:
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter();

    // The run, in the set's converter encoding, as UTF-8; a character it cannot read
    // becomes U+FFFD and clears `lossless`.
    std::string toUtf8(const Charset& charset, std::string_view bytes, bool& lossless);

private:
    iconv_t handle(const char* name);

    std::map<std::string, iconv_t> handles_;
};

}  // namespace x11::charsets
