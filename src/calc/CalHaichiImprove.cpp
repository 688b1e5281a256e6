#include "calc/CalHaichi.h"

#include <algorithm>
#include <optional>

#include "base/Tolerance.h"
#include "calc/ImproveAttempts.h"
#include "job/Buzai.h"
#include "job/Genban.h"

// The improvement passes: the worst board with copies of a partner, pairs of single boards on one.

namespace {

// One candidate partner of the worst-board pass: a layout of the result and its multiplier.
struct MPATDATA {
    std::int32_t Index = 0;
    std::int32_t Multiplier = 0;
};

// Adds pieces to the entry of the same number, else inserts before the first greater number.
void AddPieces(std::vector<CAL_BUZAI>& list, std::int32_t number, std::int32_t pieces, std::int32_t flag)
{
    auto pos = list.begin();
    for (; pos != list.end(); ++pos) {
        if (pos->Number == number) {
            pos->Count += pieces;
            return;
        }
        if (pos->Number > number) {
            break;
        }
    }
    list.insert(pos, CAL_BUZAI{number, pieces, flag});
}

// The group of one improvement attempt: the pieces of w and s times those of p on one board.
CCalData AttemptGroup(const COutData& w, const COutData& p, std::int32_t s,
                      const std::vector<CAL_BUZAI>& leftYBuzai, std::int32_t boardNo)
{
    CCalData group;
    group.Genban[0].push_back(CAL_GENBAN{boardNo, 1, 0});
    group.Buzai[1] = leftYBuzai;
    for (int list = 0; list < 2; ++list) {
        for (const CAL_BUZAI& e : w.Summary) {
            if (e.Flag == list) {
                AddPieces(group.Buzai[list], e.Number, e.Count, list);
            }
        }
        for (const CAL_BUZAI& e : p.Summary) {
            if (e.Flag == list) {
                AddPieces(group.Buzai[list], e.Number, e.Count * s, list);
            }
        }
    }
    return group;
}

// What an accepted attempt lays out in place of the worst layout and its partner: the auxiliary
// run's layouts and the secondary parts it left.
struct Replacement {
    std::size_t partner = 0;
    std::vector<COutData> layouts;
    std::vector<CAL_BUZAI> left;
};

// Removes the worst layout and the partner where their repeat counts fell below 1 (the later one
// first), then appends the replacement's layouts; its leftover becomes the secondary parts left.
void TakeReplacement(std::vector<COutData>& layouts, std::size_t w, Replacement& chosen,
                     std::vector<CAL_BUZAI>& leftYBuzai)
{
    for (std::size_t index : {std::max(w, chosen.partner), std::min(w, chosen.partner)}) {
        if (layouts.at(index).Repeat < 1) {
            layouts.erase(layouts.begin() + static_cast<std::ptrdiff_t>(index));
        }
    }
    layouts.insert(layouts.end(), chosen.layouts.begin(), chosen.layouts.end());
    leftYBuzai = std::move(chosen.left);
}

// The next layout a pass tries: the untried one with the smallest parts yield, the first one on
// ties. Nothing when the engine is to stop, fewer than two layouts are left or all were tried.
std::optional<std::size_t> NextWorst(const CCalHaichi& engine, const std::vector<COutData>& layouts)
{
    if (engine.StopRequest || layouts.size() < 2) {
        return std::nullopt;
    }
    std::optional<std::size_t> worst;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        if (layouts[i].Tried) {
            continue;
        }
        if (!worst || DoubleLess(layouts[i].PartsYield, layouts[*worst].PartsYield)) {
            worst = i;
        }
    }
    return worst;
}

