#include "platform/x11/X11Text.h"

#include "platform/x11/X11TextCharsets.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>

namespace x11 {
namespace {

constexpr char escape = '\x1b';
constexpr unsigned char controlSequenceIntroducer = 0x9b;
const std::string replacement = "\xef\xbf\xbd";

// A STRING holds Latin-1's graphic characters, tab and newline.
bool inLatin1String(QChar c)
{
    const char16_t code = c.unicode();
    return code == '\t' || code == '\n' || (code >= 0x20 && code < 0x7f) || (code >= 0xa0 && code <= 0xff);
}

}  // namespace

std::string repairedUtf8(const std::string& bytes, bool* wasValid)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (wasValid) *wasValid = !decoder.hasError();
    return decoder.hasError() ? text.toStdString() : bytes;
}

std::string compoundTextToUtf8(const std::string& bytes, bool* lossless)
{
    namespace cs = charsets;
    cs::Converter converter;
    bool complete = true;
    std::string out;
    // The sets escape sequences designated to each half (ECMA-35); the defaults are ASCII
    // and the right half of Latin-1. A run of one set goes to its converter whole.
    cs::Charset left = cs::ascii, right = cs::latin1Right;
    const cs::Charset* runSet = nullptr;
    std::string run;
    const auto endRun = [&] {
        if (runSet) out += converter.toUtf8(*runSet, run, complete);
        runSet = nullptr;
        run.clear();
    };
    const auto unreadable = [&] {
        endRun();
        out += replacement;
        complete = false;
    };
    const std::size_t size = bytes.size();
    const auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    for (std::size_t i = 0; i < size;) {
        const unsigned char byte = byteAt(i);
        if (byte == escape) {
            endRun();
            std::size_t end = i + 1;
            while (end < size && byteAt(end) >= 0x20 && byteAt(end) <= 0x2f) ++end;
            const std::string_view intermediates(bytes.data() + i + 1, end - i - 1);
            if (end == size || byteAt(end) < 0x30 || byteAt(end) > 0x7e) {
                // Cut off, or no final byte: what follows is read as it stands.
                complete = false;
                i = end;
                continue;
            }
            const char final = bytes[end];
            i = end + 1;
            if (const auto designated = cs::designation(intermediates, final)) {
                (designated->right ? right : left) = designated->charset;
            } else if (intermediates == "%" && final == 'G') {
                // UTF-8 up to the next escape sequence (ESC % @ ends it).
                const std::size_t next = std::min(bytes.find(escape, i), size);
                out += converter.toUtf8(cs::utf8, std::string_view(bytes).substr(i, next - i), complete);
                i = next;
            } else if (intermediates == "%/" && final >= '0' && final <= '4') {
                // An extended segment: two length bytes, then the set's name, STX and its text.
                if (i + 2 > size || byteAt(i) < 0x80 || byteAt(i + 1) < 0x80) {
                    complete = false;
                    continue;
                }
                const std::size_t length = ((std::size_t{byteAt(i)} & 0x7f) << 7) | (byteAt(i + 1) & 0x7f);
                const std::string_view segment = std::string_view(bytes).substr(i + 2, length);
                complete = complete && segment.size() == length;
                i += 2 + segment.size();
                const std::size_t stx = segment.find('\x02');
                if (stx == std::string_view::npos) {
                    unreadable();
                    continue;
                }
                out += converter.toUtf8(cs::namedCharset(segment.substr(0, stx), final - '0'), segment.substr(stx + 1),
                                        complete);
            } else if (!(intermediates == "%" && final == '@')) {
                complete = false;
            }
            continue;
        }
        if (byte == controlSequenceIntroducer) {
            // Only the text's direction: it changes no character.
            endRun();
            ++i;
            while (i < size && byteAt(i) >= 0x20 && byteAt(i) <= 0x3f) ++i;
            if (i < size && byteAt(i) >= 0x40 && byteAt(i) <= 0x7e) ++i;
            continue;
        }
        if (byte < 0x21 || byte == 0x7f) {
            endRun();
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        if (byte >= 0x80 && byte < 0xa0) {
            unreadable();
            ++i;
            continue;
        }
        // One character of the half's set: as many bytes of that half as the set takes.
        const bool inRight = byte >= 0x80;
        const cs::Charset& set = inRight ? right : left;
        const auto sameHalf = [&](std::size_t at) {
            const unsigned char next = byteAt(at);
            return inRight ? next >= 0xa0 : next >= 0x21 && next < 0x7f;
        };
        const std::size_t width = static_cast<std::size_t>(set.width);
        std::size_t taken = 1;
        while (taken < width && i + taken < size && sameHalf(i + taken)) ++taken;
        if (taken < width) {
            unreadable();
            i += taken;
            continue;
        }
        if (runSet != &set) {
            endRun();
            runSet = &set;
        }
        run += set.lead;
        for (std::size_t k = 0; k < width; ++k)
            run += static_cast<char>(set.high ? byteAt(i + k) | 0x80 : byteAt(i + k) & 0x7f);
        i += width;
    }
    endRun();
    if (lossless) *lossless = complete;
    return out;
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
