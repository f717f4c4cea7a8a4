#pragma once

#include <cstdint>

// The virtual-display shim: plain functions around the desktop's virtual-display
// service, the only code that asks it for displays. Failures answer NULL or 0 and leave
// a text in VDLastError(). Creation, summaries and destruction are serialised by the
// caller; VDAvailable may run on any thread.

// The configuration record VDCreate reads (it keeps neither the record nor the name).
struct VDConfig {
    std::uint32_t width;  // points of the single mode
    std::uint32_t height;
    std::uint32_t pixelsWide;  // backing pixels
    std::uint32_t pixelsHigh;
    double refreshRate;   // 0 or less: 60
    std::uint32_t hiDPI;  // non-zero asks for a HiDPI display
    std::uint32_t mmWidth;
    std::uint32_t mmHeight;
    std::uint32_t serialNum;  // every new display needs a new one
    const char* name;         // NUL-terminated UTF-8; NULL: "Glimra Display"
};
static_assert(sizeof(VDConfig) == 48, "VDConfig is a fixed-layout record");

// A created display, owned by whoever VDCreate handed it to.
using VDHandle = void*;

bool VDAvailable();
VDHandle VDCreate(const VDConfig* config);
std::uint32_t VDDisplayID(VDHandle handle);  // 0 for NULL
bool VDIsTerminated(VDHandle handle);        // true for NULL
const char* VDModeSummary(VDHandle handle);  // "(nil)" for NULL
void VDDestroy(VDHandle handle);             // NULL: nothing
const char* VDLastError();
void VDSetErr(const char* format, ...) __attribute__((format(printf, 1, 2)));
