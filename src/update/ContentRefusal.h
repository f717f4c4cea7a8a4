#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How much a package may unpack to.
struct ContentLimits {
    std::uint64_t maxBytes = std::uint64_t{1} << 30;
    std::size_t maxEntries = 10000;
};

// Why a package's listing or its unpacked tree is refused.
struct ContentRefusal {
    enum class Kind {
        unsafeEntry,  // an entry no bundle may hold (entry names it)
        tooLarge,     // over ContentLimits
        noSpace,      // more than the free space beside the target
    };
    Kind kind = Kind::unsafeEntry;
    std::string entry;  // printable
};
