#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "calc/CalHaichi.h"
#include "calc/engines/BlockRemainder.h"
#include "calc/engines/BoardMemo.h"
#include "calc/engines/SubFillMemo.h"

// The block engine: puts a grid of identical pieces into the corner of a free rectangle, cuts the
// rest into two rectangles and fills them recursively, trying two or four ways of cutting.
class CCal1 : public CCalHaichi {
public:
    CCal1() = default;
    CCal1(int candidateFlag, int areaFlag) : CandidateFlag(candidateFlag), AreaFlag(areaFlag) {}

    int CandidateFlag = 0;  // 0: two ways of cutting after each block, 1: four
    int AreaFlag = 0;       // part order: 0 longer side first, 1 area first
    bool UseMemo = true;    // answer boards and sub-rectangles from the memos (the same layouts either way)
    bool UseBound = true;   // leave out remainders that cannot win (the same layouts either way)
    bool UseScanStart = true;  // skip the entries an enclosing rectangle found too large (same either way)

    // Sub-rectangle fills one board layout may compute; those the memo answers cost nothing. A
    // board of many small parts makes millions (two or four ways of cutting after every block,
    // two fills each). Past the budget each remainder keeps the ways of cutting it has already
    // filled (RemainderBudget): the layout stays cuttable, and as the count depends only on the
    // job and what this engine did before, the result is the same for any number of threads.
    // Above the most any board of the bench jobs, the kitchen example or the public instances
    // computes, but one (the counts are in docs/performance.md).
    static constexpr std::int64_t kFillBudget = 3000000;
    std::int64_t FillBudget = kFillBudget;  // tests lower it
    std::int64_t Fills = 0;                 // sub-fills computed for the current board layout

    // A lookahead result: the first entry of a list that fits a rectangle and how many of it.
    struct FitResult {
        std::int32_t Entry = -1;  // position in the list; -1 when nothing fits
        std::int32_t Pieces = 0;
        std::int32_t List = 0;

        friend bool operator==(const FitResult&, const FitResult&) = default;
    };
    // One probe of the block choice: the block, what fits next to it and how tight it is.
    struct BlockProbe {
        FitResult Block;  // the block's entry and its nx x ny pieces
        FitResult Fit;
        std::int32_t Tightness = 0;  // min(leftover width, leftover height)
    };
    struct BlockShape {
        std::int32_t Nx = 0;
        std::int32_t Ny = 0;
        int Rotated = 0;

        friend bool operator==(const BlockShape&, const BlockShape&) = default;
    };

