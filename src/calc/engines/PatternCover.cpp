#include "calc/engines/PatternCover.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

#include "calc/CalHaichi.h"
#include "calc/engines/SearchEffort.h"
#include "job/Buzai.h"
#include "job/Genban.h"

using boardsearch::Item;
using boardsearch::Pattern;
using boardsearch::SearchParams;
using boardsearch::SearchResult;
using searcheffort::EffortIndex;

namespace {

// By effort 1..5: beam and branching of the quick pricing search and of the wide one tried when
// the quick one finds nothing, rounds of pattern generation before the first fixing and after
// every later one, fixing steps.
constexpr int kCoverBeam[5][2] = {{2, 8}, {3, 20}, {4, 60}, {6, 80}, {8, 100}};
constexpr int kCoverBranch[5][2] = {{3, 6}, {4, 10}, {6, 16}, {8, 18}, {10, 20}};
constexpr int kCoverRounds[5] = {60, 150, 400, 600, 1000};
constexpr int kCoverRefine[5] = {1, 2, 3, 4, 5};
constexpr int kCoverSteps[5] = {100, 200, 400, 600, 1000};
// Pieces per part on average below which the patterns are not chosen together.
constexpr std::int64_t kCoverPieces = 2;
// Knapsack cells the pattern choice may visit: per board the parts' area needs, at most a multiple
// of the effort's cells of the runs (a few boards leave little to choose together).
constexpr std::int64_t kCoverBoardWork[5] = {300000, 1000000, 4000000, 6000000, 8000000};
constexpr std::int64_t kCoverWork = 4;

bool AllCovered(const std::vector<std::int32_t>& need)
{
    return std::all_of(need.begin(), need.end(), [](std::int32_t c) { return c < 1; });
}

}  // namespace

CoverResult PatternCover::Run()
{
    CoverResult out;
    if (!Prepare()) {
        return out;
    }
    // First patterns: pieces worth their area at the cheapest board's price per area.
    double rate = 0.0;
    for (const Kind& kind : m_kinds) {
        const double r = kind.Cost / (static_cast<double>(kind.Rect.Width()) * kind.Rect.Height());
        rate = rate == 0.0 ? r : std::min(rate, r);
    }
    {
        std::vector<double> y(m_n, 0.0);
        for (std::size_t i = 0; i < m_n; ++i) {
            y[i] = m_kinds[0].Items[i].Area * rate * 1.01;
        }
        Generate(y, true, 0);
    }
    Round();
    out.Work += m_spent;
    if (Stopped()) {
        return out;
    }
    std::vector<CAL_BUZAI> secondary = m_p.Group->Buzai[1];
    LayOutFixed(secondary, out);
    DropUsedUp(secondary);
    out.Rest = Rest(secondary);
    out.Made = true;
    return out;
}

