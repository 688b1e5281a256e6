#pragma once

// Length fills kept for the same fill asked for again. A fill with exchange passes (order 1 and 2)
// refills its length many times over, and the row engine asks for the same row again and again:
// for every board kind, every attempt of a board and every column mode the candidates and their
// pieces are those of the row before (on the bench jobs most row fills repeat an earlier one;
// docs/performance.md). A fill depends only on the length, the
// candidates, the pieces per slot and the engine's kerf, order and gain measure (whose change
// forgets every fill), so the stored fill is the one the fill would make. The inputs are compared
// in full.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "calc/engines/HashMix.h"

template <class Item>
class LengthFillMemo {
public:
    // The stored fills hold this much at most; past it they are forgotten.
    static constexpr std::size_t kMaxBytes = std::size_t{4} << 20;

    struct Result {
        std::vector<Item> Chosen;
        std::int32_t Remaining = 0;
        std::int32_t Used = 0;
    };

    // Forgets every fill when the kerf, order or gain measure changed.
    void Validate(std::int32_t kerf, int order, int measure)
    {
        if (kerf != m_kerf || order != m_order || measure != m_measure) {
            m_entries.clear();
            m_bytes = 0;
            m_kerf = kerf;
            m_order = order;
            m_measure = measure;
        }
    }

    // The stored fill of these inputs; null when there is none.
    const Result* Find(std::int32_t length, const std::vector<Item>& candidates,
                       const std::vector<std::int32_t>& available)
    {
        const auto range = m_entries.equal_range(HashOf(length, candidates, available));
        for (auto it = range.first; it != range.second; ++it) {
            const Entry& e = it->second;
            if (e.Length == length && e.Candidates == candidates && e.Available == available) {
                ++m_hits;
                return &e.Stored;
            }
        }
        return nullptr;
    }

    void Store(std::int32_t length, const std::vector<Item>& candidates, const std::vector<std::int32_t>& available,
               const std::vector<Item>& chosen, std::int32_t remaining, std::int32_t used)
    {
        const std::size_t bytes = sizeof(Entry) + (candidates.size() + chosen.size()) * sizeof(Item) +
                                  available.size() * sizeof(std::int32_t);
        if (m_bytes + bytes > kMaxBytes) {
            m_entries.clear();
            m_bytes = 0;
        }
        m_bytes += bytes;
        m_entries.emplace(HashOf(length, candidates, available),
                          Entry{length, candidates, available, Result{chosen, remaining, used}});
    }

    // Forgets every fill and gives the memory back.
    void Release()
    {
        std::unordered_multimap<std::uint64_t, Entry>().swap(m_entries);
        m_bytes = 0;
        m_kerf = m_order = m_measure = -1;
    }

    std::int64_t Hits() const { return m_hits; }
    std::size_t Size() const { return m_entries.size(); }

private:
    static_assert(std::has_unique_object_representations_v<Item> && sizeof(Item) % 4 == 0,
                  "items are hashed by their bytes");

    struct Entry {
        std::int32_t Length = 0;
        std::vector<Item> Candidates;
        std::vector<std::int32_t> Available;
        Result Stored;
    };

    static std::uint64_t HashOf(std::int32_t length, const std::vector<Item>& candidates,
                                const std::vector<std::int32_t>& available)
    {
        std::uint64_t h = HashMix(kHashSeed, static_cast<std::uint32_t>(length));
        for (const Item& item : candidates) {
            std::uint32_t words[sizeof(Item) / 4];
            std::memcpy(words, &item, sizeof(Item));
            for (std::uint32_t w : words) {
                h = HashMix(h, w);
            }
        }
        h = HashMix(h, candidates.size());
        for (std::int32_t a : available) {
            h = HashMix(h, static_cast<std::uint32_t>(a));
        }
        return HashMix(h, available.size());
    }

    std::unordered_multimap<std::uint64_t, Entry> m_entries;
    std::size_t m_bytes = 0;
    std::int32_t m_kerf = -1;
    int m_order = -1;
    int m_measure = -1;
    std::int64_t m_hits = 0;
};
