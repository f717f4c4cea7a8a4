#pragma once

#include <xcb/xproto.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace x11 {

// An xcb reply, freed with the C allocator it came from.
template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> reply(T* raw)
{
    return Reply<T>(raw, &std::free);
}

// A 32-bit list property's units (windows, cardinals, atoms); empty when it is missing or
// of another format.
inline std::vector<std::uint32_t> unitsOf(const xcb_get_property_reply_t* reply)
{
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 32) return {};
    std::vector<std::uint32_t> units(static_cast<std::size_t>(xcb_get_property_value_length(reply)) / 4);
    if (!units.empty()) std::memcpy(units.data(), xcb_get_property_value(reply), units.size() * 4);
    return units;
}

}  // namespace x11
