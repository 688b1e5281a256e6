#include "calc/engines/Cal2.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "base/Tolerance.h"
#include "calc/engines/PartOrder.h"
#include "job/Buzai.h"

namespace {

// The strip fill's items for LengthFill: every candidate counts its own pieces.
struct StripFillRules {
    std::int32_t Kerf = 0;
    int Order = 0;
    const std::atomic<int>& Stop;

    bool Stopped() const { return Stop != 0; }
    std::size_t Slot(const CAL2_LENBUZAI&, std::size_t index) const { return index; }
    std::size_t ChosenSlot(const CAL2_LENBUZAI& c) const { return static_cast<std::size_t>(c.Source); }
    bool Allowed(const CAL2_LENBUZAI&) const { return true; }
    CAL2_LENBUZAI Take(const CAL2_LENBUZAI& c, std::size_t index, std::int32_t pieces) const
    {
        return CAL2_LENBUZAI{c.Length, c.Entry, pieces, c.Rotated, static_cast<std::int32_t>(index)};
    }
    bool SameItem(const CAL2_LENBUZAI& a, const CAL2_LENBUZAI& b) const
    {
        return a.Entry == b.Entry && a.Rotated == b.Rotated;
    }
    // Every refill is made: the trace of what the passes did (ExchangeTrace) tells the strip-stack
    // jobs which orders would lay a board out alike.
    bool SkipsHopelessRefills() const { return false; }
    double MeasureOf(const CAL2_LENBUZAI& c) const { return c.Length; }
    double WidthOf(const CAL2_LENBUZAI&) const { return 0.0; }
    bool CannotGain(const CAL2_LENBUZAI&, const RefillReach&, std::int32_t, const ExchangeGain&) const
    {
        return false;
    }
    // More length than the piece given back plus the best gain so far.
    bool Gains(const CAL2_LENBUZAI& removed, const std::vector<CAL2_LENBUZAI>&, std::int32_t used,
               ExchangeGain& best) const
    {
        if (used <= removed.Length + best.Length) {
            return false;
        }
        best.Length = used - removed.Length;
        return true;
    }
};

// Whether the turned attempt of a strip wins over the one laid as the parts are (P parts area,
// Q total area, S strip area of each).
bool RotatedWins(int mode, double p0, double q0, double s0, double p1, double q1, double s1)
{
    if (mode == 1) {
        return DoubleLess(p0, p1) || (DoubleEqual(p0, p1) && DoubleLess(q0, q1));
    }
    const double r0 = p0 / s0, r1 = p1 / s1, t0 = q0 / s0, t1 = q1 / s1;
    if (DoubleGreater(r1, r0)) {
        return true;
    }
    if (!DoubleEqual(r1, r0)) {
        return false;
    }
    if (DoubleGreater(t1, t0)) {
        return true;
    }
    if (!DoubleEqual(t1, t0)) {
        return false;
    }
    if (DoubleGreater(p1, p0)) {
        return true;
    }
    if (!DoubleEqual(p1, p0)) {
        return false;
    }
    return DoubleGreater(q1, q0);
}

}  // namespace

void CCal2::SetCalData(const CCalData& data)
{
    PrepareGroup(*this, data, AreaFlag);
}

std::unique_ptr<CCalHaichi> CCal2::CreateInstance() const
{
    return EngineWith(*this, &CCal2::Order, &CCal2::Level);
}

int CCal2::LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    if (StopRequest) {
        left = remaining;
        return 0;
    }
    // Strips of direction 0 are cut off by cuts across the whole width, those of 1 across the height.
    const bool widthOk = rect.Width() <= MaxCutSize;
    const bool heightOk = rect.Height() <= MaxCutSize;

    std::optional<COutData> best;
    BuzaiLists bestLeft;
    for (int d = 0; d < 2; ++d) {
        if (!(d == 0 ? widthOk : heightOk)) {
            continue;
        }
        for (int mode = 0; mode < 2; ++mode) {
            COutData attempt;
            attempt.BoardNo = layout.BoardNo;
            BuzaiLists attemptLeft;
            if (!LayoutStrips(0, mode, d, remaining, attemptLeft, attempt, rect)) {
                continue;
            }
            if (!best || DoubleGreater(attempt.PartsArea, best->PartsArea) ||
                (DoubleEqual(attempt.PartsArea, best->PartsArea) &&
                 DoubleGreater(attempt.TotalArea, best->TotalArea))) {
                best = std::move(attempt);
                bestLeft = std::move(attemptLeft);
            }
        }
    }
    if (!best) {
        left = remaining;
        return 0;
    }
    const std::int32_t boardNo = layout.BoardNo;
    layout = std::move(*best);
    layout.BoardNo = boardNo;
    left = std::move(bestLeft);
    return 1;
}

