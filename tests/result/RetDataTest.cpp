#include "result/RetData.h"

#include <gtest/gtest.h>

#include "base/CalcError.h"
#include "job/Genban.h"
#include "result/RetSummary.h"

namespace {

// Boards 0..3; board n is (n + 1) * 1000 wide and 2000 long, price (n + 1) * 1000 yen.
CGenbanList FourBoards()
{
    CGenbanList list;
    for (int n = 0; n < 4; ++n) {
        CGenban board;
        board.Width = (n + 1) * 1000;
        board.Height = 2000;
        board.Price = (n + 1) * 1000;
        list.Items.push_back(board);
    }
    list.Renumber();
    return list;
}

COutData Layout(std::int32_t board, std::int32_t repeat, double partsYield = 0.0,
                std::vector<CAL_BUZAI> summary = {})
{
    COutData layout;
    layout.BoardNo = board;
    layout.Repeat = repeat;
    layout.PartsYield = partsYield;
    layout.Summary = std::move(summary);
    return layout;
}

std::vector<std::int32_t> BoardOrder(const CRetData& ret)
{
    std::vector<std::int32_t> order;
    for (const COutData& layout : ret.Layouts) {
        order.push_back(layout.BoardNo);
    }
    return order;
}

}  // namespace

TEST(RetDataFinalize, CountsSheetsPerUsedBoard)
{
    const CGenbanList boards = FourBoards();
    CRetData ret;
    ret.GenbanList = &boards;
    ret.Layouts = {Layout(3, 2), Layout(1, 1), Layout(3, 1)};
    ret.Finalize(false);
    EXPECT_EQ(ret.UsedBoards, (std::vector<RET_GENBAN>{{1, 1}, {3, 3}}));
    EXPECT_EQ(ret.MaxWidth, 4000);
    EXPECT_EQ(ret.MaxHeight, 2000);
}

TEST(RetDataFinalize, AddsUpPlacedSecondaryParts)
{
    const CGenbanList boards = FourBoards();
    CRetData ret;
    ret.GenbanList = &boards;
    ret.Layouts = {Layout(0, 4, 0.5, {{3, 5, 0}, {7, 2, 1}}), Layout(1, 1, 0.5, {{7, 1, 1}, {2, 3, 1}})};
    ret.Finalize(false);
    EXPECT_EQ(ret.PlacedSecondary, (std::vector<CAL_BUZAI>{{2, 3, 1}, {7, 9, 1}}));
}

TEST(RetDataFinalize, SortsLayoutsUnlessNoSort)
{
    struct Case {
        bool noSort;
        std::vector<std::int32_t> boards;
        std::vector<double> yields;
    };
    const Case cases[] = {
        {false, {0, 2, 2, 2, 3}, {0.4, 0.9, 0.5, 0.3, 0.7}},
        {true, {3, 2, 0, 2, 2}, {0.7, 0.3, 0.4, 0.9, 0.5}},
    };
    const CGenbanList boards = FourBoards();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.noSort);
        CRetData ret;
        ret.GenbanList = &boards;
        ret.Layouts = {Layout(3, 1, 0.7), Layout(2, 1, 0.3), Layout(0, 1, 0.4), Layout(2, 1, 0.9),
                       Layout(2, 1, 0.5)};
        ret.Unplaced = {{5, 1, 0}, {0, 2, 0}, {3, 3, 0}};
        ret.Finalize(c.noSort);
        EXPECT_EQ(BoardOrder(ret), c.boards);
        for (std::size_t i = 0; i < c.yields.size(); ++i) {
            EXPECT_EQ(ret.Layouts[i].PartsYield, c.yields[i]);
        }
        // The lists of the dialog are sorted either way.
        EXPECT_EQ(ret.Unplaced, (std::vector<CAL_BUZAI>{{0, 2, 0}, {3, 3, 0}, {5, 1, 0}}));
        EXPECT_EQ(ret.UsedBoards.front().Number, 0);
    }
}

