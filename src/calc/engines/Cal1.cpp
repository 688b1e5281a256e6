#include "calc/engines/Cal1.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/Tolerance.h"
#include "calc/engines/BlockRemainder.h"
#include "calc/engines/PartOrder.h"
#include "job/Buzai.h"

void CCal1::SetCalData(const CCalData& data)
{
    PrepareGroup(*this, data, AreaFlag);
}

std::unique_ptr<CCalHaichi> CCal1::CreateInstance() const
{
    return EngineWith(*this, &CCal1::CandidateFlag, &CCal1::AreaFlag, &CCal1::UseMemo, &CCal1::UseBound,
                      &CCal1::UseScanStart, &CCal1::FillBudget);
}

namespace {

// A piece of the part fits into a x b as it is, or turned when it may turn. No kerf: the last
// piece needs none after it.
inline bool FitsOnce(const CCalHaichi::PartSize& part, std::int64_t a, std::int64_t b)
{
    const std::int64_t w = part.Width, h = part.Height;
    return (w <= a && h <= b) || (part.NoTurn == 0 && h <= a && w <= b);
}

// Pieces of the part that fit into a x b (turned too when the part may turn), at most `count`;
// 0 when not one fits. k is the kerf.
std::int64_t PiecesIn(std::int32_t count, const CCalHaichi::PartSize& part, std::int64_t a, std::int64_t b,
                      std::int64_t k)
{
    const std::int64_t w = part.Width, h = part.Height;
    // Not one piece either way: the quotients below would be 0.
    if (count < 1 || !FitsOnce(part, a, b)) {
        return 0;
    }
    // One piece fits, so the quotients make at least one.
    if (count == 1) {
        return 1;
    }
    const std::int64_t ak = a + k, bk = b + k, wk = w + k, hk = h + k;
    const auto pieces = [&part](auto across, auto along, auto width, auto height) {
        std::int64_t n = static_cast<std::int64_t>(along / height) * static_cast<std::int64_t>(across / width);
        if (part.NoTurn == 0) {
            n = std::max(n, static_cast<std::int64_t>(across / height) * static_cast<std::int64_t>(along / width));
        }
        return n;
    };
    // The same quotients in 32 bits where the numbers fit, which divide faster.
    const std::int64_t n =
        static_cast<std::uint64_t>(ak | bk | wk | hk) >> 32 == 0
            ? pieces(static_cast<std::uint32_t>(ak), static_cast<std::uint32_t>(bk), static_cast<std::uint32_t>(wk),
                     static_cast<std::uint32_t>(hk))
            : pieces(ak, bk, wk, hk);
    return std::min<std::int64_t>(n, count);
}

// CCal1::FindFirstFitAmong, inlined into the block choice: returned through memory, its result
// was read back at once as one wider value, which waits for the two stores to finish.
[[gnu::always_inline]] inline CCal1::FitResult FirstFitAmong(const CCal1& engine,
                                                             const std::vector<CCal1::ProbeEntry>& among,
                                                             std::size_t from, std::int32_t list,
                                                             std::int32_t width, std::int32_t height,
                                                             std::size_t& at)
{
    if (engine.StopRequest) {
        return {};
    }
    for (at = from; at < among.size(); ++at) {
        const CCal1::ProbeEntry& entry = among[at];
        // The test first, the quotients only for the one found.
        if (entry.Count >= 1 && FitsOnce(entry.Size, width, height)) {
            const std::int64_t pieces = PiecesIn(entry.Count, entry.Size, width, height, engine.NokoHaba);
            if (pieces >= 1) {
                return CCal1::FitResult{entry.Entry, static_cast<std::int32_t>(pieces), list};
            }
        }
    }
    return {};
}

}  // namespace

CCal1::FitResult CCal1::FindFirstFit(const std::vector<CAL_BUZAI>& entries, std::int32_t list,
                                     std::int32_t width, std::int32_t height) const
{
    if (StopRequest) {
        return {};
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::int64_t pieces =
            PiecesIn(entries[i].Count, Size(list, entries[i].Number), width, height, NokoHaba);
        if (pieces >= 1) {
            return FitResult{static_cast<std::int32_t>(i), static_cast<std::int32_t>(pieces), list};
        }
    }
    return {};
}

