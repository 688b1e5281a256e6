#include "calc/engines/Cal3.h"

#include <algorithm>

#include "calc/engines/BlockRemainder.h"
#include "job/Buzai.h"

std::unique_ptr<CCalHaichi> CCal3::CreateInstance() const
{
    auto engine = std::make_unique<CCal3>();
    engine->Order = Order;
    engine->Level = Level;
    engine->SecondFlag = SecondFlag;
    return engine;
}

CCal3::StackExtent CCal3::FillStripStack(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                                         std::vector<CAL_BUZAI>& out, COutData& layout,
                                         std::int32_t thickness, const CalRect& rect)
{
    out = in;
    const StackExtent none{Low(rect, along), Low(rect, across)};
    if (StopRequest) {
        return none;
    }
    std::vector<CAL2_LENBUZAI>& candidates = m_stripCandidates;
    std::vector<CAL2_LENBUZAI>& chosen = m_stripChosen;
    StripCandidates(list, along, across, in, thickness, candidates);
    std::int32_t remaining = 0, used = 0;
    FillLength(High(rect, along) - Low(rect, along), candidates, chosen, remaining, used);
    if (chosen.empty()) {
        return none;
    }

    // As many strips as fit across, but no more than every chosen part can fill.
    std::int32_t strips = (High(rect, across) - Low(rect, across) + NokoHaba) / (thickness + NokoHaba);
    for (const CAL2_LENBUZAI& c : chosen) {
        strips = std::min(strips, out.at(static_cast<std::size_t>(c.Entry)).Count / c.Pieces);
    }
    if (strips < 1) {
        return none;  // the window is thinner than the part: cannot happen for parts within the limit
    }
    const StackExtent extent{High(rect, along) + NokoHaba - remaining,
                             Low(rect, across) + (NokoHaba + thickness) * strips};

    std::int32_t pos = Low(rect, along);
    for (const CAL2_LENBUZAI& c : chosen) {
        CAL_BUZAI& e = out.at(static_cast<std::size_t>(c.Entry));
        const CBuzai& part = Part(list, e.Number);
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
    }
    for (std::size_t i = out.size(); i-- > 0;) {
        if (out[i].Count < 1) {
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return extent;
}

int CCal3::LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    if (StopRequest) {
        left = remaining;
        return 0;
    }
    if (m_depth == 0) {
        Fills = 0;
    } else if (++Fills > kFillBudget) {
        return CCal2::LayoutBoard(remaining, left, layout, rect);
    }
    const auto level = static_cast<std::size_t>(m_depth);
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) { ++depth; }
        ~DepthGuard() { --depth; }
    } guard(m_depth);
    // The stack's part: the first entry that fits, and in which orientations.
    int list = -1;
    std::size_t entry = 0;
    bool fits[2] = {false, false};
    for (int l = 0; l < 2 && list < 0; ++l) {
        for (std::size_t i = 0; i < remaining[l].size(); ++i) {
            const CBuzai& part = Part(l, remaining[l][i].Number);
            const std::int64_t w = part.Width, h = part.Height;
            fits[0] = rect.X0 + w <= rect.X1 && rect.Y0 + h <= rect.Y1;
            fits[1] = part.NoTurn == 0 && rect.X0 + h <= rect.X1 && rect.Y0 + w <= rect.Y1;
            if (fits[0] || fits[1]) {
                list = l;
                entry = i;
                break;
            }
        }
    }
    if (list < 0) {
        left = remaining;
        return 0;
    }
    const CBuzai& part = Part(list, remaining[list][entry].Number);

    // The stack stays within the cutting limit; the rest is cut only where the limit permits.
    const CalRect window{
        rect.X0, rect.Y0,
        static_cast<std::int32_t>(std::min<std::int64_t>(rect.X1, std::int64_t{rect.X0} + MaxCutSize)),
        static_cast<std::int32_t>(std::min<std::int64_t>(rect.Y1, std::int64_t{rect.Y0} + MaxCutSize))};
    const bool widthOk = rect.Width() <= MaxCutSize;
    const bool heightOk = rect.Height() <= MaxCutSize;

    const FillRect fill = [this](const BuzaiLists& in, BuzaiLists& out, COutData& record, const CalRect& r) {
        return LayoutBoard(in, out, record, r);
    };
    const PreferAttempt prefer = [this](const RemainderAttempt& best, const RemainderAttempt& next) {
        return IsBetter(best.Record, best.Left, next.Record, next.Left) != 0;
    };

    // The deeper levels use the frames after this one; nothing of this frame outlives the call.
    if (m_frames.size() <= level) {
        m_frames.push_back(std::make_unique<Frame>());
    }
    Frame& f = *m_frames[level];

    bool haveBest = false;
    for (int rotated = 0; rotated < 2; ++rotated) {
        if (!fits[rotated]) {
            continue;
        }
        bool alongX = false;  // the d = 0 stack of this orientation, its ends and its left
        std::int32_t alongXr = 0, alongXt = 0;
        for (int d = 0; d < 2 && !StopRequest; ++d) {
            const int across = 1 - d;
            BuzaiLists& working = f.Working[d];
            working = remaining;
            COutData& stack = f.Stack;
            stack.ClearKeepingStorage(layout.BoardNo);
            const StackExtent extent = FillStripStack(list, d, across, remaining[list], working[list], stack,
                                                      PieceSize(part, rotated, across), window);
            if (stack.Blocks.empty()) {
                continue;
            }
            const std::int32_t r = d == 0 ? extent.Along : extent.Across;
            const std::int32_t t = d == 0 ? extent.Across : extent.Along;
            if (d == 0) {
                alongX = true;
                alongXr = r;
                alongXt = t;
            } else if (alongX && alongXr == r && alongXt == t && f.Working[0][list] == working[list]) {
                continue;  // the same stack again
            }

            const BlockCorner corner{rect, r, t, widthOk, heightOk};
            FillRemainderInto(corner, NokoHaba, SecondFlag, working, layout.BoardNo, fill, prefer, f.Scratch,
                              f.Chosen);
            AddRemainder(f.Chosen, stack);
            if (!haveBest || IsBetter(f.Best, f.BestLeft, stack, f.Chosen.Left)) {
                std::swap(f.Best, stack);
                std::swap(f.BestLeft, f.Chosen.Left);
                haveBest = true;
            }
        }
    }
    if (!haveBest) {
        left = remaining;
        return 0;
    }
    const COutData& best = f.Best;
    layout.Blocks.insert(layout.Blocks.end(), best.Blocks.begin(), best.Blocks.end());
    layout.CutLines.insert(layout.CutLines.end(), best.CutLines.begin(), best.CutLines.end());
    layout.PartsArea += best.PartsArea;
    layout.TotalArea += best.TotalArea;
    std::swap(left, f.BestLeft);
    return 1;
}
