#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

// Text made and written inside a signal handler: fixed buffers and write(2), nothing of the
// library that might allocate or lock.
namespace SignalSafeText {

// A buffer that text and numbers are appended to; it stops at its end. Kept small by its
// users: the handler runs on an alternate stack, perhaps a sanitizer's.
template <std::size_t capacity>
struct Text {
    char data[capacity];
    std::size_t length = 0;

    void append(const char* text)
    {
        while (*text && length < sizeof data - 1) data[length++] = *text++;
        data[length] = '\0';
    }
    // At most `limit` bytes; what is not printable ASCII becomes '?', so that the report
    // stays text whatever a file or thread is named.
    void appendPrintable(const char* text, std::size_t limit)
    {
        for (; *text && limit > 0 && length < sizeof data - 1; ++text, --limit) {
            const char c = *text;
            data[length++] = c >= ' ' && c <= '~' ? c : '?';
        }
        data[length] = '\0';
    }
    void appendNumber(std::uint64_t value, int minimumDigits = 1) { appendDigits(value, 10, minimumDigits); }
    // "0x" and lower-case hexadecimal digits.
    void appendHex(std::uint64_t value)
    {
        append("0x");
        appendDigits(value, 16, 1);
    }

private:
    void appendDigits(std::uint64_t value, unsigned base, int minimumDigits)
    {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value > 0);
        while (count < minimumDigits) digits[count++] = '0';
        while (count > 0 && length < sizeof data - 1) data[length++] = digits[--count];
        data[length] = '\0';
    }
};

inline void writeAll(int fd, const char* data, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

template <std::size_t capacity>
void write(int fd, const Text<capacity>& text)
{
    writeAll(fd, text.data, text.length);
}

}  // namespace SignalSafeText