    void SetCalData(const CCalData& data) override;
    int LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                    const CalRect& rect) override;
    // The base's calculation; the sub-fill memo's memory is given back after it.
    void Calculate() override;
    std::unique_ptr<CCalHaichi> CreateInstance() const override;

    // The block of entry `entry` of list `list` in a window of width x height, as if the entry
    // had the pieces the block leaves. Nothing when no orientation fits or on a stop request. The
    // entries before `start` must be known not to fit the window widened by the kerf.
    std::optional<BlockShape> ChooseBlock(const BuzaiLists& working, std::int32_t list, std::int32_t entry,
                                          std::int32_t width, std::int32_t height,
                                          std::size_t start = 0) const;
    // The first entry of `entries` (list `list`) of which a piece fits into width x height, with
    // the pieces that fit (at most its count). Nothing (-1) on a stop request.
    FitResult FindFirstFit(const std::vector<CAL_BUZAI>& entries, std::int32_t list, std::int32_t width,
                           std::int32_t height) const;
    // An entry that a probe may find, with what the probe reads of it: the probes scan these
    // instead of the list and the part size table.
    struct ProbeEntry {
        std::int32_t Entry = 0;  // position in the list
        std::int32_t Count = 0;
        PartSize Size;
    };
    // The entries (of any count) from position `from` on of which a piece fits into width x height.
    void EntriesFitting(const std::vector<CAL_BUZAI>& entries, std::int32_t list, std::int32_t width,
                        std::int32_t height, std::vector<ProbeEntry>& among, std::size_t from = 0) const;
    // FindFirstFit over the entries `among` (in list order) only.
    FitResult FindFirstFitAmong(const std::vector<ProbeEntry>& among, std::int32_t list, std::int32_t width,
                                std::int32_t height) const;
    // The same from among[from] on; `at` receives the place in `among` of the entry found.
    FitResult FindFirstFitAmong(const std::vector<ProbeEntry>& among, std::size_t from, std::int32_t list,
                                std::int32_t width, std::int32_t height, std::size_t& at) const;
    // Whether probe `next` beats `best`. Here, not in the source file: the block choice compares
    // every probe, and a call made it wait for the probes to be stored.
    static bool IsBetterBlock(const BlockProbe& next, const BlockProbe& best)
    {
        // Pieces of the block's part: the block plus more of it next to the block.
        auto samePart = [](const BlockProbe& p) {
            return p.Fit.Entry == p.Block.Entry && p.Fit.List == p.Block.List ? p.Block.Pieces + p.Fit.Pieces
                                                                              : p.Block.Pieces;
        };
        const std::int32_t s = samePart(next), sBest = samePart(best);
        if (s != sBest) {
            return s > sBest;
        }
        if (next.Block.Pieces != best.Block.Pieces) {
            return next.Block.Pieces > best.Block.Pieces;
        }
        const bool fits = next.Fit.Entry >= 0, bestFits = best.Fit.Entry >= 0;
        if (fits != bestFits) {
            return fits;
        }
        if (fits) {
            if (next.Fit.List < best.Fit.List ||
                (next.Fit.List == best.Fit.List && next.Fit.Entry < best.Fit.Entry)) {
                return true;
            }
            if (next.Fit.List != best.Fit.List || next.Fit.Entry != best.Fit.Entry) {
                return false;
            }
            if (next.Fit.Pieces > best.Fit.Pieces) {
                return true;
            }
        }
        return next.Tightness < best.Tightness;
    }

    // The block shapes for mx x my pieces that fit and c pieces wanted: rows first, then columns
    // first unless only one piece fits.
    struct BlockShapes {
        BlockShape Items[2];
        int Count = 0;
    };
    static BlockShapes ShapesFor(std::int32_t mx, std::int32_t my, std::int32_t c, int rotated);

    // Board layouts answered from the board memo.
    std::int64_t BoardMemoHits() const { return m_boards.Hits(); }
    // Sub-rectangle fills answered from the sub-fill memo.
    std::int64_t SubFillMemoHits() const { return m_fills.Hits(); }
    // Attempts the bound left out.
    std::int64_t BoundCutOffs() const
    {
        std::int64_t cutOffs = 0;
        for (const auto& frame : m_frames) {
            cutOffs += frame->Bound.CutOffs;
        }
        return cutOffs;
    }

private:
    // LayoutBoard without the board memo.
    // A layout of at least `need` parts area when one exists (the best); otherwise one placing less.
    // `available`: the parts area of remaining's list 0 when the caller told it, else negative.
    int LayoutBlock(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect,
                    double need, double available);

    // The working storage of one level of LayoutBoard's recursion, kept to reuse its buffers.
    struct Frame {
        BuzaiLists Working;
        RemainderAttempt Chosen;
        RemainderScratch Scratch;
        RemainderBound Bound;
        SubFillMemo::Key Key;  // of the sub-fill memo
    };
    Frame& FrameAt(std::size_t level);
    mutable std::vector<ProbeEntry> m_probeEntries;  // ChooseBlock's entries that can fit
    BoardMemo m_boards;
    SubFillMemo m_fills;
    int m_depth = 0;
    // One more computed sub-fill of the current board layout.
    void CountFill()
    {
        if (++Fills == FillBudget + 1) {
            ++SubFillsCutShort;
        }
    }
    FitFrom m_fitFrom{0, 0};  // where scans may start within the rectangle being filled
    // Where the sub-fill memo's keys may start within the rectangle being filled: the entries
    // before do not fit it widened by the kerf.
    FitFrom m_keyFrom{0, 0};
    // Sets the keys' start for the fills within one rectangle; leaving restores it.
    class KeyFromScope {
    public:
        KeyFromScope(FitFrom& from, FitFrom within) : m_from(from), m_outer(std::exchange(from, within)) {}
        ~KeyFromScope() { m_from = m_outer; }
        KeyFromScope(const KeyFromScope&) = delete;
        KeyFromScope& operator=(const KeyFromScope&) = delete;

    private:
        FitFrom& m_from;
        FitFrom m_outer;
    };
    std::vector<std::unique_ptr<Frame>> m_frames;  // by depth; frames never move
};
