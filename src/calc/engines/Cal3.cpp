#include "calc/engines/Cal3.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/Tolerance.h"
#include "calc/engines/BlockRemainder.h"
#include "job/Buzai.h"

std::unique_ptr<CCalHaichi> CCal3::CreateInstance() const
{
    auto engine = EngineWith(*this, &CCal3::Order, &CCal3::Level, &CCal3::SecondFlag, &CCal3::UseMemo,
                             &CCal3::UseScanStart, &CCal3::UseBound, &CCal3::UseSideIndex, &CCal3::UseShare);
    engine->m_share = m_share;  // the improvement passes' boards too, over all their runs
    engine->m_shareKept = true;
    return engine;
}

void CCal3::Calculate()
{
    CCal2::Calculate();
    if (!KeepBoundTable) {
        ReleaseBoundTable();  // the run keeps finished engines until it ends
    }
    if (!m_shareKept) {
        m_share.reset();  // the group's last strip-stack job to end frees it
    }
}

void CCal3::JoinGroupJob(CCalHaichi& before)
{
    if (auto* stacks = dynamic_cast<CCal3*>(&before)) {
        if (!stacks->m_share) {
            stacks->m_share = std::make_shared<BoardShare>();
        }
        m_share = stacks->m_share;
    }
}

BoardShare::Setup CCal3::ShareSetup() const
{
    BoardShare::Setup setup;
    setup.Parts = BuzaiList;
    setup.Secondary = YBuzaiList;
    setup.Kerf = NokoHaba;
    setup.Limit = MaxCutSize;
    setup.Second = SecondFlag;
    setup.Switches = (UseScanStart ? 1 : 0) | (UseBound ? 2 : 0) | (UseSideIndex ? 4 : 0);
    return setup;
}

int CCal3::LayoutNewBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout,
                          const CalRect& rect, double need, double available)
{
    const bool sharing = UseShare && m_share && Order >= 0 && Order <= 2;
    if (!sharing) {
        return LayoutStack(remaining, left, layout, rect, need, available);
    }
    const BoardShare::Setup setup = ShareSetup();
    const std::uint64_t hash = BoardShare::HashOf(remaining, rect, need, available);
    if (const auto known = m_share->Find(hash, setup, Order, remaining, rect, need, available)) {
        ++m_shareHits;
        Fills = known->Board.Extra;
        SearchCutShort += Fills > kFillBudget ? 1 : 0;
        BoardMemo::Apply(known->Board, left, layout, rect);
        return known->Board.Result;
    }
    const std::size_t blocks = layout.Blocks.size(), cuts = layout.CutLines.size();
    const double partsArea = layout.PartsArea, totalArea = layout.TotalArea;
    auto& trace = FillTrace();
    trace = {};
    const int result = LayoutStack(remaining, left, layout, rect, need, available);
    unsigned orders = 0;
    for (int other = 0; other <= 2; ++other) {
        orders |= trace.SameUnder(Order, other) ? 1U << other : 0U;
    }
    if (!StopRequest && orders != 1U << Order) {
        auto shared = std::make_shared<BoardShare::Layout>();
        shared->With = setup;
        shared->Orders = orders;
        shared->Board = BoardMemo::MakeEntry(remaining, rect, result, layout, blocks, cuts, partsArea,
                                             totalArea, left, Fills, need, available);
        m_share->Put(hash, std::move(shared));
    }
    return result;
}

CCal3::StackExtent CCal3::FillStripStack(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                                         std::vector<CAL_BUZAI>& out, COutData& layout,
                                         std::int32_t thickness, const CalRect& rect)
{
    const StackPlan plan = PlanStripStack(list, along, across, in, thickness, rect);
    if (&out != &in) {
        out = in;
    }
    if (plan.Strips > 0) {
        LayStripStack(list, along, plan, out, layout, rect);
    }
    return plan.Extent;
}

