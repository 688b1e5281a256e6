#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "base/CalcError.h"
#include "base/Settings.h"
#include "fakes/RecordingCanvas.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/EdgeTotals.h"
#include "result/Offcuts.h"
#include "result/RetData.h"
#include "view/PrintPages.h"
#include "base/TextCodec.h"

namespace {

// On an A4 recorder: font 38, "W" 19 wide, pitch 43, margin 95.
constexpr int kW = 19;
constexpr int kL = 43;
constexpr int kX0 = 95;
constexpr int kNameX = kX0 + 5 * kW + kW / 2;
constexpr int kAmountX = kX0 + (5 + 21 + 13 + 29 + 5 + 9) * kW + kW / 2;

std::string Name(const char* prefix, int i)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%02d", prefix, i);
    return text;
}

// A job and a finalised result built by hand.
struct Job {
    CBuzaiList parts;
    CBuzaiList secondary;
    CGenbanList boards;
    CRetData ret;

    Job() { secondary.IsSecondary = 1; }

    void AddBoard(const std::string& name, int width, int height, int price)
    {
        CGenban board;
        board.Name = name;
        board.Width = width;
        board.Height = height;
        board.Price = price;
        board.Index = static_cast<int>(boards.Items.size());
        boards.Items.push_back(board);
    }
    void AddPart(CBuzaiList& list, const std::string& name, int width, int height, int count)
    {
        CBuzai part;
        part.Name = name;
        part.Width = width;
        part.Height = height;
        part.Count = count;
        part.Index = static_cast<int>(list.Items.size());
        list.Items.push_back(part);
    }
    // summary: {number, pieces on one board, list}
    void AddLayout(int board, int repeat, std::vector<CAL_BUZAI> summary)
    {
        COutData layout;
        layout.BoardNo = board;
        layout.Repeat = repeat;
        layout.Summary = std::move(summary);
        layout.TotalYield = 0.5;
        ret.Layouts.push_back(layout);
    }
    // n boards each used once, each layout one piece of part i % parts.
    void Fill(int boardKinds, int partKinds)
    {
        for (int i = 0; i < partKinds; ++i) {
            AddPart(parts, Name("P", i), 1000, 500, 1);
        }
        for (int i = 0; i < boardKinds; ++i) {
            AddBoard(Name("B", i), 18000, 9000, 1000);
            AddLayout(i, 1, {{i % partKinds, 1, 0}});
        }
        Finish(2);
    }
    void Finish(int tankaType)
    {
        ret.GenbanList = &boards;
        ret.Finalize(false);
        PreparePrintout(ret, parts, secondary, boards, tankaType);
    }
    PrintSource Source(int kind)
    {
        PlanSawing(ret, parts, secondary, boards, 0, {0, 0});
        return PrintSource{
            {ret, parts, secondary, boards}, 2, kind, 0, {0, 0}, "2026/12/08 10:30", {}, {}, {}, {}, {}};
    }
};

RecordingCanvas DrawPage(Job& job, int kind, int page, int tankaType = 2)
{
    RecordingCanvas dc;
    PrintSource source = job.Source(kind);
    source.TankaType = tankaType;
    DrawPrintPage(dc, source, page);
    return dc;
}

// The texts of one column of a page that start with prefix.
std::vector<std::string> TextsAt(const RecordingCanvas& dc, int x, const std::string& prefix = "")
{
    std::vector<std::string> texts;
    for (const RecordingCanvas::Text& text : dc.Texts) {
        if (text.X == x && text.Value.rfind(prefix, 0) == 0) {
            texts.push_back(text.Value);
        }
    }
    return texts;
}

const RecordingCanvas::Text* FindText(const RecordingCanvas& dc, const std::string& prefix)
{
    for (const RecordingCanvas::Text& text : dc.Texts) {
        if (text.Value.rfind(prefix, 0) == 0) {
            return &text;
        }
    }
    return nullptr;
}

}  // namespace

