// Part types of one size are separate entries for the engines: each engine, and the whole job
// list, lays them out as it lays out parts of different sizes. The expected layouts were written
// out from a build that laid every row out as its own entry (not recomputed here).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "calc/CalcRun.h"
#include "calc/LayoutChecker.h"
#include "calc/TestJob.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingPrompt.h"
#include "result/RetData.h"

namespace {

// A result as lines: per layout "b<board>x<repeat>: <blocks> / <cut lines>", a block as
// "<part>[s]@x,y:<nx>x<ny>[r]" (s: a secondary part, r: turned); then the unplaced parts and the
// price.
std::vector<std::string> Describe(const CRetData& ret)
{
    std::vector<std::string> lines;
    for (const COutData& layout : ret.Layouts) {
        std::string line = "b" + std::to_string(layout.BoardNo) + "x" + std::to_string(layout.Repeat) + ":";
        for (const CHaichi& b : layout.Blocks) {
            line += " " + std::to_string(b.Number) + (b.List ? "s" : "") + "@" + std::to_string(b.X) + "," +
                    std::to_string(b.Y) + ":" + std::to_string(b.Nx) + "x" + std::to_string(b.Ny) +
                    (b.Rotated ? "r" : "");
        }
        line += layout.CutLines.empty() ? "" : " /";
        for (const CUTMARK& c : layout.CutLines) {
            line += " " + std::to_string(c.X0) + "," + std::to_string(c.Y0) + "-" + std::to_string(c.X1) +
                    "," + std::to_string(c.Y1);
        }
        lines.push_back(line);
    }
    std::string rest = "unplaced";
    for (const CAL_BUZAI& e : ret.Unplaced) {
        rest += " " + std::to_string(e.Number) + (e.Flag ? "s" : "") + ":" + std::to_string(e.Count);
    }
    lines.push_back(rest + "; price " + std::to_string(ret.TotalPrice));
    return lines;
}

CRetData RunTwins(const TestJob& job, std::optional<EngineVariant> engine)
{
    CRetData ret;
    RecordingPrompt prompt;
    CalcRun run(job.Buzai, job.YBuzai, job.Genban, job.Set, MakeEngine);
    if (engine) {
        run.RunOnly({*engine});
    }
    EXPECT_EQ(run.RunToEnd(ret, prompt, nullptr), CalcRun::Outcome::Placed);
    return ret;
}

struct Row {
    int Width, Length, Count, NoTurn;
};
struct Options {
    int Kerf, CutLV, UseCal3, UseCal4, Use2ko1, UseSmallPat, UseMenCal, NoRateFlg, NoUsenFlg;
};
struct TwinCase {
    const char* Name;
    Row Board;  // width, length, count, trim on every side
    std::vector<Row> Parts;
    std::vector<Row> Secondary;
    Options Set;
    std::optional<EngineVariant> Engine;  // none: the whole job list
    std::vector<std::string> Expected;
};

TestJob MakeJob(const TwinCase& c)
{
    TestJob job;
    job.Board(c.Board.Width, c.Board.Length, c.Board.Count, 0, 1000)
        .Trim(c.Board.NoTurn, c.Board.NoTurn, c.Board.NoTurn, c.Board.NoTurn);
    for (const Row& r : c.Parts) {
        job.Parts(r.Width, r.Length, r.Count, r.NoTurn);
    }
    for (const Row& r : c.Secondary) {
        job.Secondary(r.Width, r.Length, r.Count, r.NoTurn);
    }
    Settings& s = job.Set;
    s.NokoHaba = c.Set.Kerf;
    s.CutLV = c.Set.CutLV;
    s.UseCal3 = c.Set.UseCal3;
    s.UseCal4 = c.Set.UseCal4;
    s.Use2ko1 = c.Set.Use2ko1;
    s.UseSmallPat = c.Set.UseSmallPat;
    s.UseMenCal = c.Set.UseMenCal;
    s.NoRateFlg = c.Set.NoRateFlg;
    s.NoUsenFlg = c.Set.NoUsenFlg;
    return job;
}

}  // namespace

