#include <gtest/gtest.h>

#include "doc/NestrixDoc.h"
#include "view/ViewState.h"

namespace {

// A document with a result of `boards` used boards (all of board 0), shown as after the
// layout command.
void GiveResult(CNestrixDoc& doc, ViewState& view, int boards)
{
    doc.ResultBoards.Items.resize(1);
    doc.RetData.Layouts.assign(static_cast<std::size_t>(boards), COutData{});
    doc.ResultPresent = 1;
    view.OnNewResult(doc);
}

// The list screen of 5 boards in a grid of 3 x 2 cells of 100 x 100.
void ShowGrid(ViewState& view, CanvasRect rect = {0, 0, 300, 200})
{
    view.DrawingRect = rect;
    view.Grid = {3, 2};
}

}  // namespace

TEST(ChooseGrid, ComesClosestToTheWindowAndKeepsFewerColumnsOnTies)
{
    struct Case {
        const char* name;
        int boards, width, height, boardW, boardH;
        GridSize expected;
    };
    const Case cases[] = {
        {"7 equal boards, square window", 7, 600, 600, 1000, 1000, {3, 3}},
        {"one board", 1, 600, 400, 1000, 1000, {1, 1}},
        {"wide window", 2, 400, 100, 1000, 1000, {2, 1}},
        {"tie between 1 and 2 columns keeps 1", 2, 500, 400, 1000, 1000, {1, 2}},
        {"long boards stack", 5, 800, 600, 2000, 1000, {2, 3}},
        {"no boards", 0, 800, 600, 1000, 1000, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseGrid(c.boards, c.width, c.height, c.boardW, c.boardH), c.expected);
    }
}

TEST(ViewState, NewResultChoosesTheScreenByTheNumberOfBoards)
{
    struct Case {
        int boards;
        int listScreen;
    };
    for (const Case c : {Case{1, 0}, Case{2, 1}, Case{9, 1}}) {
        SCOPED_TRACE(c.boards);
        CNestrixDoc doc;
        ViewState view;
        view.Transform.Zoom = 5.0;
        doc.CurrentBoard = 3;
        doc.RedrawNeeded = 0;
        GiveResult(doc, view, c.boards);
        EXPECT_EQ(view.ListScreen, c.listScreen);
        EXPECT_EQ(doc.CurrentBoard, 0);
        EXPECT_EQ(view.Transform.Zoom, 1.0);
        EXPECT_EQ(doc.RedrawNeeded, 1);
    }
}

TEST(ViewState, LeftClickPicksABoardThenOpensIt)
{
    struct Case {
        const char* name;
        CanvasRect rect;
        int x, y;
        bool changed;
        int current;
        int listScreen;
    };
    const Case cases[] = {
        {"another board becomes current", {0, 0, 300, 200}, 150, 50, true, 1, 1},
        {"second row", {0, 0, 300, 200}, 50, 150, true, 3, 1},
        {"the current board opens", {0, 0, 300, 200}, 50, 50, true, 0, 0},
        {"empty cell", {0, 0, 300, 200}, 250, 150, false, 0, 1},
        {"right of the last column", {0, 0, 302, 200}, 301, 50, false, 0, 1},
        {"below the last row", {0, 0, 300, 201}, 50, 200, false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CNestrixDoc doc;
        ViewState view;
        GiveResult(doc, view, 5);
        ShowGrid(view, c.rect);
        doc.RedrawNeeded = 0;
        EXPECT_EQ(view.LeftClick(doc, c.x, c.y), c.changed);
        EXPECT_EQ(doc.CurrentBoard, c.current);
        EXPECT_EQ(view.ListScreen, c.listScreen);
        EXPECT_EQ(doc.RedrawNeeded, c.changed ? 1 : 0);
    }
}

TEST(ViewState, ClicksDoNothingWithoutAResultOrOnTheDetailScreen)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 5);
    ShowGrid(view);
    doc.ResultPresent = 0;
    EXPECT_FALSE(view.LeftClick(doc, 150, 50));
    EXPECT_FALSE(view.RightClick(doc));

    doc.ResultPresent = 1;
    view.ListScreen = 0;
    EXPECT_FALSE(view.LeftClick(doc, 150, 50));
    EXPECT_EQ(doc.CurrentBoard, 0);
}

TEST(ViewState, RightClickReturnsToTheListOnlyWithSeveralBoards)
{
    struct Case {
        int boards;
        bool changed;
        int listScreen;
        double zoom;
    };
    for (const Case c : {Case{1, false, 0, 5.0}, Case{2, true, 1, 1.0}}) {
        SCOPED_TRACE(c.boards);
        CNestrixDoc doc;
        ViewState view;
        GiveResult(doc, view, c.boards);
        view.ListScreen = 0;
        view.Transform.Zoom = 5.0;
        EXPECT_EQ(view.RightClick(doc), c.changed);
        EXPECT_EQ(view.BackToList(doc), false);  // already done, or never possible
        EXPECT_EQ(view.ListScreen, c.listScreen);
        EXPECT_EQ(view.Transform.Zoom, c.zoom);
    }
}

TEST(ViewState, WheelZoomStopsExactlyAtItsLimits)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 1);
    view.Transform.FitBoardToRect(16, 4000, 2000, 4000, 2000, {0, 0, 2064, 1064});

    int steps = 0;
    while (view.Wheel(doc, 500, 300, 120)) {
        ++steps;
    }
    EXPECT_EQ(view.Transform.Zoom, 100.0);
    EXPECT_EQ(steps, 26);  // 1.2^25 < 100 <= 1.2^26
    steps = 0;
    while (view.Wheel(doc, 500, 300, -120)) {
        ++steps;
    }
    EXPECT_EQ(view.Transform.Zoom, 1.0);
    EXPECT_EQ(steps, 26);
    EXPECT_FALSE(view.Wheel(doc, 500, 300, 0));  // a zero delta counts as towards the user
}

