#include "result/StockUpdate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "job/Buzai.h"
#include "result/RetData.h"

namespace {

CGenban Board(const std::string& name, std::int32_t width, std::int32_t height, std::int32_t count,
              std::int32_t price)
{
    CGenban board;
    board.Name = name;
    board.Width = width;
    board.Height = height;
    board.Thickness = 180;
    board.Count = count;
    board.Price = price;
    board.Kind = "ラワン";
    board.TrimTop = board.TrimLeft = 50;
    return board;
}

// Boards A (10 sheets), B (unlimited) and C (2 sheets); a result that cuts A three times, B
// twice and C twice, with the offcuts given per layout.
struct StockJob {
    CBuzaiList Parts;
    CBuzaiList Secondary;
    CGenbanList Boards;  // as the calculation had them
    CRetData Ret;
    ResultSawing Offcuts;

    StockJob()
    {
        Boards.Items = {Board("A", 18200, 9100, 10, 3000), Board("B", 24300, 12200, kUnlimitedBoards, 5000),
                        Board("C", 18200, 9100, 2, 2800)};
        for (const auto& [board, repeat] : {std::pair{0, 3}, {1, 2}, {2, 2}}) {
            COutData layout;
            layout.BoardNo = board;
            layout.Repeat = repeat;
            Ret.Layouts.push_back(layout);
        }
        for (const std::vector<CalRect>& offcuts :
             {std::vector<CalRect>{{100, 100, 6100, 4600}, {7000, 100, 10000, 9100}},
              std::vector<CalRect>{{100, 100, 6100, 4600}}, std::vector<CalRect>{}}) {
            LayoutSawing sawn;
            sawn.Planned = true;
            sawn.Offcuts = offcuts;
            Offcuts.push_back(sawn);
        }
    }
    JobLists Lists() const { return {Ret, Parts, Secondary, Boards}; }
};

}  // namespace

