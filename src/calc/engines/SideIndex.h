#pragma once

// Which rectangles no part of a set fits, told without a scan of the lists. Most sub-rectangles
// a recursive engine fills hold nothing (docs/performance.md has the share on the bench jobs),
// and every fill within one board layout takes from the entries the board started with:
// an index of their parts by side, made once per board, answers for all of them.
//
//     index.Make(remaining, [&](int list, std::int32_t number) { return Size(list, number); });
//     if (index.NoneFits(rect.Width(), rect.Height())) ...   // FirstFitting would find nothing

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "base/CalIndex.h"

class SideIndex {
public:
    // The parts of every entry of both lists. `sizeOf(list, number)` gives a part's Width, Height
    // and NoTurn (CCalHaichi::Size).
    template <class SizeOf>
    void Make(const BuzaiLists& lists, SizeOf sizeOf)
    {
        m_turning.clear();
        m_fixed.clear();
        m_leastSide = std::numeric_limits<std::int64_t>::max();
        for (int l = 0; l < 2; ++l) {
            for (const CAL_BUZAI& entry : lists[static_cast<std::size_t>(l)]) {
                const auto part = sizeOf(l, entry.Number);
                const std::int32_t w = part.Width, h = part.Height;
                m_leastSide = std::min<std::int64_t>(m_leastSide, std::min(w, h));
                if (part.NoTurn) {
                    m_fixed.emplace_back(w, h);
                } else {
                    m_turning.emplace_back(std::min(w, h), std::max(w, h));
                }
            }
        }
        Staircase(m_turning);
        Staircase(m_fixed);
    }

    // No part of the set fits width x height: as it is, or turned when it may turn. No kerf.
    bool NoneFits(std::int64_t width, std::int64_t height) const
    {
        const std::int64_t shorter = std::min(width, height), longer = std::max(width, height);
        if (shorter < m_leastSide) {
            return true;  // narrower than every part
        }
        return !Fits(m_turning, shorter, longer) && !Fits(m_fixed, width, height);
    }

private:
    // Pairs (first, second) sorted by first; each second lowered to the least second of the pairs
    // up to it.
    using Pairs = std::vector<std::pair<std::int32_t, std::int32_t>>;
    static void Staircase(Pairs& pairs)
    {
        std::sort(pairs.begin(), pairs.end());
        for (std::size_t i = 1; i < pairs.size(); ++i) {
            pairs[i].second = std::min(pairs[i].second, pairs[i - 1].second);
        }
    }
    // Some pair has first <= a and second <= b. A binary search without branches on the
    // comparisons: asked at most fills, it would mostly guess them wrong.
    static bool Fits(const Pairs& pairs, std::int64_t a, std::int64_t b)
    {
        std::size_t n = pairs.size();
        if (n == 0 || pairs[0].first > a) {
            return false;
        }
        const std::pair<std::int32_t, std::int32_t>* base = pairs.data();  // base->first <= a
        while (n > 1) {
            const std::size_t half = n / 2;
            base = base[half].first <= a ? base + half : base;
            n -= half;
        }
        return base->second <= b;
    }

    Pairs m_turning;  // parts that may turn: (shorter side, longer side)
    Pairs m_fixed;    // NoTurn parts: (width, height)
    std::int64_t m_leastSide = std::numeric_limits<std::int64_t>::max();
};
