#include <gtest/gtest.h>

#include "doc/NestrixDoc.h"
#include "fakes/RecordingCanvas.h"
#include "view/Commands.h"
#include "view/ViewScreens.h"

namespace {

constexpr CanvasColor kBlue{0, 0, 255};

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

TEST(PaintScreen, ShowsTheGuideOnWhiteWithoutAResultAndClearsTheRedrawFlag)
{
    CNestrixDoc doc;
    RecordingCanvas dc;
    const CanvasRect client{0, 0, 640, 480};

    PaintScreen(dc, doc, client);

    ASSERT_EQ(dc.Fills.size(), 1u);
    EXPECT_EQ(dc.Fills[0].Rect, client);
    EXPECT_EQ(dc.Fills[0].Color, kWhite);
    EXPECT_EQ(dc.Texts.size(), 11u);
    EXPECT_EQ(doc.RedrawNeeded, 0);
}

TEST(StatusPanes, AreEmptyWithoutAResult)
{
    const CNestrixDoc doc;
    for (const std::string& text : StatusPaneTexts(doc)) {
        EXPECT_EQ(text, "");
    }
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
        }
        if (c.boards) {
            doc.GenbanList.Items.resize(1);
        }
        doc.ResultPresent = c.result;
        EXPECT_EQ(IsCommandEnabled(kCmdLayout, doc), c.layout);
        for (int id : {kCmdResults, kCmdCutData, kCmdPrintBoardInfo, kCmdPrintCutSheets}) {
            EXPECT_EQ(IsCommandEnabled(id, doc), c.resultCommands) << id;
        }
        for (int id : {kCmdBoards, kCmdParts, kCmdSecondaryParts, kCmdInitialSettings, kCmdAbout,
                       kCmdContextHelp, kCmdExit}) {
            EXPECT_TRUE(IsCommandEnabled(id, doc)) << id;
        }
    }
}
