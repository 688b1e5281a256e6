// Jobs with edge bands: laid out at the cut sizes, and the bands counted over the placed pieces.

#include <gtest/gtest.h>

#include <array>

#include "calc/CalcRun.h"
#include "calc/JobGenerator.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"
#include "job/Buzai.h"
#include "job/Edge.h"
#include "result/EdgeTotals.h"
#include "result/JobFile.h"
#include "result/RetData.h"

namespace {

CEdgeList Bands()
{
    CEdgeList bands;
    const CEdge rows[] = {
        {"A", "PVC 0.5", 5, 220, 40, 300}, {"B", "ABS 2", 20, 220, 85, 300}, {"木", "突板", 10, 220, 120, 0}};
    for (const CEdge& row : rows) {
        bands.Items.push_back(row);
    }
    bands.Renumber();
    return bands;
}

}  // namespace

// Generated jobs with a band on some edges of every other part: the whole run's result is valid
// for the lists at cut sizes (pieces at their cut size, inside the boards, the kerf apart).
TEST(BandedJob, GeneratedJobsLayOutAtTheirCutSizes)
{
    const CEdgeList bands = Bands();
    const char* const codes[] = {"", "A", "B", "木"};
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        TestJob job = FewerParts(GenerateJob(seed));
        std::uint32_t k = seed;
        for (CBuzaiList* list : {&job.Buzai, &job.YBuzai}) {
            for (CBuzai& part : list->Items) {
                k = k * 1103515245u + 12345u;
                if (part.Width <= 60 || part.Height <= 60 || (k >> 16) % 2 == 0) {
                    continue;
                }
                part.EdgeTop = codes[(k >> 8) % 4];
                part.EdgeBottom = codes[(k >> 10) % 4];
                part.EdgeLeft = codes[(k >> 12) % 4];
                part.EdgeRight = codes[(k >> 14) % 4];
            }
        }
        TestJob cut = job;
        ASSERT_EQ(CutSizeList(job.Buzai, bands, job.Set.EdgePremill, cut.Buzai), "");
        ASSERT_EQ(CutSizeList(job.YBuzai, bands, job.Set.EdgePremill, cut.YBuzai), "");
        CRetData ret;
        RecordingPrompt prompt;
        CalcRun run(cut.Buzai, cut.YBuzai, cut.Genban, cut.Set, MakeEngine);
        run.RunOnly({EngineVariant{kStripEngine, 0, 0, 0, 0}});
        run.RunToEnd(ret, prompt, nullptr);
        ExpectValidResult(ret, cut);
        // Every block's part is the cut-size record: a banded part is smaller than as entered.
        for (const COutData& layout : ret.Layouts) {
            for (const CHaichi& block : layout.Blocks) {
                const CBuzai& part = (block.List == 0 ? cut.Buzai : cut.YBuzai).Items[block.Number];
                const CBuzai& entered = (block.List == 0 ? job.Buzai : job.YBuzai).Items[block.Number];
                EXPECT_EQ(part.FinishedWidth, entered.Width);
                EXPECT_EQ(part.Width < entered.Width,
                          !entered.EdgeLeft.empty() || !entered.EdgeRight.empty());
                EXPECT_EQ(part.Height < entered.Height,
                          !entered.EdgeTop.empty() || !entered.EdgeBottom.empty());
            }
        }
    }
}

// The bands of a result counted by hand: two layouts, one repeated, a turned piece.
TEST(BandedJob, BandMetresAndCostOverThePlacedPieces)
{
    const CEdgeList bands = Bands();
    CBuzaiList parts;
    parts.Items.resize(2);
    parts.Items[0].Width = 5995;  // 600 × 400 as entered, 左 A, 上 B, 下 B
    parts.Items[0].Height = 3960;
    parts.Items[0].FinishedWidth = 6000;
    parts.Items[0].FinishedHeight = 4000;
    parts.Items[0].EdgeLeft = "A";
    parts.Items[0].EdgeTop = "B";
    parts.Items[0].EdgeBottom = "B";
    parts.Items[1].Width = 3000;  // 300 × 200, 右 木
    parts.Items[1].Height = 1990;
    parts.Items[1].FinishedWidth = 3000;
    parts.Items[1].FinishedHeight = 2000;
    parts.Items[1].EdgeRight = "木";
    CBuzaiList secondary;
    CRetData ret;
    ret.BuzaiList = &parts;
    ret.YBuzaiList = &secondary;
    COutData first;
    first.Repeat = 3;
    first.Blocks = {CHaichi(0, 0, 0, 0, 2, 1, 0), CHaichi(1, 0, 0, 5000, 1, 1, 1)};
    COutData second;
    second.Repeat = 1;
    second.Blocks = {CHaichi(1, 0, 0, 0, 1, 4, 0)};
    ret.Layouts = {first, second};

    const EdgeTotals totals = CountEdges(ret, bands);
    // A: 6 pieces × (400 + 30) mm; B: 6 × 2 × (600 + 30); 木: 7 × 200.
    ASSERT_EQ(totals.Job.size(), 3u);
    EXPECT_EQ(totals.Job[0].Code, "A");
    EXPECT_DOUBLE_EQ(totals.Job[0].Metres, 2.58);
    EXPECT_EQ(totals.Job[0].Cost, 103);  // 2.58 × 40 = 103.2
    EXPECT_DOUBLE_EQ(totals.Job[1].Metres, 7.56);
    EXPECT_EQ(totals.Job[1].Cost, 643);  // 7.56 × 85 = 642.6
    EXPECT_DOUBLE_EQ(totals.Job[2].Metres, 1.4);
    EXPECT_EQ(totals.Job[2].Cost, 168);
    EXPECT_EQ(totals.Cost(), 103 + 643 + 168);
    ASSERT_EQ(totals.Layouts.size(), 2u);
    ASSERT_EQ(totals.Layouts[1].size(), 1u);  // the second layout has only 木
    EXPECT_EQ(totals.Layouts[1][0].Code, "木");
    EXPECT_DOUBLE_EQ(totals.Layouts[1][0].Metres, 0.8);
}