CCal3::StackPlan CCal3::PlanStripStack(int list, int along, int across, const std::vector<CAL_BUZAI>& in,
                                       std::int32_t thickness, const CalRect& rect)
{
    const StackPlan none{{Low(rect, along), Low(rect, across)}, 0};
    if (StopRequest) {
        return none;
    }
    std::vector<CAL2_LENBUZAI>& candidates = m_stripCandidates;
    std::vector<CAL2_LENBUZAI>& chosen = m_stripChosen;
    // Entries before the scan start do not fit the rectangle: too long for the strip, never chosen.
    const std::size_t from = m_fitFrom[static_cast<std::size_t>(list)];
    if (m_boardLists && !m_strips.Ready()) {
        const auto sizeOf = [this](int l, std::int32_t number) { return Size(l, number); };
        if (!m_strips.Make(*m_boardLists, sizeOf)) {
            m_boardLists = nullptr;  // the scan then
        }
    }
    if (m_boardLists) {
        m_strips.Candidates(list, across, thickness, in, from, candidates);
    } else {
        StripCandidates(list, along, across, in, thickness, candidates, from);
    }
    std::int32_t remaining = 0, used = 0;
    FillLength(High(rect, along) - Low(rect, along), candidates, chosen, remaining, used);
    if (chosen.empty()) {
        return none;
    }

    // As many strips as fit across, but no more than every chosen part can fill.
    std::int32_t strips = (High(rect, across) - Low(rect, across) + NokoHaba) / (thickness + NokoHaba);
    for (const CAL2_LENBUZAI& c : chosen) {
        strips = std::min(strips, in.at(static_cast<std::size_t>(c.Entry)).Count / c.Pieces);
    }
    if (strips < 1) {
        return none;  // the window is thinner than the part: cannot happen for parts within the limit
    }
    return {{High(rect, along) + NokoHaba - remaining, Low(rect, across) + (NokoHaba + thickness) * strips},
            strips};
}

void CCal3::LayStripStack(int list, int along, const StackPlan& plan, std::vector<CAL_BUZAI>& entries,
                          COutData& layout, const CalRect& rect)
{
    PlaceStrips(list, along, m_stripChosen, entries, layout, rect, plan.Strips,
                m_boardLists && m_strips.AllHoldPieces());
}

int CCal3::LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    const LayoutNeed taken = TakeNeed();
    const double need = taken.Area, available = taken.Available;
    if (StopRequest) {
        left = remaining;
        return 0;
    }
    if (m_depth == 0) {
        Fills = 0;
        m_bounded = UseBound && need > -std::numeric_limits<double>::infinity();
        TakeBoundTables();
        if (UseSideIndex) {
            m_sides.Make(remaining, [this](int list, std::int32_t number) { return Size(list, number); });
        }
        // Every list of the search below is `remaining` less pieces placed (StripIndex).
        struct BoardLists {
            CCal3& engine;
            BoardLists(CCal3& e, const BuzaiLists* lists) : engine(e)
            {
                engine.m_boardLists = lists;
                engine.m_strips.Clear();
            }
            ~BoardLists() { engine.m_boardLists = nullptr; }
        } boardLists(*this, UseSideIndex ? &remaining : nullptr);
        if (UseMemo && &left != &remaining) {
            // A board starts with no fills made: its layout depends on the lists and its size only.
            m_boards.Validate(SizesGeneration(), NokoHaba, MaxCutSize);
            m_shortBoards.Validate(SizesGeneration(), NokoHaba, MaxCutSize);
            const BoardMemo::Entry* known = m_boards.Find(remaining, rect);
            if (!known) {
                known = m_shortBoards.FindAsked(remaining, rect, need, available);
            }
            if (known) {
                Fills = known->Extra;
                SearchCutShort += Fills > kFillBudget ? 1 : 0;
                BoardMemo::Apply(*known, left, layout, rect);
                return known->Result;
            }
            const std::size_t blocks = layout.Blocks.size(), cuts = layout.CutLines.size();
            const double partsArea = layout.PartsArea, totalArea = layout.TotalArea;
            const int result = LayoutNewBoard(remaining, left, layout, rect, need, available);
            // A layout short of its need may not be the board's own: the memo keeps only the board's
            // own, the other memo the short one for the same ask (the search is the same again).
            if (!StopRequest) {
                if (!DoubleLess(layout.PartsArea - partsArea, need)) {
                    m_boards.Store(remaining, rect, result, layout, blocks, cuts, partsArea, totalArea, left,
                                   Fills);
                } else {
                    m_shortBoards.Store(remaining, rect, result, layout, blocks, cuts, partsArea, totalArea,
                                        left, Fills, need, available);
                }
            }
            return result;
        }
    } else if (++Fills > kFillBudget) {
        if (Fills == kFillBudget + 1) {
            ++SearchCutShort;
        }
        return CCal2::LayoutBoard(remaining, left, layout, rect);
    }
    return LayoutStack(remaining, left, layout, rect, need, available);
}

