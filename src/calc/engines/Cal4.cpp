#include "calc/engines/Cal4.h"

#include <algorithm>
#include <limits>

#include "base/CalcError.h"
#include "base/ExchangeSort.h"
#include "base/Tolerance.h"
#include "job/Buzai.h"

namespace {

// A rectangle given by its extents along axis `along` and across it.
CalRect AxisRect(int along, std::int32_t alongLow, std::int32_t alongHigh, std::int32_t acrossLow,
                 std::int32_t acrossHigh)
{
    if (along == 0) {
        return CalRect{alongLow, acrossLow, alongHigh, acrossHigh};
    }
    return CalRect{acrossLow, alongLow, acrossHigh, alongHigh};
}

// A cut line across the row (along axis 1 - along) at position `at` along.
CUTMARK CutAcross(int along, std::int32_t at, std::int32_t acrossLow, std::int32_t acrossHigh)
{
    if (along == 0) {
        return CUTMARK{at, acrossLow, at, acrossHigh};
    }
    return CUTMARK{acrossLow, at, acrossHigh, at};
}

// Σ length × size across × pieces of a row choice.
double RowArea(const std::vector<CAL4_LENBUZAI>& items)
{
    std::int64_t area = 0;
    for (const CAL4_LENBUZAI& item : items) {
        area += static_cast<std::int64_t>(item.Length) * item.Across * item.Pieces;
    }
    return static_cast<double>(area);
}

// The row fill's items for LengthFill: both orientations of a part share its pieces; the gain of
// an exchange is measured by length (second flag 0) or by the area of the refill (1).
struct RowFillRules {
    std::int32_t Kerf = 0;
    int Order = 0;
    const std::atomic<int>& Stop;
    int SecondFlag = 0;
    bool RefillBound = true;

    bool Stopped() const { return Stop != 0; }
    std::size_t Slot(const CAL4_LENBUZAI& c, std::size_t) const { return static_cast<std::size_t>(c.Sub); }
    std::size_t ChosenSlot(const CAL4_LENBUZAI& c) const { return static_cast<std::size_t>(c.Sub); }
    bool Allowed(const CAL4_LENBUZAI& c) const { return c.Avail != 0; }
    CAL4_LENBUZAI Take(const CAL4_LENBUZAI& c, std::size_t, std::int32_t pieces) const
    {
        return CAL4_LENBUZAI{c.Length, c.Across, pieces, c.Sub, c.Rotated, 1};
    }
    bool SameItem(const CAL4_LENBUZAI& a, const CAL4_LENBUZAI& b) const
    {
        return a.Sub == b.Sub && a.Rotated == b.Rotated;
    }
    // Nothing reads what the row fills' passes did (their trace): a refill that cannot gain need
    // not be made.
    bool SkipsHopelessRefills() const { return RefillBound; }
    double MeasureOf(const CAL4_LENBUZAI& c) const
    {
        return SecondFlag == 0 ? c.Length : static_cast<double>(c.Length) * c.Across;
    }
    double WidthOf(const CAL4_LENBUZAI& c) const { return c.Across; }
    bool CannotGain(const CAL4_LENBUZAI& removed, const RefillReach& reach, std::int32_t remaining,
                    const ExchangeGain& best) const
    {
        const double length = static_cast<double>(remaining) + removed.Length;  // the refill's
        if (SecondFlag == 0) {
            // A refill that gains takes two pieces or more (one is shorter than the piece given
            // back), with a kerf between them that it cannot use.
            const double most = std::min(reach.Measure, length - Kerf);
            return most <= static_cast<double>(removed.Length + best.Length);
        }
        // Its area, at most its length (the row's or its pieces') times its widest piece, passes
        // neither the piece's area nor the best refill's.
        const double most = std::min(reach.Measure, std::min(reach.Length, length) * reach.Widest);
        return most <= std::max(static_cast<double>(removed.Length) * removed.Across, best.Area);
    }
    bool Gains(const CAL4_LENBUZAI& removed, const std::vector<CAL4_LENBUZAI>& refill, std::int32_t used,
               ExchangeGain& best) const
    {
        if (SecondFlag == 0) {
            if (used <= removed.Length + best.Length) {
                return false;
            }
        } else {
            // More area than the piece given back and than the best refill so far.
            const double area = RowArea(refill);
            const double removedArea = static_cast<double>(removed.Length) * removed.Across;
            if (!DoubleGreater(area, removedArea) || !DoubleGreater(area, best.Area)) {
                return false;
            }
            best.Area = area;
        }
        best.Length = static_cast<std::int64_t>(used) - removed.Length;
        return true;
    }
};

// The attempt choice of LayoutBoard: more parts area, then more total area.
bool BetterAttempt(const COutData& attempt, const COutData& best)
{
    if (DoubleGreater(attempt.PartsArea, best.PartsArea)) {
        return true;
    }
    return DoubleEqual(attempt.PartsArea, best.PartsArea) && DoubleGreater(attempt.TotalArea, best.TotalArea);
}

}  // namespace