TEST(RetDataFinalize, WithoutBoardListIsAnInternalError)
{
    CRetData ret;
    ret.Layouts = {Layout(0, 1)};
    EXPECT_THROW(ret.Finalize(false), CalcError);
}

TEST(RetDataTotals, SumsOverLayoutsWithTheirRepeatCounts)
{
    const CGenbanList boards = FourBoards();
    CRetData ret;
    ret.GenbanList = &boards;
    ret.Layouts = {Layout(0, 2), Layout(1, 1)};
    ret.Layouts[0].PartsArea = 1e6;  // board 0: 1000 x 2000, 1000 yen
    ret.Layouts[0].TotalArea = 1.5e6;
    ret.Layouts[1].PartsArea = 3e6;  // board 1: 2000 x 2000, 2000 yen
    ret.Layouts[1].TotalArea = 4e6;
    ret.PartsArea = 99.0;  // recomputed, not added to
    ret.ComputeTotals();
    EXPECT_DOUBLE_EQ(ret.PartsArea, 2e6 + 3e6);
    EXPECT_DOUBLE_EQ(ret.TotalArea, 3e6 + 4e6);
    EXPECT_DOUBLE_EQ(ret.BoardArea, 4e6 + 4e6);
    EXPECT_EQ(ret.TotalPrice, 2000 + 2000);
    EXPECT_DOUBLE_EQ(ret.PartsPrice, 1000.0 + 1500.0);
    EXPECT_DOUBLE_EQ(ret.TotalPiecesPrice, 1500.0 + 2000.0);
    EXPECT_DOUBLE_EQ(ret.PartsYield(), 5e6 / 8e6);
}

TEST(RetDataTotals, TotalPriceBeyondThirtyTwoBits)
{
    CGenbanList boards = FourBoards();
    boards.Items[0].Price = 300000;
    CRetData ret;
    ret.GenbanList = &boards;
    ret.Layouts = {Layout(0, 9999)};
    ret.ComputeTotals();
    EXPECT_EQ(ret.TotalPrice, 2999700000LL);
}

TEST(RetDataTotals, EmptyResultHasNoYield)
{
    CRetData ret;
    ret.ComputeTotals();
    EXPECT_EQ(ret.BoardArea, 0.0);
    EXPECT_EQ(ret.PartsYield(), 0.0);
    EXPECT_EQ(ret.TotalYield(), 0.0);
}

TEST(RetData, AppendAddsLayoutsUnplacedAndTotals)
{
    CRetData group;
    group.Layouts = {Layout(1, 2)};
    group.Unplaced = {{4, 1, 0}};
    group.PartsArea = 1.0;
    group.TotalArea = 2.0;
    group.BoardArea = 3.0;
    group.TotalPrice = 4;
    group.PartsPrice = 5.0;
    group.TotalPiecesPrice = 6.0;
    CRetData doc;
    doc.Unplaced = {{9, 9, 0}};
    doc.Append(group);
    doc.Append(group);
    EXPECT_EQ(BoardOrder(doc), (std::vector<std::int32_t>{1, 1}));
    EXPECT_EQ(doc.Unplaced, (std::vector<CAL_BUZAI>{{9, 9, 0}, {4, 1, 0}, {4, 1, 0}}));
    EXPECT_EQ(doc.PartsArea, 2.0);
    EXPECT_EQ(doc.TotalArea, 4.0);
    EXPECT_EQ(doc.BoardArea, 6.0);
    EXPECT_EQ(doc.TotalPrice, 8);
    EXPECT_EQ(doc.PartsPrice, 10.0);
    EXPECT_EQ(doc.TotalPiecesPrice, 12.0);
}

