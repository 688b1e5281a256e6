#include "calc/SameRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "calc/CalData.h"
#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"
#include "result/CutPlan.h"
#include "result/RetData.h"

namespace {

TEST(SameRowsTest, MergesOnlyRowsOfTheSameSizeAndTurnFlag)
{
    // Row: width, height, count, NoTurn. Expected: the group's entries {number, count} after the
    // merge, and the merged entries with their rows.
    struct Case {
        const char* name;
        std::vector<std::tuple<int, int, int, int>> rows;
        std::vector<CAL_BUZAI> entries;
        std::vector<std::vector<CAL_BUZAI>> merged;
    };
    const Case cases[] = {
        {"all distinct", {{300, 200, 2, 0}, {200, 300, 2, 0}, {300, 200, 2, 1}}, {{0, 2, 0}, {1, 2, 0}, {2, 2, 0}}, {}},
        {"two of three",
         {{300, 200, 2, 0}, {400, 100, 1, 0}, {300, 200, 5, 0}},
         {{0, 7, 0}, {1, 1, 0}},
         {{{0, 2, 0}, {2, 5, 0}}}},
        {"no more than a row may hold",
         {{300, 200, 9000, 0}, {300, 200, 999, 0}, {300, 200, 1, 0}, {300, 200, 5, 0}},
         {{0, 9999, 0}, {2, 6, 0}},
         {{{0, 9000, 0}, {1, 999, 0}}, {{2, 1, 0}, {3, 5, 0}}}},
        {"two classes interleaved",
         {{300, 200, 1, 1}, {400, 100, 3, 0}, {300, 200, 1, 1}, {400, 100, 4, 0}, {300, 200, 2, 1}},
         {{0, 4, 0}, {1, 7, 0}},
         {{{0, 1, 0}, {2, 1, 0}, {4, 2, 0}}, {{1, 3, 0}, {3, 4, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Board(2000, 1000);
        for (const auto& [w, h, n, noTurn] : c.rows) {
            job.Parts(w, h, n, noTurn);
        }
        CCalData group = job.Group();
        const std::vector<SameRows> merged = MergeSameRows(group, job.Buzai);
        EXPECT_EQ(group.Buzai[0], c.entries);
        ASSERT_EQ(merged.size(), c.merged.size());
        for (std::size_t i = 0; i < merged.size(); ++i) {
            EXPECT_EQ(merged[i].Number, c.merged[i].front().Number);
            EXPECT_EQ(merged[i].Rows, c.merged[i]);
        }
    }
}

TEST(SameRowsTest, KindsAndThicknessesStayApart)
{
    TestJob job;
    job.Board(2000, 1000).Board(2000, 1000, 9999, 0, 0, "A").Board(2000, 1000, 9999, 0, 0, "", 120);
    job.Parts(300, 200, 1).Parts(300, 200, 1, 0, "A").Parts(300, 200, 1, 0, "", 120).Parts(300, 200, 1);
    CRetData ret;
    std::vector<CCalData> groups = job.Groups(ret);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(MergeSameRows(groups[0], job.Buzai).size(), 1u);
    EXPECT_EQ(groups[0].Buzai[0], (std::vector<CAL_BUZAI>{{0, 2, 0}}));
    EXPECT_TRUE(MergeSameRows(groups[1], job.Buzai).empty());
    EXPECT_TRUE(MergeSameRows(groups[2], job.Buzai).empty());
}

TEST(SameRowsTest, SplitsBlocksIntoRunsOfOneRow)
{
    // One block of part 0 (100 x 50, kerf 10: pitch 110 x 60) at (1000, 2000), its pieces given to
    // rows 0, 1, 2 of the counts below along x first.
    struct Case {
        const char* name;
        int nx, ny;
        std::vector<int> counts;
        std::vector<CHaichi> blocks;
        std::vector<CAL_BUZAI> unplaced;
    };
    const Case cases[] = {
        {"one row takes all", 4, 3, {12, 1, 1}, {{0, 0, 1000, 2000, 4, 3, 0}}, {{1, 1, 0}, {2, 1, 0}}},
        {"whole lines", 4, 3, {4, 8, 1}, {{0, 0, 1000, 2000, 4, 1, 0}, {1, 0, 1000, 2060, 4, 2, 0}}, {{2, 1, 0}}},
        {"rest, lines, start",
         4,
         3,
         {3, 7, 2},
         {{0, 0, 1000, 2000, 3, 1, 0},
          {1, 0, 1330, 2000, 1, 1, 0},
          {1, 0, 1000, 2060, 4, 1, 0},
          {1, 0, 1000, 2120, 2, 1, 0},
          {2, 0, 1220, 2120, 2, 1, 0}},
         {}},
        {"within a line", 5, 1, {1, 2, 9}, {{0, 0, 1000, 2000, 1, 1, 0}, {1, 0, 1110, 2000, 2, 1, 0}, {2, 0, 1330, 2000, 2, 1, 0}}, {{2, 7, 0}}},
        {"column", 1, 4, {1, 2, 1}, {{0, 0, 1000, 2000, 1, 1, 0}, {1, 0, 1000, 2060, 1, 2, 0}, {2, 0, 1000, 2180, 1, 1, 0}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestJob job;
        job.Kerf(10);
        for (int n : c.counts) {
            job.Parts(100, 50, n);
        }
        SameRows rows;
        for (std::size_t i = 0; i < c.counts.size(); ++i) {
            rows.Rows.push_back(CAL_BUZAI{static_cast<std::int32_t>(i), c.counts[i], 0});
        }
        CRetData ret;
        COutData layout;
        layout.Repeat = 1;
        layout.Blocks.emplace_back(0, 0, 1000, 2000, c.nx, c.ny, 0);
        layout.Summary = {{0, c.nx * c.ny, 0}};
        ret.Layouts.push_back(layout);
        int total = 0;
        for (int n : c.counts) {
            total += n;
        }
        if (total > c.nx * c.ny) {
            ret.Unplaced.push_back(CAL_BUZAI{0, total - c.nx * c.ny, 0});
        }
        SplitOntoRows(ret, {rows}, job.Buzai, 10);
        ASSERT_EQ(ret.Layouts.size(), 1u);
        EXPECT_EQ(ret.Layouts[0].Blocks, c.blocks);
        EXPECT_EQ(ret.Unplaced, c.unplaced);
        // The pieces lie where they lay, in the same order.
        const std::vector<CutPiece> before = LayoutPieces(layout, job.Buzai, job.YBuzai, 10);
        const std::vector<CutPiece> after = LayoutPieces(ret.Layouts[0], job.Buzai, job.YBuzai, 10);
        ASSERT_EQ(before.size(), after.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(std::tie(before[i].X0, before[i].Y0, before[i].X1, before[i].Y1),
                      std::tie(after[i].X0, after[i].Y0, after[i].X1, after[i].Y1));
        }
    }
}

TEST(SameRowsTest, BoardsOfARepeatedLayoutTakeTheRowsInTurn)
{
    // Three boards of two pieces; rows of 2, 3 and 1 pieces: the second board's pieces go to two
    // rows, the first and third boards' to one each.
    TestJob job;
    job.Parts(100, 50, 2).Parts(100, 50, 3).Parts(100, 50, 1);
    SameRows rows{0, {{0, 2, 0}, {1, 3, 0}, {2, 1, 0}}};
    CRetData ret;
    COutData layout;
    layout.Repeat = 3;
    layout.Blocks.emplace_back(0, 0, 0, 0, 2, 1, 0);
    layout.Summary = {{0, 2, 0}};
    ret.Layouts.push_back(layout);
    SplitOntoRows(ret, {rows}, job.Buzai, 0);
    ASSERT_EQ(ret.Layouts.size(), 3u);
    EXPECT_EQ(ret.Layouts[0].Summary, (std::vector<CAL_BUZAI>{{0, 2, 0}}));
    EXPECT_EQ(ret.Layouts[1].Summary, (std::vector<CAL_BUZAI>{{1, 2, 0}}));
    EXPECT_EQ(ret.Layouts[2].Summary, (std::vector<CAL_BUZAI>{{1, 1, 0}, {2, 1, 0}}));
    for (const COutData& l : ret.Layouts) {
        EXPECT_EQ(l.Repeat, 1);
    }
    EXPECT_TRUE(ret.Unplaced.empty());

    // One big row: its boards stay one layout.
    TestJob big;
    big.Parts(100, 50, 6).Parts(100, 50, 1);
    CRetData one;
    one.Layouts.push_back(layout);
    one.Unplaced = {{0, 1, 0}};
    SplitOntoRows(one, {SameRows{0, {{0, 6, 0}, {1, 1, 0}}}}, big.Buzai, 0);
    ASSERT_EQ(one.Layouts.size(), 1u);
    EXPECT_EQ(one.Layouts[0].Repeat, 3);
    EXPECT_EQ(one.Unplaced, (std::vector<CAL_BUZAI>{{1, 1, 0}}));
}

// A job whose part rows are split into several rows each (names and remarks differing), with the
// part each row comes from.
struct SplitJob {
    TestJob Job;
    std::vector<std::size_t> From;
};

SplitJob Split(const TestJob& merged, const std::function<std::vector<int>(int)>& counts, bool tail)
{
    SplitJob split{merged, {}};
    split.Job.Buzai.Items.clear();
    std::vector<std::pair<CBuzai, std::size_t>> later;
    for (std::size_t p = 0; p < merged.Buzai.Items.size(); ++p) {
        const std::vector<int> pieces = counts(merged.Buzai.Items[p].Count);
        for (std::size_t r = 0; r < pieces.size(); ++r) {
            CBuzai row = merged.Buzai.Items[p];
            row.Count = pieces[r];
            row.Name = "part " + std::to_string(p) + " row " + std::to_string(r);
            row.Remark = r % 2 ? "odd" : "";
            if (r > 0 && tail) {
                later.emplace_back(row, p);
            } else {
                split.Job.Buzai.Items.push_back(row);
                split.From.push_back(p);
            }
        }
    }
    // The later rows in another order than their parts'.
    std::reverse(later.begin(), later.end());
    for (auto& [row, p] : later) {
        split.Job.Buzai.Items.push_back(row);
        split.From.push_back(p);
    }
    split.Job.Buzai.Renumber();
    return split;
}

CRetData RunJob(const TestJob& job)
{
    CRetData ret;
    RecordingPrompt prompt;
    Settings settings = job.Set;
    settings.TimeDisp = 0;
    settings.MergeRows = 1;
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, settings, MakeEngine);
    EXPECT_EQ(run.RunToEnd(ret, prompt, nullptr) == CalcRun::Outcome::Failed, false);
    return ret;
}

// Every board cut, as its board and its pieces with the parts named by `from`, sorted.
using Board = std::pair<std::int32_t, std::vector<CutPiece>>;
std::vector<Board> Boards(const CRetData& ret, const TestJob& job, const std::vector<std::size_t>* from)
{
    std::vector<Board> boards;
    for (const COutData& layout : ret.Layouts) {
        std::vector<CutPiece> pieces = LayoutPieces(layout, job.Buzai, job.YBuzai, job.Set.NokoHaba);
        for (CutPiece& piece : pieces) {
            if (from && piece.List == 0) {
                piece.Number = static_cast<std::int32_t>(from->at(static_cast<std::size_t>(piece.Number)));
            }
        }
        std::sort(pieces.begin(), pieces.end(), [](const CutPiece& a, const CutPiece& b) {
            return std::tie(a.X0, a.Y0, a.X1, a.Y1, a.List, a.Number) < std::tie(b.X0, b.Y0, b.X1, b.Y1, b.List, b.Number);
        });
        for (std::int32_t r = 0; r < layout.Repeat; ++r) {
            boards.emplace_back(layout.BoardNo, pieces);
        }
    }
    std::sort(boards.begin(), boards.end(), [](const Board& a, const Board& b) {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return std::lexicographical_compare(a.second.begin(), a.second.end(), b.second.begin(), b.second.end(),
                                            [](const CutPiece& x, const CutPiece& y) {
                                                return std::tie(x.X0, x.Y0, x.X1, x.Y1, x.List, x.Number) <
                                                       std::tie(y.X0, y.Y0, y.X1, y.Y1, y.List, y.Number);
                                            });
    });
    return boards;
}

bool HasSameRows(const TestJob& job)
{
    std::map<std::tuple<std::string, int, int, int, int>, int> seen;
    for (const CBuzai& p : job.Buzai.Items) {
        if (++seen[{p.Kind, p.Thickness, p.Width, p.Height, p.NoTurn}] > 1) {
            return true;
        }
    }
    return false;
}

TEST(SameRowsTest, SplitRowsGiveTheLayoutsOfTheMergedJob)
{
    struct Splitting {
        const char* name;
        std::function<std::vector<int>(int)> counts;
        bool tail;  // the rows after each part's first at the end of the list, in reverse
    };
    const Splitting splittings[] = {
        {"a row per piece", [](int n) { return std::vector<int>(static_cast<std::size_t>(n), 1); }, false},
        {"halves", [](int n) { return n > 1 ? std::vector<int>{n / 2, n - n / 2} : std::vector<int>{n}; }, false},
        {"one, then twos at the end",
         [](int n) {
             std::vector<int> rows{1};
             for (int left = n - 1; left > 0; left -= 2) {
                 rows.push_back(std::min(left, 2));
             }
             return rows;
         },
         true},
    };
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
        const TestJob merged = FewerParts(GenerateJob(seed));
        if (HasSameRows(merged)) {
            continue;  // the merged job must have one row per part
        }
        SCOPED_TRACE("seed " + std::to_string(seed) + ": " + DescribeJob(merged));
        const CRetData m = RunJob(merged);
        const std::vector<Board> expected = Boards(m, merged, nullptr);
        for (const Splitting& s : splittings) {
            SCOPED_TRACE(s.name);
            const SplitJob split = Split(merged, s.counts, s.tail);
            const CRetData r = RunJob(split.Job);
            ExpectValidResult(r, split.Job);
            EXPECT_EQ(r.TotalPrice, m.TotalPrice);
            EXPECT_EQ(Boards(r, split.Job, &split.From) == expected, true);

            // The pieces of a part fill its rows in list order: the unplaced ones are the last rows'.
            std::map<std::size_t, std::int64_t> placed;
            for (std::size_t p = 0; p < merged.Buzai.Items.size(); ++p) {
                std::int64_t unplaced = 0;
                for (const CAL_BUZAI& e : m.Unplaced) {
                    unplaced += e.Number == static_cast<std::int32_t>(p) ? e.Count : 0;
                }
                placed[p] = merged.Buzai.Items[p].Count - unplaced;
            }
            for (std::size_t row = 0; row < split.From.size(); ++row) {
                const std::int32_t count = split.Job.Buzai.Items[row].Count;
                const std::int64_t takes = std::min<std::int64_t>(count, placed[split.From[row]]);
                placed[split.From[row]] -= takes;
                std::int64_t unplaced = 0;
                for (const CAL_BUZAI& e : r.Unplaced) {
                    unplaced += e.Number == static_cast<std::int32_t>(row) ? e.Count : 0;
                }
                EXPECT_EQ(unplaced, count - takes) << "row " << row;
            }
        }
        ++compared;
    }
    EXPECT_GE(compared, 20);
}

}  // namespace