// Lays the attempt's group out on its one board; true when the layout takes every part (a
// stopped auxiliary run is no success either).
bool PlacesEveryPart(CCalHaichi& aux, const CCalData& group)
{
    if (!aux.Attempts) {
        aux.Attempts = std::make_shared<ImproveAttempts>();
    }
    if (const ImproveAttempts::Outcome* known = aux.Attempts->Find(group)) {
        aux.State = known->State;
        aux.Ret = known->Ret;
        aux.LeftYBuzai = known->LeftYBuzai;
        aux.SearchCutShort += known->SearchCutShort;
        aux.SubFillsCutShort += known->SubFillsCutShort;
        aux.MostSubFills = std::max(aux.MostSubFills, known->MostSubFills);
        return aux.State == kStateAllPlaced;
    }
    const std::int64_t cutShort = aux.SearchCutShort, subFillsCutShort = aux.SubFillsCutShort;
    aux.Reset();
    aux.SetCalData(group);
    // The group has one board: a layout of fewer parts is of no use.
    aux.Need = aux.PartsAreaOf(aux.CalData.Buzai[0]) * (1.0 - 1e-9) - 1.0;
    // Nor is a layout run where the board cannot take the parts' area, kerfs counted (a good share
    // of the attempts on the bench jobs; docs/performance.md).
    if (aux.BoardTooSmallForParts()) {
        aux.State = kStatePartsLeft;
        return false;
    }
    aux.Calculate();
    if (!aux.StopRequest && aux.State != kStateStopped) {
        aux.Attempts->Put(
            group, ImproveAttempts::Outcome{aux.State, aux.Ret, aux.LeftYBuzai, aux.SearchCutShort - cutShort,
                                            aux.SubFillsCutShort - subFillsCutShort, aux.MostSubFills});
    }
    return aux.State == kStateAllPlaced;
}

void PrepareAux(const CCalHaichi& engine, CCalHaichi& aux)
{
    CopyRunSettings(engine, aux);
    // An attempt needs a layout of every part of its group: layouts of fewer parts are of no use.
    aux.UseSmallPat = 0;
    aux.Improve = 0;
    aux.KeepBoundTable = true;
}

}  // namespace

void CCalHaichi::ImproveWorstBoard(CCalHaichi& aux, GenbanLists& boards, std::vector<CAL_BUZAI>& leftYBuzai)
{
    (void)boards;  // the worst board is laid out again on its own board
    std::vector<COutData>& layouts = Ret.Layouts;
    for (COutData& layout : layouts) {
        layout.Tried = 0;
    }
    PrepareAux(*this, aux);
    aux.UseSmallPat = 0;

    struct Choice : Replacement {
        std::int32_t s = 0;
        std::int32_t q = 0;
        double gainArea = 0.0;
        std::int64_t gainPrice = 0;
    };

    while (const std::optional<std::size_t> worst = NextWorst(*this, layouts)) {
        const std::size_t w = *worst;
        const double freeArea = GenbanArea(Board(layouts[w].BoardNo)) - layouts[w].PartsArea;

        std::vector<MPATDATA> partners;
        for (std::size_t p = 0; p < layouts.size(); ++p) {
            const COutData& partner = layouts[p];
            if (p == w || (!NoUsenFlg && Board(partner.BoardNo).Priority == 2)) {
                continue;
            }
            if (!DoubleGreater(partner.PartsArea, 0.0)) {
                continue;  // a board of secondary parts only is no partner
            }
            const double times = freeArea / partner.PartsArea;
            const std::int32_t s =
                times >= partner.Repeat ? partner.Repeat : static_cast<std::int32_t>(times);
            if (s >= 1) {
                partners.push_back(MPATDATA{static_cast<std::int32_t>(p), s});
            }
        }
        if (partners.empty()) {
            layouts[w].Tried = 1;
            continue;
        }

        std::optional<Choice> chosen;
        for (const MPATDATA& partner : partners) {
            const std::size_t p = static_cast<std::size_t>(partner.Index);
            for (std::int32_t s = partner.Multiplier; s >= 1; --s) {
                const bool placed = PlacesEveryPart(
                    aux, AttemptGroup(layouts[w], layouts[p], s, leftYBuzai, layouts[w].BoardNo));
                if (StopRequest) {
                    return;
                }
                if (!placed) {
                    continue;
                }
                const CGenban& partnerBoard = Board(layouts[p].BoardNo);
                const std::int32_t q = std::min(layouts[p].Repeat / s, layouts[w].Repeat);
                const double gainArea = static_cast<double>(q) * s * GenbanArea(partnerBoard);
                const std::int64_t gainPrice = static_cast<std::int64_t>(partnerBoard.Price) * q * s;
                const bool better = !chosen || (!NoRateFlg && gainPrice > chosen->gainPrice) ||
                                    ((NoRateFlg || gainPrice == chosen->gainPrice) &&
                                     DoubleGreater(gainArea, chosen->gainArea));
                if (better) {
                    chosen = Choice{{p, aux.Ret.Layouts, aux.LeftYBuzai}, s, q, gainArea, gainPrice};
                }
                break;
            }
        }
        if (!chosen) {
            layouts[w].Tried = 1;
            continue;
        }
        if (chosen->q == 0) {
            ShowMessage("計算エラー");
            return;
        }
        layouts[w].Repeat -= chosen->q;
        layouts[chosen->partner].Repeat -= chosen->q * chosen->s;
        for (COutData& layout : chosen->layouts) {
            layout.Repeat = chosen->q;
        }
        TakeReplacement(layouts, w, *chosen, leftYBuzai);
    }
}

