#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// The pairwise exchange sort of the layouts and the row: every later element that `before` puts
// ahead of the one at position i is swapped into i. Not stable; the results depend on exactly
// this order of exchanges.
template <class T, class Before>
void ExchangeSort(std::vector<T>& items, Before before)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::size_t k = i + 1; k < items.size(); ++k) {
            if (before(items[k], items[i])) {
                std::swap(items[i], items[k]);
            }
        }
    }
}

// The same exchanges where an element goes ahead of another when its rank (an unsigned 64-bit
// number) is lower: ExchangeSort(items, [&](a, b) { return rankOf(a) < rankOf(b); }). The ranks are
// read once into an array of their own, which the passes scan: the row fill sorts tens of
// thousands of candidate lists per job.
template <class T, class RankOf>
void ExchangeSortByRank(std::vector<T>& items, std::vector<std::uint64_t>& ranks, RankOf rankOf)
{
    const std::size_t n = items.size();
    ranks.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        ranks[i] = rankOf(items[i]);
    }
    std::uint64_t* const r = ranks.data();
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t current = r[i];
        for (std::size_t k = i + 1; k < n; ++k) {
            if (r[k] < current) {
                std::swap(items[i], items[k]);
                r[i] = r[k];
                r[k] = current;
                current = r[i];
            }
        }
    }
}

// A rank of ExchangeSortByRank that puts the larger first value first, then the larger second.
inline std::uint64_t FallingRank(std::int32_t first, std::int32_t second)
{
    const auto falling = [](std::int32_t v) {
        return std::uint64_t{static_cast<std::uint32_t>(v) ^ 0x7FFFFFFFU};
    };
    return falling(first) << 32 | falling(second);
}