// The bundled kitchen job with bands on its visible edges, counted by hand over its parts (all
// placed): each banded edge its length as entered plus the band's allowance (S 20, A and D 30 mm).
TEST(BandedJob, KitchenBandsAgainstAHandCount)
{
    JobDocument job;
    std::string error;
    ASSERT_TRUE(ReadJobFile(std::string(NESTRIX_EXAMPLE_JOB) + "/kitchen-banded.nestrix", job, error))
        << error;
    JobDocument cut;
    ASSERT_TRUE(CutSizeJob(job, cut, error)) << error;
    ASSERT_TRUE(cut.Result.Unplaced.empty());
    const EdgeTotals totals = CountEdges(cut.Result, cut.Edges);
    // S: 吊戸棚 side 4 × 720, top and bottom 2 × 884 each, shelves 4 × 880; base side 6 × 820,
    // bottom 3 × 884, rails 6 × 884, shelves 3 × 880; tall side 2 × 2120, shelves 5 × 584;
    // drawer fronts 6 × (2 × 466 + 2 × 200); drawer sides 12 × 520, backs 12 × 400; 見切り 3 × 920.
    const double s = (4 * 720 + 2 * 884 + 2 * 884 + 4 * 880 + 6 * 820 + 3 * 884 + 6 * 884 + 3 * 880 +
                      2 * 2120 + 5 * 584 + 6 * (2 * 466 + 2 * 200) + 12 * 520 + 12 * 400 + 3 * 920) /
                     1000.0;
    // A: 幕板 2 × 1830, フィラー 4 × 730. D: doors all round, 4 × (2 × 476 + 2 × 726),
    // 4 × (2 × 476 + 2 × 746), 1 × (2 × 2126 + 2 × 626).
    const double a = (2 * 1830 + 4 * 730) / 1000.0;
    const double d = (4 * (2 * 476 + 2 * 726) + 4 * (2 * 476 + 2 * 746) + (2 * 2126 + 2 * 626)) / 1000.0;
    ASSERT_EQ(totals.Job.size(), 3u);
    EXPECT_EQ(totals.Job[0].Code, "S");
    EXPECT_DOUBLE_EQ(totals.Job[0].Metres, s);
    EXPECT_DOUBLE_EQ(totals.Job[1].Metres, a);
    EXPECT_DOUBLE_EQ(totals.Job[2].Metres, d);
    EXPECT_EQ(totals.Job[0].Cost, 3264);  // 54.404 m × 60 円
    EXPECT_EQ(totals.Job[1].Cost, 724);   // 6.58 m × 110 円
    EXPECT_EQ(totals.Job[2].Cost, 5975);  // 24.896 m × 240 円
    // The doors are cut 2 mm smaller on every edge; a side panel 0.5 mm less deep.
    EXPECT_EQ(cut.Parts.Items[13].Width, 4420);
    EXPECT_EQ(cut.Parts.Items[13].Height, 6920);
    EXPECT_EQ(cut.Parts.Items[0].Width, 7000);
    EXPECT_EQ(cut.Parts.Items[0].Height, 3295);
}

TEST(BandedJob, SummaryLinesKeepWholeNamesInAColumn)
{
    struct Case {
        const char* name;
        std::vector<EdgeUse> uses;
        std::vector<std::string> lines;  // the band lines, without the two totals
    };
    const Case cases[] = {
        {"short names: 16 bytes",
         {{"A", "PVC 0.5", 2.63, 105}, {"B", "ABS 2", 2.52, 214}},
         {"エッジ A    PVC 0.5             2.63 m       105円",
          "エッジ B    ABS 2               2.52 m       214円"}},
        {"a name over 16 bytes widens the column",
         {{"S", "シナ突板テープ 0.5", 54.40, 3264}, {"A", "ABS 1.0 白", 6.58, 724}},
         {"エッジ S    シナ突板テープ 0.5   54.40 m     3,264円",
          "エッジ A    ABS 1.0 白            6.58 m       724円"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EdgeTotals totals;
        totals.Job = c.uses;
        const std::vector<std::string> lines = EdgeTotalsLines(totals, CRetData());
        ASSERT_EQ(lines.size(), c.lines.size() + 2);
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(lines[i], c.lines[i]);
        }
    }
}