int CCal2::LayoutStrips(int depth, int mode, int d, const BuzaiLists& in, BuzaiLists& out, COutData& layout,
                        const CalRect& rect)
{
    const int across = 1 - d;
    const bool finalStage = Level < 2 && depth >= Level;
    BuzaiLists work = in;
    CalRect rc = rect;
    int made = 0;
    while (!StopRequest) {
        // The strip's part: the first entry that still fits, and in which orientations.
        const FirstFit first = FirstFitting(work, rc);
        if (first.List < 0) {
            break;
        }
        const int list = first.List;
        const std::size_t entry = first.Entry;
        const bool* fits = first.As;
        const CBuzai& part = Part(list, work[list][entry].Number);

        struct Attempt {
            COutData record;
            BuzaiLists lists;
            std::int32_t thickness = 0;
            double stripArea = 0.0;
        };
        std::optional<Attempt> tried[2];
        for (int rotated = 0; rotated < 2; ++rotated) {
            if (!fits[rotated]) {
                continue;
            }
            Attempt a;
            a.thickness = PieceSize(part, rotated, across);
            a.stripArea = static_cast<double>(a.thickness) * (High(rc, d) - Low(rc, d));
            a.record.BoardNo = layout.BoardNo;
            CalRect strip = rc;
            (across == 0 ? strip.X1 : strip.Y1) = Low(rc, across) + a.thickness;
            a.lists = work;
            const CalRect rest =
                FillStrip(list, d, across, work[list], a.lists[list], a.record, a.thickness, strip);
            // Both read their input before they write the output: the lists are updated in place.
            if (finalStage) {
                FillStrip(1, d, across, a.lists[1], a.lists[1], a.record, a.thickness, rest);
            } else {
                LayoutStrips(depth + 1, mode, across, a.lists, a.lists, a.record, rest);
            }
            tried[rotated] = std::move(a);
        }
        int chosen = tried[0] ? 0 : 1;
        if (tried[0] && tried[1] &&
            RotatedWins(mode, tried[0]->record.PartsArea, tried[0]->record.TotalArea, tried[0]->stripArea,
                        tried[1]->record.PartsArea, tried[1]->record.TotalArea, tried[1]->stripArea)) {
            chosen = 1;
        }
        Attempt& a = *tried[chosen];

        made = 1;
        (across == 0 ? rc.X0 : rc.Y0) += a.thickness + NokoHaba;
        if (!a.record.Blocks.empty()) {
            layout.Blocks.insert(layout.Blocks.end(), a.record.Blocks.begin(), a.record.Blocks.end());
            layout.PartsArea += a.record.PartsArea;
            layout.TotalArea += a.record.TotalArea;
            if (depth == 0) {
                const std::int32_t cut = Low(rc, across) - NokoHaba / 2;
                layout.CutLines.push_back(d == 0 ? CUTMARK{rc.X0, cut, rc.X1, cut}
                                                 : CUTMARK{cut, rc.Y0, cut, rc.Y1});
            }
        }
        work = std::move(a.lists);
    }
    out = std::move(work);
    return made;
}

void CCal2::StripCandidates(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                            std::int32_t thickness, std::vector<CAL2_LENBUZAI>& candidates,
                            std::size_t from) const
{
    // A square part of side t lies as it is: one candidate, never two.
    candidates.clear();
    for (std::size_t i = from; i < in.size(); ++i) {
        const PartSize part = Size(list, in[i].Number);
        const auto index = static_cast<std::int32_t>(i);
        if (PieceSize(part, 0, across) == thickness) {
            candidates.push_back(CAL2_LENBUZAI{PieceSize(part, 0, along), index, in[i].Count, 0, 0});
        } else if (part.NoTurn == 0 && PieceSize(part, 0, along) == thickness) {
            candidates.push_back(CAL2_LENBUZAI{PieceSize(part, 1, along), index, in[i].Count, 1, 0});
        }
    }
}

