#include "calc/GroupBounds.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "base/Settings.h"
#include "calc/CalData.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/RetData.h"

namespace lowerbound {

namespace {

using Wide = __int128;

constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kUnlimited = 9999;  // a board count of 9999 never runs out
constexpr std::size_t kMostParts = 1500;   // parts compared pairwise
constexpr long long kMostNodes = 200000;   // of the exact cover search

struct Size {
    std::int64_t W;
    std::int64_t H;
};

int Orientations(const Piece& p, Size out[2])
{
    out[0] = {p.Width, p.Height};
    if (p.NoTurn || p.Width == p.Height) {
        return 1;
    }
    out[1] = {p.Height, p.Width};
    return 2;
}

Wide BoardArea(const BoardKind& b, std::int32_t kerf)
{
    return static_cast<Wide>(b.Width + kerf) * (b.Height + kerf);
}

Wide CeilDiv(Wide a, Wide b)
{
    return a <= 0 ? 0 : (a + b - 1) / b;
}

bool Conflict(const Piece& a, const Piece& b, const std::vector<BoardKind>& boards, std::int32_t kerf)
{
    return std::none_of(boards.begin(), boards.end(),
                        [&](const BoardKind& board) { return CanShare(a, b, board, kerf); });
}

// Greedy clique in the given order.
std::int64_t ApartInOrder(const std::vector<Piece>& pieces, const std::vector<std::size_t>& order,
                          const std::vector<BoardKind>& boards, std::int32_t kerf)
{
    std::vector<std::size_t> clique;
    std::int64_t count = 0;
    for (std::size_t i : order) {
        const bool apart = std::all_of(clique.begin(), clique.end(), [&](std::size_t j) {
            return Conflict(pieces[i], pieces[j], boards, kerf);
        });
        if (apart) {
            clique.push_back(i);
            count += Conflict(pieces[i], pieces[i], boards, kerf) ? pieces[i].Count : 1;
        }
    }
    return count;
}

struct CoverKind {
    Wide Area;
    std::int64_t Price;
    std::int64_t Stock;
};

// Lower bound on the price of covering `need` area with `count` boards of kinds[i..]:
// the larger of the fractional area cover and the cheapest `count` boards; kNone when the stock
// cannot.
std::int64_t CoverRelaxation(const std::vector<CoverKind>& kinds, std::size_t i, Wide need,
                             std::int64_t count)
{
    Wide byArea = 0;
    for (std::size_t j = i; j < kinds.size() && need > 0; ++j) {
        const CoverKind& k = kinds[j];
        if (static_cast<Wide>(k.Stock) * k.Area >= need) {
            byArea += CeilDiv(static_cast<Wide>(k.Price) * need, k.Area);
            need = 0;
        } else {
            byArea += static_cast<Wide>(k.Stock) * k.Price;
            need -= static_cast<Wide>(k.Stock) * k.Area;
        }
    }
    if (need > 0) {
        return kNone;
    }
    std::vector<CoverKind> cheap(kinds.begin() + static_cast<std::ptrdiff_t>(i), kinds.end());
    std::sort(cheap.begin(), cheap.end(),
              [](const CoverKind& a, const CoverKind& b) { return a.Price < b.Price; });
    Wide byCount = 0;
    for (const CoverKind& k : cheap) {
        if (count <= 0) {
            break;
        }
        const std::int64_t take = std::min(count, k.Stock);
        byCount += static_cast<Wide>(take) * k.Price;
        count -= take;
    }
    if (count > 0) {
        return kNone;
    }
    return static_cast<std::int64_t>(std::max(byArea, byCount));
}

}  // namespace

bool Fits(const Piece& piece, const BoardKind& board)
{
    Size s[2];
    const int n = Orientations(piece, s);
    for (int o = 0; o < n; ++o) {
        if (s[o].W <= board.Width && s[o].H <= board.Height) {
            return true;
        }
    }
    return false;
}

bool CanShare(const Piece& a, const Piece& b, const BoardKind& board, std::int32_t kerf)
{
    Size sa[2];
    Size sb[2];
    const int na = Orientations(a, sa);
    const int nb = Orientations(b, sb);
    const std::int64_t W = board.Width;
    const std::int64_t H = board.Height;
    for (int i = 0; i < na; ++i) {
        for (int j = 0; j < nb; ++j) {
            const Size p = sa[i];
            const Size q = sb[j];
            if (p.W + kerf + q.W <= W && p.H <= H && q.H <= H) {
                return true;
            }
            if (p.H + kerf + q.H <= H && p.W <= W && q.W <= W) {
                return true;
            }
        }
    }
    return false;
}

std::int64_t ApartPieces(const std::vector<Piece>& pieces, const std::vector<BoardKind>& boards,
                         std::int32_t kerf)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].Count > 0) {
            order.push_back(i);
        }
    }
    using Key = std::function<std::int64_t(const Piece&)>;
    const Key keys[] = {
        [](const Piece& p) { return static_cast<std::int64_t>(p.Width) * p.Height; },
        [](const Piece& p) { return static_cast<std::int64_t>(std::max(p.Width, p.Height)); },
        [](const Piece& p) { return static_cast<std::int64_t>(std::min(p.Width, p.Height)); },
    };
    std::int64_t best = 0;
    for (const Key& key : keys) {
        std::vector<std::size_t> sorted = order;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](std::size_t a, std::size_t b) { return key(pieces[a]) > key(pieces[b]); });
        if (sorted.size() > kMostParts) {
            sorted.resize(kMostParts);
        }
        best = std::max(best, ApartInOrder(pieces, sorted, boards, kerf));
    }
    return best;
}