TEST(PageDescriptors, BoardInformationPages)
{
    struct Case {
        const char* name;
        int boards;
        int parts;
        std::vector<PROUTDATA> expected;
    };
    const Case cases[] = {
        {"one page", 3, 23, {{0, 0, 0}}},
        {"one row too many", 3, 24, {{0, 0, 0}, {1, 23, 0}}},
        {"25 boards, 10 parts", 25, 10, {{0, 0, 0}, {1, 1, 0}}},
        {"26 boards leave no room", 26, 5, {{0, 0, 0}, {1, 0, 0}}},
        {"29 boards fill the page", 29, 29, {{0, 0, 0}, {1, 0, 0}}},
        {"30 boards", 30, 40, {{0, 0, 0}, {0, 29, 0}, {1, 25, 0}}},
        {"two full board pages", 58, 30, {{0, 0, 0}, {0, 29, 0}, {1, 0, 0}, {1, 29, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRetData ret;
        ret.UsedBoards.resize(static_cast<std::size_t>(c.boards));

        FillPageDescriptors(ret, c.parts);

        EXPECT_EQ(ret.Pages[kPrintBoardInfo], c.expected);
        EXPECT_EQ(PageCount(ret, kPrintBoardInfo), static_cast<int>(c.expected.size()));
    }
}

TEST(PageDescriptors, CuttingInstructionPagesPerLayout)
{
    CRetData ret;
    for (int rows : {1, 20, 21, 80, 81}) {
        COutData layout;
        layout.Summary.resize(static_cast<std::size_t>(rows));
        ret.Layouts.push_back(layout);
    }

    FillPageDescriptors(ret, 1);

    const std::vector<PROUTDATA> expected = {{2, 0, 0},  {2, 0, 1}, {2, 0, 2},  {3, 20, 2}, {2, 0, 3},
                                             {3, 20, 3}, {2, 0, 4}, {3, 20, 4}, {3, 80, 4}};
    EXPECT_EQ(ret.Pages[kPrintCutSheets], expected);
}

TEST(BoardInformationPage, RowsOfEachPage)
{
    struct Case {
        const char* name;
        int boards;
        int parts;
        int page;
        int boardRows;
        int partRows;
        int totals;  // 総計 lines on the page
    };
    const Case cases[] = {
        {"one page", 3, 5, 1, 3, 5, 2},
        {"30 boards: first page", 30, 40, 1, 29, 0, 0},
        {"30 boards: the last board and parts", 30, 40, 2, 1, 25, 1},
        {"30 boards: the rest of the parts", 30, 40, 3, 0, 15, 1},
        {"25 boards: one part row fits", 25, 10, 1, 25, 1, 1},
        {"25 boards: the other nine", 25, 10, 2, 0, 9, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job job;
        job.Fill(c.boards, c.parts);

        const RecordingCanvas dc = DrawPage(job, kPrintBoardInfo, c.page);

        EXPECT_EQ(static_cast<int>(TextsAt(dc, kNameX, "B").size()), c.boardRows);
        EXPECT_EQ(static_cast<int>(TextsAt(dc, kNameX, "P").size()), c.partRows);
        int totals = 0;
        for (const RecordingCanvas::Text& text : dc.Texts) {
            totals += text.Value.rfind("総計 =", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(totals, c.totals);
        EXPECT_EQ(dc.Mode, MapMode::Pixels);  // handed back as it came
    }
}

// A list at cut sizes: the part's row shows the size as entered, a row under it the cut size;
// the band lines follow the total, all on one page: the next when they do not fit under it.
// Nothing is printed twice or left out.
TEST(BoardInformationPage, BandedPartsShowBothSizesAndTheBandsAfterTheTotal)
{
    struct Case {
        const char* name;
        int boards;
        int parts;
        int banded;  // the first `banded` parts differ from their cut size
        int pages;
    };
    const Case cases[] = {
        {"one page", 3, 4, 2, 1},
        {"band lines on a page of their own", 3, 11, 11, 2},
        {"band lines that would be split begin the next page", 3, 10, 10, 2},
        {"a part and its cut size apart", 3, 12, 12, 2},
        {"no part banded", 3, 4, 0, 1},
    };
    EdgeTotals bands;
    bands.Job = {{"A", "PVC 0.5", 12.34, 494}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job job;
        job.Fill(c.boards, c.parts);
        for (int i = 0; i < c.parts; ++i) {
            CBuzai& part = job.parts.Items[static_cast<std::size_t>(i)];
            part.FinishedWidth = part.Width;
            part.FinishedHeight = part.Height;
            if (i < c.banded) {
                part.Width -= 10;
            }
        }
        PreparePrintout(job.ret, job.parts, job.secondary, job.boards, 2, &bands);
        ASSERT_EQ(PageCount(job.ret, kPrintBoardInfo), c.pages);

        std::vector<std::string> sizes;
        std::vector<std::string> lines;
        std::set<int> linePages;
        int totals = 0;
        for (int page = 1; page <= c.pages; ++page) {
            RecordingCanvas dc;
            PrintSource source = job.Source(kPrintBoardInfo);
            source.BandLines = PrintBandLines(job.ret, &bands);
            DrawPrintPage(dc, source, page);
            for (const RecordingCanvas::Text& text : dc.Texts) {
                totals += text.Value.rfind("総計 =", 0) == 0 ? 1 : 0;
                if (text.Value.rfind("エッジ", 0) == 0 || text.Value.rfind("原板・エッジ", 0) == 0) {
                    lines.push_back(text.Value);
                    linePages.insert(page);
                }
            }
            const std::vector<std::string> column = TextsAt(dc, kX0 + (5 + 21 + 13) * kW + kW / 2, " ");
            sizes.insert(sizes.end(), column.begin(), column.end());
        }
        std::vector<std::string> expected;
        for (int i = 0; i < c.parts; ++i) {
            expected.push_back("  100.0 ×    50.0 ×   10.0");
            if (i < c.banded) {
                expected.push_back("   99.0 ×    50.0 ×   10.0");
            }
        }
        sizes.erase(std::remove_if(sizes.begin(), sizes.end(),
                                   [](const std::string& text) {
                                       return text.find("寸法") != std::string::npos ||
                                              text.find("1800.0") != std::string::npos;
                                   }),
                    sizes.end());
        EXPECT_EQ(sizes, expected);
        EXPECT_EQ(totals, 2);  // boards and parts
        EXPECT_EQ(lines, PrintBandLines(job.ret, &bands));
        EXPECT_EQ(linePages.size(), 1u);
    }
}

TEST(BoardInformationPage, HeaderBoardRowAndTotalUnderTheAmount)
{
    Job job;
    job.Fill(30, 2);
    job.boards.Items[29].Price = 1234567;
    PreparePrintout(job.ret, job.parts, job.secondary, job.boards, 2);

    const RecordingCanvas dc = DrawPage(job, kPrintBoardInfo, 2);

    const RecordingCanvas::Text* title = FindText(dc, "原板情報");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->X, kX0 + kW / 2);
    EXPECT_EQ(title->Y, -kL);
    EXPECT_EQ(title->Font.Height, 38);
    const RecordingCanvas::Text* stamp = FindText(dc, "2026/12/08");
    ASSERT_NE(stamp, nullptr);
    EXPECT_EQ(stamp->Value, "2026/12/08 10:30     (   2/   2)");
    EXPECT_EQ(stamp->X, kX0 + 69 * kW + kW / 2);

    // The one board row left for page 2: No. 30, its size, sheets, price and amount.
    EXPECT_EQ(TextsAt(dc, kX0 + kW / 2, "  30"), std::vector<std::string>{"  30"});
    EXPECT_EQ(TextsAt(dc, kX0 + (5 + 21 + 13) * kW + kW / 2, " 18"),
              std::vector<std::string>{" 1800.0 ×   900.0 ×   10.0"});
    EXPECT_EQ(TextsAt(dc, kAmountX, " "), (std::vector<std::string>{" 合計(円)", "  1,234,567", " 合計(円)",
                                                                    "     15,000", "  1,248,567"}));
    // 29 boards at 1,000 and one at 1,234,567: the total ends where the amounts end.
    const RecordingCanvas::Text* total = FindText(dc, "総計 =");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->Value, "総計 =   1,263,567");
    EXPECT_EQ(total->X, kAmountX - 7 * kW);
}

TEST(BoardInformationPage, FourCostMethodsAgainstAHandCalculation)
{
    // Board 0: 1000 × 500 mm, 10,000 yen, cut twice with 3 × part 1, 2 × part 2, 2 × secondary 1.
    // Board 1: 1000 × 1000 mm, 5,000 yen, cut once with 4 × part 2.
    // Part 1 is 200 × 100 mm, part 2 and secondary 1 are 100 × 100 mm.
    struct Case {
        int tankaType;
        const char* caption;
        std::vector<std::string> amounts;  // part 1, part 2, secondary 1
        std::vector<std::string> units;
        const char* total;
    };
    const Case cases[] = {
        // 20,000 × area share of 5e7: 6e6 → 2,400, 2e6 → 800; 5,000 × 4e6 / 1e8 → 200.
        {0,
         "部材リスト（金額の計算方法は面積）",
         {"      2,400", "      1,000", "        800"},
         {"     400", "     125", "     200"},
         "総計 =       4,200"},
        {1,
         "部材リスト（金額の計算方法は面積、２次部材は０円）",
         {"      2,400", "      1,000", "          0"},
         {"     400", "     125", "       0"},
         "総計 =       3,400"},
        // 20,000 over 1e7 of pieces: 12,000, 4,000, 4,000; board 1's 5,000 goes to part 2.
        {2,
         "部材リスト（金額の計算方法は原板）",
         {"     12,000", "      9,000", "      4,000"},
         {"   2,000", "   1,125", "   1,000"},
         "総計 =      25,000"},
        // 20,000 over 8e6 of parts: 15,000, 5,000; board 1's 5,000 to part 2.
        {3,
         "部材リスト（金額の計算方法は原板、２次部材は０円）",
         {"     15,000", "     10,000", "          0"},
         {"   2,500", "   1,250", "       0"},
         "総計 =      25,000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tankaType);
        Job job;
        job.AddBoard("A", 10000, 5000, 10000);
        job.AddBoard("B", 10000, 10000, 5000);
        job.AddPart(job.parts, "P1", 2000, 1000, 7);
        job.AddPart(job.parts, "P2", 1000, 1000, 8);
        job.AddPart(job.secondary, "S1", 1000, 1000, 9999);
        job.AddLayout(0, 2, {{0, 3, 0}, {1, 2, 0}, {0, 2, 1}});
        job.AddLayout(1, 1, {{1, 4, 0}});
        job.Finish(c.tankaType);

        const RecordingCanvas dc = DrawPage(job, kPrintBoardInfo, 1, c.tankaType);

        const RecordingCanvas::Text* title = FindText(dc, "部材リスト");
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->Value, c.caption);
        // Header, the two boards, header, then the three rows.
        std::vector<std::string> amounts = TextsAt(dc, kAmountX, " ");
        ASSERT_EQ(amounts.size(), 7u);
        EXPECT_EQ(std::vector<std::string>(amounts.begin() + 4, amounts.end()), c.amounts);
        const int unitX = kAmountX - 9 * kW;
        std::vector<std::string> units = TextsAt(dc, unitX, " ");
        ASSERT_EQ(units.size(), 5u);
        EXPECT_EQ(std::vector<std::string>(units.begin() + 2, units.end()), c.units);
        std::vector<std::string> totals;
        for (const RecordingCanvas::Text& text : dc.Texts) {
            if (text.Value.rfind("総計 =", 0) == 0) {
                totals.push_back(text.Value);
            }
        }
        EXPECT_EQ(totals, (std::vector<std::string>{"総計 =      25,000", c.total}));
        // Counts: 6 of 7 wanted shows -1; part 2 placed 8 of 8; secondary 4 placed.
        EXPECT_EQ(TextsAt(dc, unitX - 5 * kW, " "),
                  (std::vector<std::string>{"   2", "   1", "   6", "   8", "   4"}));
        EXPECT_EQ(TextsAt(dc, kX0 + 94 * kW + kW / 2), std::vector<std::string>{"-1"});
    }
}

TEST(BoardInformationPage, SecondaryRowsCarryADiagonalAcrossTheirNumber)
{
    Job job;
    job.AddBoard("A", 10000, 5000, 100);
    job.AddPart(job.parts, "P1", 2000, 1000, 1);
    job.AddPart(job.secondary, "S1", 1000, 1000, 9999);
    job.AddLayout(0, 1, {{0, 1, 0}, {0, 3, 1}});
    job.Finish(0);

    const RecordingCanvas dc = DrawPage(job, kPrintBoardInfo, 1);

    // The diagonal runs from the bottom left to the top right of the No. cell, 2L high.
    int diagonals = 0;
    for (const auto& [from, to] : dc.Lines) {
        if (from.X == kX0 && to.X == kX0 + 5 * kW && to.Y - from.Y == 2 * kL) {
            ++diagonals;
        }
    }
    EXPECT_EQ(diagonals, 1);
}

TEST(BoardInformationPage, NamesAreCutToTheirColumnsWithoutSplittingACharacter)
{
    struct Case {
        std::string name;
        std::string kind;
        std::string shownName;
        std::string shownKind;
    };
    const Case cases[] = {
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmn", "ABCDEFGHIJKLMNOPQRST", "abcdefghijkl"},
        {"あいうえおかきくけこさしす", "ｶﾀｶﾅ合板ですよ", "あいうえおかきくけこ", "ｶﾀｶﾅ合板です"},
        {"1234567890123456789漢", "12345678901漢", "1234567890123456789", "12345678901"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job job;
        job.AddBoard(c.name, 10000, 5000, 100);
        job.boards.Items[0].Kind = c.kind;
        job.AddPart(job.parts, "P", 1000, 1000, 1);
        job.AddLayout(0, 1, {{0, 1, 0}});
        job.Finish(2);

        const RecordingCanvas dc = DrawPage(job, kPrintBoardInfo, 1);

        EXPECT_EQ(TextsAt(dc, kNameX)[1], c.shownName);
        EXPECT_EQ(TextsAt(dc, kNameX + 21 * kW)[1], c.shownKind);
    }
}

TEST(PageFrame, ScalesThePageAsA4ByItsLimitingSide)
{
    struct Case {
        const char* name;
        CanvasSize mm;
        int fontHeight;
    };
    const Case cases[] = {
        {"A4", {210, 297}, 38},
        {"A3 by its height", {297, 420}, 53},
        {"letter by its height", {216, 279}, 35},
        {"narrow by its width", {200, 297}, 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas dc;
        dc.SizeMm = c.mm;
        dc.SetMapMode(MapMode::TenthMillimetres);
        const PageFrame frame = MeasurePageFrame(dc);
        EXPECT_EQ(frame.FontHeight, c.fontHeight);
        EXPECT_EQ(frame.X0, 5 * frame.W);
        EXPECT_EQ(frame.L, frame.H + static_cast<int>(5.0 * frame.Scale));
    }
}

TEST(CuttingInstructionPage, DrawingBoardLineAndTwoHalves)
{
    Job job;
    job.AddBoard("棚板用", 18000, 9000, 3000);
    job.boards.Items[0].TrimTop = 50;
    job.boards.Items[0].TrimLeft = 125;
    std::vector<CAL_BUZAI> summary;
    for (int i = 0; i < 24; ++i) {
        job.AddPart(job.parts, Name("P", i), 3000 + i, 2000, 1);
        summary.push_back({i, 1, 0});
    }
    job.AddPart(job.secondary, "S0", 500, 500, 9999);
    summary.push_back({0, 2, 1});
    job.AddLayout(0, 3, summary);
    job.Finish(2);

    std::vector<std::pair<int, CanvasRect>> patterns;
    PrintSource source = job.Source(kPrintCutSheets);
    source.DrawPattern = [&](Canvas&, int layout, const CanvasRect& area) {
        patterns.emplace_back(layout, area);
    };

    RecordingCanvas first;
    DrawPrintPage(first, source, 1);
    RecordingCanvas second;
    DrawPrintPage(second, source, 2);

    ASSERT_EQ(patterns.size(), 1u);
    EXPECT_EQ(patterns[0].first, 0);
    const CanvasRect area{kX0, -3 * kL, kX0 + 102 * kW, -39 * 38};
    EXPECT_EQ(patterns[0].second, area);
    EXPECT_NE(std::find(first.Rectangles.begin(), first.Rectangles.end(), area), first.Rectangles.end());
    ASSERT_NE(FindText(first, "切断指示書"), nullptr);
    EXPECT_EQ(FindText(first, "2026")->Value, "2026/12/08 10:30     (   1/   2)");
    EXPECT_EQ(FindText(second, "2026")->Value, "2026/12/08 10:30     (   2/   2)");

    // Board line and trims.
    EXPECT_EQ(TextsAt(first, kNameX, "棚"), std::vector<std::string>{"棚板用"});
    EXPECT_EQ(TextsAt(first, kX0 + 68 * kW + kW / 2), (std::vector<std::string>{"歩留(%)", " 50.0"}));
    EXPECT_EQ(TextsAt(first, kX0 + 76 * kW + kW / 2), (std::vector<std::string>{"枚数", "   3"}));
    ASSERT_NE(FindText(first, "上:"), nullptr);
    EXPECT_EQ(FindText(first, "上:")->Value, "上:   5.0 ／ 下:   0.0 ／ 左:  12.5 ／ 右:   0.0");

    // Rows 0-9 left, 10-19 right; the continuation page has the other five on its left.
    const int rightName = kNameX + 52 * kW;
    EXPECT_EQ(TextsAt(first, kNameX, "P").size(), 10u);
    EXPECT_EQ(TextsAt(first, kNameX, "P").front(), "P00");
    EXPECT_EQ(TextsAt(first, rightName, "P").size(), 10u);
    EXPECT_EQ(TextsAt(first, rightName, "P").front(), "P10");
    EXPECT_EQ(TextsAt(second, kNameX, "P"), (std::vector<std::string>{"P20", "P21", "P22", "P23"}));
    EXPECT_EQ(TextsAt(second, kNameX, "S"), std::vector<std::string>{"S0"});
    EXPECT_TRUE(TextsAt(second, rightName).empty());
    EXPECT_EQ(TextsAt(first, kNameX + 21 * kW, "  300.0"), std::vector<std::string>{"  300.0 ×   200.0"});
    // The continuation page starts its table where the board tables start.
    EXPECT_EQ(FindText(second, " 部材名")->Y, -3 * kL - kL / 2);
}

TEST(PrintPage, AnIndexOutsideItsListStopsThePageAfterTheHeader)
{
    Job job;
    job.Fill(2, 2);
    job.ret.UsedBoards[1].Number = 7;

    RecordingCanvas dc;
    EXPECT_THROW(DrawPrintPage(dc, job.Source(kPrintBoardInfo), 1), CalcError);
    EXPECT_NE(FindText(dc, "原板情報"), nullptr);
    EXPECT_EQ(TextsAt(dc, kNameX, "B"), std::vector<std::string>{"B00"});
    EXPECT_EQ(dc.Mode, MapMode::Pixels);
    RecordingCanvas past;
    EXPECT_THROW(DrawPrintPage(past, job.Source(kPrintBoardInfo), 2), CalcError);
}

TEST(CuttingInstructionPage, ThePatternLiesInsideTheDrawingArea)
{
    struct Case {
        const char* name;
        int width;
        int height;
    };
    const Case cases[] = {
        {"wide board", 24300, 12200}, {"tall board", 9100, 18200}, {"square", 10000, 10000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job job;
        job.AddBoard("A", c.width, c.height, 100);
        job.AddPart(job.parts, "P", 3000, 2000, 1);
        job.ret.Layouts.emplace_back();
        job.ret.Layouts[0].BoardNo = 0;
        job.ret.Layouts[0].Repeat = 1;
        job.ret.Layouts[0].Blocks.push_back(CHaichi(0, 0, 0, 0, 2, 1, 0));
        job.ret.Layouts[0].Summary.push_back({0, 2, 0});
        job.Finish(2);
        Settings settings;
        PlanSawing(job.ret, job.parts, job.secondary, job.boards, settings.NokoHaba, MinOffcut(settings));
        const PrintSource source =
            MakePrintSource(job.ret, job.parts, job.secondary, job.boards, settings, kPrintCutSheets);

        RecordingCanvas dc;
        DrawPrintPage(dc, source, 1);

        // The first fill is the board itself; it and every piece stay inside the frame.
        ASSERT_GE(dc.Fills.size(), 3u);
        const int top = -3 * kL;
        const int bottom = -39 * 38;
        for (const RecordingCanvas::Fill& fill : dc.Fills) {
            const int high = std::max(fill.Rect.Top, fill.Rect.Bottom);
            const int low = std::min(fill.Rect.Top, fill.Rect.Bottom);
            EXPECT_GE(std::min(fill.Rect.Left, fill.Rect.Right), kX0);
            EXPECT_LE(std::max(fill.Rect.Left, fill.Rect.Right), kX0 + 102 * kW);
            EXPECT_LE(high, top);
            EXPECT_GE(low, bottom);
        }
        // The board's top edge is drawn nearer the page top than its pieces' bottom edges.
        EXPECT_GT(std::max(dc.Fills[0].Rect.Top, dc.Fills[0].Rect.Bottom),
                  std::min(dc.Fills.back().Rect.Top, dc.Fills.back().Rect.Bottom));
    }
}

TEST(CuttingInstructionPage, ListsTheOffcutsUnderTheTrimsWhenTheyAreKept)
{
    struct Case {
        const char* name;
        OffcutSize least;
        const char* row;  // nullptr: no offcut row
    };
    // A 1000 × 500 mm board with one 600 × 500 mm part at its left: 400 × 500 mm left over.
    const Case cases[] = {
        {"kept from 300 mm", {3000, 3000}, "396.0×500.0"},
        {"kept from 450 mm", {4500, 4500}, "なし"},
        {"kept either way round", {5000, 3960}, "396.0×500.0"},
        {"not kept", {0, 0}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Job job;
        job.AddBoard("ラワン", 10000, 5000, 3000);
        job.AddPart(job.parts, "天板", 6000, 5000, 1);
        job.AddLayout(0, 2, {{0, 1, 0}});
        job.ret.Layouts[0].Blocks = {CHaichi(0, 0, 0, 0, 1, 1, 0)};
        job.Finish(2);
        PrintSource source = job.Source(kPrintCutSheets);
        source.Kerf = 40;
        source.MinOffcut = c.least;
        PlanSawing(job.ret, job.parts, job.secondary, job.boards, source.Kerf, source.MinOffcut);
        RecordingCanvas dc;
        DrawPrintPage(dc, source, 1);
        const RecordingCanvas::Text* label = FindText(dc, " 端材(㎜)");
        if (c.row == nullptr) {
            EXPECT_EQ(label, nullptr);
            continue;
        }
        ASSERT_NE(label, nullptr);
        const RecordingCanvas::Text* trims = FindText(dc, " トリミング(㎜)");
        ASSERT_NE(trims, nullptr);
        EXPECT_EQ(label->Y, trims->Y - 2 * kL);
        const int valueX = FindText(dc, "上:")->X;
        const auto value = std::find_if(dc.Texts.begin(), dc.Texts.end(), [&](const RecordingCanvas::Text& t) {
            return t.X == valueX && t.Y == label->Y;
        });
        ASSERT_NE(value, dc.Texts.end());
        EXPECT_EQ(value->Value, c.row);
        // The parts table moves down by the row.
        EXPECT_EQ(FindText(dc, " 部材名")->Y, label->Y - 3 * kL);
        // Beside the board line: one cut of 500 mm a sheet, two sheets.
        const RecordingCanvas::Text* cuts = FindText(dc, " 回数");
        ASSERT_NE(cuts, nullptr);
        std::vector<std::string> row;
        for (const RecordingCanvas::Text& t : dc.Texts) {
            if (t.Y == cuts->Y && t.X > cuts->X) {
                row.push_back(t.Value);
            }
        }
        EXPECT_EQ(row, (std::vector<std::string>{"    1", "    2"}));
        ASSERT_NE(FindText(dc, " 長さ(m)"), nullptr);
        EXPECT_EQ(FindText(dc, "  0.5")->Y, FindText(dc, " 長さ(m)")->Y);
        EXPECT_EQ(FindText(dc, "  1.0")->Y, FindText(dc, " 長さ(m)")->Y);
    }
}

TEST(OffcutListText, ListsWhatFitsAndCountsTheRest)
{
    const CalRect a{0, 0, 6000, 4500}, b{0, 0, 12005, 3000}, c{0, 0, 3000, 3000};
    struct Case {
        std::vector<CalRect> offcuts;
        int columns;
        const char* text;
    };
    const Case cases[] = {
        {{}, 54, "なし"},
        {{a}, 54, "600.0×450.0"},
        {{a, b, c}, 54, "600.0×450.0 ／ 1200.5×300.0 ／ 300.0×300.0"},
        {{a, b, c}, 40, "600.0×450.0 ／ 1200.5×300.0 ／ 他 1"},
        {{a, b, c}, 20, "600.0×450.0 ／ 他 2"},
        {{a, b, c}, 10, "他 3"},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(OffcutListText(t.offcuts, t.columns), t.text);
    }
}

TEST(PrintPages, TheHeaderNamesTheJobInTheColumnsLeft)
{
    struct Case {
        CutDataInfo job;
        std::string header;
    };
    const Case cases[] = {
        {{"", 0, 0, 0, ""}, ""},
        {{"山田邸", 0, 0, 0, "急ぎ"}, "物件名 山田邸"},
        {{"", 2026, 12, 24, ""}, "納期 2026/12/24"},
        {{"山田邸", 2027, 1, 5, ""}, "物件名 山田邸　納期 2027/01/05"},
        {{"山田邸", 2027, 1, 5, "", "山田工務店"}, "物件名 山田邸　得意先 山田工務店　納期 2027/01/05"},
        {{"", 0, 0, 0, "", "山田工務店"}, "得意先 山田工務店"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JobHeaderText(c.job), c.header);
    }
    struct Fit {
        std::string text;
        int columns;
        std::string fitted;
    };
    const Fit fits[] = {
        {"山田邸", 6, "山田邸"},
        {"山田邸", 5, "山…"},
        {"abcdef", 6, "abcdef"},
        {"abcdef", 5, "abc…"},
        {"a山b", 3, "a…"},
        {"", 0, ""},
    };
    for (const Fit& f : fits) {
        SCOPED_TRACE(f.text + " in " + std::to_string(f.columns));
        EXPECT_EQ(FitColumns(f.text, f.columns), f.fitted);
        EXPECT_LE(Cp932Length(FitColumns(f.text, f.columns)), f.columns);
    }
}