int CCal4::LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    if (StopRequest) {
        left = remaining;
        return 0;
    }
    // A row along x is parted by cuts over the whole height, a row along y by cuts over the width.
    const bool wOk = rect.Width() <= MaxCutSize;
    const bool hOk = rect.Height() <= MaxCutSize;

    bool found = false;
    COutData best;
    BuzaiLists bestLeft;
    for (int d = 0; d < 2; ++d) {
        if (!(d == 0 ? hOk : wOk)) {
            continue;
        }
        for (int mode = 0; mode < 2; ++mode) {
            COutData attempt;
            attempt.BoardNo = layout.BoardNo;
            BuzaiLists out;
            if (!LayoutRowFirst(0, mode, d, remaining, out, attempt, rect)) {
                continue;
            }
            if (!found || BetterAttempt(attempt, best)) {
                best = std::move(attempt);
                bestLeft = std::move(out);
                found = true;
            }
        }
    }
    if (!found) {
        left = remaining;
        return 0;
    }
    left = std::move(bestLeft);
    best.BoardNo = layout.BoardNo;
    layout = std::move(best);
    return 1;
}

void CCal4::Calculate()
{
    m_tookRun = TakeEndedRun();
    if (m_tookRun) {
        return;
    }
    CCal2::Calculate();
    m_rowFills.Release();  // the run keeps finished engines until it ends
    if (m_ended && Order == 0 && !StopRequest && State != kStateStopped) {
        const std::lock_guard<std::mutex> hold(m_ended->Lock);
        m_ended->Jobs.push_back(this);
    }
}

bool CCal4::TakeEndedRun()
{
    if (!m_ended || Order != 0) {
        return false;
    }
    const std::lock_guard<std::mutex> hold(m_ended->Lock);
    for (const CCal4* job : m_ended->Jobs) {
        if (job->Level == Level && job->AreaFlag == AreaFlag) {  // only runs of effort 0 are kept
            // Cleared as Calculate would clear it, also when a copy throws.
            struct RunningReset {
                std::atomic<int>& flag;
                ~RunningReset() { flag = 0; }
            } leaving{Running};
            Ret = job->Ret;
            LeftYBuzai = job->LeftYBuzai;
            SearchCutShort = job->SearchCutShort;
            SubFillsCutShort = job->SubFillsCutShort;
            MostSubFills = job->MostSubFills;
            State = StopRequest ? kStateStopped : job->State;
            SetProgress(100);
            return true;
        }
    }
    return false;
}

void CCal4::JoinGroupJob(CCalHaichi& before)
{
    if (auto* rows = dynamic_cast<CCal4*>(&before)) {
        if (!rows->m_ended) {
            rows->m_ended = std::make_shared<EndedRuns>();
        }
        m_ended = rows->m_ended;
    }
}

std::unique_ptr<CCalHaichi> CCal4::CreateInstance() const
{
    return EngineWith(*this, &CCal4::Order, &CCal4::Level, &CCal4::UseRowMemo, &CCal4::UseRefillBound);
}