bool PatternCover::Prepare()
{
    const CCalData& group = *m_p.Group;
    const CCalHaichi& engine = *m_p.Engine;
    // The boards the run would offer first: those of the most preferred level.
    m_level = 2;
    while (m_level >= 0 && group.Genban[static_cast<std::size_t>(m_level)].empty()) {
        --m_level;
    }
    const std::vector<CAL_BUZAI>& parts = group.Buzai[0];
    if (m_level < 0 || parts.empty()) {
        return false;
    }
    // With one or two pieces of a part on average the relaxation says little about whole
    // boards: the board by board search does better there.
    std::int64_t pieces = 0;
    for (const CAL_BUZAI& entry : parts) {
        pieces += entry.Count;
    }
    if (pieces < kCoverPieces * static_cast<std::int64_t>(parts.size())) {
        return false;
    }
    const std::vector<CAL_GENBAN>& levelBoards = group.Genban[static_cast<std::size_t>(m_level)];
    m_e = EffortIndex(m_p.Effort);
    m_n = parts.size();

    // Boards cost their price; without prices (or when the price is left out) their area.
    bool priced = m_p.NoRateFlg == 0;
    for (const CAL_GENBAN& entry : levelBoards) {
        priced = priced && engine.Board(entry.Number).Price > 0;
    }
    m_need.assign(m_n, 0);
    for (std::size_t b = 0; b < levelBoards.size(); ++b) {
        const CGenban& board = engine.Board(levelBoards[b].Number);
        Kind kind;
        kind.Entry = b;
        kind.Rect = TrimmedRect(board);
        kind.Cost = priced ? static_cast<double>(board.Price) : GenbanArea(board);
        kind.Stock = levelBoards[b].Count;
        if (kind.Rect.Width() <= 0 || kind.Rect.Height() <= 0 || !(kind.Cost > 0.0) || kind.Stock < 1) {
            continue;
        }
        for (std::size_t i = 0; i < m_n; ++i) {
            Item item = boardsearch::BoardItem(engine.Part(0, parts[i].Number), 0, i, parts[i].Number,
                                               parts[i].Count, kind.Rect);
            if (item.Shapes > 0 && item.Area > 0.0) {
                m_need[i] = parts[i].Count;
            } else {
                item.Shapes = 0;
            }
            kind.Items.push_back(item);
        }
        m_kinds.push_back(std::move(kind));
    }
    if (m_kinds.empty() || AllCovered(m_need)) {
        return false;
    }

    for (const Kind& kind : m_kinds) {
        m_artificial = std::max(m_artificial, kind.Cost * 1e3);
    }
    double partsArea = 0.0, boardArea = 0.0;
    for (std::size_t i = 0; i < m_n; ++i) {
        partsArea += m_need[i] > 0 ? m_kinds[0].Items[i].Area * m_need[i] : 0.0;
    }
    for (const Kind& kind : m_kinds) {
        boardArea = std::max(boardArea, static_cast<double>(kind.Rect.Width()) * kind.Rect.Height());
    }
    const auto boards = static_cast<std::int64_t>(std::ceil(partsArea / boardArea));
    m_limit = std::min(searcheffort::kWork[m_e] * kCoverWork,
                       std::max<std::int64_t>(1, boards) * kCoverBoardWork[m_e]);
    return true;
}

bool PatternCover::Stopped() const
{
    return *m_p.Stop || (m_p.OuterStop && *m_p.OuterStop);
}

int PatternCover::Generate(const std::vector<double>& y, bool any, int wide)
{
    int added = 0;
    for (std::size_t k = 0; k < m_kinds.size() && !TooLong(); ++k) {
        if (m_kinds[k].Stock < 1) {
            continue;
        }
        std::vector<Item> items = m_kinds[k].Items;
        bool some = false;
        for (std::size_t i = 0; i < m_n; ++i) {
            items[i].Value = y[i];
            items[i].Count = items[i].Shapes > 0 && y[i] > 0.0 ? m_need[i] : 0;
            some = some || items[i].Count > 0;
        }
        if (!some) {
            continue;
        }
        SearchResult found = boardsearch::SearchBoard(
            items, SearchParams{m_kinds[k].Rect, m_p.MaxCut, m_p.Kerf, m_p.Level, kCoverBeam[m_e][wide],
                                kCoverBranch[m_e][wide], m_p.Stop});
        m_spent += found.Work;
        const std::optional<Pattern>& best = found.Best;
        if (!best || best->Value <= 0.0 || (!any && !(best->Value > m_kinds[k].Cost * (1.0 + 1e-9)))) {
            continue;
        }
        const bool known = std::any_of(m_pool.begin(), m_pool.end(), [&](const Candidate& c) {
            return c.Kind == k && c.Cut.Used == best->Used;
        });
        if (!known) {
            m_pool.push_back(Candidate{k, found.Direction, std::move(*found.Best)});
            ++added;
        }
    }
    return added;
}

// Patterns of boards out of stock cover nothing.
CoverLp::Solution PatternCover::Relax()
{
    if (!m_lp) {
        m_lp.emplace(std::vector<double>(m_need.begin(), m_need.end()), m_artificial);
        m_inLp = 0;
    }
    for (; m_inLp < m_pool.size(); ++m_inLp) {
        const Candidate& c = m_pool[m_inLp];
        std::vector<double> column(m_n, 0.0);
        if (m_kinds[c.Kind].Stock > 0) {
            for (std::size_t i = 0; i < m_n; ++i) {
                column[i] = std::min(c.Cut.Used[i], m_need[i]);
            }
        }
        m_lp->AddColumn(m_kinds[c.Kind].Cost, std::move(column));
    }
    CoverLp::Solution s = m_lp->Solve();
    const auto n = static_cast<std::int64_t>(m_n);
    m_spent += s.Pivots * n * (m_lp->Columns() + 2 * n);
    return s;
}