TEST(RetData, ClearEmptiesEverythingAndCopyKeepsPages)
{
    const CGenbanList boards = FourBoards();
    CRetData ret;
    ret.GenbanList = &boards;
    ret.Layouts = {Layout(2, 1)};
    ret.Unplaced = {{1, 1, 0}};
    ret.Pages[0] = {{1, 2, 3}};
    ret.Pages[1] = {{4, 5, 6}, {7, 8, 9}};
    ret.ComputeTotals();
    ret.Finalize(false);

    const CRetData copy = ret;
    EXPECT_EQ(copy.Pages[1].size(), 2u);
    EXPECT_EQ(copy.UsedBoards.size(), 1u);
    EXPECT_EQ(copy.TotalPrice, 3000);

    ret.Clear();
    EXPECT_TRUE(ret.Layouts.empty());
    EXPECT_TRUE(ret.Unplaced.empty());
    EXPECT_TRUE(ret.UsedBoards.empty());
    EXPECT_TRUE(ret.Pages[0].empty());
    EXPECT_TRUE(ret.Pages[1].empty());
    EXPECT_EQ(ret.MaxWidth, 0);
    EXPECT_EQ(ret.TotalPrice, 0);
    EXPECT_EQ(ret.BoardArea, 0.0);
    EXPECT_EQ(ret.GenbanList, nullptr);
    EXPECT_EQ(copy.Pages[0], (std::vector<PROUTDATA>{{1, 2, 3}}));
}

TEST(RetDataIsBetter, PartsAreaThenYieldsThenFewerLayouts)
{
    struct Side {
        double partsArea, totalArea, boardArea;
        int layouts;
    };
    struct Case {
        const char* name;
        Side c, b;
        bool better;
    };
    const Case cases[] = {
        {"more parts area wins", {101, 101, 1000, 5}, {100, 100, 100, 1}, true},
        {"more parts area by less than the tolerance is a tie",
         {100 + 1e-10, 100, 200, 1},
         {100, 100, 200, 1},
         false},
        {"equal area, higher yield (smaller boards)", {100, 100, 200, 3}, {100, 100, 400, 1}, true},
        {"equal area, lower yield", {100, 100, 400, 1}, {100, 100, 200, 3}, false},
        {"equal yields, higher total yield", {100, 150, 200, 3}, {100, 120, 200, 1}, true},
        {"equal yields, lower total yield", {100, 120, 200, 1}, {100, 150, 200, 3}, false},
        {"all equal, fewer layouts", {100, 150, 200, 1}, {100, 150, 200, 2}, true},
        {"all equal, same layouts: best stays", {100, 150, 200, 2}, {100, 150, 200, 2}, false},
        {"all equal, more layouts", {100, 150, 200, 3}, {100, 150, 200, 2}, false},
        // The yield tests run even when the candidate placed less.
        {"less area, equal yields, higher total yield", {50, 80, 100, 1}, {100, 150, 200, 1}, true},
        {"less area, lower yield", {50, 80, 200, 1}, {100, 150, 200, 1}, false},
        {"both empty, fewer layouts", {0, 0, 0, 0}, {0, 0, 0, 1}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRetData cand, best;
        for (auto [ret, side] : {std::pair{&cand, c.c}, std::pair{&best, c.b}}) {
            ret->PartsArea = side.partsArea;
            ret->TotalArea = side.totalArea;
            ret->BoardArea = side.boardArea;
            ret->Layouts.resize(static_cast<std::size_t>(side.layouts));
        }
        EXPECT_EQ(cand.IsBetter(best), c.better);
    }
}

TEST(GroupProgressLines, SayHowFarEachGroupOfAnEarlyResultGot)
{
    const std::vector<RET_GROUP> groups = {{"MDF", 180, 82, 82, false, false},
                                           {"合板", 120, 12, 82, true, false},
                                           {"合板", 95, 1, 84, true, true}};
    struct Case {
        const char* name;
        bool early;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a full run says nothing", false, {}},
        {"taken early",
         true,
         {"種類「MDF」厚さ 18.0 mm: 計算 82/82 完了", "種類「合板」厚さ 12.0 mm: 計算 12/82 で確定",
          "種類「合板」厚さ 9.5 mm: 計算 1/84 で確定（制限を過ぎても最初の計算の終了を待ちました）"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRetData ret;
        ret.StoppedEarly = c.early;
        ret.Groups = groups;
        EXPECT_EQ(GroupProgressLines(ret), c.lines);
    }
}
