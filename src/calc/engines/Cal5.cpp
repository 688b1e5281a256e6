#include "calc/engines/Cal5.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <optional>
#include <utility>

#include "base/Tolerance.h"
#include "calc/CalcRun.h"
#include "calc/engines/CoverLp.h"
#include "calc/engines/PartOrder.h"
#include "job/Buzai.h"
#include "job/Genban.h"

namespace {

// Secondary parts only fill what the parts leave: their value is their area times this.
constexpr double kSecondaryWeight = 1e-6;
// Cells of the knapsack along a strip; longer strips are measured in coarser steps.
constexpr std::int64_t kMaxCells = 4096;
// Fewer patterns: the layouts of the counts divided by 2 and 3 only (each takes a whole search).
constexpr std::int32_t kSmallPatDivisors = 3;
// A job whose runs visit this many times the effort's cells gives up the run it is in; a job
// too large for its effort gives no result at all and leaves the choice to the other engines.
constexpr std::int64_t kWorkLimit = 16;
// Knapsack cells one step of a board's beam search may visit.
constexpr std::int64_t kStepWork = 400000000;
// No further run starts after this long (a safety cap; the effort limits the work).
constexpr std::chrono::seconds kRunCap{60};

// One way a part lies in the strip frame: its size along the strip and across it.
struct Shape {
    std::int32_t Along = 0;
    std::int32_t Across = 0;
    int Rotated = 0;  // the block's flag
};

// One entry of the remaining lists as the search sees it.
struct Item {
    int List = 0;
    std::size_t Entry = 0;
    std::int32_t Number = 0;  // in its list
    std::int32_t Count = 0;
    double Value = 0.0;  // one piece
    double Area = 0.0;
    int Shapes = 0;
    Shape Ways[2];
};

struct Piece {
    int ItemIndex = 0;
    int Way = 0;
};

// Pieces stacked across in one column; the first one sets the width.
struct Column {
    std::int32_t Width = 0;
    std::vector<Piece> Pieces;
};

struct Strip {
    std::int32_t Thickness = 0;
    std::vector<Column> Columns;
};

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

struct Pattern {
    std::vector<Strip> Strips;
    double Value = 0.0;
    std::vector<std::int32_t> Used;  // pieces per item
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
        struct Node {
            std::vector<std::int32_t> Avail;
            std::int32_t Pos = 0;  // start of the next strip across
            double Value = 0.0;
            double Guide = 0.0;
            std::vector<Strip> Strips;
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
                    child.Strips = node.Strips;
                    child.Strips.push_back(std::move(strip));
                    children.push_back(std::move(child));
                }
            }
            for (const Node& child : children) {
                if (child.Value > best.Value) {
                    best.Value = child.Value;
                    best.Strips = child.Strips;
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
        std::vector<std::uint8_t>& choice = m_choice;
        choice.assign(groups.size() * cells, 0);
        for (std::size_t gi = 0; gi < groups.size(); ++gi) {
            const HeadGroup& g = groups[gi];
            std::uint8_t* row = &choice[gi * cells];
            std::size_t w[2] = {0, 0};
            double v[2] = {0.0, 0.0};
            std::size_t lightest = cells;
            for (int o = 0; o < g.OptionCount; ++o) {
                w[o] = static_cast<std::size_t>(g.Options[o].Weight * g.Pieces);
                v[o] = g.Options[o].Value * g.Pieces;
                lightest = std::min(lightest, w[o]);
            }
            // From the top down, so that every cell reads the cells as the groups before left them.
            for (std::size_t c = cells; c-- > lightest;) {
                for (int o = 0; o < g.OptionCount; ++o) {
                    if (w[o] > c) {
                        continue;
                    }
                    const double candidate = best[c - w[o]] + v[o];
                    if (candidate > best[c]) {
                        best[c] = candidate;
                        row[c] = static_cast<std::uint8_t>(o + 1);
                    }
                }
            }
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
    std::vector<std::uint8_t> m_choice;
    std::vector<HeadGroup> m_groups;
    std::int64_t m_work = 0;
};

}  // namespace

namespace {

// Beam width and branching of the board search by effort 1..5.
constexpr int kBeam[5] = {4, 16, 30, 40, 60};
constexpr int kBranch[5] = {3, 6, 10, 12, 14};
constexpr int kRuns[5] = {2, 16, 48, 96, 160};
// Knapsack cells of the effort: the measure of the job's limits below.
constexpr std::int64_t kWork[5] = {30000000, 100000000, 300000000, 1000000000, 3000000000};
// On one board kind, where only whole boards count, a job starts no further run once its runs
// visited the effort's cells divided by this (otherwise once they visited all of them). The
// first runs find nearly every board the later ones do: on the 2BP instances all of them with a
// sixth of the cells, and the later runs are where the seconds go.
constexpr std::int64_t kRunShare = 3;
// The emptiest boards laid out again on one board fewer: up to this many together, each set
// with this many valued runs by effort.
constexpr int kRepackBoards = 5;
constexpr int kRepackTries[5] = {2, 4, 8, 12, 16};
// Knapsack cells all of these layouts together may visit: the effort's cells divided by this,
// half what the runs get. Nearly full boards seldom go onto one fewer, and each try is a whole
// search.
constexpr std::int64_t kRepackShare = 6;
// The piece values of the runs: {power of the area, bonus for the longer side}.
constexpr double kRunValues[8][2] = {{1.0, 0.0}, {1.2, 0.0}, {1.0, 0.5}, {1.1, 0.3},
                                     {1.3, 0.0}, {0.9, 0.0}, {1.0, 1.0}, {1.15, 0.6}};

// A number in [-1, 1) from a run's seed and a part number, the same on every machine.
double Shake(std::uint32_t seed, std::int32_t number)
{
    std::uint64_t x = (std::uint64_t{seed} << 32) ^ static_cast<std::uint32_t>(number);
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

int EffortIndex(int effort)
{
    return std::clamp(effort, 1, 5) - 1;
}

// The items of the remaining lists in one strip direction (0: strips along x).
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

// The area of all pieces of the group's parts (list 0).
double GroupPartsArea(const CCalHaichi& engine, const CCalData& group)
{
    double area = 0.0;
    for (const CAL_BUZAI& e : group.Buzai[0]) {
        const CBuzai& part = engine.Part(0, e.Number);
        area += static_cast<double>(part.Width) * part.Height * e.Count;
    }
    return area;
}

std::int64_t BoardsUsed(const CRetData& ret)
{
    std::int64_t boards = 0;
    for (const COutData& layout : ret.Layouts) {
        boards += layout.Repeat;
    }
    return boards;
}

}  // namespace

int CCal5::RunCount(int effort)
{
    return kRuns[EffortIndex(effort)];
}

void CCal5::RunValues(int run, CCal5& engine)
{
    const std::size_t kinds = std::size(kRunValues);
    const auto& v = kRunValues[static_cast<std::size_t>(run) % kinds];
    engine.Power = v[0];
    engine.Bonus = v[1];
    // After the first round every value is shaken a little, differently in every run.
    engine.Noise = static_cast<std::size_t>(run) < kinds ? 0.0 : 0.15;
    engine.Seed = static_cast<std::uint32_t>(run);
}

void CCal5::SetCalData(const CCalData& data)
{
    PrepareGroup(*this, data, 1);
    if (m_boardSide <= 1) {
        for (const auto& level : CalData.Genban) {
            for (const CAL_GENBAN& entry : level) {
                const CalRect rect = TrimmedRect(Board(entry.Number));
                m_boardSide = std::max({m_boardSide, rect.Width(), rect.Height()});
            }
        }
    }
}

int CCal5::LayoutBoardBest(std::int32_t available, const BuzaiLists& remaining, BuzaiLists& left,
                           COutData& layout, const CalRect& rect)
{
    return CCalHaichi::LayoutBoardBest(std::min(available, kSmallPatDivisors), remaining, left, layout, rect);
}

std::unique_ptr<CCalHaichi> CCal5::CreateInstance() const
{
    auto engine = std::make_unique<CCal5>();
    engine->Level = Level;
    engine->Effort = Effort;
    engine->Single = 1;
    engine->Power = Power;
    engine->Bonus = Bonus;
    engine->Noise = Noise;
    engine->Seed = Seed;
    engine->m_outerStop = m_outerStop;
    engine->m_work = m_work;
    engine->m_workLimit = m_workLimit;
    engine->m_boardSide = m_boardSide;
    return engine;
}

void CCal5::Calculate()
{
    if (Single) {
        CCalHaichi::Calculate();
        return;
    }
    struct RunningReset {
        std::atomic<int>& flag;
        ~RunningReset() { flag = 0; }
    } runningReset{Running};

    SetProgress(0);
    State = kStateRunning;
    Ret.Clear();
    Ret.BuzaiList = BuzaiList;
    Ret.YBuzaiList = YBuzaiList;
    Ret.GenbanList = GenbanList;

    // With one board entry, a run on as many boards as the parts' area needs cannot be beaten.
    std::int64_t bound = 0;
    {
        std::vector<const CAL_GENBAN*> entries;
        for (const auto& level : CalData.Genban) {
            for (const CAL_GENBAN& entry : level) {
                entries.push_back(&entry);
            }
        }
        if (entries.size() == 1) {
            const CalRect rect = TrimmedRect(Board(entries[0]->Number));
            const double area = static_cast<double>(rect.Width()) * rect.Height();
            if (area > 0.0) {
                bound = static_cast<std::int64_t>(std::ceil(GroupPartsArea(*this, CalData) / area - 1e-9));
            }
        }
    }

    const int runs = RunCount(Effort);
    int mine = 0;
    for (int r = Job; r < runs; r += std::max(1, Jobs)) {
        ++mine;
    }
    const auto start = std::chrono::steady_clock::now();
    std::optional<CRetData> best;
    std::vector<CAL_BUZAI> bestLeft;
    int bestState = kStateStopped;
    int done = 0;
    std::int64_t work = 0;
    // The last job first chooses patterns for the whole group together.
    if (Cover && Job == std::max(1, Jobs) - 1) {
        CRetData covered;
        std::vector<CAL_BUZAI> coveredLeft;
        int coveredState = kStateStopped;
        std::int64_t coverWork = 0;
        if (CoverByPatterns(covered, coveredLeft, coveredState, coverWork)) {
            best = std::move(covered);
            bestLeft = std::move(coveredLeft);
            bestState = coveredState;
        }
    }
    for (int r = Job; r < runs && !StopRequest; r += std::max(1, Jobs)) {
        if (bound > 0 && best && best->Unplaced.empty() && BoardsUsed(*best) <= bound) {
            break;
        }
        // The runs end early on a job so large that they would exceed the effort's work.
        if (best && (work > kWork[EffortIndex(Effort)] / (bound > 0 ? kRunShare : 1) ||
                     std::chrono::steady_clock::now() - start > kRunCap)) {
            ++SearchCutShort;
            break;
        }
        CCal5 run;
        PrepareRun(run);
        run.NoUsenFlg = NoUsenFlg;
        run.Improve = 0;  // once on the best run below
        run.UseSmallPat = UseSmallPat;
        run.TimeOut = TimeOut;
        run.Sink = Sink;
        run.Effort = Effort;
        RunValues(r, run);
        run.m_work = &work;
        run.m_workLimit = kWork[EffortIndex(Effort)] * kWorkLimit;
        run.Reset();
        run.SetCalData(CalData);
        run.Calculate();
        if (StopRequest) {
            break;
        }
        ++done;
        SetProgress(done * 100 / std::max(1, mine));
        if (run.State == kStateStopped) {
            continue;
        }
        if (!best || ReplacesBest(run.Ret, *best, NoRateFlg != 0)) {
            best = std::move(run.Ret);
            bestLeft = run.LeftYBuzai;
            bestState = run.State;
        }
        if (bound > 0 && best->Unplaced.empty() && BoardsUsed(*best) <= bound) {
            break;
        }
    }
    if (StopRequest || !best) {
        State = kStateStopped;
        return;
    }
    Ret = std::move(*best);
    LeftYBuzai = std::move(bestLeft);
    State = bestState;
    if (bound > 0 && !(Ret.Unplaced.empty() && BoardsUsed(Ret) <= bound)) {
        RepackEmptiest(bound);
    }
    if (Improve == 1 && !(bound > 0 && Ret.Unplaced.empty() && BoardsUsed(Ret) <= bound)) {
        // The boards the best run left in stock.
        GenbanLists boards = CalData.Genban;
        for (const COutData& layout : Ret.Layouts) {
            for (auto& level : boards) {
                for (CAL_GENBAN& entry : level) {
                    if (entry.Number == layout.BoardNo) {
                        entry.Count -= layout.Repeat;
                    }
                }
            }
        }
        CCal5 aux;
        aux.Level = Level;
        aux.Effort = Effort;
        aux.Single = 1;
        aux.Power = 1.0;
        aux.NoRateFlg = NoRateFlg;
        aux.NoUsenFlg = NoUsenFlg;
        aux.m_outerStop = &StopRequest;
        aux.m_boardSide = m_boardSide;
        ImproveWorstBoard(aux, boards, LeftYBuzai);
        MergeBoardPairs(aux, boards, LeftYBuzai);
        ImproveWorstBoard(aux, boards, LeftYBuzai);
        if (StopRequest) {
            State = kStateStopped;
        }
        Ret.ComputeTotals();
    }
}

void CCal5::PrepareRun(CCal5& run) const
{
    run.BuzaiList = BuzaiList;
    run.YBuzaiList = YBuzaiList;
    run.GenbanList = GenbanList;
    run.NokoHaba = NokoHaba;
    run.MaxCutSize = MaxCutSize;
    run.NoRateFlg = NoRateFlg;
    run.Level = Level;
    run.Single = 1;
    run.m_outerStop = &StopRequest;
    run.m_boardSide = m_boardSide;
}

void CCal5::RepackEmptiest(std::int64_t bound)
{
    const int tries = kRepackTries[EffortIndex(Effort)];
    const std::int64_t budget = RepackBudget > 0 ? RepackBudget : kWork[EffortIndex(Effort)] / kRepackShare;
    std::int64_t work = 0;
    for (int m = 2; m <= kRepackBoards && !StopRequest;) {
        if (work > budget) {
            ++SearchCutShort;
            return;
        }
        std::vector<std::size_t> single;  // layouts cut once, emptiest first
        for (std::size_t i = 0; i < Ret.Layouts.size(); ++i) {
            if (Ret.Layouts[i].Repeat == 1) {
                single.push_back(i);
            }
        }
        std::stable_sort(single.begin(), single.end(), [&](std::size_t a, std::size_t b) {
            return DoubleLess(Ret.Layouts[a].PartsYield, Ret.Layouts[b].PartsYield);
        });
        if (static_cast<int>(single.size()) < m || BoardsUsed(Ret) <= bound) {
            return;
        }
        single.resize(static_cast<std::size_t>(m));
        const std::int32_t boardNo = Ret.Layouts[single[0]].BoardNo;
        CCalData group;
        group.Genban[0].push_back(CAL_GENBAN{boardNo, m - 1, 0});
        group.Buzai[1] = LeftYBuzai;
        for (std::size_t i : single) {
            for (const CAL_BUZAI& e : Ret.Layouts[i].Summary) {
                auto& list = group.Buzai[e.Flag];
                auto same = std::find_if(list.begin(), list.end(),
                                         [&](const CAL_BUZAI& x) { return x.Number == e.Number; });
                if (same != list.end()) {
                    same->Count += e.Count;
                } else {
                    list.push_back(CAL_BUZAI{e.Number, e.Count, e.Flag});
                }
            }
        }
        // Parts of more area than the m - 1 boards hold never go onto them.
        const CalRect rect = TrimmedRect(Board(boardNo));
        const double room = static_cast<double>(rect.Width()) * rect.Height() * (m - 1);
        const bool fits = !(GroupPartsArea(*this, group) > room);
        bool saved = false;
        for (int t = 0; fits && t < tries && !saved && !StopRequest && work <= budget; ++t) {
            CCal5 run;
            PrepareRun(run);
            run.NoUsenFlg = 1;
            run.Effort = std::min(5, Effort + 1);
            RunValues(t == 0 ? 0 : static_cast<int>(std::size(kRunValues)) + 1000 + t, run);
            // A try that passes the budget gives up and leaves the boards as they were.
            run.m_work = &work;
            run.m_workLimit = budget;
            run.Reset();
            run.SetCalData(group);
            run.Calculate();
            if (run.State != kStateAllPlaced) {
                continue;
            }
            // Every part on one board fewer: the m layouts give way to the new ones.
            std::sort(single.begin(), single.end());
            for (std::size_t k = single.size(); k-- > 0;) {
                Ret.Layouts.erase(Ret.Layouts.begin() + static_cast<std::ptrdiff_t>(single[k]));
            }
            for (COutData& layout : run.Ret.Layouts) {
                Ret.Layouts.push_back(std::move(layout));
            }
            LeftYBuzai = run.LeftYBuzai;
            Ret.ComputeTotals();
            saved = true;
        }
        if (!saved) {
            ++m;
        }
    }
}

namespace {

// A part as an item of the board search on a trimmed board: the ways (as it is, turned) in
// which it fits; no value yet. Shapes 0 when it fits in neither.
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

// The best pattern of the beam search over both strip directions the cutting limit allows, its
// direction (0: strips along x) and the knapsack cells it visited.
std::optional<Pattern> SearchBoard(const std::vector<Item>& items, const CalRect& rect, std::int32_t maxCut,
                                   std::int32_t kerf, int level, int beam, int branch,
                                   const std::atomic<int>& stop, int& direction, std::int64_t& work)
{
    std::optional<Pattern> best;
    for (int d = 0; d < 2; ++d) {
        // Strips of direction 0 are cut off by cuts across the whole width.
        if ((d == 0 ? rect.Width() : rect.Height()) > maxCut) {
            continue;
        }
        const std::vector<Item> frame = ItemsFor(items, d);
        BoardSearch search(frame, d == 0 ? rect.Width() : rect.Height(),
                           d == 0 ? rect.Height() : rect.Width(), kerf, level, beam, branch, stop);
        Pattern pattern = search.Run();
        work += search.Work();
        if (!best || pattern.Value > best->Value) {
            best = std::move(pattern);
            direction = d;
        }
    }
    return best;
}

// Adds the blocks and cut lines of a pattern of strip direction d to `layout`: strips across
// from the low edge of `rect`, columns along each strip.
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

}  // namespace

int CCal5::LayoutBoard(const BuzaiLists& remaining, BuzaiLists& left, COutData& layout, const CalRect& rect)
{
    left = remaining;
    // A run past the job's work limit gives up: it ends as stopped and its result is not used.
    if ((m_outerStop && *m_outerStop) || (m_work && m_workLimit > 0 && *m_work > m_workLimit)) {
        StopRequest = 1;
    }
    if (StopRequest || rect.Width() <= 0 || rect.Height() <= 0) {
        return 0;
    }
    const double boardArea = static_cast<double>(rect.Width()) * rect.Height();

    // The items in board coordinates: Along = size along x.
    std::vector<Item> items;
    double leastValue = 0.0;
    for (int list = 0; list < 2; ++list) {
        for (std::size_t e = 0; e < remaining[list].size(); ++e) {
            const CAL_BUZAI& entry = remaining[list][e];
            if (entry.Count < 1) {
                continue;
            }
            const CBuzai& part = Part(list, entry.Number);
            Item item = BoardItem(part, list, e, entry.Number, entry.Count, rect);
            if (item.Shapes == 0 || item.Area <= 0.0) {
                continue;
            }
            if (list == 0) {
                const double longer = std::max(part.Width, part.Height);
                item.Value = std::pow(item.Area, Power) * (1.0 + Bonus * longer / std::max(1, m_boardSide));
                if (Noise > 0.0) {
                    item.Value *= 1.0 + Noise * Shake(Seed, entry.Number);
                }
                leastValue = leastValue == 0.0 ? item.Value : std::min(leastValue, item.Value);
            }
            items.push_back(item);
        }
    }
    // Secondary parts together are worth less than the least of the parts.
    const double secondary = (leastValue > 0.0 ? leastValue : 1.0) * kSecondaryWeight / boardArea;
    for (Item& item : items) {
        if (item.List == 1) {
            item.Value = item.Area * secondary;
        }
    }
    if (items.empty()) {
        return 0;
    }

    const int e = EffortIndex(Effort);
    int d = 0;
    std::int64_t work = 0;
    const std::optional<Pattern> best =
        SearchBoard(items, rect, MaxCutSize, NokoHaba, Level, kBeam[e], kBranch[e], StopRequest, d, work);
    if (m_work) {
        *m_work += work;
    }
    if (StopRequest || !best) {
        return 0;
    }
    bool parts = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        parts = parts || (items[i].List == 0 && best->Used[i] > 0);
    }
    if (!parts) {
        return 0;
    }
    EmitPattern(*this, items, *best, d, rect, NokoHaba, layout);

    for (std::size_t i = 0; i < items.size(); ++i) {
        if (best->Used[i] > 0) {
            left[items[i].List][items[i].Entry].Count -= best->Used[i];
        }
    }
    for (auto& list : left) {
        DropUsedUp(list);
    }
    return 1;
}

namespace {

// The patterns chosen together by effort 1..5: beam and branching of the quick pricing search
// and of the wide one tried when the quick one finds nothing, rounds of pattern generation before
// the first fixing and after every later one, fixing steps.
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

// Takes `excess[i]` pieces of every item i off a pattern (`items` in its strip frame), the last
// strip and the top of its columns first; columns and strips left empty go, a column narrows to
// its widest piece (the rest moves up: still cuttable).
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

}  // namespace

bool CCal5::CoverByPatterns(CRetData& out, std::vector<CAL_BUZAI>& outLeft, int& outState, std::int64_t& work)
{
    // The boards the run would offer first: those of the most preferred level.
    int level = 2;
    while (level >= 0 && CalData.Genban[static_cast<std::size_t>(level)].empty()) {
        --level;
    }
    const std::vector<CAL_BUZAI>& parts = CalData.Buzai[0];
    if (level < 0 || parts.empty()) {
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
    std::vector<CAL_GENBAN>& levelBoards = CalData.Genban[static_cast<std::size_t>(level)];
    const int e = EffortIndex(Effort);
    const std::size_t n = parts.size();

    struct Kind {
        std::size_t Entry = 0;
        CalRect Rect;
        double Cost = 0.0;
        std::int64_t Stock = 0;
        std::vector<Item> Items;  // every part, by its place in the group
    };
    // Boards cost their price; without prices (or when the price is left out) their area.
    bool priced = NoRateFlg == 0;
    for (const CAL_GENBAN& entry : levelBoards) {
        priced = priced && Board(entry.Number).Price > 0;
    }
    std::vector<Kind> kinds;
    std::vector<std::int32_t> need(n, 0);  // pieces still to cover
    for (std::size_t b = 0; b < levelBoards.size(); ++b) {
        const CGenban& board = Board(levelBoards[b].Number);
        Kind kind;
        kind.Entry = b;
        kind.Rect = TrimmedRect(board);
        kind.Cost = priced ? static_cast<double>(board.Price) : GenbanArea(board);
        kind.Stock = levelBoards[b].Count;
        if (kind.Rect.Width() <= 0 || kind.Rect.Height() <= 0 || !(kind.Cost > 0.0) || kind.Stock < 1) {
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) {
            Item item = BoardItem(Part(0, parts[i].Number), 0, i, parts[i].Number, parts[i].Count, kind.Rect);
            if (item.Shapes > 0 && item.Area > 0.0) {
                need[i] = parts[i].Count;
            } else {
                item.Shapes = 0;
            }
            kind.Items.push_back(item);
        }
        kinds.push_back(std::move(kind));
    }
    if (kinds.empty() || std::all_of(need.begin(), need.end(), [](std::int32_t c) { return c < 1; })) {
        return false;
    }

    struct Candidate {
        std::size_t Kind = 0;
        int Direction = 0;
        Pattern Cut;
    };
    std::vector<Candidate> pool;
    std::int64_t spent = 0;
    double artificial = 0.0;  // a piece without a pattern costs more than any board
    for (const Kind& kind : kinds) {
        artificial = std::max(artificial, kind.Cost * 1e3);
    }
    double partsArea = 0.0, boardArea = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        partsArea += need[i] > 0 ? kinds[0].Items[i].Area * need[i] : 0.0;
    }
    for (const Kind& kind : kinds) {
        boardArea = std::max(boardArea, static_cast<double>(kind.Rect.Width()) * kind.Rect.Height());
    }
    const auto boards = static_cast<std::int64_t>(std::ceil(partsArea / boardArea));
    const std::int64_t limit =
        std::min(kWork[e] * kCoverWork, std::max<std::int64_t>(1, boards) * kCoverBoardWork[e]);
    const auto stopped = [&] { return StopRequest || (m_outerStop && *m_outerStop); };
    const auto tooLong = [&] { return stopped() || spent > limit; };

    // New patterns worth more than their board at the piece values y; how many.
    const auto generate = [&](const std::vector<double>& y, bool any, int wide) {
        int added = 0;
        for (std::size_t k = 0; k < kinds.size() && !tooLong(); ++k) {
            if (kinds[k].Stock < 1) {
                continue;
            }
            std::vector<Item> items = kinds[k].Items;
            bool some = false;
            for (std::size_t i = 0; i < n; ++i) {
                items[i].Value = y[i];
                items[i].Count = items[i].Shapes > 0 && y[i] > 0.0 ? need[i] : 0;
                some = some || items[i].Count > 0;
            }
            if (!some) {
                continue;
            }
            int d = 0;
            std::optional<Pattern> found =
                SearchBoard(items, kinds[k].Rect, MaxCutSize, NokoHaba, Level, kCoverBeam[e][wide],
                            kCoverBranch[e][wide], StopRequest, d, spent);
            if (!found || found->Value <= 0.0 || (!any && !(found->Value > kinds[k].Cost * (1.0 + 1e-9)))) {
                continue;
            }
            const bool known = std::any_of(pool.begin(), pool.end(), [&](const Candidate& c) {
                return c.Kind == k && c.Cut.Used == found->Used;
            });
            if (!known) {
                pool.push_back(Candidate{k, d, std::move(*found)});
                ++added;
            }
        }
        return added;
    };
    // The relaxation over the pool for what is still needed; patterns of boards out of stock
    // cover nothing. Kept while the needs stay, so that a solve starts where the last one ended.
    std::optional<CoverLp> lp;
    std::size_t inLp = 0;
    const auto relax = [&] {
        if (!lp) {
            lp.emplace(std::vector<double>(need.begin(), need.end()), artificial);
            inLp = 0;
        }
        for (; inLp < pool.size(); ++inLp) {
            const Candidate& c = pool[inLp];
            std::vector<double> column(n, 0.0);
            if (kinds[c.Kind].Stock > 0) {
                for (std::size_t i = 0; i < n; ++i) {
                    column[i] = std::min(c.Cut.Used[i], need[i]);
                }
            }
            lp->AddColumn(kinds[c.Kind].Cost, std::move(column));
        }
        CoverLp::Solution s = lp->Solve();
        spent += s.Pivots * static_cast<std::int64_t>(n) * (lp->Columns() + 2 * static_cast<std::int64_t>(n));
        return s;
    };
    const auto solve = [&](int rounds) {
        CoverLp::Solution s = relax();
        for (int t = 0; t < rounds && !tooLong(); ++t) {
            if (generate(s.Duals, false, 0) == 0 && (tooLong() || generate(s.Duals, false, 1) == 0)) {
                break;
            }
            s = relax();
        }
        return s;
    };

    // First patterns: pieces worth their area at the cheapest board's price per area.
    double rate = 0.0;
    for (const Kind& kind : kinds) {
        const double r = kind.Cost / (static_cast<double>(kind.Rect.Width()) * kind.Rect.Height());
        rate = rate == 0.0 ? r : std::min(rate, r);
    }
    {
        std::vector<double> y(n, 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            y[i] = kinds[0].Items[i].Area * rate * 1.01;
        }
        generate(y, true, 0);
    }

    // Rounding: the whole boards of the relaxation are fixed, the rest solved again; with no
    // whole board left, the largest fraction is fixed on one board, trimmed to what is needed.
    std::vector<std::int64_t> fixed;  // boards per pattern of the pool
    const auto fix = [&](std::size_t j, std::int64_t boards) {
        lp.reset();
        fixed.resize(pool.size(), 0);
        fixed[j] += boards;
        kinds[pool[j].Kind].Stock -= boards;
        for (std::size_t i = 0; i < n; ++i) {
            need[i] -= static_cast<std::int32_t>(pool[j].Cut.Used[i] * boards);
        }
    };
    CoverLp::Solution s = solve(kCoverRounds[e]);
    for (int step = 0; step < kCoverSteps[e] && !stopped(); ++step) {
        if (std::all_of(need.begin(), need.end(), [](std::int32_t c) { return c < 1; })) {
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
            const Candidate& c = pool[j];
            std::int64_t boards =
                std::min<std::int64_t>(static_cast<std::int64_t>(s.X[j] + 1e-6), kinds[c.Kind].Stock);
            for (std::size_t i = 0; i < n; ++i) {
                if (c.Cut.Used[i] > 0) {
                    boards = std::min<std::int64_t>(boards, need[i] / c.Cut.Used[i]);
                }
            }
            if (boards > 0) {
                fix(j, boards);
                any = true;
            }
        }
        if (!any) {
            if (order.empty() || s.X[order[0]] < 1e-6 || kinds[pool[order[0]].Kind].Stock < 1) {
                break;
            }
            Candidate trimmed = pool[order[0]];
            std::vector<std::int32_t> excess(n, 0);
            for (std::size_t i = 0; i < n; ++i) {
                excess[i] = std::max(0, trimmed.Cut.Used[i] - std::max(0, need[i]));
            }
            TrimPattern(trimmed.Cut, ItemsFor(kinds[trimmed.Kind].Items, trimmed.Direction), excess);
            if (trimmed.Cut.Strips.empty()) {
                break;
            }
            pool.push_back(std::move(trimmed));
            fix(pool.size() - 1, 1);
        }
        s = solve(kCoverRefine[e]);
    }
    work += spent;
    if (stopped()) {
        return false;
    }

    out.Clear();
    out.BuzaiList = BuzaiList;
    out.YBuzaiList = YBuzaiList;
    out.GenbanList = GenbanList;
    // The fixed patterns; secondary parts fill what a pattern leaves when the board search lays
    // out the pattern's pieces again together with them.
    std::vector<CAL_BUZAI> secondary = CalData.Buzai[1];
    std::vector<std::int32_t> placed(n, 0);
    for (std::size_t j = 0; j < fixed.size(); ++j) {
        const Candidate& c = pool[j];
        const Kind& kind = kinds[c.Kind];
        for (std::size_t i = 0; i < n; ++i) {
            placed[i] += static_cast<std::int32_t>(c.Cut.Used[i] * fixed[j]);
        }
        for (std::int64_t left = fixed[j]; left > 0 && !stopped();) {
            COutData layout;
            layout.BoardNo = levelBoards[kind.Entry].Number;
            std::int64_t repeat = left;
            std::optional<Pattern> filled;
            int direction = c.Direction;
            std::vector<Item> items;
            if (std::any_of(secondary.begin(), secondary.end(),
                            [](const CAL_BUZAI& y) { return y.Count > 0; })) {
                items = kind.Items;
                double least = 0.0;
                for (std::size_t i = 0; i < n; ++i) {
                    items[i].Count = items[i].Shapes > 0 ? c.Cut.Used[i] : 0;
                    items[i].Value = items[i].Area;
                    if (items[i].Count > 0) {
                        least = least == 0.0 ? items[i].Area : std::min(least, items[i].Area);
                    }
                }
                const double boardArea = static_cast<double>(kind.Rect.Width()) * kind.Rect.Height();
                for (std::size_t y = 0; y < secondary.size(); ++y) {
                    Item item = BoardItem(Part(1, secondary[y].Number), 1, y, secondary[y].Number,
                                          secondary[y].Count, kind.Rect);
                    item.Value = item.Area * least * kSecondaryWeight / boardArea;
                    if (item.Shapes > 0 && item.Area > 0.0 && item.Count > 0) {
                        items.push_back(item);
                    }
                }
                filled = SearchBoard(items, kind.Rect, MaxCutSize, NokoHaba, Level, kBeam[e], kBranch[e],
                                     StopRequest, direction, work);
                bool whole = filled && items.size() > n;
                for (std::size_t i = 0; whole && i < n; ++i) {
                    whole = filled->Used[i] == items[i].Count;
                }
                bool some = false;
                for (std::size_t y = n; whole && y < items.size(); ++y) {
                    if (filled->Used[y] > 0) {
                        some = true;
                        repeat =
                            std::min<std::int64_t>(repeat, secondary[items[y].Entry].Count / filled->Used[y]);
                    }
                }
                if (!whole || !some) {
                    filled.reset();
                    repeat = left;
                }
            }
            if (filled) {
                EmitPattern(*this, items, *filled, direction, kind.Rect, NokoHaba, layout);
                for (std::size_t y = n; y < items.size(); ++y) {
                    secondary[items[y].Entry].Count -= static_cast<std::int32_t>(filled->Used[y] * repeat);
                }
            } else {
                EmitPattern(*this, kind.Items, c.Cut, c.Direction, kind.Rect, NokoHaba, layout);
                // The secondary parts do not fit with this pattern: not tried again on its boards.
                repeat = left;
            }
            layout.Finish(Board(layout.BoardNo));
            layout.Repeat = static_cast<std::int32_t>(repeat);
            out.Layouts.push_back(std::move(layout));
            left -= repeat;
        }
    }
    DropUsedUp(secondary);

    // What the fixed patterns leave is laid out board by board, on the boards left.
    CCalData rest = CalData;
    rest.Buzai[0].clear();
    rest.Buzai[1] = secondary;
    for (std::size_t i = 0; i < n; ++i) {
        if (parts[i].Count - placed[i] > 0) {
            rest.Buzai[0].push_back(CAL_BUZAI{parts[i].Number, parts[i].Count - placed[i], 0});
        }
    }
    std::vector<CAL_GENBAN>& restBoards = rest.Genban[static_cast<std::size_t>(level)];
    for (const Kind& kind : kinds) {
        restBoards[kind.Entry].Count = static_cast<std::int32_t>(kind.Stock);
    }
    std::erase_if(restBoards, [](const CAL_GENBAN& b) { return b.Count < 1; });
    CCal5 run;
    PrepareRun(run);
    run.NoUsenFlg = NoUsenFlg;
    run.UseSmallPat = UseSmallPat;
    run.Effort = Effort;
    RunValues(0, run);
    run.m_work = &work;
    run.Reset();
    run.SetCalData(rest);
    run.Calculate();
    if (stopped() || run.State == kStateStopped) {
        return false;
    }
    for (COutData& layout : run.Ret.Layouts) {
        out.Layouts.push_back(std::move(layout));
    }
    out.Unplaced = run.Ret.Unplaced;
    out.ComputeTotals();
    outLeft = run.LeftYBuzai;
    outState = run.State;
    return true;
}
