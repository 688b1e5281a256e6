#include "calc/engines/BoardSearch.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <utility>

#include "calc/CalHaichi.h"
#include "calc/engines/KnapsackRow.h"
#include "job/Buzai.h"

namespace boardsearch {

namespace {

// Cells of the knapsack along a strip; longer strips are measured in coarser steps.
constexpr std::int64_t kMaxCells = 4096;
// Knapsack cells one step of a board's beam search may visit.
constexpr std::int64_t kStepWork = 400000000;

// A way of a column's first piece in the knapsack along a strip: its cells and its value with
// what is expected to stack on it.
struct HeadOption {
    int Way = 0;
    std::int64_t Weight = 0;
    double Value = 0.0;
};

// Some pieces of one item taken together in the knapsack, in one of its ways.
struct HeadGroup {
    int ItemIndex = 0;
    std::int32_t Pieces = 0;
    HeadOption Options[2];
    int OptionCount = 0;
};

// The beam search over the strips of one board in one direction.
class BoardSearch {
public:
    BoardSearch(const std::vector<Item>& items, std::int32_t length, std::int32_t thickness,
                std::int32_t kerf, int level, int beam, int branch, const std::atomic<int>& stop)
        : m_items(items),
          m_length(length),
          m_thickness(thickness),
          m_kerf(kerf),
          m_level(level),
          m_beam(beam),
          m_branch(branch),
          m_stop(stop)
    {
        std::int64_t g = std::int64_t{length} + kerf;
        for (const Item& item : items) {
            for (int w = 0; w < item.Shapes; ++w) {
                g = std::gcd(g, std::int64_t{item.Ways[w].Along} + kerf);
            }
        }
        const std::int64_t span = std::int64_t{length} + kerf;
        m_step = std::max<std::int64_t>(g, (span + kMaxCells - 1) / kMaxCells);
        m_cells = span / m_step;
        // A job of many part kinds in large counts makes every strip's knapsack large: the beam
        // narrows so that one step of it visits no more than kStepWork cells.
        std::int64_t groups = 0;
        for (const Item& item : items) {
            std::int64_t chunks = 0;
            for (std::int64_t n = std::min<std::int64_t>(item.Count, m_cells); n > 0; n /= 2) {
                ++chunks;
            }
            groups += chunks * item.Shapes;
        }
        const std::int64_t fills = kStepWork / std::max<std::int64_t>(1, groups * (m_cells + 1));
        if (fills < std::int64_t{m_beam} * m_branch) {
            m_beam = static_cast<int>(std::clamp<std::int64_t>(fills / m_branch, 1, m_beam));
            if (m_beam == 1) {
                m_branch = static_cast<int>(std::clamp<std::int64_t>(fills, 2, m_branch));
            }
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            for (int w = 0; w < items[i].Shapes; ++w) {
                m_byAcross.push_back(Piece{static_cast<int>(i), w});
            }
        }
        std::stable_sort(m_byAcross.begin(), m_byAcross.end(), [&](const Piece& a, const Piece& b) {
            const Shape& sa = WayOf(a);
            const Shape& sb = WayOf(b);
            if (sa.Across != sb.Across) {
                return sa.Across > sb.Across;
            }
            return m_items[a.ItemIndex].Value > m_items[b.ItemIndex].Value;
        });
    }