void CCal1::EntriesFitting(const std::vector<CAL_BUZAI>& entries, std::int32_t list, std::int32_t width,
                           std::int32_t height, std::vector<ProbeEntry>& among, std::size_t from) const
{
    // Whatever its count: the probes change it. A piece that fits makes at least one.
    among.clear();
    for (std::size_t i = from; i < entries.size(); ++i) {
        const PartSize size = Size(list, entries[i].Number);
        if (FitsOnce(size, width, height)) {
            among.push_back(ProbeEntry{static_cast<std::int32_t>(i), entries[i].Count, size});
        }
    }
}

CCal1::FitResult CCal1::FindFirstFitAmong(const std::vector<ProbeEntry>& among, std::int32_t list,
                                          std::int32_t width, std::int32_t height) const
{
    std::size_t at = 0;
    return FindFirstFitAmong(among, 0, list, width, height, at);
}

CCal1::FitResult CCal1::FindFirstFitAmong(const std::vector<ProbeEntry>& among, std::size_t from,
                                          std::int32_t list, std::int32_t width, std::int32_t height,
                                          std::size_t& at) const
{
    return FirstFitAmong(*this, among, from, list, width, height, at);
}

CCal1::BlockShapes CCal1::ShapesFor(std::int32_t mx, std::int32_t my, std::int32_t c, int rotated)
{
    BlockShapes shapes;
    shapes.Items[shapes.Count++] =
        mx < c ? BlockShape{mx, std::min(my, c / mx), rotated} : BlockShape{c, 1, rotated};
    if (mx != 1 || my != 1) {
        shapes.Items[shapes.Count++] =
            my < c ? BlockShape{std::min(mx, c / my), my, rotated} : BlockShape{1, c, rotated};
    }
    return shapes;
}

std::optional<CCal1::BlockShape> CCal1::ChooseBlock(const BuzaiLists& working, std::int32_t list,
                                                    std::int32_t entry, std::int32_t width,
                                                    std::int32_t height, std::size_t start) const
{
    if (StopRequest) {
        return std::nullopt;
    }
    const std::vector<CAL_BUZAI>& entries = working.at(static_cast<std::size_t>(list));
    const CAL_BUZAI& e = entries.at(static_cast<std::size_t>(entry));
    const CBuzai& part = Part(list, e.Number);
    const std::int32_t c = e.Count;
    const std::int64_t k = NokoHaba;

    // Every probe window lies within (width + k) x (height + k): a block of mx pieces reaches
    // mx (sx + k) <= width + k. Only the entries that fit there can be found by the probes.
    std::vector<ProbeEntry>& among = m_probeEntries;
    EntriesFitting(entries, list, static_cast<std::int32_t>(width + k), static_cast<std::int32_t>(height + k),
                   among, std::min<std::size_t>(start, static_cast<std::size_t>(entry)));
    // The block's own entry, which the probes see with the pieces the block leaves; none when it
    // does not fit the window (nor any block of it).
    ProbeEntry* self = nullptr;
    for (ProbeEntry& p : among) {
        if (p.Entry == entry) {
            self = &p;
            break;
        }
    }

    std::optional<BlockShape> chosen;
    BlockProbe best;
    // The probes' findings for the last block's extent (which gives its pieces too). Blocks of one
    // piece (both shapes of a count of 1) and a square part's two turns repeat them.
    FitResult fits[4];
    std::int64_t fitsBx = -1, fitsBy = -1;
    for (int rotated = 0; rotated < (part.NoTurn ? 1 : 2); ++rotated) {
        const std::int64_t sx = rotated ? part.Height : part.Width;
        const std::int64_t sy = rotated ? part.Width : part.Height;
        // The last piece needs no kerf after it. The shapes take no more than c pieces along
        // either side, so the counts stop there (most often 1, without a division).
        const auto along = [c, k](std::int64_t length, std::int64_t side) {
            return c >= 1 && length + k >= c * (side + k) ? c
                                                          : static_cast<std::int32_t>((length + k) / (side + k));
        };
        const std::int32_t mx = along(width, sx);
        const std::int32_t my = along(height, sy);
        if (mx < 1 || my < 1) {
            continue;
        }

        const BlockShapes shapes = ShapesFor(mx, my, c, rotated);
        for (int s = 0; s < shapes.Count; ++s) {
            const BlockShape& shape = shapes.Items[s];
            const std::int64_t bx = shape.Nx * (sx + k), by = shape.Ny * (sy + k);
            const std::int32_t d = static_cast<std::int32_t>(width - bx);
            const std::int32_t eh = static_cast<std::int32_t>(height - by);
            const std::int32_t pieces = shape.Nx * shape.Ny;
            const std::int32_t probes[4][2] = {{d, height},
                                               {static_cast<std::int32_t>(bx), eh},
                                               {width, eh},
                                               {d, static_cast<std::int32_t>(by)}};
            if (bx != fitsBx || by != fitsBy) {
                fitsBx = bx;
                fitsBy = by;
                if (self) {
                    self->Count = c - pieces;
                }
                // What fits a window fits every window holding it: the probe of a window within one
                // searched before starts where that one found its fit, and finds nothing if it found
                // nothing. The right-hand windows first: the others lie within them.
                std::size_t found[4] = {};
                static constexpr int kSearchOrder[4] = {0, 2, 1, 3};
                for (int o = 0; o < 4; ++o) {
                    const int j = kSearchOrder[o];
                    std::size_t from = 0;
                    bool none = false;
                    for (int before = 0; before < o; ++before) {
                        const int i = kSearchOrder[before];
                        if (probes[i][0] >= probes[j][0] && probes[i][1] >= probes[j][1]) {
                            none = none || fits[i].Entry < 0;
                            from = std::max(from, found[i]);
                        }
                    }
                    fits[j] = none ? FitResult{}
                                   : FirstFitAmong(*this, among, from, list, probes[j][0], probes[j][1], found[j]);
                }
            }
            for (const FitResult& fit : fits) {
                BlockProbe next;
                next.Block = FitResult{entry, pieces, list};
                next.Fit = fit;
                next.Tightness = std::min(d, eh);
                if (!chosen || IsBetterBlock(next, best)) {
                    best = next;
                    chosen = shape;
                }
            }
        }
    }
    return chosen;
}