int CCal4::LayoutRowFirst(int depth, int mode, int d, const BuzaiLists& in, BuzaiLists& out, COutData& layout,
                          const CalRect& rect)
{
    const int along = d, across = 1 - d;
    const std::int32_t k = NokoHaba;
    BuzaiLists work = in;

    // Secondary parts never stand in the row.
    const std::size_t rowBegin = layout.Blocks.size();
    std::vector<CAL_BUZAI> afterRow;
    if (!PlaceFirstRow(0, along, across, work[0], afterRow, layout, rect)) {
        out = in;
        return 0;
    }
    work[0] = std::move(afterRow);

    struct RowItem {
        std::int32_t start;   // position along of the first piece
        std::int32_t length;  // one piece along
        std::int32_t across;  // one piece across
        std::int32_t pieces;
    };
    std::vector<RowItem> row;
    for (std::size_t b = rowBegin; b < layout.Blocks.size(); ++b) {
        const CHaichi& block = layout.Blocks[b];
        const CBuzai& part = Part(block.List, block.Number);
        row.push_back(RowItem{along == 0 ? block.X : block.Y, PieceSize(part, block.Rotated, along),
                              PieceSize(part, block.Rotated, across), along == 0 ? block.Nx : block.Ny});
    }

    const std::int32_t low = Low(rect, across), far = High(rect, across);
    const std::int32_t end = High(rect, along);
    std::int32_t restStart = Low(rect, along);  // the row's end + kerf
    for (const RowItem& item : row) {
        restStart += (item.length + k) * item.pieces;
    }

    const bool merge = Level == 3 && rect.Width() <= MaxCutSize && rect.Height() <= MaxCutSize;
    std::int32_t restFar = far;
    if (!merge) {
        // A column above every piece, exactly as wide as the piece is long.
        for (const RowItem& item : row) {
            for (std::int32_t p = 0; p < item.pieces; ++p) {
                const std::int32_t start = item.start + p * (item.length + k);
                const CalRect column =
                    AxisRect(along, start, start + item.length, low + item.across + k, far);
                BuzaiLists columnOut;
                FillColumn(0, mode, across, work, columnOut, layout, column);
                work = std::move(columnOut);
                if (depth == 0) {
                    layout.CutLines.push_back(CutAcross(along, start + item.length + k / 2, low, far));
                }
            }
        }
    } else {
        // Runs of equal size across share one column. The last run's column reaches the
        // rectangle's end along, so the rest beyond the row lies under it: from the row's end + kerf
        // to the end along, and across only as far as the last run's pieces (low + their size).
        // Cuts stay straight through: the cut before each run crosses the whole rectangle; beyond
        // the last of them one cut along at the run's far edge + kerf / 2 runs from the run's start
        // to the end, because the run's pieces and the rest end at the same edge across; below it
        // one cut across at the row's end + kerf / 2 parts the run from the rest. The rest and the
        // column keep a kerf between them, and both lie inside the rectangle.
        std::size_t i = 0;
        while (i < row.size()) {
            std::size_t j = i;
            while (j + 1 < row.size() && row[j + 1].across == row[i].across) {
                ++j;
            }
            std::int32_t runEnd = row[i].start;
            for (std::size_t r = i; r <= j; ++r) {
                runEnd += (row[r].length + k) * row[r].pieces;
            }
            runEnd -= k;
            const bool last = j + 1 == row.size();
            const CalRect column =
                AxisRect(along, row[i].start, last ? end : runEnd, low + row[i].across + k, far);
            BuzaiLists columnOut;
            LayoutStrips(0, mode, across, work, columnOut, layout, column);
            work = std::move(columnOut);
            if (depth == 0 && !last) {
                layout.CutLines.push_back(CutAcross(along, runEnd + k / 2, low, far));
            }
            if (last) {
                restFar = low + row[i].across;
            }
            i = j + 1;
        }
    }

    const CalRect rest = AxisRect(along, restStart, end, low, restFar);
    BuzaiLists restOut;
    LayoutStrips(0, mode, across, work, restOut, layout, rest);
    out = std::move(restOut);
    return 1;
}