    Pattern Run()
    {
        // The strips of a node from its last back to the first, shared with the nodes it grew from.
        struct StripChain {
            Strip Last;
            std::shared_ptr<const StripChain> Before;
        };
        struct Node {
            std::vector<std::int32_t> Avail;
            std::int32_t Pos = 0;  // start of the next strip across
            double Value = 0.0;
            double Guide = 0.0;
            std::shared_ptr<const StripChain> Strips;
        };
        Node root;
        for (const Item& item : m_items) {
            root.Avail.push_back(item.Count);
        }
        Pattern best;
        best.Used.assign(m_items.size(), 0);
        std::vector<Node> beam{root};
        while (!beam.empty() && !m_stop) {
            std::vector<Node> children;
            for (const Node& node : beam) {
                for (std::int32_t t : Thicknesses(node.Avail, m_thickness - node.Pos)) {
                    Node child;
                    Strip strip;
                    double value = 0.0;
                    if (!FillStrip(t, node.Avail, child.Avail, strip, value)) {
                        continue;
                    }
                    child.Pos = node.Pos + t + m_kerf;
                    child.Value = node.Value + value;
                    child.Guide = child.Value + Optimism(child.Avail, m_thickness - child.Pos);
                    child.Strips = std::make_shared<const StripChain>(StripChain{std::move(strip), node.Strips});
                    children.push_back(std::move(child));
                }
            }
            for (const Node& child : children) {
                if (child.Value > best.Value) {
                    best.Value = child.Value;
                    best.Strips.clear();
                    for (const StripChain* s = child.Strips.get(); s; s = s->Before.get()) {
                        best.Strips.push_back(s->Last);
                    }
                    std::reverse(best.Strips.begin(), best.Strips.end());
                    for (std::size_t i = 0; i < m_items.size(); ++i) {
                        best.Used[i] = m_items[i].Count - child.Avail[i];
                    }
                }
            }
            std::stable_sort(children.begin(), children.end(),
                             [](const Node& a, const Node& b) { return a.Guide > b.Guide; });
            beam.clear();
            for (Node& child : children) {
                if (static_cast<int>(beam.size()) >= m_beam) {
                    break;
                }
                const bool same = std::any_of(beam.begin(), beam.end(), [&](const Node& b) {
                    return b.Pos == child.Pos && b.Avail == child.Avail;
                });
                if (same) {
                    continue;
                }
                beam.push_back(std::move(child));
            }
        }
        return best;
    }

    // Knapsack cells visited so far: the measure of the effort spent.
    std::int64_t Work() const { return m_work; }

private:
    const Shape& WayOf(const Piece& p) const { return m_items[p.ItemIndex].Ways[p.Way]; }

    // The strip thicknesses worth trying: sizes across of available pieces that fit, those of the
    // most valuable pieces first, at most `branch` of them; the thickest always among them.
    std::vector<std::int32_t> Thicknesses(const std::vector<std::int32_t>& avail, std::int32_t room) const
    {
        struct Option {
            std::int32_t Thickness;
            double Value;
        };
        std::vector<Option> options;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (avail[i] < 1) {
                continue;
            }
            const Item& item = m_items[i];
            for (int w = 0; w < item.Shapes; ++w) {
                const Shape& s = item.Ways[w];
                if (s.Across > room || s.Along > m_length) {
                    continue;
                }
                auto same = std::find_if(options.begin(), options.end(),
                                         [&](const Option& o) { return o.Thickness == s.Across; });
                if (same == options.end()) {
                    options.push_back(Option{s.Across, item.Value});
                } else {
                    same->Value = std::max(same->Value, item.Value);
                }
            }
        }
        std::vector<std::int32_t> result;
        if (options.empty()) {
            return result;
        }
        const auto thickest =
            std::max_element(options.begin(), options.end(),
                             [](const Option& a, const Option& b) { return a.Thickness < b.Thickness; });
        result.push_back(thickest->Thickness);
        std::stable_sort(options.begin(), options.end(), [](const Option& a, const Option& b) {
            return a.Value > b.Value || (a.Value == b.Value && a.Thickness > b.Thickness);
        });
        for (const Option& o : options) {
            if (static_cast<int>(result.size()) >= m_branch) {
                break;
            }
            if (std::find(result.begin(), result.end(), o.Thickness) == result.end()) {
                result.push_back(o.Thickness);
            }
        }
        return result;
    }

    // What the rest of the board could still hold at best: its area at the highest value per
    // area among the available pieces, at most the value of all of them.
    double Optimism(const std::vector<std::int32_t>& avail, std::int32_t room) const
    {
        if (room <= 0) {
            return 0.0;
        }
        double total = 0.0, density = 0.0;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (avail[i] > 0) {
                total += m_items[i].Value * avail[i];
                density = std::max(density, m_items[i].Value / m_items[i].Area);
            }
        }
        return std::min(total, density * static_cast<double>(room) * m_length);
    }