std::int64_t LeastCoverPrice(const std::vector<BoardKind>& boards, std::int32_t kerf, __int128 area,
                             std::int64_t count)
{
    std::vector<CoverKind> kinds;
    for (const BoardKind& b : boards) {
        if (b.Width <= 0 || b.Height <= 0) {
            continue;
        }
        const Wide a = BoardArea(b, kerf);
        // Unlimited: no more than the cover could ever use.
        const std::int64_t most =
            static_cast<std::int64_t>(std::min<Wide>(CeilDiv(area, a) + count, kNone / 4));
        kinds.push_back({a, b.Price, b.Stock < 0 || b.Stock >= kUnlimited ? most : std::min(b.Stock, most)});
    }
    // Cheapest area first (the order the fractional cover wants), larger first on ties.
    std::sort(kinds.begin(), kinds.end(), [](const CoverKind& a, const CoverKind& b) {
        const Wide l = static_cast<Wide>(a.Price) * b.Area;
        const Wide r = static_cast<Wide>(b.Price) * a.Area;
        return l != r ? l < r : a.Area > b.Area;
    });
    const std::int64_t root = CoverRelaxation(kinds, 0, area, count);
    if (root == kNone) {
        return -1;
    }
    // Exact search over the counts of each kind, pruned by the relaxation; the relaxation itself
    // when it takes too long.
    std::int64_t best = kNone;
    long long nodes = 0;
    bool cut = false;
    std::function<void(std::size_t, Wide, std::int64_t, std::int64_t)> search =
        [&](std::size_t i, Wide need, std::int64_t left, std::int64_t cost) {
            if (need <= 0 && left <= 0) {
                best = std::min(best, cost);
                return;
            }
            if (i == kinds.size() || cut) {
                return;
            }
            if (++nodes > kMostNodes) {
                cut = true;
                return;
            }
            const std::int64_t lower = CoverRelaxation(kinds, i, need, left);
            if (lower == kNone || cost + lower >= best) {
                return;
            }
            const CoverKind& k = kinds[i];
            const std::int64_t most = std::min<std::int64_t>(
                k.Stock, std::max<std::int64_t>(static_cast<std::int64_t>(CeilDiv(need, k.Area)), left));
            const std::int64_t least = i + 1 == kinds.size() ? most : 0;  // the last kind must finish
            for (std::int64_t x = most; x >= least && !cut; --x) {
                search(i + 1, need - static_cast<Wide>(x) * k.Area, left - x, cost + x * k.Price);
            }
        };
    search(0, area, count, 0);
    return cut || best == kNone ? root : best;
}

