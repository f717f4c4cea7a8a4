#include "platform/x11/X11Text.h"

#include <QString>
#include <QStringDecoder>

namespace x11 {
namespace {

constexpr char escape = '\x1b';
const std::string replacement = "\xef\xbf\xbd";

std::string latin1(unsigned char byte) { return QString(QChar(byte)).toStdString(); }

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
    // Which character set each half of the byte range holds now, as escape sequences
    // designate them (ECMA-35); the defaults are ASCII and the right half of Latin-1.
    bool leftKnown = true, rightKnown = true, inUtf8 = false;
    bool complete = true;
    std::string out, utf8Run;
    bool lastWasUnknown = false;
    const auto unknown = [&] {
        complete = false;
        if (!lastWasUnknown) out += replacement;
        lastWasUnknown = true;
    };
    for (std::size_t i = 0; i < bytes.size();) {
        if (bytes[i] == escape) {
            std::size_t end = i + 1;
            std::string intermediates;
            while (end < bytes.size() && bytes[end] >= 0x20 && bytes[end] <= 0x2f) intermediates += bytes[end++];
            const char final = end < bytes.size() ? bytes[end] : '\0';
            i = end + 1;
            if (inUtf8) {
                bool valid = true;
                out += repairedUtf8(utf8Run, &valid);
                complete = complete && valid;
                utf8Run.clear();
            }
            inUtf8 = intermediates == "%" && final == 'G';
            if (inUtf8 || intermediates == "%") continue;
            lastWasUnknown = false;
            if (intermediates == "(")
                leftKnown = final == 'B';
            else if (intermediates == "-")
                rightKnown = final == 'A';
            else if (!intermediates.empty() && (intermediates.back() == '(' || intermediates == "$"))
                leftKnown = false;
            else
                rightKnown = false;
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes[i++]);
        if (inUtf8) {
            utf8Run += static_cast<char>(byte);
        } else if (byte < 0x80 ? (leftKnown || byte < 0x21) : (rightKnown && byte >= 0xa0)) {
            out += latin1(byte);
            lastWasUnknown = false;
        } else {
            unknown();
        }
    }
    if (inUtf8) {
        bool valid = true;
        out += repairedUtf8(utf8Run, &valid);
        complete = complete && valid;
    }
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