    // Whether a piece may join a column of `width` (the fourth stage trims narrower ones).
    bool JoinsColumn(const Shape& s, std::int32_t width) const
    {
        return m_level >= 2 ? s.Along <= width : s.Along == width;
    }

    // Stacks available pieces across on top of the first one of a column, the thickest first,
    // from `m_fit` (the ways that may lie in the strip). Adds them to `column` when given and takes
    // them from `avail`, noting what it took in `taken` when given; returns their value.
    double Stack(std::int32_t width, std::int32_t used, std::int32_t t, std::vector<std::int32_t>& avail,
                 Column* column, std::vector<std::pair<int, std::int32_t>>* taken = nullptr) const
    {
        double value = 0.0;
        std::int32_t pos = used + m_kerf;
        if (m_level < 1 || pos >= t) {
            return value;
        }
        // The ways are sorted thickest first: those thicker than the room left are skipped at once.
        auto p = std::partition_point(m_fit.begin(), m_fit.end(),
                                      [&](const Piece& q) { return WayOf(q).Across > t - pos; });
        for (; p != m_fit.end() && pos < t; ++p) {
            const Shape& s = WayOf(*p);
            std::int32_t& left = avail[static_cast<std::size_t>(p->ItemIndex)];
            if (left < 1 || s.Across > t - pos || !JoinsColumn(s, width)) {
                continue;
            }
            const std::int32_t n = std::min<std::int32_t>(left, (t - pos + m_kerf) / (s.Across + m_kerf));
            left -= n;
            pos += n * (s.Across + m_kerf);
            value += m_items[p->ItemIndex].Value * n;
            if (column) {
                column->Pieces.insert(column->Pieces.end(), static_cast<std::size_t>(n), *p);
            }
            if (taken) {
                taken->emplace_back(p->ItemIndex, n);
            }
        }
        return value;
    }

    // One strip of thickness t from the pieces `avail`: a knapsack along the strip over the
    // columns' first pieces (each worth its value plus an estimate of what stacks on it), then the
    // columns stacked from what is left. False when nothing fits.
    bool FillStrip(std::int32_t t, const std::vector<std::int32_t>& avail, std::vector<std::int32_t>& after,
                   Strip& strip, double& value)
    {
        std::vector<HeadGroup>& groups = m_groups;
        groups.clear();
        // The ways of available pieces no thicker than the strip, in the order of m_byAcross.
        m_fit.clear();
        if (m_level >= 1) {
            for (const Piece& p : m_byAcross) {
                if (avail[static_cast<std::size_t>(p.ItemIndex)] > 0 && WayOf(p).Across <= t) {
                    m_fit.push_back(p);
                }
            }
        }
        // The pieces left for stacking on a head: `avail` less what an estimate takes, given back
        // after every estimate.
        std::vector<std::int32_t>& scratch = m_scratch;
        scratch = avail;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (avail[i] < 1) {
                continue;
            }
            const Item& item = m_items[i];
            HeadGroup g;
            g.ItemIndex = static_cast<int>(i);
            std::int64_t lightest = 0;
            for (int w = 0; w < item.Shapes; ++w) {
                const Shape& s = item.Ways[w];
                const bool fits = m_level == 0 ? s.Across == t : s.Across <= t;
                if (!fits || s.Along > m_length) {
                    continue;
                }
                const std::int64_t weight = (std::int64_t{s.Along} + m_kerf + m_step - 1) / m_step;
                --scratch[i];
                m_taken.clear();
                const double stacked = Stack(s.Along, s.Across, t, scratch, nullptr, &m_taken);
                ++scratch[i];
                for (const auto& [index, n] : m_taken) {
                    scratch[static_cast<std::size_t>(index)] += n;
                }
                g.Options[g.OptionCount++] = HeadOption{w, weight, item.Value + stacked};
                lightest = lightest == 0 ? weight : std::min(lightest, weight);
            }
            if (g.OptionCount == 0) {
                continue;
            }
            // Binary chunks of the pieces, each a group of its own.
            std::int64_t pieces = std::min<std::int64_t>(avail[i], m_cells / lightest);
            for (std::int64_t chunk = 1; pieces > 0; chunk *= 2) {
                const std::int64_t take = std::min(chunk, pieces);
                HeadGroup c = g;
                c.Pieces = static_cast<std::int32_t>(take);
                groups.push_back(c);
                pieces -= take;
            }
        }
        if (groups.empty()) {
            return false;
        }