bool CCal3::SameUse(const std::vector<CAL2_LENBUZAI>& a, std::int32_t aStrips,
                    const std::vector<CAL2_LENBUZAI>& b, std::int32_t bStrips)
{
    if (a.size() == 1 && b.size() == 1) {  // most stacks
        return a[0].Entry == b[0].Entry &&
               std::int64_t{a[0].Pieces} * aStrips == std::int64_t{b[0].Pieces} * bStrips;
    }
    const auto taken = [](const std::vector<CAL2_LENBUZAI>& items, std::int32_t strips, std::int32_t entry) {
        std::int64_t pieces = 0;
        for (const CAL2_LENBUZAI& c : items) {
            pieces += c.Entry == entry ? std::int64_t{c.Pieces} * strips : 0;
        }
        return pieces;
    };
    const auto sameFor = [&](const std::vector<CAL2_LENBUZAI>& items) {
        return std::all_of(items.begin(), items.end(), [&](const CAL2_LENBUZAI& c) {
            return taken(a, aStrips, c.Entry) == taken(b, bStrips, c.Entry);
        });
    };
    return sameFor(a) && sameFor(b);
}

int CCal3::FillOfNothing()
{
    TakeNeed();
    if (!StopRequest && ++Fills == kFillBudget + 1) {
        ++SearchCutShort;
    }
    return kLeftAsIs;
}