TEST(StockUpdate, UsedSheetsComeOffAndOffcutsJoinTheList)
{
    const StockJob job;
    StockUpdate update;
    std::string error;
    ASSERT_TRUE(MakeStockUpdate(job.Lists(), job.Offcuts, job.Boards, "山田邸 2026/12/09", update, error)) << error;

    struct Expected {
        std::string name;
        std::int32_t width, height, count, price, priority;
    };
    // C is used up and leaves the list; the offcut of A and of B stay apart though equal in size.
    const Expected expected[] = {
        {"A", 18200, 9100, 7, 3000, 0},
        {"B", 24300, 12200, kUnlimitedBoards, 5000, 0},
        {"端材 600×450", 6000, 4500, 3, 489, 2},  // 3000 yen × 6000 × 4500 / (18200 × 9100)
        {"端材 300×900", 3000, 9000, 3, 489, 2},
        {"端材 600×450", 6000, 4500, 2, 455, 2},  // 5000 yen × 27000000 / (24300 × 12200)
    };
    ASSERT_EQ(update.Boards.Items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const CGenban& b = update.Boards.Items[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(b.Name, e.name);
        EXPECT_EQ(b.Width, e.width);
        EXPECT_EQ(b.Height, e.height);
        EXPECT_EQ(b.Count, e.count);
        EXPECT_EQ(b.Price, e.price);
        EXPECT_EQ(b.Priority, e.priority);
        EXPECT_EQ(b.Index, static_cast<std::int32_t>(i));
        EXPECT_EQ(b.Thickness, 180);
        EXPECT_EQ(b.Kind, "ラワン");
        EXPECT_EQ(CGenbanList::CheckRecord(b), "");
        if (e.priority == 2) {
            EXPECT_EQ(b.Remark, "山田邸 2026/12/09");
            EXPECT_EQ(b.TrimTop + b.TrimBottom + b.TrimLeft + b.TrimRight, 0);
        }
    }
    const std::vector<std::string> lines = {
        "原板「A」(1820×910×18): 10 枚 → 7 枚 (3 枚使用)",
        "原板「B」(2430×1220×18): 2 枚使用 (原板数は無制限のまま)",
        "原板「C」(1820×910×18): 2 枚 → 0 枚 (2 枚使用) 残りがないのでリストから外します",
        "追加 「端材 600×450」 厚さ 18 ラワン 3 枚 単価 489 円 最優先",
        "追加 「端材 300×900」 厚さ 18 ラワン 3 枚 単価 489 円 最優先",
        "追加 「端材 600×450」 厚さ 18 ラワン 2 枚 単価 455 円 最優先",
    };
    EXPECT_EQ(update.Lines, lines);
}

TEST(StockUpdate, FindsTheBoardsWhereverTheListHasThemAndRefusesAChangedList)
{
    struct Case {
        const char* what;
        std::function<void(CGenbanList&)> change;
        const char* error;  // "" when it goes through
    };
    const Case cases[] = {
        {"the same list", [](CGenbanList&) {}, ""},
        {"boards moved and one added",
         [](CGenbanList& shop) {
             std::swap(shop.Items[0], shop.Items[2]);
             shop.Items.insert(shop.Items.begin(), Board("D", 1000, 1000, 5, 100));
         },
         ""},
        {"a count changed since (or applied already)", [](CGenbanList& shop) { shop.Items[0].Count = 7; },
         "原板「A」(1820×910×18) が計算の時の原板リストにありません。"},
        {"a board removed", [](CGenbanList& shop) { shop.Items.erase(shop.Items.begin() + 2); },
         "原板「C」(1820×910×18) が計算の時の原板リストにありません。"},
        {"a price changed", [](CGenbanList& shop) { shop.Items[1].Price = 5500; },
         "原板「B」(2430×1220×18) が計算の時の原板リストにありません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const StockJob job;
        CGenbanList shop = job.Boards;
        c.change(shop);
        StockUpdate update;
        std::string error;
        const bool made = MakeStockUpdate(job.Lists(), job.Offcuts, shop, "", update, error);
        EXPECT_EQ(made, std::string(c.error).empty());
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error);
        if (made) {
            // A's sheets come off A, wherever it stands.
            const auto a = std::find_if(update.Boards.Items.begin(), update.Boards.Items.end(),
                                        [](const CGenban& b) { return b.Name == "A"; });
            ASSERT_NE(a, update.Boards.Items.end());
            EXPECT_EQ(a->Count, 7);
            EXPECT_EQ(update.Boards.Items.size(), shop.Items.size() - 1 + 3);
        }
    }
}

TEST(StockUpdate, RefusesMoreSheetsThanTheBoardHolds)
{
    StockJob job;
    job.Ret.Layouts[0].Repeat = 11;
    StockUpdate update;
    std::string error;
    EXPECT_FALSE(MakeStockUpdate(job.Lists(), job.Offcuts, job.Boards, "", update, error));
    EXPECT_EQ(error, "原板「A」(1820×910×18) は 10 枚しかありませんが、11 枚使っています。");
    EXPECT_TRUE(update.Boards.Items.empty());
}

TEST(StockUpdate, OffcutNamesShowTenthsOnlyWhereThereAreAny)
{
    EXPECT_EQ(OffcutBoardName(6000, 4500), "端材 600×450");
    EXPECT_EQ(OffcutBoardName(6005, 3000), "端材 600.5×300");
    EXPECT_EQ(OffcutBoardName(7, 10), "端材 0.7×1");
}

// Equal offcuts of one board become one entry holding every sheet's: those of one pattern and
// those of two patterns of the board, each times its repeat count.
TEST(StockUpdate, EqualOffcutsOfOneBoardAddUpTheirSheets)
{
    const CalRect offcut{100, 100, 6100, 4600};  // 600 x 450 mm
    const CalRect other{7000, 100, 10000, 9100};
    struct Pattern {
        std::int32_t board, repeat;
        std::vector<CalRect> offcuts;
    };
    struct Case {
        const char* what;
        std::vector<Pattern> patterns;
        std::vector<std::int32_t> counts;  // of the new entries
        std::vector<std::string> added;    // their lines
    };
    const Case cases[] = {
        {"two on a pattern cut three times",
         {{0, 3, {offcut, offcut}}},
         {6},
         {"追加 「端材 600×450」 厚さ 18 ラワン 6 枚 単価 489 円 最優先"}},
        {"one on each of two patterns",
         {{0, 3, {offcut}}, {0, 4, {other, offcut}}},
         {7, 4},
         {"追加 「端材 600×450」 厚さ 18 ラワン 7 枚 単価 489 円 最優先",
          "追加 「端材 300×900」 厚さ 18 ラワン 4 枚 単価 489 円 最優先"}},
        {"of two boards apart",
         {{0, 2, {offcut}}, {1, 5, {offcut, offcut}}, {0, 1, {offcut}}},
         {3, 10},
         {"追加 「端材 600×450」 厚さ 18 ラワン 3 枚 単価 489 円 最優先",
          "追加 「端材 600×450」 厚さ 18 ラワン 10 枚 単価 455 円 最優先"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StockJob job;
        job.Ret.Layouts.clear();
        job.Offcuts.clear();
        for (const Pattern& p : c.patterns) {
            COutData layout;
            layout.BoardNo = p.board;
            layout.Repeat = p.repeat;
            job.Ret.Layouts.push_back(layout);
            LayoutSawing sawn;
            sawn.Planned = true;
            sawn.Offcuts = p.offcuts;
            job.Offcuts.push_back(sawn);
        }
        StockUpdate update;
        std::string error;
        ASSERT_TRUE(MakeStockUpdate(job.Lists(), job.Offcuts, job.Boards, "", update, error)) << error;
        std::vector<std::string> added;
        for (const std::string& line : update.Lines) {
            if (line.rfind("追加", 0) == 0) {
                added.push_back(line);
            }
        }
        EXPECT_EQ(added, c.added);
        // The boards keep their places (none is used up); the offcuts follow.
        std::vector<std::int32_t> counts;
        for (std::size_t i = job.Boards.Items.size(); i < update.Boards.Items.size(); ++i) {
            counts.push_back(update.Boards.Items[i].Count);
        }
        EXPECT_EQ(counts, c.counts);
    }
}
