#include "update/ShortenedText.h"

#include "platform/core/ByteText.h"
#include "update/CrashExcerpt.h"

namespace ShortenedText {

std::string forLog(std::string_view text)
{
    if (core::codePointCount(text) <= logLimit) return std::string(text);
    return std::string(CrashExcerpt::leadingCodePoints(text, logLimit)) + "…（共 " + std::to_string(text.size()) +
           " 字节）";
}

std::string forRow(std::string_view text)
{
    const std::size_t count = core::codePointCount(text);
    if (count <= rowLimit) return std::string(text);
    const std::size_t head = rowLimit / 2;
    const std::size_t tail = rowLimit - head - 1;
    const std::size_t tailStart = CrashExcerpt::leadingCodePoints(text, count - tail).size();
    return std::string(CrashExcerpt::leadingCodePoints(text, head)) + "…" + std::string(text.substr(tailStart));
}

}  // namespace ShortenedText
