#include "platform/core/UniqueName.h"

#include <openssl/rand.h>

#include <atomic>
#include <cstdio>

namespace core {

namespace {

std::atomic<bool> counted{false};
std::atomic<unsigned long long> counter{0};

}  // namespace

std::string uniqueName()
{
    char text[37];
    if (counted) {
        std::snprintf(text, sizeof text, "00000000-0000-0000-0000-%012llu", ++counter);
        return text;
    }
    unsigned char b[16] = {};
    RAND_bytes(b, sizeof b);
    b[6] = (b[6] & 0x0f) | 0x40;  // version 4
    b[8] = (b[8] & 0x3f) | 0x80;  // RFC 4122 variant
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                  b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

void useCountedUniqueNames(bool on)
{
    counted = on;
    counter = 0;
}

}  // namespace core