CoverLp::Solution PatternCover::Solve(int rounds)
{
    CoverLp::Solution s = Relax();
    for (int t = 0; t < rounds && !TooLong(); ++t) {
        if (Generate(s.Duals, false, 0) == 0 && (TooLong() || Generate(s.Duals, false, 1) == 0)) {
            break;
        }
        s = Relax();
    }
    return s;
}

void PatternCover::Fix(std::size_t j, std::int64_t boards)
{
    m_lp.reset();
    m_fixed.resize(m_pool.size(), 0);
    m_fixed[j] += boards;
    m_kinds[m_pool[j].Kind].Stock -= boards;
    for (std::size_t i = 0; i < m_n; ++i) {
        m_need[i] -= static_cast<std::int32_t>(m_pool[j].Cut.Used[i] * boards);
    }
}

// With no whole board in the relaxation, the largest fraction is fixed on one board.
void PatternCover::Round()
{
    CoverLp::Solution s = Solve(kCoverRounds[m_e]);
    for (int step = 0; step < kCoverSteps[m_e] && !Stopped(); ++step) {
        if (AllCovered(m_need)) {
            break;
        }
        std::vector<std::size_t> order(s.X.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return s.X[a] > s.X[b]; });
        bool any = false;
        for (std::size_t j : order) {
            if (s.X[j] < 1.0 - 1e-6) {
                break;
            }
            const Candidate& c = m_pool[j];
            std::int64_t boards =
                std::min<std::int64_t>(static_cast<std::int64_t>(s.X[j] + 1e-6), m_kinds[c.Kind].Stock);
            for (std::size_t i = 0; i < m_n; ++i) {
                if (c.Cut.Used[i] > 0) {
                    boards = std::min<std::int64_t>(boards, m_need[i] / c.Cut.Used[i]);
                }
            }
            if (boards > 0) {
                Fix(j, boards);
                any = true;
            }
        }
        if (!any && !FixLargestFraction(s, order)) {
            break;
        }
        s = Solve(kCoverRefine[m_e]);
    }
}

bool PatternCover::FixLargestFraction(const CoverLp::Solution& s, const std::vector<std::size_t>& order)
{
    if (order.empty() || s.X[order[0]] < 1e-6 || m_kinds[m_pool[order[0]].Kind].Stock < 1) {
        return false;
    }
    Candidate trimmed = m_pool[order[0]];
    std::vector<std::int32_t> excess(m_n, 0);
    for (std::size_t i = 0; i < m_n; ++i) {
        excess[i] = std::max(0, trimmed.Cut.Used[i] - std::max(0, m_need[i]));
    }
    boardsearch::TrimPattern(trimmed.Cut, boardsearch::ItemsFor(m_kinds[trimmed.Kind].Items, trimmed.Direction),
                             excess);
    if (trimmed.Cut.Strips.empty()) {
        return false;
    }
    m_pool.push_back(std::move(trimmed));
    Fix(m_pool.size() - 1, 1);
    return true;
}

