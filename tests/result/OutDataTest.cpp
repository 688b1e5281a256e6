#include "result/OutData.h"

#include <gtest/gtest.h>

#include <functional>

#include "job/Genban.h"

namespace {

CGenban Board(std::int32_t width, std::int32_t height)
{
    CGenban board;
    board.Width = width;
    board.Height = height;
    return board;
}

COutData TwoBlockLayout()
{
    COutData layout;
    layout.BoardNo = 2;
    layout.Repeat = 3;
    layout.Blocks = {{4, 0, 0, 0, 2, 1, 0}, {1, 1, 500, 0, 1, 1, 1}};
    layout.CutLines = {{490, 0, 490, 1000}};
    layout.PartsArea = 20000.0;
    layout.TotalArea = 25000.0;
    layout.Finish(Board(1000, 1000));
    return layout;
}

}  // namespace

TEST(OutDataFinish, SummaryAddsBlocksAndSortsByListThenNumber)
{
    COutData layout;
    layout.Summary = {{9, 9, 0}};  // rebuilt, not added to
    layout.Blocks = {
        {5, 0, 0, 0, 2, 3, 0}, {2, 1, 0, 0, 1, 1, 0}, {5, 0, 0, 0, 1, 1, 1},
        {0, 1, 0, 0, 2, 2, 0}, {3, 0, 0, 0, 1, 4, 0}, {2, 1, 0, 0, 3, 1, 0},
    };
    layout.Finish(Board(1000, 1000));
    EXPECT_EQ(layout.Summary, (std::vector<CAL_BUZAI>{{3, 4, 0}, {5, 7, 0}, {0, 4, 1}, {2, 4, 1}}));
}

TEST(OutDataFinish, YieldsReferToTheWholeBoard)
{
    struct Case {
        const char* name;
        double partsArea, totalArea;
        double partsYield, totalYield;
    };
    const Case cases[] = {
        {"parts and secondary parts", 300000.0, 450000.0, 0.25, 0.375},
        {"secondary parts only", 0.0, 120000.0, 0.0, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COutData layout;
        layout.PartsArea = c.partsArea;
        layout.TotalArea = c.totalArea;
        layout.Finish(Board(1000, 1200));
        EXPECT_DOUBLE_EQ(layout.PartsYield, c.partsYield);
        EXPECT_DOUBLE_EQ(layout.TotalYield, c.totalYield);
    }
}

TEST(OutDataFinish, BoardWithoutAreaGivesZeroYields)
{
    COutData layout;
    layout.PartsArea = 10.0;
    layout.TotalArea = 10.0;
    layout.Finish(Board(0, 1000));
    EXPECT_EQ(layout.PartsYield, 0.0);
    EXPECT_EQ(layout.TotalYield, 0.0);
}

TEST(OutDataSamePattern, ComparesEverythingButRepeatAndMark)
{
    struct Case {
        const char* name;
        std::function<void(COutData&)> change;
        bool same;
    };
    const Case cases[] = {
        {"repeat count", [](COutData& o) { o.Repeat = 7; }, true},
        {"tried mark", [](COutData& o) { o.Tried = 1; }, true},
        {"board", [](COutData& o) { o.BoardNo = 1; }, false},
        {"block position", [](COutData& o) { o.Blocks[1].X = 501; }, false},
        {"block rotated", [](COutData& o) { o.Blocks[0].Rotated = 1; }, false},
        {"block list", [](COutData& o) { o.Blocks[1].List = 0; }, false},
        {"one block more", [](COutData& o) { o.Blocks.push_back(o.Blocks[0]); }, false},
        {"another cutting order",
         [](COutData& o) {
             o.CutLines = {{0, 490, 1000, 490}};
         },
         false},
        {"one cut line more",
         [](COutData& o) {
             o.CutLines.push_back({1, 2, 3, 4});
         },
         false},
        {"parts area", [](COutData& o) { o.PartsArea += 1e-7; }, false},
        {"total yield", [](COutData& o) { o.TotalYield += 1e-7; }, false},
        {"summary", [](COutData& o) { o.Summary[0].Count = 9; }, false},
    };
    const COutData base = TwoBlockLayout();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COutData other = base;
        c.change(other);
        EXPECT_EQ(base.SamePattern(other), c.same);
        EXPECT_EQ(other.SamePattern(base), c.same);
    }
}

TEST(OutData, CopyIsDeepAndClearEmpties)
{
    COutData source = TwoBlockLayout();
    source.Tried = 1;
    COutData copy = source;
    source.Blocks[0].Nx = 9;
    source.Summary.clear();
    EXPECT_EQ(copy.Blocks[0].Nx, 2);
    EXPECT_EQ(copy.Summary.size(), 2u);
    EXPECT_EQ(copy.Tried, 1);
    EXPECT_EQ(copy.Repeat, 3);

    copy.Clear();
    EXPECT_TRUE(copy.Blocks.empty());
    EXPECT_TRUE(copy.CutLines.empty());
    EXPECT_TRUE(copy.Summary.empty());
    EXPECT_EQ(copy.Repeat, 0);
    EXPECT_EQ(copy.Tried, 0);
    EXPECT_EQ(copy.TotalYield, 0.0);
}