// 天板 and 扉 of one size: the block of 天板 gets its two cuts before 扉 is placed beside it.
TEST(TwinPartsTest, BlocksOfTwoPartsOfOneSizeKeepTheirCuts)
{
    TestJob job;
    job.Board(36000, 18000, 10, 0, 15000).Trim(0, 0, 0, 100);
    job.Parts(5229, 2317, 10).Parts(8180, 2060, 14, 1).Parts(1230, 1190, 8).Parts(1230, 1190, 3);
    job.Set.NokoHaba = 50;
    job.Set.Use2ko1 = 1;
    job.Set.UseSmallPat = 1;
    job.Set.UseCal4 = 0;
    job.Set.NoRateFlg = 1;
    job.Set.NoUsenFlg = 1;
    job.Set.UseYBuzai = 1;
    job.Set.MaxCutSize = 20000;
    job.Set.TankaType = 1;
    const CRetData ret = RunTwins(job, EngineVariant{1, 0, 0, 0, 0});
    ExpectValidResult(ret, job);
    const std::vector<std::string> expected = {
        "b0x1: 1@0,0:2x7 0@0,14770:3x1 0@16460,0:1x7 2@16460,16569:4x1 2@21739,0:4x1 3@26859,0:3x1 / "
        "16435,0-16435,18000 0,14745-16435,14745 21714,0-21714,18000 16460,16544-21714,16544 "
        "21739,1215-35900,1215 26834,0-26834,1215",
        "unplaced; price 15000"};
    EXPECT_EQ(Describe(ret), expected);
}