TEST(ViewState, WheelKeepsTheBoardPointUnderTheCursor)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 1);
    BoardTransform& t = view.Transform;
    t.FitBoardToRect(16, 4000, 2000, 4000, 2000, {0, 0, 2064, 1064});

    const CanvasPoint cursors[] = {{400, 300}, {1000, 900}, {33, 40}};
    for (const CanvasPoint at : cursors) {
        SCOPED_TRACE(at.X);
        const BoardPoint under = t.DeviceToBoard(at.X, at.Y);
        ASSERT_TRUE(view.Wheel(doc, at.X, at.Y, 120));
        EXPECT_EQ(t.BoardToDevice(under.X, under.Y), at);
        // Another corner of the board moved away from the cursor by the zoom step.
        const CanvasPoint corner = t.BoardToDevice(under.X + 1000, under.Y);
        EXPECT_NEAR(corner.X - at.X, 1000 * t.Scale * t.Zoom, 1.0);
    }
}

TEST(ViewState, WheelDoesNothingOnTheListScreen)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 3);
    EXPECT_FALSE(view.Wheel(doc, 10, 10, 120));
    EXPECT_EQ(view.Transform.Zoom, 1.0);
}

TEST(ViewState, MiddleDragMovesTheBoardAnchorByTheDeviceDistance)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 1);
    view.Transform.Scale = 0.5;
    view.Transform.Zoom = 2.0;
    view.Transform.AnchorBoard = {1000, 500};

    EXPECT_FALSE(view.MouseMove(doc, 100, 100, false));  // only remembered
    ASSERT_TRUE(view.MiddlePress(doc, 100, 100));
    doc.RedrawNeeded = 0;
    EXPECT_TRUE(view.MouseMove(doc, 90, 120, true));
    EXPECT_DOUBLE_EQ(view.Transform.AnchorBoard.X, 1010.0);  // 10 units / 0.5 / 2
    EXPECT_DOUBLE_EQ(view.Transform.AnchorBoard.Y, 480.0);
    EXPECT_EQ(doc.RedrawNeeded, 1);
    EXPECT_FALSE(view.MouseMove(doc, 90, 120, true));  // no distance, no redraw
    EXPECT_FALSE(view.MouseMove(doc, 50, 50, false));  // button up: no pan
    EXPECT_DOUBLE_EQ(view.Transform.AnchorBoard.X, 1010.0);
    EXPECT_TRUE(view.MiddleRelease());
    EXPECT_FALSE(view.MiddleRelease());
}

TEST(ViewState, MiddleDragDoesNotStartOnTheListScreen)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 3);
    EXPECT_FALSE(view.MiddlePress(doc, 10, 10));
    EXPECT_FALSE(view.MouseMove(doc, 50, 50, true));
}

TEST(ViewState, KeysMoveTheCurrentBoardAndSwitchScreens)
{
    CNestrixDoc doc;
    ViewState view;
    GiveResult(doc, view, 3);

    EXPECT_FALSE(view.MoveBoard(doc, -1));  // stops at the first
    EXPECT_TRUE(view.MoveBoard(doc, +1));
    EXPECT_TRUE(view.MoveBoard(doc, +1));
    EXPECT_FALSE(view.MoveBoard(doc, +1));  // and at the last
    EXPECT_EQ(doc.CurrentBoard, 2);

    EXPECT_TRUE(view.OpenDetail(doc));
    EXPECT_EQ(view.ListScreen, 0);
    EXPECT_FALSE(view.OpenDetail(doc));
    view.Transform.Zoom = 3.0;
    EXPECT_TRUE(view.MoveBoard(doc, -1));  // the next board starts whole
    EXPECT_EQ(view.Transform.Zoom, 1.0);
    EXPECT_EQ(view.ListScreen, 0);
    EXPECT_TRUE(view.ZoomStep(doc, 100, 100, true));
    EXPECT_DOUBLE_EQ(view.Transform.Zoom, 1.2);
    EXPECT_TRUE(view.BackToList(doc));
    EXPECT_EQ(view.Transform.Zoom, 1.0);
    EXPECT_EQ(doc.CurrentBoard, 1);

    doc.ResultPresent = 0;
    EXPECT_FALSE(view.MoveBoard(doc, +1));
    EXPECT_FALSE(view.OpenDetail(doc));
}

TEST(DiscardAndEdit, HidesTheResultWhileEditingAndKeepsItOnlyWithoutAChange)
{
    for (const bool change : {false, true}) {
        SCOPED_TRACE(change);
        CNestrixDoc doc;
        ViewState view;
        GiveResult(doc, view, 2);
        int refreshes = 0;
        int presentWhileEditing = -1;
        const bool changed = DiscardAndEdit(
            doc,
            [&] {
                presentWhileEditing = doc.ResultPresent;
                return change;
            },
            [&] { ++refreshes; });
        EXPECT_EQ(changed, change);
        EXPECT_EQ(presentWhileEditing, 0);
        EXPECT_EQ(refreshes, 2);
        EXPECT_EQ(doc.ResultPresent, change ? 0 : 1);
        EXPECT_EQ(doc.RetData.Layouts.size(), change ? 0u : 2u);
        EXPECT_EQ(doc.RedrawNeeded, 1);
    }
}
