#pragma once

#include <cstdlib>
#include <memory>

namespace x11 {

// An xcb reply, freed with the C allocator it came from.
template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> reply(T* raw)
{
    return Reply<T>(raw, &std::free);
}

}  // namespace x11