TEST(TwinPartsTest, EveryEngineLaysTwinsOutAsSeparateParts)
{
    const TwinCase cases[] = {
        {"cal1:candidate=0 j1_10",
         {18200, 9100, 9999, 0},
         {{5870, 4273, 5, 1}, {5870, 4273, 5, 1}, {6785, 5167, 9, 0}},
         {{706, 717, 9999, 0}, {706, 717, 9999, 0}},
         {0, 3, 1, 0, 0, 0, 1, 1, 1},
         EngineVariant{1, 0, 0, 0, 0},
         {"b0x1: 0@0,0:2x2 0@11740,0:1x1 1@11740,4273:1x1 / 0,8546-18200,8546 11740,0-11740,8546 "
          "17610,0-17610,8546 11740,4273-17610,4273",
          "b0x3: 2@0,0:3x1r 0s@15501,0:3x9 0s@0,6785:25x3 / 0,6785-18200,6785 15501,0-15501,6785",
          "b0x1: 1@0,0:2x2 0s@11740,0:9x12r / 0,8546-18200,8546 11740,0-11740,8546", "unplaced; price 5000"}},
        {"cal1:area=1,candidate=1 j1_0",
         {24400, 12200, 9999, 50},
         {{4230, 1025, 8, 0}, {520, 6906, 1, 0}, {520, 6906, 1, 0}, {4230, 1025, 8, 0}},
         {},
         {50, 3, 0, 1, 0, 0, 1, 1, 1},
         EngineVariant{1, 0, 0, 1, 1},
         {"b0x1: 0@50,50:1x8 3@50,8650:1x3 3@4330,50:1x5 1@8610,50:1x1r 2@15566,50:1x1r / 4305,50-4305,12150 "
          "50,8625-4305,8625 4330,5400-24350,5400 8585,50-8585,5400 8610,595-24350,595 15541,50-15541,595",
          "unplaced; price 1000"}},
        {"cal2:order=0,level=0,area=0 j2_152",
         {12000, 8000, 9999, 0},
         {{2500, 1152, 9, 1}, {1833, 4362, 9, 0}, {2500, 1152, 9, 1}, {1833, 4362, 7, 0}},
         {},
         {50, 3, 0, 1, 0, 0, 1, 1, 1},
         EngineVariant{2, 0, 0, 0, 0},
         {"b0x1: 1@0,0:1x1r 3@0,1883:1x3r 3@4412,0:1x4r 0@8824,0:1x5 2@8824,6010:1x1 / 4387,0-4387,8000 "
          "8799,0-8799,8000 11349,0-11349,8000",
          "b0x1: 1@0,0:6x1 1@0,4412:2x1r 0@0,6295:4x1 / 0,4387-12000,4387 0,6270-12000,6270 "
          "0,7472-12000,7472",
          "b0x1: 2@0,0:4x1 2@0,1202:4x1 / 0,1177-12000,1177 0,2379-12000,2379", "unplaced; price 3000"}},
        {"cal2:order=2,level=2,area=0 j2_152",
         {12000, 8000, 9999, 0},
         {{2500, 1152, 9, 1}, {1833, 4362, 9, 0}, {2500, 1152, 9, 1}, {1833, 4362, 7, 0}},
         {},
         {50, 3, 0, 1, 0, 0, 1, 1, 1},
         EngineVariant{2, 2, 2, 0, 0},
         {"b0x1: 1@0,0:1x1r 3@0,1883:1x3r 3@4412,0:1x4r 0@8824,0:1x4 2@8824,4808:1x2 / 4387,0-4387,8000 "
          "8799,0-8799,8000 11349,0-11349,8000",
          "b0x1: 1@0,0:6x1 1@0,4412:2x1r 0@8824,4412:1x1 0@0,6295:4x1 / 0,4387-12000,4387 0,6270-12000,6270 "
          "0,7472-12000,7472",
          "b0x1: 2@0,0:4x1 2@0,1202:3x1 / 0,1177-12000,1177 0,2379-12000,2379", "unplaced; price 3000"}},
        {"cal3:order=1,area=0,second=1 j1_10",
         {18200, 9100, 9999, 0},
         {{5870, 4273, 5, 1}, {5870, 4273, 5, 1}, {6785, 5167, 9, 0}},
         {{706, 717, 9999, 0}, {706, 717, 9999, 0}},
         {0, 3, 1, 0, 0, 0, 1, 1, 1},
         EngineVariant{3, 1, 2, 0, 1},
         {"b0x1: 0@0,0:3x1 0@0,4273:2x1 1@11740,4273:1x1 / 17610,0-17610,9100 0,4273-17610,4273",
          "b0x3: 2@0,0:3x1r 0s@15501,0:3x9 0s@0,6785:25x3 / 0,6785-18200,6785 15501,0-15501,6785",
          "b0x1: 1@0,0:2x2 0s@11740,0:9x12 / 11740,0-11740,9100 0,8546-11740,8546", "unplaced; price 5000"}},
        {"cal3:order=1,area=0,second=1 j1_0",
         {24400, 12200, 9999, 50},
         {{4230, 1025, 8, 0}, {520, 6906, 1, 0}, {520, 6906, 1, 0}, {4230, 1025, 8, 0}},
         {},
         {50, 3, 0, 1, 0, 0, 1, 1, 1},
         EngineVariant{3, 1, 2, 0, 1},
         {"b0x1: 1@50,50:1x1 2@620,50:1x1 0@50,7006:1x1r 0@1190,50:5x1 0@22590,50:1x2r 3@1190,1125:5x1 "
          "3@1190,2200:3x1 / 1165,50-1165,12150 50,6981-1165,6981 22565,50-22565,12150 1190,1100-22565,1100 "
          "1190,2175-22540,2175 22565,1125-22565,2175",
          "unplaced; price 1000"}},
        {"cal4:order=0,level=3,area=0,second=0 j1_18",
         {24400, 12200, 9999, 0},
         {{10920, 6923, 8, 1}, {10920, 6923, 3, 1}, {966, 6691, 4, 0}, {966, 6691, 9, 0}},
         {},
         {30, 3, 1, 0, 0, 0, 1, 1, 1},
         EngineVariant{4, 0, 3, 0, 0},
         {"b0x1: 3@0,0:2x1 0@1992,0:2x1 2@1992,6953:1x4r 3@1992,10937:1x1r 3@8713,6953:1x5r "
          "3@15434,6953:1x1r / 1977,0-1977,12200 8698,6953-8698,12200 15419,6953-15419,12200 "
          "22140,6953-22140,12200",
          "b0x3: 0@0,0:2x1", "b0x1: 1@0,0:2x1", "b0x1: 1@0,0:1x1", "unplaced; price 6000"}},
        {"cal4:order=0,level=3,area=0,second=0 j1_55",
         {24400, 12200, 3, 0},
         {{5234, 626, 8, 0}, {3200, 5380, 6, 0}, {8311, 5196, 6, 0}, {10118, 5889, 4, 1}, {8311, 5196, 6, 0}},
         {},
         {0, 3, 0, 0, 0, 0, 1, 1, 1},
         EngineVariant{4, 0, 3, 0, 0},
         {"b0x1: 0@0,0:1x1r 1@626,0:1x1 3@3826,0:2x1 0@0,5234:1x1r 1@626,5380:1x1 3@3826,5889:1x1 "
          "3@13944,5889:1x1 / 626,5234-626,12200 626,0-626,12200 3826,5380-3826,12200 3826,0-3826,12200 "
          "13944,5889-13944,12200 24062,5889-24062,12200",
          "b0x1: 0@0,0:1x1 1@0,626:1x1r 2@0,3826:1x1r 0@5234,0:3x1 1@5380,626:3x1r 2@5196,3826:3x1r "
          "0@20784,3826:1x1r 0@21410,3826:1x1r / 5234,626-24400,626 0,626-24400,626 5380,3826-24400,3826 "
          "0,3826-24400,3826 5196,12137-24400,12137",
          "b0x1: 4@0,0:1x1r 2@5196,0:2x1 4@5196,5196:1x1 4@13507,5196:1x1 / 5196,0-5196,12200 "
          "13507,5196-13507,12200 21818,5196-21818,12200",
          "unplaced 4:3; price 3000"}},
        {"full job list j1_12",
         {18200, 9100, 3, 0},
         {{4250, 1729, 5, 0},
          {4250, 1729, 5, 0},
          {3437, 2820, 2, 0},
          {5643, 3284, 6, 0},
          {3437, 2820, 5, 0},
          {7404, 5025, 7, 1},
          {7404, 5025, 7, 1}},
         {},
         {30, 3, 0, 0, 0, 0, 1, 1, 1},
         std::nullopt,
         {"b0x1: 5@0,0:2x1 0@14868,0:1x1r 0@0,5055:2x2 1@8560,5055:2x2 / 0,5040-18200,5040 "
          "14853,0-14853,5040 0,8558-18200,8558 8545,5055-8545,8558",
          "b0x2: 5@0,0:2x1 3@0,5055:2x1 2@11346,5055:1x1 3@14868,0:1x1r / 14853,0-14853,9100 "
          "0,5040-14853,5040 0,8354-14838,8354 11331,5055-11331,8354",
          "unplaced 1:1 4:5 5:1 6:7; price 3000"}},
    };
    for (const TwinCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TestJob job = MakeJob(c);
        const CRetData ret = RunTwins(job, c.Engine);
        ExpectValidResult(ret, job);
        EXPECT_EQ(Describe(ret), c.Expected);
    }
}

// The faster merge of rows of one size stays a choice: it gives its own layout.
TEST(TwinPartsTest, MergingRowsIsAChoice)
{
    TestJob job;
    job.Board(12000, 8000).Kerf(50);
    job.Parts(2500, 1152, 9, 1).Parts(1833, 4362, 9).Parts(2500, 1152, 9, 1).Parts(1833, 4362, 7);
    const EngineVariant strips{2, 0, 0, 0, 0};
    const CRetData apart = RunTwins(job, strips);
    job.Set.MergeRows = 1;
    const CRetData merged = RunTwins(job, strips);
    ExpectValidResult(merged, job);
    EXPECT_NE(Describe(merged), Describe(apart));
    EXPECT_EQ(PlacedPieces(merged), PlacedPieces(apart));
}