        const std::size_t cells = static_cast<std::size_t>(m_cells) + 1;
        m_work += static_cast<std::int64_t>(groups.size() * cells);
        std::vector<double>& best = m_best;
        best.assign(cells, 0.0);
        std::vector<double>& next = m_next;
        next.resize(cells);
        std::vector<std::uint8_t>& choice = m_choice;
        choice.resize(groups.size() * cells);  // KnapsackRow writes every cell
        for (std::size_t gi = 0; gi < groups.size(); ++gi) {
            const HeadGroup& g = groups[gi];
            std::size_t w[2] = {cells, cells};
            double v[2] = {0.0, 0.0};
            for (int o = 0; o < g.OptionCount; ++o) {
                w[o] = static_cast<std::size_t>(g.Options[o].Weight * g.Pieces);
                v[o] = g.Options[o].Value * g.Pieces;
            }
            KnapsackRow(best.data(), next.data(), &choice[gi * cells], cells, w, v);
            best.swap(next);
        }
        std::size_t c = 0;
        for (std::size_t i = 1; i < cells; ++i) {
            if (best[i] > best[c]) {
                c = i;
            }
        }
        if (!(best[c] > 0.0)) {
            return false;
        }

        after = avail;
        strip.Thickness = t;
        strip.Columns.clear();
        for (std::size_t gi = groups.size(); gi-- > 0;) {
            const std::uint8_t o = choice[gi * cells + c];
            if (o == 0) {
                continue;
            }
            const HeadGroup& g = groups[gi];
            const HeadOption& option = g.Options[o - 1];
            c -= static_cast<std::size_t>(option.Weight * g.Pieces);
            const Shape& s = m_items[g.ItemIndex].Ways[option.Way];
            after[static_cast<std::size_t>(g.ItemIndex)] -= g.Pieces;
            for (std::int32_t n = 0; n < g.Pieces; ++n) {
                strip.Columns.push_back(Column{s.Along, {Piece{g.ItemIndex, option.Way}}});
            }
        }
        // Wider columns first; the same first pieces side by side.
        std::stable_sort(strip.Columns.begin(), strip.Columns.end(), [&](const Column& a, const Column& b) {
            if (a.Width != b.Width) {
                return a.Width > b.Width;
            }
            return a.Pieces[0].ItemIndex < b.Pieces[0].ItemIndex;
        });
        value = 0.0;
        for (Column& column : strip.Columns) {
            const Piece first = column.Pieces[0];
            value += m_items[first.ItemIndex].Value;
            value += Stack(column.Width, WayOf(first).Across, t, after, &column);
        }
        return true;
    }

    const std::vector<Item>& m_items;
    std::int32_t m_length;
    std::int32_t m_thickness;
    std::int32_t m_kerf;
    int m_level;
    int m_beam;
    int m_branch;
    const std::atomic<int>& m_stop;
    std::int64_t m_step = 1;
    std::int64_t m_cells = 0;
    std::vector<Piece> m_byAcross;  // every way of every item, thickest across first
    std::vector<Piece> m_fit;       // the ways Stack tries in the current strip
    std::vector<std::int32_t> m_scratch;
    std::vector<std::pair<int, std::int32_t>> m_taken;
    std::vector<double> m_best;
    std::vector<double> m_next;
    std::vector<std::uint8_t> m_choice;
    std::vector<HeadGroup> m_groups;
    std::int64_t m_work = 0;
};

}  // namespace

