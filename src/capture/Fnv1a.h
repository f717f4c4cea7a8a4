#pragma once

#include <cstdint>

// FNV-1a 64: the hash behind both the frame fingerprint and the window-image digest.
namespace fnv1a {

constexpr std::uint64_t offsetBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t prime = 0x100000001b3ULL;

constexpr std::uint64_t step(std::uint64_t hash, std::uint8_t byte) { return (hash ^ byte) * prime; }

}  // namespace fnv1a
