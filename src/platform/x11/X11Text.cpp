#include "platform/x11/X11Text.h"

#include "platform/x11/X11TextCharsets.h"

#include <QString>

#include <algorithm>
#include <string_view>

namespace x11 {
namespace {

namespace cs = charsets;

constexpr char escape = '\x1b';
constexpr unsigned char controlSequenceIntroducer = 0x9b;
const std::string replacement = "\xef\xbf\xbd";

// A STRING holds Latin-1's graphic characters, tab and newline.
bool inLatin1String(QChar c)
{
    const char16_t code = c.unicode();
    return code == '\t' || code == '\n' || (code >= 0x20 && code < 0x7f) || (code >= 0xa0 && code <= 0xff);
}

// The UTF-8 sequence at `at` by Unicode's table of well-formed ones (no overlong forms,
// surrogates, code points past U+10FFFF or leads of five and six bytes): its length when
// it is well formed, else the length of its broken start, which one U+FFFD replaces.
struct Utf8Sequence {
    std::size_t length = 1;
    bool wellFormed = true;
};

Utf8Sequence utf8SequenceAt(std::string_view bytes, std::size_t at)
{
    const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byteAt(at);
    if (lead < 0x80) return {};
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf;  // the second byte's range
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return {1, false};
    }
    std::size_t taken = 1;
    for (; taken < length && at + taken < bytes.size(); ++taken) {
        const unsigned char next = byteAt(at + taken);
        if (next < (taken == 1 ? low : 0x80) || next > (taken == 1 ? high : 0xbf)) break;
    }
    return {taken, taken == length};
}

// Reads compound text left to right. Escape sequences designate the sets of each half
// (ECMA-35); the defaults are ASCII and the right half of Latin-1. A run of one set goes
// to its converter whole.
class CompoundTextReader {
public:
    explicit CompoundTextReader(std::string_view bytes) : bytes_(bytes) {}

    std::string read(bool& lossless)
    {
        for (std::size_t at = 0; at < bytes_.size();) at = readAt(at);
        endRun();
        // Whatever a converter made of it, the text is valid UTF-8.
        bool valid = true;
        std::string text = repairedUtf8(out_, &valid);
        lossless = complete_ && valid;
        return text;
    }

private:
    unsigned char byteAt(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }

    std::size_t readAt(std::size_t at)
    {
        const unsigned char byte = byteAt(at);
        if (byte == escape) return escapeSequence(at);
        if (byte == controlSequenceIntroducer) return controlSequence(at);
        if (byte < 0x21 || byte == 0x7f) {
            endRun();
            out_ += static_cast<char>(byte);
            return at + 1;
        }
        if (byte >= 0x80 && byte < 0xa0) {
            unreadable();
            return at + 1;
        }
        return character(at);
    }

    // ESC, intermediate bytes, a final byte. Answers where reading goes on.
    std::size_t escapeSequence(std::size_t at)
    {
        endRun();
        std::size_t end = at + 1;
        while (end < bytes_.size() && byteAt(end) >= 0x20 && byteAt(end) <= 0x2f) ++end;
        if (end == bytes_.size() || byteAt(end) < 0x30 || byteAt(end) > 0x7e) {
            // Cut off, or no final byte: what follows is read as it stands.
            complete_ = false;
            return end;
        }
        const std::string_view intermediates = bytes_.substr(at + 1, end - at - 1);
        const char final = bytes_[end];
        if (const auto designated = cs::designation(intermediates, final)) {
            (designated->right ? right_ : left_) = designated->charset;
        } else if (intermediates == "%" && final == 'G') {
            return utf8Segment(end + 1);
        } else if (intermediates == "%/" && final >= '0' && final <= '4') {
            return extendedSegment(end + 1, final - '0');
        } else if (!(intermediates == "%" && final == '@')) {
            complete_ = false;
        }
        return end + 1;
    }

    // UTF-8 up to the next escape sequence (ESC % @ ends it).
    std::size_t utf8Segment(std::size_t at)
    {
        const std::size_t end = std::min(bytes_.find(escape, at), bytes_.size());
        out_ += converter_.toUtf8(cs::utf8, bytes_.substr(at, end - at), complete_);
        return end;
    }

