#pragma once

// Whole-board layouts of a recursive engine (CCal1, CCal3) kept for the same board asked for again
// with the same parts left: the passes, the fewer-patterns attempts and the improvement passes lay
// out the same board from the same lists now and then, and one such layout of the strip-stack
// engine is up to its whole fill budget. A layout at the first level depends only on the
// rectangle's size, the lists and the engine's settings, so the stored one is the one the engine
// would make. Kept relative to the rectangle's corner.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/CalIndex.h"
#include "result/OutData.h"

class BoardMemo {
public:
    static constexpr std::size_t kMaxEntries = 256;

    struct Entry {
        std::int32_t Width = 0;
        std::int32_t Height = 0;
        BuzaiLists Remaining;
        int Result = 0;
        std::vector<CHaichi> Blocks;
        std::vector<CUTMARK> Cuts;
        double PartsArea = 0.0;
        double TotalArea = 0.0;
        BuzaiLists Left;
        std::int64_t Extra = 0;  // what else the engine keeps of the layout
        // What it was asked for (FindAsked): the need and the parts area it was told.
        double Need = 0.0;
        double Available = 0.0;
    };

    // Forgets every layout when what they were made with changed: the part sizes (their
    // generation), the kerf or the cutting limit.
    void Validate(std::uint64_t sizes, std::int32_t kerf, std::int32_t limit)
    {
        if (sizes != m_sizes || kerf != m_kerf || limit != m_limit) {
            m_entries.clear();
            m_sizes = sizes;
            m_kerf = kerf;
            m_limit = limit;
        }
    }

    // The stored layout of `remaining` on a rectangle of rect's size; null when there is none.
    const Entry* Find(const BuzaiLists& remaining, const CalRect& rect)
    {
        for (const Entry& e : m_entries) {
            if (e.Width == rect.Width() && e.Height == rect.Height() && e.Remaining == remaining) {
                ++m_hits;
                return &e;
            }
        }
        return nullptr;
    }
    // The same for a memo of layouts kept with what they were asked for: only the same ask finds
    // them (a layout short of its need is the board's only for that need).
    const Entry* FindAsked(const BuzaiLists& remaining, const CalRect& rect, double need, double available)
    {
        for (const Entry& e : m_entries) {
            if (e.Width == rect.Width() && e.Height == rect.Height() && e.Need == need &&
                e.Available == available && e.Remaining == remaining) {
                ++m_hits;
                return &e;
            }
        }
        return nullptr;
    }
    std::int64_t Hits() const { return m_hits; }

    // Adds the stored layout to `layout` at rect's corner; `left` as it was left.
    static void Apply(const Entry& e, BuzaiLists& left, COutData& layout, const CalRect& rect)
    {
        for (const CHaichi& b : e.Blocks) {
            layout.Blocks.emplace_back(b.Number, b.List, b.X + rect.X0, b.Y + rect.Y0, b.Nx, b.Ny, b.Rotated);
        }
        for (const CUTMARK& c : e.Cuts) {
            layout.CutLines.push_back(
                CUTMARK{c.X0 + rect.X0, c.Y0 + rect.Y0, c.X1 + rect.X0, c.Y1 + rect.Y0});
        }
        layout.PartsArea += e.PartsArea;
        layout.TotalArea += e.TotalArea;
        left = e.Left;
    }

    // Stores what the layout gained after its first `blocks` blocks and `cuts` cut lines and the
    // two areas it had before. The oldest entries go first when the memo is full.
    void Store(const BuzaiLists& remaining, const CalRect& rect, int result, const COutData& layout,
               std::size_t blocks, std::size_t cuts, double partsArea, double totalArea,
               const BuzaiLists& left, std::int64_t extra, double need = 0.0, double available = 0.0)
    {
        if (m_entries.size() >= kMaxEntries) {
            m_entries.erase(m_entries.begin());
        }
        m_entries.push_back(MakeEntry(remaining, rect, result, layout, blocks, cuts, partsArea, totalArea,
                                      left, extra, need, available));
    }
    // The entry Store keeps.
    static Entry MakeEntry(const BuzaiLists& remaining, const CalRect& rect, int result,
                           const COutData& layout, std::size_t blocks, std::size_t cuts, double partsArea,
                           double totalArea, const BuzaiLists& left, std::int64_t extra, double need,
                           double available)
    {
        Entry e;
        e.Width = rect.Width();
        e.Height = rect.Height();
        e.Remaining = remaining;
        e.Result = result;
        for (std::size_t i = blocks; i < layout.Blocks.size(); ++i) {
            const CHaichi& b = layout.Blocks[i];
            e.Blocks.emplace_back(b.Number, b.List, b.X - rect.X0, b.Y - rect.Y0, b.Nx, b.Ny, b.Rotated);
        }
        for (std::size_t i = cuts; i < layout.CutLines.size(); ++i) {
            const CUTMARK& c = layout.CutLines[i];
            e.Cuts.push_back(CUTMARK{c.X0 - rect.X0, c.Y0 - rect.Y0, c.X1 - rect.X0, c.Y1 - rect.Y0});
        }
        e.PartsArea = layout.PartsArea - partsArea;
        e.TotalArea = layout.TotalArea - totalArea;
        e.Left = left;
        e.Extra = extra;
        e.Need = need;
        e.Available = available;
        return e;
    }

    void Clear() { m_entries.clear(); }
    std::size_t Size() const { return m_entries.size(); }

private:
    std::vector<Entry> m_entries;
    std::uint64_t m_sizes = 0;
    std::int32_t m_kerf = 0;
    std::int32_t m_limit = 0;
    std::int64_t m_hits = 0;
};
