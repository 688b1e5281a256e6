#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "calc/engines/BlockRemainder.h"
#include "calc/engines/BoardMemo.h"
#include "calc/engines/BoardShare.h"
#include "calc/engines/Cal2.h"
#include "calc/engines/SideIndex.h"
#include "calc/engines/StripIndex.h"

// The strip-stack engine: puts m identical strips side by side into the corner of a free
// rectangle (each filled along its length like a strip of CCal2), cuts the rest into two
// rectangles as the block engine does and fills those recursively.
class CCal3 : public CCal2 {
public:
    int SecondFlag = 0;        // cutting candidates after each stack: 0 two, 1 four
    bool UseMemo = true;       // lay a board out again from the board memo (the same layouts either way)
    bool UseScanStart = true;  // skip the entries an enclosing rectangle found too large (same either way)
    // Leave out stacks and remainders that cannot reach what a board's caller needs (LayoutBoardBest's
    // attempts on fewer parts): the same layouts either way where the search ends within its budget.
    bool UseBound = true;
    // Pass over the sub-rectangles that no part of the board's lists fits without a scan or a copy
    // of the lists (the same layouts either way).
    bool UseSideIndex = true;
    // Hand board layouts to the group's other strip-stack jobs and take theirs (BoardShare; the
    // same layouts either way).
    bool UseShare = true;

    // The far ends of a stack, kerf included.
    struct StackExtent {
        std::int32_t Along = 0;
        std::int32_t Across = 0;
    };

    void Calculate() override;
    // Joins the board share of the job before it when that is a strip-stack job too.
    void JoinGroupJob(CCalHaichi& before) override;

    // Stacks of the first part that fits (each orientation, strips along x and along y), each
    // with the best way of filling the rest; keeps the best by IsBetter.
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override;
    // A CCal3 with the same Order, Level and SecondFlag; AreaFlag 0.
    std::unique_ptr<CCalHaichi> CreateInstance() const override;

    // Lays as many strips of `thickness` from the low corner of rect as fit across and as the
    // counts allow, all with the pattern FillLength chose for one strip. Places nothing on a
    // stop request; the extent is then rect's low corner. `in` and `out` may be the same list.
    StackExtent FillStripStack(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                               std::vector<CAL_BUZAI>& out, COutData& layout, std::int32_t thickness,
                               const CalRect& rect);

    // A stack chosen but not laid: the pattern of one strip is m_stripChosen. Strips 0: it places
    // nothing.
    struct StackPlan {
        StackExtent Extent;
        std::int32_t Strips = 0;
    };
    // FillStripStack's choice, made from `in` without changing anything but the strip buffers.
    StackPlan PlanStripStack(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                             std::int32_t thickness, const CalRect& rect);
    // Whether two stacks take the same pieces off every entry (each strip the items' pieces).
    static bool SameUse(const std::vector<CAL2_LENBUZAI>& a, std::int32_t aStrips,
                        const std::vector<CAL2_LENBUZAI>& b, std::int32_t bStrips);
    // Lays the stack just planned into `entries` (the list it was planned from, or a copy) and
    // layout.
    virtual void LayStripStack(int list, int along, const StackPlan& plan, std::vector<CAL_BUZAI>& entries,
                               COutData& layout, const CalRect& rect);

    // Recursive fills one board layout may spend on stacks. Up to four stacks per rectangle,
    // each with up to four ways of cutting the rest into two rectangles, make the search grow
    // by up to 32 per level: a board with many small parts would take hours. Past the budget
    // the remaining sub-rectangles of that board are filled with strips (CCal2), which keeps
    // every layout cuttable and the result the same for any number of threads.
    static constexpr std::int64_t kFillBudget = 100000;
    std::int64_t Fills = 0;  // recursive fills of the current board layout

    // Stacks and remainders left out as unable to reach their need, over every fill so far.
    std::int64_t BoundCutOffs() const
    {
        std::int64_t cutOffs = 0;
        for (const auto& frame : m_frames) {
            cutOffs += frame->Bound.CutOffs + frame->StacksCutOff;
        }
        return cutOffs;
    }

    // Board layouts answered from the board memo (and from that of layouts short of their need).
    std::int64_t BoardMemoHits() const { return m_boards.Hits() + m_shortBoards.Hits(); }
    // Board layouts taken from another job's.
    std::int64_t BoardShareHits() const { return m_shareHits; }

private:
    // What LayoutBoard does on a sub-rectangle that nothing fits, less the copy: kLeftAsIs.
    int FillOfNothing();
    // LayoutBoard below the budget check, without the board memo; below the board kLeftAsIs where
    // it places nothing.
    int LayoutStack(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect,
                    double need, double available);

    // The working storage of one level of LayoutBoard's recursion, kept to reuse its buffers.
    struct Frame {
        BuzaiLists Working[2];  // what is left after the stack along x and along y
        std::vector<CAL2_LENBUZAI> AlongX;  // the pattern of the stack along x, and its strips
        std::int32_t AlongXStrips = 0;
        COutData Stack;
        COutData Best;
        BuzaiLists BestLeft;
        RemainderAttempt Chosen;
        RemainderScratch Scratch;
        RemainderBound Bound;
        std::int64_t StacksCutOff = 0;
    };
    // The layout of a board not in the memos: from the share or made by LayoutStack.
    int LayoutNewBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect,
                       double need, double available);
    BoardShare::Setup ShareSetup() const;

    BoardMemo m_boards;
    BoardMemo m_shortBoards;  // layouts short of their need, found by the same ask only
    int m_depth = 0;
    bool m_bounded = false;   // the board being laid out has a need: its fills have theirs
    SideIndex m_sides;        // the parts of the lists the board being laid out started with
    StripIndex m_strips;      // their entries by side, made at the board's first stack
    const BuzaiLists* m_boardLists = nullptr;  // those lists while the board is laid out
    FitFrom m_fitFrom{0, 0};  // where scans may start within the rectangle being filled
    std::vector<std::unique_ptr<Frame>> m_frames;  // by depth; frames never move
    std::shared_ptr<BoardShare> m_share;           // the group's, until this job ends
    bool m_shareKept = false;                      // an instance's: until it is destroyed
    std::int64_t m_shareHits = 0;
};
