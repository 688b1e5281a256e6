#pragma once

// One step of the hashes the memos key their entries by: mixes `word` into `h`. The memos compare
// their inputs in full, so the hash decides only where to look.

#include <cstdint>

inline std::uint64_t HashMix(std::uint64_t h, std::uint64_t word)
{
    h ^= word;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 29);
}

// Where a hash starts.
inline constexpr std::uint64_t kHashSeed = 0x9E3779B97F4A7C15ull;
