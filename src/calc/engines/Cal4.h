#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "calc/engines/Cal2.h"
#include "calc/engines/LengthFillMemo.h"

// One part entry that gave row candidates: a compact copy of its working-list entry.
struct CAL4_LENBUZAI_SUB {
    std::int32_t Number = 0;  // part number
    std::int32_t Entry = 0;   // index of the entry in the working list
    std::int32_t Pieces = 0;  // pieces available, shared by both orientations of the part

    friend bool operator==(const CAL4_LENBUZAI_SUB&, const CAL4_LENBUZAI_SUB&) = default;
};

// One candidate or chosen item of the row.
struct CAL4_LENBUZAI {
    std::int32_t Length = 0;   // one piece along the row, 0.1 mm
    std::int32_t Across = 0;   // one piece across the row
    std::int32_t Pieces = 0;   // chosen items: pieces taken; 0 for candidates
    std::int32_t Sub = 0;      // index of its CAL4_LENBUZAI_SUB entry
    std::int32_t Rotated = 0;  // 0: the part's width lies along x
    std::int32_t Avail = 1;    // 1 when the candidate may be taken; refills switch longer ones off

    friend bool operator==(const CAL4_LENBUZAI&, const CAL4_LENBUZAI&) = default;
};

// The row-first engine: one row of pieces of possibly different sizes across along the low edge
// of the rectangle, first cuts across the whole rectangle between the row's pieces, a column of
// strips above every piece, strips beyond the row's end. Its first cuts run across the row, so
// the permissions of the cutting limit are the opposite of CCal2's.
class CCal4 : public CCal2 {
public:
    int SecondFlag = 0;      // gain measure of the row's exchanges: 0 used length, 1 used area
    bool UseRowMemo = true;  // take a row fill made before from the row memo (the same layouts either way)
    // Leave out the refills of an exchange pass that cannot gain (the same layouts either way).
    bool UseRefillBound = true;

    // A job of effort 0 takes the run of an ended job of the group with the same level and part
    // order and effort 0 (the gain measure counts only in the exchange passes, which effort 0
    // leaves out): the same result, not made twice.
    void Calculate() override;
    // Joins the ended runs of the job before it when that is a row job too.
    void JoinGroupJob(CCalHaichi& before) override;
    // Whether the last Calculate took another job's run.
    bool TookRun() const { return m_tookRun; }

    // The four LayoutRowFirst attempts: d = 0 when the height is within the cutting limit,
    // d = 1 when the width is; modes 0 and 1 each. Keeps the one with the most parts area.
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override;
    // A CCal4 with the same Order, Level, UseRowMemo and UseRefillBound; AreaFlag and SecondFlag 0.
    std::unique_ptr<CCalHaichi> CreateInstance() const override;

    // The row along axis d at the low edge of rect, its columns, and strips beyond its end.
    // Nonzero when a row was placed.
    virtual int LayoutRowFirst(int depth, int mode, int d, const BuzaiLists& in, BuzaiLists& out,
                               COutData& layout, const CalRect& rect);
    // Chooses and places the row of list `list` along `along` at the low edge across of rect.
    // 1 when a row was placed; `out` is `in` less the pieces of the row.
    virtual int PlaceFirstRow(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                              std::vector<CAL_BUZAI>& out, COutData& layout, const CalRect& rect);
    // FillLength on row candidates; availability from LenBuzaiSub and each candidate's Avail.
    virtual void FillRowLength(std::int32_t length, const std::vector<CAL4_LENBUZAI>& candidates,
                               std::vector<CAL4_LENBUZAI>& chosen, std::int32_t& remaining,
                               std::int32_t& used);
    // Fills one column (a strip of direction `direction` as thick as its extent across) as
    // LayoutStrips fills one strip.
    virtual int FillColumn(int depth, int mode, int direction, const BuzaiLists& in, BuzaiLists& out,
                           COutData& layout, const CalRect& column);

    // The entries of the row being chosen; FillRowLength reads their pieces.
    std::vector<CAL4_LENBUZAI_SUB> LenBuzaiSub;

    // Row fills answered from the row memo.
    std::int64_t RowMemoHits() const { return m_rowFills.Hits(); }
    // Chosen items of row fills whose refills were left out as unable to gain.
    std::int64_t RefillsLeftOut() const { return m_lengthFill.LeftOut; }

private:
    // The group's row jobs of effort 0 that ended with a result.
    struct EndedRuns {
        std::mutex Lock;
        std::vector<const CCal4*> Jobs;
    };
    bool TakeEndedRun();

    LengthFillScratch<CAL4_LENBUZAI> m_lengthFill;
    LengthFillMemo<CAL4_LENBUZAI> m_rowFills;
    // PlaceFirstRow's lists, kept for their storage.
    std::vector<CAL4_LENBUZAI> m_rowCandidates, m_rowChosen, m_rowOrdered;
    std::vector<std::uint64_t> m_sortRanks;
    std::shared_ptr<EndedRuns> m_ended;
    bool m_tookRun = false;
};
