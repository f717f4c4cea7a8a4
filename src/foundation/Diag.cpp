#include "foundation/Diag.h"

#include "platform/core/OwnFolder.h"
#include "platform/core/Paths.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Scheduler.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace Diag {
namespace {

constexpr long long rotationSize = 4 * 1024 * 1024;
constexpr int callsPerSizeCheck = 256;
constexpr const char* fileName = "diag.log";
constexpr const char* olderFileName = "diag.1.log";

struct Log {
    std::mutex lock;
    std::optional<std::string> path;
    // Reached without links; a link in its place leaves the log unwritten.
    core::OwnFolder folder;
    bool resolved = false;
    int handle = -1;
    int writesSinceSizeCheck = 0;

    const std::optional<std::string>& fileURL()
    {
        if (!resolved) {
            resolved = true;
            path.reset();
            folder = {};
            if (const auto base = core::paths::dataHome()) {
                folder = core::OwnFolder::open(*base, "Glimra", core::OwnFolder::Missing::create);
                // Window titles end up in the log: it is the user's alone.
                folder.tighten();
                path = *base + "/Glimra/" + fileName;
            }
        }
        return path;
    }

    void dropHandle()
    {
        if (handle >= 0) ::close(handle);
        handle = -1;
    }

    // O_APPEND puts every write at the current end of the file, the seek-to-end the log
    // needs, without a separate call. A FIFO in its place is not waited on (the first line
    // comes before the signal handlers exist), and one linked from elsewhere is replaced.
    bool openHandle()
    {
        if (handle >= 0) return true;
        handle = folder.openForAppending(fileName);
        return handle >= 0;
    }

    bool writeAll(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(handle, bytes.data() + done, bytes.size() - done);
            if (n < 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    void rotateIfNeeded()
    {
        if (++writesSinceSizeCheck < callsPerSizeCheck) return;
        writesSinceSizeCheck = 0;
        const auto info = folder.status(fileName);
        if (!info || !S_ISREG(info->st_mode) || info->st_size <= rotationSize) return;
        if (const auto older = folder.status(olderFileName); older && S_ISLNK(older->st_mode)) {
            core::reportOwnPathLink(folder.path() + "/" + olderFileName);
            return;
        }
        dropHandle();
        folder.remove(olderFileName);
        folder.rename(fileName, olderFileName);
    }

    void append(const std::string& line)
    {
        std::lock_guard guard(lock);
        if (!fileURL()) return;
        rotateIfNeeded();
        if (openHandle() && writeAll(line)) return;
        // Never start the log afresh: reopen (recreating a deleted file) and try once more,
        // else drop this line.
        dropHandle();
        if (openHandle() && writeAll(line)) return;
        dropHandle();
    }
};

Log& theLog()
{
    static Log log;
    return log;
}

// "HH:mm:ss " of the current local time. Formatting is the costly part of a line, so each
// thread keeps the stamp of the last second it saw (for the scheduler it saw it under).
std::string_view timeStamp()
{
    thread_local std::uint64_t generation = 0;
    thread_local long long second = LLONG_MIN;
    thread_local char stamp[9];
    const std::uint64_t currentGeneration = dispatch::schedulerGeneration();
    const auto currentSecond = static_cast<long long>(std::floor(dispatch::wallClock()));
    if (currentGeneration != generation || currentSecond != second) {
        const std::tm time = dispatch::localTime();
        const int fields[] = {time.tm_hour, time.tm_min, time.tm_sec};
        for (int i = 0; i < 3; ++i) {
            stamp[3 * i] = static_cast<char>('0' + fields[i] / 10 % 10);
            stamp[3 * i + 1] = static_cast<char>('0' + fields[i] % 10);
            stamp[3 * i + 2] = i < 2 ? ':' : ' ';
        }
        generation = currentGeneration;
        second = currentSecond;
    }
    return {stamp, sizeof stamp};
}

// Whether a C0 control, DEL or the lead byte of a C1 control occurs, eight bytes at a
// time: almost every message has none, and this keeps its cost near that of the copy.
bool hasControlByte(std::string_view message)
{
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    const auto anyZero = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    std::size_t i = 0;
    for (; i + 8 <= message.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, message.data() + i, 8);
        if (((x - 0x20 * ones) & ~x & highs) | anyZero(x ^ (0x7F * ones)) | anyZero(x ^ (0xC2 * ones))) return true;
    }
    for (; i < message.size(); ++i) {
        const auto byte = static_cast<unsigned char>(message[i]);
        if (byte < 0x20 || byte == 0x7F || byte == 0xC2) return true;
    }
    return false;
}

// Three-byte characters that can break a line (U+2028, U+2029) or, as bidirectional
// controls (U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), reorder the rest of it.
// Each begins with this lead byte.
constexpr char threeByteLead = '\xE2';

// The code point of such a character at the start of rest; none for anything else.
std::optional<unsigned> hiddenFormatCharacter(std::string_view rest)
{
    if (rest.size() < 3 || rest[0] != threeByteLead) return std::nullopt;
    const auto second = static_cast<unsigned char>(rest[1]);
    const auto third = static_cast<unsigned char>(rest[2]);
    if ((second & 0xC0) != 0x80 || (third & 0xC0) != 0x80) return std::nullopt;
    const unsigned codePoint = 0x2000u | ((second & 0x3Fu) << 6) | (third & 0x3Fu);
    const bool hidden = codePoint == 0x200E || codePoint == 0x200F || (codePoint >= 0x2028 && codePoint <= 0x202E) ||
                        (codePoint >= 0x2066 && codePoint <= 0x2069);
    return hidden ? std::optional(codePoint) : std::nullopt;
}

bool needsEscaping(std::string_view message)
{
    if (hasControlByte(message)) return true;
    for (auto at = message.find(threeByteLead); at != std::string_view::npos; at = message.find(threeByteLead, at + 1))
        if (hiddenFormatCharacter(message.substr(at))) return true;
    return false;
}

// How many bytes at the start of rest make up a character that could break, hide or
// reorder a line: a C0 control, DEL, a C1 control, a line or paragraph separator or a
// bidirectional control; else 0.
std::size_t lineBreakingLength(std::string_view rest)
{
    const auto first = static_cast<unsigned char>(rest[0]);
    if (first < 0x20 || first == 0x7F) return 1;
    if (first == 0xC2 && rest.size() >= 2) {
        const auto second = static_cast<unsigned char>(rest[1]);
        return second >= 0x80 && second <= 0x9F ? 2 : 0;
    }
    return hiddenFormatCharacter(rest) ? 3 : 0;
}

void appendHex(std::string& line, unsigned value, int digits)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) line += hex[(value >> shift) & 0xF];
}

