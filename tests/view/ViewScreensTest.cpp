#include <gtest/gtest.h>

#include "base/Settings.h"
#include "doc/NestrixDoc.h"
#include "fakes/RecordingCanvas.h"
#include "view/Commands.h"
#include "view/ViewScreens.h"
#include "view/ViewState.h"

namespace {

constexpr CanvasColor kBlue{0, 0, 255};
constexpr CanvasColor kRed{255, 0, 0};
constexpr CanvasColor kOrange{255, 176, 134};

// A result of `boards` layouts of one 200 x 100 mm board, each with one 50 x 50 mm piece.
void GiveResult(CNestrixDoc& doc, ViewState& view, int boards)
{
    CGenban board;
    board.Name = "サブロク";
    board.Width = 2000;
    board.Height = 1000;
    board.Price = 2500;
    doc.ResultBoards.Items = {board};
    CBuzai part;
    part.Width = 500;
    part.Height = 500;
    doc.BuzaiList.Items = {part};
    doc.PrepareCutSizes(Settings());
    COutData layout;
    layout.Blocks = {CHaichi(0, 0, 0, 0, 1, 1, 0)};
    layout.Repeat = 1;
    doc.RetData.Layouts.assign(static_cast<std::size_t>(boards), layout);
    doc.RetData.MaxWidth = 2000;
    doc.RetData.MaxHeight = 1000;
    doc.ResultPresent = 1;
    view.OnNewResult(doc);
}

}  // namespace

// Lines start at 3w; the title at h + h/2, the rest at rows of h + 4 (w, h: the extent of "W").
TEST(OperationsGuide, PlacesElevenLinesByTheLetterW)
{
    struct Case {
        int halfWidth;
        int expectedX;
        std::vector<int> expectedY;
    };
    // The font is 16 high; a recorder of 8 or 7 wide letters shows that x follows the measure.
    const Case cases[] = {
        {8, 24, {24, 80, 120, 140, 180, 200, 220, 240, 280, 300, 360}},
        {7, 21, {24, 80, 120, 140, 180, 200, 220, 240, 280, 300, 360}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.halfWidth);
        RecordingCanvas dc;
        dc.HalfWidth = c.halfWidth;

        DrawOperationsGuide(dc);

        ASSERT_EQ(dc.Texts.size(), 11u);
        for (std::size_t i = 0; i < dc.Texts.size(); ++i) {
            SCOPED_TRACE(dc.Texts[i].Value);
            EXPECT_EQ(dc.Texts[i].X, c.expectedX);
            EXPECT_EQ(dc.Texts[i].Y, c.expectedY[i]);
        }
    }
}

TEST(OperationsGuide, UsesBoldBlueFixedGothic16AndRestoresTheCanvas)
{
    RecordingCanvas dc;
    CanvasFont before;
    before.Face = "other";
    before.Height = 30;
    dc.CurrentFont = before;
    dc.CurrentTextColor = CanvasColor{1, 2, 3};

    DrawOperationsGuide(dc);

    ASSERT_FALSE(dc.Texts.empty());
    for (const RecordingCanvas::Text& text : dc.Texts) {
        EXPECT_EQ(text.Font.Face, "ＭＳ ゴシック");
        EXPECT_EQ(text.Font.Height, 16);
        EXPECT_EQ(text.Font.Weight, 700);
        EXPECT_TRUE(text.Font.FixedPitch);
        EXPECT_EQ(text.Font.Escapement, 0);
        EXPECT_EQ(text.Color, kBlue);
    }
    EXPECT_EQ(dc.CurrentFont, before);
    EXPECT_EQ(dc.CurrentTextColor, (CanvasColor{1, 2, 3}));
}

// The columns of the guide line up only in a fixed-pitch font if every line keeps its exact
// mix of full-width and half-width characters.
TEST(OperationsGuide, KeepsTheColumnsOfItsTexts)
{
    RecordingCanvas dc;
    DrawOperationsGuide(dc);
    ASSERT_EQ(dc.Texts.size(), 11u);
    EXPECT_EQ(dc.Texts[0].Value, " 自動板取ソフト Nestrix V3 の操作手順");
    // "･･･" is half-width: the descriptions of 原板 … 切断指示書 all start in column 24.
    for (std::size_t i : {1u, 2u, 3u, 4u, 7u, 8u, 9u}) {
        SCOPED_TRACE(dc.Texts[i].Value);
        const std::string& line = dc.Texts[i].Value;
        const std::size_t dots = line.find("･･･");
        ASSERT_NE(dots, std::string::npos);
        EXPECT_EQ(DisplayColumns(line.substr(0, dots)), 18);
    }
    EXPECT_EQ(DisplayColumns(dc.Texts[5].Value.substr(0, dc.Texts[5].Value.find("マウス"))), 25);
}