// Secondary parts fill what a pattern leaves when the board search lays out the pattern's pieces
// again together with them.
void PatternCover::LayOutFixed(std::vector<CAL_BUZAI>& secondary, CoverResult& out)
{
    const CCalHaichi& engine = *m_p.Engine;
    const std::vector<CAL_GENBAN>& levelBoards = m_p.Group->Genban[static_cast<std::size_t>(m_level)];
    m_placed.assign(m_n, 0);
    for (std::size_t j = 0; j < m_fixed.size(); ++j) {
        const Candidate& c = m_pool[j];
        const Kind& kind = m_kinds[c.Kind];
        for (std::size_t i = 0; i < m_n; ++i) {
            m_placed[i] += static_cast<std::int32_t>(c.Cut.Used[i] * m_fixed[j]);
        }
        for (std::int64_t left = m_fixed[j]; left > 0 && !Stopped();) {
            COutData layout;
            layout.BoardNo = levelBoards[kind.Entry].Number;
            std::int64_t repeat = left;
            std::vector<Item> items;
            std::optional<SearchResult> filled;
            if (std::any_of(secondary.begin(), secondary.end(), [](const CAL_BUZAI& y) { return y.Count > 0; })) {
                filled = FillWithSecondary(c, secondary, items, repeat, out.Work);
            }
            if (filled) {
                boardsearch::EmitPattern(engine, items, *filled->Best, filled->Direction, kind.Rect, m_p.Kerf,
                                         layout);
                for (std::size_t y = m_n; y < items.size(); ++y) {
                    secondary[items[y].Entry].Count -= static_cast<std::int32_t>(filled->Best->Used[y] * repeat);
                }
            } else {
                boardsearch::EmitPattern(engine, kind.Items, c.Cut, c.Direction, kind.Rect, m_p.Kerf, layout);
                // The secondary parts do not fit with this pattern: not tried again on its boards.
                repeat = left;
            }
            layout.Finish(engine.Board(layout.BoardNo));
            layout.Repeat = static_cast<std::int32_t>(repeat);
            out.Layouts.push_back(std::move(layout));
            left -= repeat;
        }
    }
}

std::optional<SearchResult> PatternCover::FillWithSecondary(const Candidate& c,
                                                            const std::vector<CAL_BUZAI>& secondary,
                                                            std::vector<Item>& items, std::int64_t& repeat,
                                                            std::int64_t& work) const
{
    const Kind& kind = m_kinds[c.Kind];
    items = kind.Items;
    double least = 0.0;
    for (std::size_t i = 0; i < m_n; ++i) {
        items[i].Count = items[i].Shapes > 0 ? c.Cut.Used[i] : 0;
        items[i].Value = items[i].Area;
        if (items[i].Count > 0) {
            least = least == 0.0 ? items[i].Area : std::min(least, items[i].Area);
        }
    }
    const double boardArea = static_cast<double>(kind.Rect.Width()) * kind.Rect.Height();
    for (std::size_t y = 0; y < secondary.size(); ++y) {
        Item item = boardsearch::BoardItem(m_p.Engine->Part(1, secondary[y].Number), 1, y, secondary[y].Number,
                                           secondary[y].Count, kind.Rect);
        item.Value = item.Area * least * searcheffort::kSecondaryWeight / boardArea;
        if (item.Shapes > 0 && item.Area > 0.0 && item.Count > 0) {
            items.push_back(item);
        }
    }
    SearchResult filled = boardsearch::SearchBoard(
        items, SearchParams{kind.Rect, m_p.MaxCut, m_p.Kerf, m_p.Level, searcheffort::kBeam[m_e],
                            searcheffort::kBranch[m_e], m_p.Stop});
    work += filled.Work;
    bool whole = filled.Best && items.size() > m_n;
    for (std::size_t i = 0; whole && i < m_n; ++i) {
        whole = filled.Best->Used[i] == items[i].Count;
    }
    bool some = false;
    for (std::size_t y = m_n; whole && y < items.size(); ++y) {
        if (filled.Best->Used[y] > 0) {
            some = true;
            repeat = std::min<std::int64_t>(repeat, secondary[items[y].Entry].Count / filled.Best->Used[y]);
        }
    }
    if (!whole || !some) {
        return std::nullopt;
    }
    return filled;
}

CCalData PatternCover::Rest(const std::vector<CAL_BUZAI>& secondary) const
{
    const std::vector<CAL_BUZAI>& parts = m_p.Group->Buzai[0];
    CCalData rest = *m_p.Group;
    rest.Buzai[0].clear();
    rest.Buzai[1] = secondary;
    for (std::size_t i = 0; i < m_n; ++i) {
        if (parts[i].Count - m_placed[i] > 0) {
            rest.Buzai[0].push_back(CAL_BUZAI{parts[i].Number, parts[i].Count - m_placed[i], 0});
        }
    }
    std::vector<CAL_GENBAN>& restBoards = rest.Genban[static_cast<std::size_t>(m_level)];
    for (const Kind& kind : m_kinds) {
        restBoards[kind.Entry].Count = static_cast<std::int32_t>(kind.Stock);
    }
    std::erase_if(restBoards, [](const CAL_GENBAN& b) { return b.Count < 1; });
    return rest;
}