SearchResult SearchBoard(const std::vector<Item>& items, const SearchParams& params)
{
    SearchResult result;
    const CalRect& rect = params.Rect;
    for (int d = 0; d < 2; ++d) {
        // Strips of direction 0 are cut off by cuts across the whole width.
        if ((d == 0 ? rect.Width() : rect.Height()) > params.MaxCut) {
            continue;
        }
        const std::vector<Item> frame = ItemsFor(items, d);
        BoardSearch search(frame, d == 0 ? rect.Width() : rect.Height(), d == 0 ? rect.Height() : rect.Width(),
                           params.Kerf, params.Level, params.Beam, params.Branch, *params.Stop);
        Pattern pattern = search.Run();
        result.Work += search.Work();
        if (!result.Best || pattern.Value > result.Best->Value) {
            result.Best = std::move(pattern);
            result.Direction = d;
        }
    }
    return result;
}

std::vector<Item> ItemsFor(const std::vector<Item>& board, int direction)
{
    std::vector<Item> items = board;
    if (direction == 1) {
        for (Item& item : items) {
            for (int w = 0; w < item.Shapes; ++w) {
                std::swap(item.Ways[w].Along, item.Ways[w].Across);
            }
        }
    }
    return items;
}


Item BoardItem(const CBuzai& part, int list, std::size_t entry, std::int32_t number, std::int32_t count,
               const CalRect& rect)
{
    Item item;
    item.List = list;
    item.Entry = entry;
    item.Number = number;
    item.Count = count;
    item.Area = static_cast<double>(part.Width) * part.Height;
    for (int rotated = 0; rotated < 2; ++rotated) {
        if (rotated && (part.NoTurn || part.Width == part.Height)) {
            continue;
        }
        if (!CCalHaichi::FitsAs(part, rotated, rect)) {
            continue;
        }
        item.Ways[item.Shapes++] =
            rotated ? Shape{part.Height, part.Width, 1} : Shape{part.Width, part.Height, 0};
    }
    return item;
}