int CCal4::PlaceFirstRow(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                         std::vector<CAL_BUZAI>& out, COutData& layout, const CalRect& rect)
{
    const std::int32_t k = NokoHaba;
    std::vector<CAL4_LENBUZAI>& candidates = m_rowCandidates;
    candidates.clear();
    LenBuzaiSub.clear();
    for (std::size_t e = 0; e < in.size(); ++e) {
        const CBuzai& part = Part(list, in[e].Number);
        const auto sub = static_cast<std::int32_t>(LenBuzaiSub.size());
        bool any = false;
        if (FitsAs(part, 0, rect)) {
            candidates.push_back(
                CAL4_LENBUZAI{PieceSize(part, 0, along), PieceSize(part, 0, across), 0, sub, 0, 1});
            any = true;
        }
        if (part.NoTurn == 0 && FitsAs(part, 1, rect)) {
            candidates.push_back(
                CAL4_LENBUZAI{PieceSize(part, 1, along), PieceSize(part, 1, across), 0, sub, 1, 1});
            any = true;
        }
        if (any) {
            LenBuzaiSub.push_back(CAL4_LENBUZAI_SUB{in[e].Number, static_cast<std::int32_t>(e), in[e].Count});
        }
    }
    // Longer first, then wider.
    ExchangeSortByRank(candidates, m_sortRanks,
                       [](const CAL4_LENBUZAI& c) { return FallingRank(c.Length, c.Across); });

    std::vector<CAL4_LENBUZAI>& chosen = m_rowChosen;
    std::int32_t remaining = 0, used = 0;
    FillRowLength(High(rect, along) - Low(rect, along), candidates, chosen, remaining, used);

    // Pieces of equal size across stand together; the group with the least total length first.
    ExchangeSortByRank(chosen, m_sortRanks,
                       [](const CAL4_LENBUZAI& c) { return FallingRank(c.Across, c.Length); });
    struct Group {
        std::size_t first, last;  // inclusive, in sorted order
        std::int64_t length;
    };
    std::vector<Group> groups;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const std::int64_t length = static_cast<std::int64_t>(chosen[i].Length) * chosen[i].Pieces;
        if (!groups.empty() && chosen[groups.back().first].Across == chosen[i].Across) {
            groups.back().last = i;
            groups.back().length += length;
        } else {
            groups.push_back(Group{i, i, length});
        }
    }
    std::vector<CAL4_LENBUZAI>& ordered = m_rowOrdered;
    ordered.clear();
    while (!groups.empty()) {
        std::size_t pick = 0;
        for (std::size_t g = 1; g < groups.size(); ++g) {
            if (groups[g].length < groups[pick].length) {
                pick = g;
            }
        }
        for (std::size_t i = groups[pick].first; i <= groups[pick].last; ++i) {
            ordered.push_back(chosen[i]);
        }
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(pick));
    }

    out = in;
    if (ordered.empty()) {
        return 0;
    }

    std::int32_t position = Low(rect, along);
    const std::int32_t edge = Low(rect, across);
    for (const CAL4_LENBUZAI& item : ordered) {
        const CAL4_LENBUZAI_SUB& sub = CheckedAt(LenBuzaiSub, item.Sub, "row entry");
        const CBuzai& part = Part(list, sub.Number);
        if (along == 0) {
            layout.Blocks.emplace_back(sub.Number, list, position, edge, item.Pieces, 1, item.Rotated);
        } else {
            layout.Blocks.emplace_back(sub.Number, list, edge, position, 1, item.Pieces, item.Rotated);
        }
        const double area = static_cast<double>(part.Width) * part.Height * item.Pieces;
        layout.TotalArea += area;
        if (list == 0) {
            layout.PartsArea += area;
        }
        position += (item.Length + k) * item.Pieces;
        CheckedAt(out, sub.Entry, "part entry").Count -= item.Pieces;
    }
    DropUsedUp(out);
    return 1;
}

void CCal4::FillRowLength(std::int32_t length, const std::vector<CAL4_LENBUZAI>& candidates,
                          std::vector<CAL4_LENBUZAI>& chosen, std::int32_t& remaining, std::int32_t& used)
{
    m_fillAvailable.clear();
    for (const CAL4_LENBUZAI_SUB& sub : LenBuzaiSub) {
        m_fillAvailable.push_back(sub.Pieces);
    }
    if (UseRowMemo) {
        m_rowFills.Validate(NokoHaba, Order, SecondFlag);
        if (const auto* known = m_rowFills.Find(length, candidates, m_fillAvailable)) {
            chosen = known->Chosen;
            remaining = known->Remaining;
            used = known->Used;
            return;
        }
    }
    const RowFillRules rules{NokoHaba, Order, StopRequest, SecondFlag, UseRefillBound};
    LengthFill<CAL4_LENBUZAI, RowFillRules>(rules, m_lengthFill)
        .Fill(length, candidates, std::numeric_limits<std::int32_t>::max(), m_fillAvailable, chosen,
              remaining, used);
    if (UseRowMemo && !StopRequest) {
        m_rowFills.Store(length, candidates, m_fillAvailable, chosen, remaining, used);
    }
}

int CCal4::FillColumn(int depth, int mode, int direction, const BuzaiLists& in, BuzaiLists& out,
                      COutData& layout, const CalRect& column)
{
    if (StopRequest) {
        out = in;
        return 0;
    }
    const int along = direction, across = 1 - direction;
    const std::int32_t thickness = High(column, across) - Low(column, across);
    const std::size_t blocks = layout.Blocks.size();

    std::vector<CAL_BUZAI> parts;
    const CalRect left = FillStrip(0, along, across, in[0], parts, layout, thickness, column);
    if (Level < 2 && depth >= Level) {
        out[0] = std::move(parts);
        FillStrip(1, along, across, in[1], out[1], layout, thickness, left);
    } else {
        const BuzaiLists rest{std::move(parts), in[1]};
        LayoutStrips(depth + 1, mode, across, rest, out, layout, left);
    }
    return layout.Blocks.size() > blocks ? 1 : 0;
}