Bound BoundGroup(const std::vector<Piece>& pieces, const std::vector<BoardKind>& boards, std::int32_t kerf)
{
    Bound out;
    std::vector<BoardKind> usable;
    for (const BoardKind& b : boards) {
        if (b.Width > 0 && b.Height > 0 && b.Stock != 0) {
            usable.push_back(b);
        }
    }
    std::vector<Piece> placeable;
    Wide area = 0;
    for (const Piece& p : pieces) {
        if (p.Count <= 0) {
            continue;
        }
        if (std::none_of(usable.begin(), usable.end(), [&](const BoardKind& b) { return Fits(p, b); })) {
            out.Unplaceable += p.Count;
            continue;
        }
        placeable.push_back(p);
        area += static_cast<Wide>(p.Width + kerf) * (p.Height + kerf) * p.Count;
    }
    if (placeable.empty()) {
        return out;
    }
    // Fewest boards covering the area: the largest first.
    std::vector<BoardKind> bySize = usable;
    std::sort(bySize.begin(), bySize.end(), [&](const BoardKind& a, const BoardKind& b) {
        return BoardArea(a, kerf) > BoardArea(b, kerf);
    });
    auto fewest = [&](bool stock) -> std::int64_t {
        Wide need = area;
        std::int64_t boardsUsed = 0;
        for (const BoardKind& b : bySize) {
            const Wide a = BoardArea(b, kerf);
            const Wide take = CeilDiv(need, a);
            if (!stock || b.Stock < 0 || b.Stock >= kUnlimited || take <= b.Stock) {
                return boardsUsed + static_cast<std::int64_t>(take);
            }
            boardsUsed += b.Stock;
            need -= static_cast<Wide>(b.Stock) * a;
        }
        return -1;
    };
    std::int64_t byArea = fewest(true);
    const bool enough = byArea >= 0;
    if (!enough) {
        byArea = fewest(false);
    }
    out.Boards = std::max(byArea, ApartPieces(placeable, usable, kerf));
    std::int64_t price = enough ? LeastCoverPrice(usable, kerf, area, out.Boards) : -1;
    if (price < 0) {  // more than the stock holds: the bound of boards without a count
        std::vector<BoardKind> unlimited = usable;
        for (BoardKind& b : unlimited) {
            b.Stock = -1;
        }
        price = LeastCoverPrice(unlimited, kerf, area, out.Boards);
    }
    out.Price = std::max<std::int64_t>(price, 0);
    return out;
}

}  // namespace lowerbound

ResultBound ComputeBound(const CRetData& ret, const Settings& settings)
{
    ResultBound bound;
    if (ret.BuzaiList == nullptr || ret.YBuzaiList == nullptr || ret.GenbanList == nullptr) {
        return bound;
    }
    const CBuzaiList& parts = *ret.BuzaiList;
    const CGenbanList& list = *ret.GenbanList;
    CRetData scratch;
    const std::vector<CCalData> groups = BuildCalData(parts, *ret.YBuzaiList, list, settings, scratch);
    auto piece = [&](const CAL_BUZAI& entry) {
        const CBuzai& part = parts.Items.at(static_cast<std::size_t>(entry.Number));
        return lowerbound::Piece{part.Width, part.Height, part.NoTurn != 0, entry.Count};
    };
    for (const CCalData& group : groups) {
        const CBuzai& first = parts.Items.at(static_cast<std::size_t>(group.Buzai[0].at(0).Number));
        std::vector<lowerbound::Piece> pieces;
        for (const CAL_BUZAI& entry : group.Buzai[0]) {
            pieces.push_back(piece(entry));
        }
        std::vector<lowerbound::BoardKind> boards;
        for (const auto& level : group.Genban) {
            for (const CAL_GENBAN& entry : level) {
                const CalRect rect = TrimmedRect(list.Items.at(static_cast<std::size_t>(entry.Number)));
                const CGenban& board = list.Items.at(static_cast<std::size_t>(entry.Number));
                boards.push_back({rect.Width(), rect.Height(), board.Price, entry.Count});
            }
        }
        const lowerbound::Bound b = lowerbound::BoundGroup(pieces, boards, settings.NokoHaba);
        bound.Groups.push_back({first.Kind, first.Thickness, b.Boards, b.Price, b.Unplaceable});
    }
    // Parts over the cutting limit never reach a group.
    for (const CAL_BUZAI& entry : scratch.Unplaced) {
        const CBuzai& part = parts.Items.at(static_cast<std::size_t>(entry.Number));
        auto found = std::find_if(bound.Groups.begin(), bound.Groups.end(), [&](const GroupBound& g) {
            return g.Kind == part.Kind && g.Thickness == part.Thickness;
        });
        if (found == bound.Groups.end()) {
            bound.Groups.push_back({part.Kind, part.Thickness, 0, 0, 0});
            found = bound.Groups.end() - 1;
        }
        found->Unplaceable += entry.Count;
    }
    bound.Made = true;
    return bound;
}