CalRect CCal2::FillStrip(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                         std::vector<CAL_BUZAI>& out, COutData& layout, std::int32_t thickness,
                         const CalRect& strip)
{
    std::vector<CAL2_LENBUZAI>& candidates = m_stripCandidates;
    std::vector<CAL2_LENBUZAI>& chosen = m_stripChosen;
    StripCandidates(list, along, across, in, thickness, candidates);
    std::int32_t remaining = 0, used = 0;
    FillLength(High(strip, along) - Low(strip, along), candidates, chosen, remaining, used);

    if (&out != &in) {
        out = in;
    }
    PlaceStrips(list, along, chosen, out, layout, strip, 1);

    CalRect rest = strip;
    if (!chosen.empty()) {
        (along == 0 ? rest.X0 : rest.Y0) = High(strip, along) + NokoHaba - remaining;
    }
    return rest;
}

void CCal2::PlaceStrips(int list, int along, const std::vector<CAL2_LENBUZAI>& chosen,
                        std::vector<CAL_BUZAI>& entries, COutData& layout, const CalRect& rect,
                        std::int32_t strips, bool othersCounted) const
{
    std::int32_t pos = Low(rect, along);
    std::size_t usedUp = entries.size();  // the first chosen entry used up
    for (const CAL2_LENBUZAI& c : chosen) {
        CAL_BUZAI& e = entries.at(static_cast<std::size_t>(c.Entry));
        const PartSize part = Size(list, e.Number);
        if (along == 0) {
            layout.Blocks.emplace_back(e.Number, list, pos, rect.Y0, c.Pieces, strips, c.Rotated);
        } else {
            layout.Blocks.emplace_back(e.Number, list, rect.X0, pos, strips, c.Pieces, c.Rotated);
        }
        const double area = static_cast<double>(part.Width) * part.Height * c.Pieces * strips;
        layout.TotalArea += area;
        if (list == 0) {
            layout.PartsArea += area;
        }
        pos += (c.Length + NokoHaba) * c.Pieces;
        e.Count -= c.Pieces * strips;
        if (e.Count < 1) {
            usedUp = std::min(usedUp, static_cast<std::size_t>(c.Entry));
        }
    }
    if (!othersCounted) {
        DropUsedUp(entries);
    } else if (usedUp < entries.size()) {
        // The entries before the first one used up all hold pieces.
        entries.erase(std::remove_if(entries.begin() + static_cast<std::ptrdiff_t>(usedUp), entries.end(),
                                     [](const CAL_BUZAI& e) { return e.Count < 1; }),
                      entries.end());
    }
}

void CCal2::FillLength(std::int32_t length, const std::vector<CAL2_LENBUZAI>& candidates,
                       std::vector<CAL2_LENBUZAI>& chosen, std::int32_t& remaining, std::int32_t& used)
{
    if (candidates.size() == 1) {
        // Most strips have one candidate: the greedy pass takes what fits of it, and no exchange
        // can gain (a refill takes only shorter pieces).
        chosen.clear();
        remaining = length;
        used = 0;
        const CAL2_LENBUZAI& c = candidates.front();
        if (StopRequest == 0 && c.Pieces > 0 && c.Length <= length && length > 0) {
            const std::int32_t n = std::min((length + NokoHaba) / (c.Length + NokoHaba), c.Pieces);
            remaining = length - (c.Length + NokoHaba) * n + NokoHaba;
            used = c.Length * n;
            chosen.push_back(CAL2_LENBUZAI{c.Length, c.Entry, n, c.Rotated, 0});
        }
        return;
    }
    m_fillAvailable.resize(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        m_fillAvailable[i] = candidates[i].Pieces;
    }
    const StripFillRules rules{NokoHaba, Order, StopRequest};
    LengthFill<CAL2_LENBUZAI, StripFillRules>(rules, m_lengthFill)
        .Fill(length, candidates, std::numeric_limits<std::int32_t>::max(), m_fillAvailable, chosen,
              remaining, used);
}