    // Two length bytes, then the set's name, STX and its text of `width`-byte characters.
    std::size_t extendedSegment(std::size_t at, int width)
    {
        if (at + 2 > bytes_.size() || byteAt(at) < 0x80 || byteAt(at + 1) < 0x80) {
            complete_ = false;
            return at;
        }
        const std::size_t length = ((std::size_t{byteAt(at)} & 0x7f) << 7) | (byteAt(at + 1) & 0x7f);
        const std::string_view segment = bytes_.substr(at + 2, length);
        complete_ = complete_ && segment.size() == length;
        if (const std::size_t stx = segment.find('\x02'); stx == std::string_view::npos)
            unreadable();
        else
            out_ +=
                converter_.toUtf8(cs::namedCharset(segment.substr(0, stx), width), segment.substr(stx + 1), complete_);
        return at + 2 + segment.size();
    }

    // Only the text's direction: it changes no character.
    std::size_t controlSequence(std::size_t at)
    {
        endRun();
        ++at;
        while (at < bytes_.size() && byteAt(at) >= 0x20 && byteAt(at) <= 0x3f) ++at;
        if (at < bytes_.size() && byteAt(at) >= 0x40 && byteAt(at) <= 0x7e) ++at;
        return at;
    }

    // One character of the half's set: as many bytes of that half as the set takes.
    std::size_t character(std::size_t at)
    {
        const bool inRight = byteAt(at) >= 0x80;
        const cs::Charset& set = inRight ? right_ : left_;
        const auto sameHalf = [&](std::size_t k) {
            const unsigned char next = byteAt(k);
            return inRight ? next >= 0xa0 : next >= 0x21 && next < 0x7f;
        };
        const std::size_t width = static_cast<std::size_t>(set.width);
        std::size_t taken = 1;
        while (taken < width && at + taken < bytes_.size() && sameHalf(at + taken)) ++taken;
        if (taken < width) {
            unreadable();
            return at + taken;
        }
        if (runSet_ != &set) {
            endRun();
            runSet_ = &set;
        }
        run_ += set.lead;
        for (std::size_t k = 0; k < width; ++k)
            run_ += static_cast<char>(set.high ? byteAt(at + k) | 0x80 : byteAt(at + k) & 0x7f);
        return at + width;
    }

    void endRun()
    {
        if (runSet_) out_ += converter_.toUtf8(*runSet_, run_, complete_);
        runSet_ = nullptr;
        run_.clear();
    }

    void unreadable()
    {
        endRun();
        out_ += replacement;
        complete_ = false;
    }

    std::string_view bytes_;
    cs::Converter converter_;
    cs::Charset left_ = cs::ascii, right_ = cs::latin1Right;
    const cs::Charset* runSet_ = nullptr;
    std::string run_;
    std::string out_;
    bool complete_ = true;
};

}  // namespace

std::string repairedUtf8(const std::string& bytes, bool* wasValid)
{
    std::string text;
    bool valid = true;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto sequence = utf8SequenceAt(bytes, at);
        if (sequence.wellFormed)
            text.append(bytes, at, sequence.length);
        else
            text += replacement;
        valid = valid && sequence.wellFormed;
        at += sequence.length;
    }
    if (wasValid) *wasValid = valid;
    return text;
}

std::string compoundTextToUtf8(const std::string& bytes, bool* lossless)
{
    bool complete = true;
    std::string text = CompoundTextReader(bytes).read(complete);
    if (lossless) *lossless = complete;
    return text;
}

IcccmText icccmText(const std::string& utf8)
{
    IcccmText text;
    QString other;
    const auto endOther = [&] {
        if (other.isEmpty()) return;
        text.bytes += "\x1b%G" + other.toStdString() + "\x1b%@";
        other.clear();
    };
    for (const QChar c : QString::fromStdString(utf8)) {
        if (inLatin1String(c)) {
            endOther();
            text.bytes += static_cast<char>(c.unicode());
        } else {
            text.compound = true;
            other += c;
        }
    }
    endOther();
    return text;
}

}  // namespace x11