TEST(PaintScreen, ShowsTheGuideOnWhiteWithoutAResultWhateverTheScreenFlag)
{
    for (const int listScreen : {0, 1}) {
        CNestrixDoc doc;
        ViewState view;
        view.ListScreen = listScreen;
        doc.RetData.Unplaced = {CAL_BUZAI{0, 1, 0}};  // left from a discarded result
        RecordingCanvas dc;
        const CanvasRect client{0, 0, 640, 480};

        PaintScreen(dc, doc, view, Settings{}, client);

        ASSERT_EQ(dc.Fills.size(), 1u);
        EXPECT_EQ(dc.Fills[0].Rect, client);
        EXPECT_EQ(dc.Fills[0].Color, kWhite);
        EXPECT_EQ(dc.Texts.size(), 11u);
        EXPECT_EQ(doc.RedrawNeeded, 0);
    }
}

TEST(PaintScreen, ShowsUnplacedPartsWithALightOrangeBackgroundOnBothScreens)
{
    struct Case {
        const char* name;
        int boards;
        bool unplaced;
        CanvasColor background;
    };
    const Case cases[] = {
        {"list, all placed", 3, false, kWhite},
        {"list, parts left", 3, true, kOrange},
        {"detail, all placed", 1, false, kWhite},
        {"detail, parts left", 1, true, kOrange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNestrixDoc doc;
        ViewState view;
        GiveResult(doc, view, c.boards);
        if (c.unplaced) {
            doc.RetData.Unplaced = {CAL_BUZAI{0, 2, 0}};
        }
        RecordingCanvas dc;
        PaintScreen(dc, doc, view, Settings{}, {0, 0, 600, 400});
        ASSERT_GE(dc.Fills.size(), 3u);
        EXPECT_EQ(dc.Fills[0].Color, c.background);
        EXPECT_EQ(dc.Fills[0].Rect, (CanvasRect{0, 0, 600, 400}));
        EXPECT_FALSE(dc.Texts.empty());
    }
}

TEST(ListScreen, FramesTheCurrentCellNumbersEveryBoardAndRulesTheGrid)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 5);
    doc.CurrentBoard = 4;
    RecordingCanvas dc;
    dc.CurrentTextColor = kBlue;

    PaintScreen(dc, doc, view, Settings{}, {0, 0, 1224, 416});

    // 2:1 boards in a window of about 3:1: 3 columns of 408 x 208.
    EXPECT_EQ(view.Grid, (GridSize{3, 2}));
    EXPECT_EQ(view.DrawingRect, (CanvasRect{0, 0, 1224, 416}));
    ASSERT_GE(dc.Rectangles.size(), 2u);
    EXPECT_EQ(dc.Rectangles[0], (CanvasRect{409, 209, 816, 416}));  // board 5: row 2, column 2
    EXPECT_EQ(dc.Rectangles[1], (CanvasRect{410, 210, 815, 415}));
    EXPECT_EQ(dc.RectanglePens[0], (CanvasPen{1, kRed}));
    EXPECT_EQ(dc.RectanglePens[1], (CanvasPen{1, kRed}));

    ASSERT_EQ(dc.Texts.size(), 5u);
    const CanvasPoint corners[] = {{2, 2}, {410, 2}, {818, 2}, {2, 210}, {410, 210}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(dc.Texts[i].Value, "  " + std::to_string(i + 1));
        EXPECT_EQ((CanvasPoint{dc.Texts[i].X, dc.Texts[i].Y}), corners[i]);
        EXPECT_EQ(dc.Texts[i].Color, kRed);
    }
    EXPECT_EQ(dc.CurrentTextColor, kBlue);

    // Each board at the scale of the largest in its cell, under its number's line: the cell's
    // 208 less the line leaves the height the fit takes, the width follows at 2:1.
    const int line = 2 + dc.TextExtent("  1").Height;
    const CanvasRect first = dc.Fills[1].Rect;  // board 1's grey
    EXPECT_GE(first.Top, line);
    EXPECT_LE(first.Bottom, 208);
    EXPECT_GE(first.Left, 0);
    EXPECT_LE(first.Right, 408);
    EXPECT_NEAR(double(first.Right - first.Left) / (first.Bottom - first.Top), 2.0, 0.05);
    EXPECT_EQ(dc.Fills[4].Rect, (CanvasRect{first.Left + 408, first.Top, first.Right + 408, first.Bottom}));
    const std::vector<std::pair<CanvasPoint, CanvasPoint>> grid(dc.Lines.end() - 3, dc.Lines.end());
    const std::vector<std::pair<CanvasPoint, CanvasPoint>> expected = {
        {{0, 208}, {1224, 208}}, {{408, 0}, {408, 416}}, {{816, 0}, {816, 416}}};
    EXPECT_EQ(grid, expected);
}

TEST(DetailScreen, DrawsTheCurrentBoardWithItsTexts)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 1);
    RecordingCanvas dc;
    PaintScreen(dc, doc, view, Settings{}, {0, 0, 600, 400});
    EXPECT_EQ(view.DrawingRect, (CanvasRect{0, 0, 600, 400}));
    ASSERT_NE(dc.Texts.size(), 0u);
    EXPECT_EQ(dc.Texts[0].Value, "1");  // the part number only the detail form writes
    EXPECT_EQ(view.Transform.Scale, (600 - 64) / 2000.0);
}