// A message may come from another application (a window title), so nothing in it may
// pass for a line of its own: a line feed continues the line indented by two blanks, and
// other control characters become visible escapes, \xNN for a byte and \uNNNN for a
// code point. Plain runs are copied in one piece.
void appendMessage(std::string& line, std::string_view message)
{
    if (!needsEscaping(message)) {
        line += message;
        return;
    }
    std::size_t plainStart = 0;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const std::size_t length = lineBreakingLength(message.substr(i));
        if (length == 0) continue;
        line.append(message, plainStart, i - plainStart);
        const auto first = static_cast<unsigned char>(message[i]);
        if (first == '\n') {
            line += "\n  ";
        } else if (length == 1) {
            line += "\\x";
            appendHex(line, first, 2);
        } else {
            const unsigned codePoint =
                length == 2 ? static_cast<unsigned char>(message[i + 1]) : *hiddenFormatCharacter(message.substr(i));
            line += "\\u";
            appendHex(line, codePoint, 4);
        }
        i += length - 1;
        plainStart = i + 1;
    }
    line.append(message, plainStart);
}

}  // namespace

void log(const std::string& message)
{
    // Each thread reuses its line buffer, so a line costs no allocation.
    thread_local std::string line;
    line.assign(timeStamp());
    appendMessage(line, message);
    line += '\n';
    theLog().append(line);
}

std::optional<std::string> fileURL()
{
    Log& log = theLog();
    std::lock_guard guard(log.lock);
    return log.fileURL();
}

void resetLocation()
{
    Log& log = theLog();
    std::lock_guard guard(log.lock);
    log.dropHandle();
    log.resolved = false;
    log.writesSinceSizeCheck = 0;
}

}  // namespace Diag
