#pragma once

#include "update/ContentRefusal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One line of "LC_ALL=C tar -tvzf" output.
struct ArchiveMember {
    char type = '-';         // the first letter of the mode: '-' file, 'd' folder, 'l', 'h', 'p', ...
    std::uint64_t size = 0;  // 0 when the line shows none (devices)
    std::string name;        // as tar prints it (control characters escaped), without a final '/'
};

// The members of a GNU tar verbose listing, past tar's own remarks ("tar: ..."); none when
// another line is not a member's.
std::optional<std::vector<ArchiveMember>> parseArchiveListing(const std::string& text);

// The listing is only a pre-filter, before anything is written: absolute names, "..",
// anything but files and folders, a second top-level entry, or more than the limits or the
// free space. None: it may be unpacked.
std::optional<ContentRefusal> listingRefusal(const std::vector<ArchiveMember>& members, const ContentLimits& limits,
                                             std::uint64_t freeBytes);
