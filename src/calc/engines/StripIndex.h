#pragma once

// The candidates of a strip of one thickness, found without a scan of the lists. Every list
// within one board layout is the board's lists less the pieces placed: the same entries in the
// same order, some used up. An index of the board's entries by their side across the strip
// names the few entries of a thickness; each is looked up in a working list by its place in the
// board's lists (binary search), so a strip costs O(k log n) instead of a scan of n entries.
//
//     index.Make(boardLists, [&](int list, std::int32_t number) { return Size(list, number); });
//     index.Candidates(list, across, thickness, in, from, candidates);  // as the scan finds them

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/CalIndex.h"
#include "calc/engines/Cal2.h"

class StripIndex {
public:
    // Indexes the entries of both lists; false (and no index) when a part number comes twice in
    // a list, where a place in the lists would not name one entry.
    template <class SizeOf>
    bool Make(const BuzaiLists& lists, SizeOf sizeOf)
    {
        m_ready = false;
        m_allHoldPieces = true;
        for (int l = 0; l < 2; ++l) {
            const std::vector<CAL_BUZAI>& entries = lists[static_cast<std::size_t>(l)];
            std::vector<std::int32_t>& rank = m_rank[l];
            std::int32_t most = -1;
            for (const CAL_BUZAI& e : entries) {
                if (e.Number < 0) {
                    return false;
                }
                most = std::max(most, e.Number);
            }
            rank.assign(static_cast<std::size_t>(most + 1), -1);
            for (int across = 0; across < 2; ++across) {
                m_items[l][across].clear();
            }
            for (std::size_t i = 0; i < entries.size(); ++i) {
                std::int32_t& r = rank[static_cast<std::size_t>(entries[i].Number)];
                if (r >= 0) {
                    return false;
                }
                r = static_cast<std::int32_t>(i);
                m_allHoldPieces = m_allHoldPieces && entries[i].Count >= 1;
                const auto part = sizeOf(l, entries[i].Number);
                const std::int32_t side[2] = {part.Width, part.Height};
                for (int across = 0; across < 2; ++across) {
                    // As CCal2::StripCandidates: lying as it is when its side across is the
                    // thickness, else turned when it may turn (a square part only as it is).
                    const std::int32_t as = side[across], turned = side[1 - across];
                    auto& items = m_items[l][across];
                    items.push_back(Item{as, r, turned, 0});
                    if (part.NoTurn == 0 && turned != as) {
                        items.push_back(Item{turned, r, as, 1});
                    }
                }
            }
            for (int across = 0; across < 2; ++across) {
                auto& items = m_items[l][across];
                std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
                    return a.Thickness != b.Thickness ? a.Thickness < b.Thickness : a.Rank < b.Rank;
                });
                MakeBuckets(items, m_buckets[l][across]);
            }
            m_size[l] = entries.size();
        }
        m_ready = true;
        return true;
    }

    bool Ready() const { return m_ready; }
    // Every indexed entry holds pieces: within the board only a strip's own entries can be used up.
    bool AllHoldPieces() const { return m_allHoldPieces; }
    void Clear() { m_ready = false; }

    // The entries of `in` from `from` on that make a strip of `thickness` across axis `across`,
    // in list order: what CCal2::StripCandidates finds. `in` must be list `list` of the indexed
    // lists less pieces placed.
    void Candidates(int list, int across, std::int32_t thickness, const std::vector<CAL_BUZAI>& in,
                    std::size_t from, std::vector<CAL2_LENBUZAI>& candidates) const
    {
        candidates.clear();
        const Bucket* bucket = Find(m_buckets[list][across], thickness);
        if (!bucket) {
            return;
        }
        const Item* it = m_items[list][across].data() + bucket->Begin;
        const Item* const end = m_items[list][across].data() + bucket->End;
        const std::vector<std::int32_t>& rank = m_rank[list];
        const auto rankAt = [&](std::size_t i) { return rank[static_cast<std::size_t>(in[i].Number)]; };
        // The entry of rank r, or the place it would have, is at most r and at least r less the
        // entries used up.
        const std::size_t usedUp = m_size[list] - in.size();
        std::size_t lo = from;
        for (; it != end && lo < in.size(); ++it) {
            const auto r = static_cast<std::size_t>(it->Rank);
            std::size_t a = std::max(lo, r > usedUp ? r - usedUp : 0), b = std::min(in.size(), r + 1);
            // Mostly the entries used up come before: the place is the window's first.
            if (a < b && rankAt(a) >= it->Rank) {
                b = a;
            }
            while (a < b) {  // the first place in [a, b) of a rank >= r
                const std::size_t mid = a + (b - a) / 2;
                if (rankAt(mid) < it->Rank) {
                    a = mid + 1;
                } else {
                    b = mid;
                }
            }
            if (a < in.size() && rankAt(a) == it->Rank) {
                candidates.push_back(
                    CAL2_LENBUZAI{it->Length, static_cast<std::int32_t>(a), in[a].Count, it->Rotated, 0});
                lo = a + 1;
            } else {
                lo = a;
            }
        }
    }

private:
    // The items of one thickness: [Begin, End) in the sorted items; in an open-addressing table.
    struct Bucket {
        std::int32_t Thickness = -1;
        std::uint32_t Begin = 0;
        std::uint32_t End = 0;
    };
    struct Buckets {
        std::vector<Bucket> Slots;  // a power of two, at least twice the thicknesses
        std::size_t Mask = 0;
    };
    static std::size_t SlotOf(std::int32_t thickness, std::size_t mask)
    {
        return (static_cast<std::uint32_t>(thickness) * 0x9E3779B1U >> 7) & mask;
    }
    template <class Items>
    static void MakeBuckets(const Items& items, Buckets& buckets)
    {
        std::size_t slots = 8;
        while (slots < 2 * items.size()) {
            slots *= 2;
        }
        buckets.Slots.assign(slots, Bucket{});
        buckets.Mask = slots - 1;
        for (std::size_t i = 0; i < items.size();) {
            std::size_t j = i + 1;
            while (j < items.size() && items[j].Thickness == items[i].Thickness) {
                ++j;
            }
            std::size_t slot = SlotOf(items[i].Thickness, buckets.Mask);
            while (buckets.Slots[slot].Thickness >= 0) {
                slot = (slot + 1) & buckets.Mask;
            }
            buckets.Slots[slot] =
                Bucket{items[i].Thickness, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j)};
            i = j;
        }
    }
    static const Bucket* Find(const Buckets& buckets, std::int32_t thickness)
    {
        if (buckets.Slots.empty()) {
            return nullptr;
        }
        for (std::size_t slot = SlotOf(thickness, buckets.Mask);; slot = (slot + 1) & buckets.Mask) {
            const Bucket& b = buckets.Slots[slot];
            if (b.Thickness == thickness) {
                return &b;
            }
            if (b.Thickness < 0) {
                return nullptr;
            }
        }
    }

    struct Item {
        std::int32_t Thickness = 0;  // the side across the strip
        std::int32_t Rank = 0;       // the entry's place in the indexed list
        std::int32_t Length = 0;     // the side along the strip
        std::int32_t Rotated = 0;
    };
    std::vector<Item> m_items[2][2];  // by list and axis across, sorted by thickness then rank
    Buckets m_buckets[2][2];
    std::vector<std::int32_t> m_rank[2];  // by list: an entry's place by its part number, -1 none
    std::size_t m_size[2] = {0, 0};       // the entries of each indexed list
    bool m_ready = false;
    bool m_allHoldPieces = false;
};