TEST(StatusPanes, ShowTheCurrentBoardOrNothing)
{
    struct Case {
        const char* name;
        std::string boardName;
        int price;
        int current;
        std::array<std::string, 3> expected;
    };
    const Case cases[] = {
        {"short name padded to 20 bytes",
         "サブロク",
         2500,
         1,
         {"サブロク             (歩留= 36.0%( 40.0%) 単価=    1,000円)", "枚数 3", "    2/    3"}},
        {"cut at 20 bytes",
         "あいうえおかきくけこさしす",
         2500,
         0,
         {"あいうえおかきくけこ (歩留= 36.0%( 40.0%) 単価=    1,000円)", "枚数 3", "    1/    3"}},
        {"a double-byte character at bytes 20-21 is left out",
         "abcdefghijklmnopqrsあ",
         2500,
         0,
         {"abcdefghijklmnopqrs  (歩留= 36.0%( 40.0%) 単価=    1,000円)", "枚数 3", "    1/    3"}},
        {"half-width katakana is one byte",
         "ｻﾌﾞﾛｸ合板",
         1234567,
         2,
         {"ｻﾌﾞﾛｸ合板            (歩留= 36.0%( 40.0%) 単価=  493,827円)", "枚数 3", "    3/    3"}},
        {"current board past the end", "サブロク", 2500, 3, {"", "", ""}},
        {"no current board", "サブロク", 2500, -1, {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNestrixDoc doc;
        ViewState view;
        GiveResult(doc, view, 3);
        doc.ResultBoards.Items[0].Name = c.boardName;
        doc.ResultBoards.Items[0].Price = c.price;
        for (COutData& layout : doc.RetData.Layouts) {
            layout.PartsYield = 0.36;
            layout.TotalYield = 0.4;
            layout.Repeat = 3;
        }
        doc.CurrentBoard = c.current;
        EXPECT_EQ(StatusPaneTexts(doc), c.expected);
    }
}

TEST(StatusPanes, AreEmptyWithoutAResultOrWithABoardOutsideTheList)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 2);
    doc.ResultPresent = 0;
    EXPECT_EQ(StatusPaneTexts(doc), (std::array<std::string, 3>{}));
    doc.ResultPresent = 1;
    doc.RetData.Layouts[0].BoardNo = 1;
    EXPECT_EQ(StatusPaneTexts(doc), (std::array<std::string, 3>{}));
}

TEST(Commands, FollowTheJobAndTheResult)
{
    struct Case {
        const char* name;
        bool parts;
        bool boards;
        int result;
        bool layout;
        bool resultCommands;
    };
    const Case cases[] = {
        {"empty job", false, false, 0, false, false},
        {"parts only", true, false, 0, false, false},
        {"boards only", false, true, 0, false, false},
        {"both lists", true, true, 0, true, false},
        {"result, lists emptied since", false, false, 1, false, true},
        {"result", true, true, 1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNestrixDoc doc;
        if (c.parts) {
            doc.BuzaiList.Items.resize(1);
            doc.PrepareCutSizes(Settings());
        }
        if (c.boards) {
            doc.GenbanList.Items.resize(1);
        }
        doc.ResultPresent = c.result;
        EXPECT_EQ(IsCommandEnabled(kCmdLayout, doc), c.layout);
        for (int id : {kCmdResults, kCmdCutData, kCmdPrintBoardInfo, kCmdPrintCutSheets, kCmdPrintLabels}) {
            EXPECT_EQ(IsCommandEnabled(id, doc), c.resultCommands) << id;
        }
        for (int id : {kCmdBoards, kCmdParts, kCmdSecondaryParts, kCmdInitialSettings, kCmdAbout,
                       kCmdContextHelp, kCmdExit}) {
            EXPECT_TRUE(IsCommandEnabled(id, doc)) << id;
        }
    }
}

TEST(Commands, StockUpdateAndItsUndoFollowTheResultAndTheKeptList)
{
    struct Case {
        const char* name;
        int result;
        bool applied, undo;
        bool stock, stockUndo;
    };
    const Case cases[] = {
        {"no result", 0, false, false, false, false},
        {"a result", 1, false, false, true, false},
        {"a result applied", 1, true, true, true, true},  // for 取り消し under its arrow
        {"a kept list only", 0, false, true, true, true},
        {"a new result, an earlier one kept", 1, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNestrixDoc doc;
        doc.ResultPresent = c.result;
        doc.StockApplied = c.applied;
        doc.StockUndoAvailable = c.undo;
        EXPECT_EQ(IsCommandEnabled(kCmdStock, doc), c.stock);
        EXPECT_EQ(IsCommandEnabled(kCmdStockUndo, doc), c.stockUndo);
    }
}