void CCal1::Calculate()
{
    CCalHaichi::Calculate();
    m_fills.Release();  // the run keeps finished engines until it ends
    if (!KeepBoundTable) {
        ReleaseBoundTable();
    }
}

CCal1::Frame& CCal1::FrameAt(std::size_t level)
{
    while (m_frames.size() <= level) {
        m_frames.push_back(std::make_unique<Frame>());
    }
    return *m_frames[level];
}

int CCal1::LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    const LayoutNeed taken = TakeNeed();
    const double need = taken.Area, available = taken.Available;
    if (m_depth == 0) {
        Fills = 0;
        TakeBoundTables();
    }
    if (!UseMemo || StopRequest || &left == &remaining) {
        if (m_depth > 0) {
            CountFill();
            return LayoutBlock(remaining, left, layout, rect, need, available);
        }
        const int result = LayoutBlock(remaining, left, layout, rect, need, available);
        MostSubFills = std::max(MostSubFills, Fills);
        return result;
    }
    const std::size_t blocks = layout.Blocks.size(), cuts = layout.CutLines.size();
    const double partsArea = layout.PartsArea, totalArea = layout.TotalArea;
    if (m_depth > 0) {
        m_fills.Validate(SizesGeneration(), NokoHaba, MaxCutSize);
        SubFillMemo::Key& key = FrameAt(static_cast<std::size_t>(m_depth)).Key;
        SubFillMemo::MakeKey(*this, remaining, rect, m_keyFrom, key);
        if (key.Length == SubFillMemo::kHead) {
            // Not a piece fits, widened by the kerf or not: the fill leaves everything, which the
            // remainder fill (the only caller below the board) takes without a copy.
            return kLeftAsIs;
        }
        if (const SubFillMemo::Entry* known = m_fills.Find(key, need)) {
            SubFillMemo::Apply(*known, key, remaining, left, layout, rect);
            return known->Result;
        }
        const KeyFromScope within(m_keyFrom, key.First);
        CountFill();
        const int result = LayoutBlock(remaining, left, layout, rect, need, available);
        // A fill that ended past the budget may not be the engine's own: it is not kept.
        if (!StopRequest && Fills <= FillBudget) {
            m_fills.Store(key, need, result, layout, blocks, cuts, partsArea, totalArea, left, rect);
        }
        return result;
    }
    m_boards.Validate(SizesGeneration(), NokoHaba, MaxCutSize);
    const KeyFromScope whole(m_keyFrom, {0, 0});
    if (const BoardMemo::Entry* known = m_boards.Find(remaining, rect)) {
        Fills = known->Extra;
        SubFillsCutShort += Fills > FillBudget ? 1 : 0;
        BoardMemo::Apply(*known, left, layout, rect);
        return known->Result;
    }
    const int result = LayoutBlock(remaining, left, layout, rect, need, available);
    MostSubFills = std::max(MostSubFills, Fills);
    // A layout short of its need may not be the board's own: the memo keeps only the board's own.
    if (!StopRequest && !DoubleLess(layout.PartsArea - partsArea, need)) {
        m_boards.Store(remaining, rect, result, layout, blocks, cuts, partsArea, totalArea, left, Fills);
    }
    return result;
}