int CCal3::LayoutStack(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect,
                       double need, double available)
{
    const auto level = static_cast<std::size_t>(m_depth);
    // The stack's part: the first entry that fits, and in which orientations.
    const FirstFit first = FirstFitting(remaining, rect, m_fitFrom);
    const FillLevel deeper(
        m_depth, m_fitFrom,
        UseScanStart && first.List >= 0 ? FitFromWithin(remaining, first, m_fitFrom) : m_fitFrom);
    // Below the board, LayoutBoard's only caller is the remainder fill, which takes "left as it is".
    if (first.List < 0) {
        if (level > 0) {
            return kLeftAsIs;
        }
        left = remaining;
        return 0;
    }
    const int list = first.List;
    const std::size_t entry = first.Entry;
    const bool* fits = first.As;
    const CBuzai& part = Part(list, remaining[list][entry].Number);

    // The stack stays within the cutting limit; the rest is cut only where the limit permits.
    const CalRect window{
        rect.X0, rect.Y0,
        static_cast<std::int32_t>(std::min<std::int64_t>(rect.X1, std::int64_t{rect.X0} + MaxCutSize)),
        static_cast<std::int32_t>(std::min<std::int64_t>(rect.Y1, std::int64_t{rect.Y0} + MaxCutSize))};
    const bool widthOk = rect.Width() <= MaxCutSize;
    const bool heightOk = rect.Height() <= MaxCutSize;

    const auto fill = [this](const BuzaiLists& in, BuzaiLists& out, COutData& record, const CalRect& r) {
        if (UseSideIndex && m_sides.NoneFits(r.Width(), r.Height())) {
            return FillOfNothing();
        }
        return LayoutBoard(in, out, record, r);
    };
    // Nothing inside rect takes the entries before the scan starts: every list made here keeps
    // them as they are, and the comparisons and the check for a repeated stack skip them.
    const FitFrom same = m_fitFrom;
    const auto prefer = [this, &same](const RemainderAttempt& best, const RemainderAttempt& next) {
        return IsBetterAfter(best.Record, best.Left, next.Record, next.Left, same) != 0;
    };

    // The deeper levels use the frames after this one; nothing of this frame outlives the call.
    if (m_frames.size() <= level) {
        m_frames.push_back(std::make_unique<Frame>());
    }
    Frame& f = *m_frames[level];

    // With a need, a stack is followed by a remainder only as far as the two can still reach the
    // need or the best stack's parts area (IsBetter compares that first): the others cannot be
    // chosen. When no stack can, any layout short of the need serves: the first stack alone (it
    // places less than the need, as it could not reach it with any remainder).
    bool haveBest = false, haveShort = false;
    if (m_bounded && !f.Bound.Of) {
        f.Bound.Of = [this](const CalRect& r, double available) { return BoardPartsAreaBound(r, available); };
        f.Bound.ChildNeed = &m_need;
    }
    // The stacks take their pieces from list `list`; only list 0's count here.
    const double availableHere = m_bounded ? AvailableOf(remaining, available) : 0.0;
    for (int rotated = 0; rotated < 2; ++rotated) {
        if (!fits[rotated]) {
            continue;
        }
        bool alongX = false;  // the d = 0 stack of this orientation, its ends and its left
        std::int32_t alongXr = 0, alongXt = 0;
        for (int d = 0; d < 2 && !StopRequest; ++d) {
            const int across = 1 - d;
            const StackPlan plan =
                PlanStripStack(list, d, across, remaining[list], PieceSize(part, rotated, across), window);
            if (plan.Strips == 0) {
                continue;
            }
            const std::int32_t r = d == 0 ? plan.Extent.Along : plan.Extent.Across;
            const std::int32_t t = d == 0 ? plan.Extent.Across : plan.Extent.Along;
            const bool sameEnds = d == 1 && alongX && alongXr == r && alongXt == t;
            if (sameEnds && SameUse(f.AlongX, f.AlongXStrips, m_stripChosen, plan.Strips)) {
                continue;  // the same stack again: it would leave the same lists
            }
            BuzaiLists& working = f.Working[d];
            for (std::size_t l = 0; l < 2; ++l) {
                if (remaining[l].empty()) {
                    working[l].clear();  // mostly the secondary parts: no call of the assignment
                } else {
                    working[l] = remaining[l];
                }
            }
            COutData& stack = f.Stack;
            stack.ClearKeepingStorage(layout.BoardNo);
            LayStripStack(list, d, plan, working[list], stack, window);
            if (d == 0) {
                alongX = true;
                alongXr = r;
                alongXt = t;
                std::swap(f.AlongX, m_stripChosen);  // the next plan writes the buffer anew
                f.AlongXStrips = plan.Strips;
            } else if (sameEnds && std::equal(f.Working[0][list].begin() + static_cast<std::ptrdiff_t>(entry),
                                              f.Working[0][list].end(),
                                              working[list].begin() + static_cast<std::ptrdiff_t>(entry),
                                              working[list].end())) {
                continue;  // the same lists from the stack's part on: taken as the same stack
            }

            const BlockCorner corner{rect, r, t, widthOk, heightOk};
            if (m_bounded) {
                const double threshold = haveBest && f.Best.PartsArea > need ? f.Best.PartsArea : need;
                f.Bound.Need = threshold - stack.PartsArea;
                f.Bound.Available = availableHere - stack.PartsArea;
            }
            if (!FillRemainderInto(corner, NokoHaba, SecondFlag, working, layout.BoardNo, fill, prefer,
                                   f.Scratch, f.Chosen, m_bounded ? &f.Bound : nullptr)) {
                ++f.StacksCutOff;
                if (!haveBest && !haveShort) {
                    std::swap(f.Best, stack);
                    f.BestLeft = working;
                    haveShort = true;
                }
                continue;
            }
            AddRemainder(f.Chosen, stack);
            if (!haveBest || IsBetterAfter(f.Best, f.BestLeft, stack, f.Chosen.Left, same)) {
                std::swap(f.Best, stack);
                std::swap(f.BestLeft, f.Chosen.Left);
                haveBest = true;
            }
        }
    }
    if (!haveBest && !haveShort) {
        if (level > 0) {
            return kLeftAsIs;
        }
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