void EmitPattern(const CCalHaichi& engine, const std::vector<Item>& items, const Pattern& pattern, int d,
                 const CalRect& rect, std::int32_t k, COutData& layout)
{
    const std::int32_t alongLow = d == 0 ? rect.X0 : rect.Y0, alongHigh = d == 0 ? rect.X1 : rect.Y1;
    const std::int32_t acrossHigh = d == 0 ? rect.Y1 : rect.X1;
    const auto cut = [&](std::int32_t along0, std::int32_t along1, std::int32_t across0,
                         std::int32_t across1) {
        layout.CutLines.push_back(d == 0 ? CUTMARK{along0, across0, along1, across1}
                                         : CUTMARK{across0, along0, across1, along1});
    };
    const auto place = [&](const Item& item, const Shape& s, std::int32_t along, std::int32_t across,
                           std::int32_t nAlong, std::int32_t nAcross) {
        const CBuzai& part = engine.Part(item.List, item.Number);
        const std::int32_t x = d == 0 ? along : across, y = d == 0 ? across : along;
        const std::int32_t nx = d == 0 ? nAlong : nAcross, ny = d == 0 ? nAcross : nAlong;
        layout.Blocks.emplace_back(item.Number, item.List, x, y, nx, ny, s.Rotated);
        const double area = static_cast<double>(part.Width) * part.Height * nx * ny;
        layout.TotalArea += area;
        if (item.List == 0) {
            layout.PartsArea += area;
        }
    };
    // A column holding pieces of one way only, as many as fit its width: it may join its
    // neighbours of the same kind in one block.
    const auto uniform = [&](const Column& c) {
        for (const Piece& p : c.Pieces) {
            if (p.ItemIndex != c.Pieces[0].ItemIndex || p.Way != c.Pieces[0].Way) {
                return false;
            }
        }
        return true;
    };

    std::int32_t across = d == 0 ? rect.Y0 : rect.X0;
    for (const Strip& strip : pattern.Strips) {
        std::int32_t along = alongLow;
        for (std::size_t c = 0; c < strip.Columns.size();) {
            const Column& column = strip.Columns[c];
            // Identical uniform columns side by side become one block.
            std::size_t run = 1;
            if (uniform(column)) {
                while (c + run < strip.Columns.size() && uniform(strip.Columns[c + run]) &&
                       strip.Columns[c + run].Width == column.Width &&
                       strip.Columns[c + run].Pieces.size() == column.Pieces.size() &&
                       strip.Columns[c + run].Pieces[0].ItemIndex == column.Pieces[0].ItemIndex &&
                       strip.Columns[c + run].Pieces[0].Way == column.Pieces[0].Way) {
                    ++run;
                }
            }
            std::int32_t pos = across;
            for (std::size_t p = 0; p < column.Pieces.size();) {
                const Piece& piece = column.Pieces[p];
                std::size_t same = 1;
                while (p + same < column.Pieces.size() &&
                       column.Pieces[p + same].ItemIndex == piece.ItemIndex &&
                       column.Pieces[p + same].Way == piece.Way) {
                    ++same;
                }
                const Item& item = items[static_cast<std::size_t>(piece.ItemIndex)];
                const Shape& board = item.Ways[piece.Way];
                const std::int32_t sAlong = d == 0 ? board.Along : board.Across;
                const std::int32_t sAcross = d == 0 ? board.Across : board.Along;
                place(item, board, along, pos, static_cast<std::int32_t>(run),
                      static_cast<std::int32_t>(same));
                for (std::size_t i = 0; i < same; ++i) {
                    // A narrower piece is trimmed off its column's rest.
                    if (sAlong < column.Width) {
                        cut(along + sAlong + k / 2, along + sAlong + k / 2, pos, pos + sAcross);
                    }
                    pos += sAcross;
                    if (pos < across + strip.Thickness) {
                        const std::int32_t end =
                            along + static_cast<std::int32_t>(run) * (column.Width + k) - k;
                        cut(along, end, pos + k / 2, pos + k / 2);
                    }
                    pos += k;
                }
                p += same;
            }
            for (std::size_t i = 0; i < run; ++i) {
                along += column.Width;
                if (along < alongHigh) {
                    cut(along + k / 2, along + k / 2, across, across + strip.Thickness);
                }
                along += k;
            }
            c += run;
        }
        across += strip.Thickness;
        if (across < acrossHigh) {
            cut(alongLow, alongHigh, across + k / 2, across + k / 2);
        }
        across += k;
    }
}


void TrimPattern(Pattern& pattern, const std::vector<Item>& items, std::vector<std::int32_t> excess)
{
    for (std::size_t s = pattern.Strips.size(); s-- > 0;) {
        Strip& strip = pattern.Strips[s];
        for (std::size_t c = strip.Columns.size(); c-- > 0;) {
            Column& column = strip.Columns[c];
            for (std::size_t k = column.Pieces.size(); k-- > 0;) {
                const auto i = static_cast<std::size_t>(column.Pieces[k].ItemIndex);
                if (excess[i] > 0) {
                    --excess[i];
                    --pattern.Used[i];
                    column.Pieces.erase(column.Pieces.begin() + static_cast<std::ptrdiff_t>(k));
                }
            }
            if (column.Pieces.empty()) {
                strip.Columns.erase(strip.Columns.begin() + static_cast<std::ptrdiff_t>(c));
                continue;
            }
            // Without its first piece the column is as wide as its widest piece left.
            std::int32_t width = 0;
            for (const Piece& p : column.Pieces) {
                width = std::max(width, items[static_cast<std::size_t>(p.ItemIndex)].Ways[p.Way].Along);
            }
            column.Width = width;
        }
        if (strip.Columns.empty()) {
            pattern.Strips.erase(pattern.Strips.begin() + static_cast<std::ptrdiff_t>(s));
        }
    }
}


}  // namespace boardsearch