void CCalHaichi::MergeBoardPairs(CCalHaichi& aux, GenbanLists& boards, std::vector<CAL_BUZAI>& leftYBuzai)
{
    std::vector<COutData>& layouts = Ret.Layouts;
    for (COutData& layout : layouts) {
        layout.Tried = (layout.Repeat != 1 || (!NoUsenFlg && Board(layout.BoardNo).Priority == 2)) ? 1 : 0;
    }
    PrepareAux(*this, aux);

    struct Merge : Replacement {
        int level = 0;
        std::size_t entry = 0;
        double savedArea = 0.0;
        std::int64_t savedPrice = 0;
    };

    while (const std::optional<std::size_t> worst = NextWorst(*this, layouts)) {
        const std::size_t w = *worst;
        const CGenban& wBoard = Board(layouts[w].BoardNo);

        std::optional<Merge> best;
        for (std::size_t p = 0; p < layouts.size(); ++p) {
            if (p == w) {
                continue;
            }
            const CGenban& pBoard = Board(layouts[p].BoardNo);
            if (!NoUsenFlg && pBoard.Priority == 2) {
                continue;
            }
            const double combinedArea = GenbanArea(wBoard) + GenbanArea(pBoard);
            const double combinedParts = layouts[w].PartsArea + layouts[p].PartsArea;
            const std::int64_t combinedPrice = static_cast<std::int64_t>(wBoard.Price) + pBoard.Price;
            for (int level = 0; level < 3; ++level) {
                for (std::size_t e = 0; e < boards[level].size(); ++e) {
                    // Only boards still in stock: the merged layout takes one more sheet.
                    if (boards[level][e].Count < 1) {
                        continue;
                    }
                    const CGenban& candidate = Board(boards[level][e].Number);
                    const double area = GenbanArea(candidate);
                    if (!DoubleLess(combinedParts, area) || !DoubleLess(area, combinedArea)) {
                        continue;
                    }
                    const double savedArea = combinedArea - area;
                    const std::int64_t savedPrice = combinedPrice - candidate.Price;
                    if (best) {
                        const bool beats = NoRateFlg ? DoubleGreater(savedArea, best->savedArea) ||
                                                           (DoubleEqual(savedArea, best->savedArea) &&
                                                            savedPrice > best->savedPrice)
                                                     : savedPrice > best->savedPrice ||
                                                           (savedPrice == best->savedPrice &&
                                                            DoubleGreater(savedArea, best->savedArea));
                        if (!beats) {
                            continue;
                        }
                    }
                    const bool placed = PlacesEveryPart(
                        aux, AttemptGroup(layouts[w], layouts[p], 1, leftYBuzai, boards[level][e].Number));
                    if (StopRequest) {
                        return;
                    }
                    if (!placed) {
                        continue;
                    }
                    best = Merge{{p, aux.Ret.Layouts, aux.LeftYBuzai}, level, e, savedArea, savedPrice};
                }
            }
        }
        if (!best) {
            layouts[w].Tried = 1;
            continue;
        }
        layouts[w].Repeat -= 1;
        layouts[best->partner].Repeat -= 1;
        boards[best->level][best->entry].Count -= 1;
        TakeReplacement(layouts, w, *best, leftYBuzai);
    }
}
