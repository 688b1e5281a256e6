#pragma once

// Board layouts the strip-stack jobs of one group hand each other. The jobs differ in their part
// order, their cutting candidates and the effort of their length fill (Order); jobs with the same
// part order and candidates ask for the same boards with the same lists, and where no length fill
// of a board's search made use of the exchange passes that set their orders apart, the layout is
// the one each of those orders would make (ExchangeTrace::SameUnder). Such a layout, made by one
// job, is found by the others with the same ask: the lists, the board's size, the need and the
// parts area told, and the same settings. Jobs run on several threads at once.

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "base/CalIndex.h"
#include "calc/engines/BoardMemo.h"
#include "calc/engines/HashMix.h"

class BoardShare {
public:
    // Past this the share forgets every layout (about 1,000 boards of 300 part types).
    static constexpr std::size_t kMaxBytes = std::size_t{32} << 20;

    // What a layout depends on besides the ask.
    struct Setup {
        const void* Parts = nullptr;  // the part lists the sizes come from
        const void* Secondary = nullptr;
        std::int32_t Kerf = 0;
        std::int32_t Limit = 0;
        int Second = 0;
        int Switches = 0;  // the engine's on/off settings, one bit each
        friend bool operator==(const Setup&, const Setup&) = default;
    };

    struct Layout {
        Setup With;
        unsigned Orders = 0;  // bit o: the layout is the one of order o
        BoardMemo::Entry Board;
    };

    static std::uint64_t HashOf(const BuzaiLists& remaining, const CalRect& rect, double need,
                                double available)
    {
        std::uint64_t h = kHashSeed;
        auto mix = [&h](std::uint64_t v) { h = HashMix(h, v); };
        for (const std::vector<CAL_BUZAI>& list : remaining) {
            mix(list.size());
            for (const CAL_BUZAI& e : list) {
                mix(static_cast<std::uint32_t>(e.Number) | std::uint64_t{static_cast<std::uint32_t>(e.Count)}
                                                               << 32);
                mix(static_cast<std::uint32_t>(e.Flag));
            }
        }
        mix(static_cast<std::uint32_t>(rect.Width()) |
            std::uint64_t{static_cast<std::uint32_t>(rect.Height())} << 32);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &need, sizeof bits);
        mix(bits);
        std::memcpy(&bits, &available, sizeof bits);
        mix(bits);
        return h;
    }

    // The layout of that ask that order `order` would make; null when none is kept.
    std::shared_ptr<const Layout> Find(std::uint64_t hash, const Setup& with, int order,
                                       const BuzaiLists& remaining, const CalRect& rect, double need,
                                       double available)
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        const auto [first, last] = m_layouts.equal_range(hash);
        for (auto it = first; it != last; ++it) {
            const Layout& l = *it->second;
            const BoardMemo::Entry& e = l.Board;
            if ((l.Orders >> order & 1U) != 0 && l.With == with && e.Width == rect.Width() &&
                e.Height == rect.Height() && e.Need == need && e.Available == available &&
                e.Remaining == remaining) {
                ++m_hits;
                return it->second;
            }
        }
        return nullptr;
    }

    void Put(std::uint64_t hash, std::shared_ptr<const Layout> layout)
    {
        const std::size_t bytes = BytesOf(*layout);
        const std::lock_guard<std::mutex> hold(m_lock);
        if (m_bytes + bytes > kMaxBytes) {
            m_layouts.clear();
            m_bytes = 0;
        }
        m_bytes += bytes;
        m_layouts.emplace(hash, std::move(layout));
    }

    std::int64_t Hits()
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        return m_hits;
    }

private:
    static std::size_t BytesOf(const Layout& l)
    {
        const BoardMemo::Entry& e = l.Board;
        std::size_t bytes = sizeof l + 64;  // the node and the pointer's control block
        for (int i = 0; i < 2; ++i) {
            bytes += (e.Remaining[static_cast<std::size_t>(i)].capacity() +
                      e.Left[static_cast<std::size_t>(i)].capacity()) *
                     sizeof(CAL_BUZAI);
        }
        return bytes + e.Blocks.capacity() * sizeof(CHaichi) + e.Cuts.capacity() * sizeof(CUTMARK);
    }

    std::mutex m_lock;
    std::unordered_multimap<std::uint64_t, std::shared_ptr<const Layout>> m_layouts;
    std::size_t m_bytes = 0;
    std::int64_t m_hits = 0;
};