int CCal1::LayoutBlock(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect,
                       double need, double available)
{
    const FirstFit first = StopRequest ? FirstFit{} : FirstFitting(remaining, rect, m_fitFrom);
    if (first.List < 0) {
        left = remaining;
        return 0;
    }
    const std::int32_t list = first.List;
    const auto entry = static_cast<std::int32_t>(first.Entry);

    // The block stays within the cutting limit in both directions.
    const std::int64_t limit = MaxCutSize;
    const std::int32_t windowWidth = static_cast<std::int32_t>(std::min<std::int64_t>(rect.Width(), limit));
    const std::int32_t windowHeight = static_cast<std::int32_t>(std::min<std::int64_t>(rect.Height(), limit));
    const bool wOk = rect.Width() <= limit;
    const bool hOk = rect.Height() <= limit;

    // The deeper levels use the frames after this one; nothing of this frame outlives the call.
    Frame& f = FrameAt(static_cast<std::size_t>(m_depth));
    BuzaiLists& working = f.Working;
    working = remaining;
    // The entries before the key's start do not fit the rectangle widened by the kerf.
    const std::optional<BlockShape> shape = ChooseBlock(working, list, entry, windowWidth, windowHeight,
                                                        m_keyFrom[static_cast<std::size_t>(list)]);
    if (!shape) {
        left = remaining;
        return 0;
    }

    std::vector<CAL_BUZAI>& entries = working[static_cast<std::size_t>(list)];
    const CAL_BUZAI placed = entries[static_cast<std::size_t>(entry)];
    const CBuzai& part = Part(list, placed.Number);
    entries[static_cast<std::size_t>(entry)].Count -= shape->Nx * shape->Ny;
    if (entries[static_cast<std::size_t>(entry)].Count < 1) {
        entries.erase(entries.begin() + entry);
    }
    layout.Blocks.emplace_back(placed.Number, list, rect.X0, rect.Y0, shape->Nx, shape->Ny, shape->Rotated);
    const double area = static_cast<double>(part.Width) * part.Height * shape->Nx * shape->Ny;
    layout.TotalArea += area;
    if (list == 0) {
        layout.PartsArea += area;
    }

    const std::int32_t k = NokoHaba;
    const std::int32_t sx = shape->Rotated ? part.Height : part.Width;
    const std::int32_t sy = shape->Rotated ? part.Width : part.Height;
    const BlockCorner corner{rect, rect.X0 + shape->Nx * (sx + k), rect.Y0 + shape->Ny * (sy + k), wOk, hOk};
    const FillLevel deeper(m_depth, m_fitFrom,
                           UseScanStart ? FitFromWithin(remaining, first, m_fitFrom) : m_fitFrom);
    if (UseBound) {
        if (!f.Bound.Of) {
            f.Bound.Of = [this](const CalRect& r, double available) {
                return BoardPartsAreaBound(r, available);
            };
            f.Bound.ChildNeed = &m_need;
        }
        f.Bound.Need = need - (list == 0 ? area : 0.0);
        f.Bound.Available = AvailableOf(remaining, available) - (list == 0 ? area : 0.0);
    }
    const RemainderBudget budget{&Fills, FillBudget};
    const bool reached = FillRemainderInto(
        corner, k, CandidateFlag, working, layout.BoardNo,
        [this](const BuzaiLists& in, BuzaiLists& out, COutData& record, const CalRect& r) {
            return LayoutBoard(in, out, record, r);
        },
        ByBlockMeasures, f.Scratch, f.Chosen, UseBound ? &f.Bound : nullptr, &budget);
    if (!reached) {
        // The block and any remainder place less than `need`: the block alone does too.
        left = working;
        return 1;
    }
    std::swap(left, f.Chosen.Left);
    AddRemainder(f.Chosen, layout);
    return 1;
}
