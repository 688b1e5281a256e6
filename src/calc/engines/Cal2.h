#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "calc/CalHaichi.h"
#include "calc/engines/LengthFill.h"

class CBuzai;

// One candidate or chosen item along the length of a strip.
struct CAL2_LENBUZAI {
    std::int32_t Length = 0;   // one piece along the strip, 0.1 mm
    std::int32_t Entry = 0;    // index of the part's entry in the working list
    std::int32_t Pieces = 0;   // candidates: pieces available; chosen items: pieces taken
    std::int32_t Rotated = 0;  // 0: the part's width lies along x
    std::int32_t Source = 0;   // chosen items: index of the candidate it came from

    friend bool operator==(const CAL2_LENBUZAI&, const CAL2_LENBUZAI&) = default;
};

// The strip engine (短冊): full-length cuts make strips as thick as one side of the first part
// that fits; each strip is filled along its length and, below the stage limit, cut again across.
// Axes and directions: 0 = x, 1 = y. Strips of direction d run along axis d.
class CCal2 : public CCalHaichi {
public:
    int Order = 0;     // effort of FillLength: 0 greedy, 1 one exchange pass, 2 passes while they gain
    int Level = 0;     // stage limit: 0 strips only, 1 one stage of cross strips, 2 no limit
    int AreaFlag = 0;  // part ordering: 0 longer side first, 1 area first

    void SetCalData(const CCalData& data) override;
    // Up to four LayoutStrips attempts (d = 0 when the width is within the cutting limit,
    // d = 1 when the height is; modes 0 and 1 each); keeps the one with the most parts area.
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override;
    // A CCal2 with the same Order and Level; AreaFlag 0.
    std::unique_ptr<CCalHaichi> CreateInstance() const override;

    // Lays strips of direction d one after another from the low edge of rect. Adds the pieces to
    // layout; cut lines only at depth 0. 1 when at least one strip was made.
    virtual int LayoutStrips(int depth, int mode, int d, const BuzaiLists& in, BuzaiLists& out,
                             COutData& layout, const CalRect& rect);
    // Fills the strip along `along` with pieces of list `list` whose size across is `thickness`.
    // Returns what is left of the strip after the last piece and its kerf (the whole strip when
    // nothing was placed). `in` and `out` may be the same list.
    virtual CalRect FillStrip(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                              std::vector<CAL_BUZAI>& out, COutData& layout, std::int32_t thickness,
                              const CalRect& strip);
    // One-dimensional fill of `length` from the candidates (pieces = available). The chosen
    // items keep the index of their candidate in Source. `remaining` is the length left over
    // (the last piece's kerf given back), `used` the sum of piece lengths.
    virtual void FillLength(std::int32_t length, const std::vector<CAL2_LENBUZAI>& candidates,
                            std::vector<CAL2_LENBUZAI>& chosen, std::int32_t& remaining, std::int32_t& used);

protected:
    // Size of a piece along an axis, turned or not.
    template <class Part>
    static std::int32_t PieceSize(const Part& part, int rotated, int axis)
    {
        return (axis == 0) == (rotated == 0) ? part.Width : part.Height;
    }
    static std::int32_t Low(const CalRect& rect, int axis) { return axis == 0 ? rect.X0 : rect.Y0; }
    static std::int32_t High(const CalRect& rect, int axis) { return axis == 0 ? rect.X1 : rect.Y1; }
    // The candidates of a strip of `thickness`: entries of `in` (list `list`) lying that thick
    // across as they are, else turned when they may be; in list order, Pieces = count.
    // Replaces the contents of `candidates`. Entries before `from` are left out.
    void StripCandidates(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                         std::int32_t thickness, std::vector<CAL2_LENBUZAI>& candidates,
                         std::size_t from = 0) const;

    // Places `strips` strips side by side from the low corner of rect, each holding the chosen
    // items one after another along `along`; takes their pieces off `entries` (list `list`) and
    // drops the entries used up. With `othersCounted` the caller knows that no entry but the
    // chosen ones can be used up: the others are not looked at.
    void PlaceStrips(int list, int along, const std::vector<CAL2_LENBUZAI>& chosen,
                     std::vector<CAL_BUZAI>& entries, COutData& layout, const CalRect& rect,
                     std::int32_t strips, bool othersCounted = false) const;

    // Working buffers of one strip fill (FillStrip, FillStripStack), kept to reuse their storage.
    std::vector<CAL2_LENBUZAI> m_stripCandidates;
    std::vector<CAL2_LENBUZAI> m_stripChosen;
    // The pieces per slot of the fill being made (FillLength, CCal4::FillRowLength).
    std::vector<std::int32_t> m_fillAvailable;
    // What the exchange passes of FillLength did since it was last cleared.
    LengthFillScratch<CAL2_LENBUZAI>::ExchangeTrace& FillTrace() { return m_lengthFill.Trace; }

private:
    LengthFillScratch<CAL2_LENBUZAI> m_lengthFill;
};
