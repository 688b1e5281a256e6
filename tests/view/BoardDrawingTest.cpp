#include <gtest/gtest.h>

#include <map>
#include <set>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "base/CsvLine.h"
#include "base/Settings.h"
#include "fakes/RecordingCanvas.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/CutData.h"
#include "result/Offcuts.h"
#include "result/RetData.h"
#include "view/BoardDrawing.h"

namespace {

constexpr CanvasColor kRed{255, 0, 0};
constexpr CanvasColor kYellow{255, 255, 100};
constexpr CanvasColor kGreen{100, 255, 100};

CBuzai Part(int index, int width, int height)
{
    CBuzai part;
    part.Index = index;
    part.Width = width;
    part.Height = height;
    return part;
}

// A 400 x 200 mm board with four different trims and a kerf of 3 mm. Drawn into
// {0, 0, 2064, 1064} with the recorder's 16-unit font (margin 16) it is fitted at exactly half
// a device unit per 0.1 mm from (32, 32): board (x, y) lands on (x / 2 + 32, y / 2 + 32).
struct KnownLayout {
    CBuzaiList parts;
    CBuzaiList secondary;
    CGenbanList boards;
    CRetData ret;
    Settings settings;
    BoardTransform view;

    KnownLayout()
    {
        parts.Items = {Part(0, 600, 400), Part(1, 300, 1200), Part(2, 200, 100), Part(3, 100, 60)};
        secondary.IsSecondary = 1;
        secondary.Items = {Part(0, 200, 200)};
        CGenban board;
        board.Width = 4000;
        board.Height = 2000;
        board.TrimTop = 20;
        board.TrimBottom = 30;
        board.TrimLeft = 40;
        board.TrimRight = 10;
        boards.Items = {board};
        settings.NokoHaba = 30;

        COutData layout;
        layout.BoardNo = 0;
        layout.Repeat = 1;
        layout.Blocks = {
            CHaichi(0, 0, 40, 20, 2, 1, 0),     // two 60 x 40 side by side
            CHaichi(1, 0, 1300, 20, 1, 1, 0),   // 30 x 120 standing: size text upwards
            CHaichi(2, 0, 1630, 20, 1, 1, 0),   // 20 x 10: text too long, a bar instead
            CHaichi(3, 0, 1630, 150, 1, 1, 0),  // 10 x 6: too low for a bar, a line instead
            CHaichi(0, 0, 1900, 20, 1, 2, 1),   // 60 x 40 turned, two on top of each other
            CHaichi(0, 1, 2400, 20, 1, 1, 0),   // secondary part
            CHaichi(0, 1, 2700, 20, 1, 1, 1),   // secondary part, turned
        };
        layout.CutLines = {
            {1285, 20, 1285, 1970},  // top trim to bottom trim
            {40, 435, 1270, 435},    // from the left trim to another cut
            {40, 1000, 3990, 1000},  // left trim to right trim
            {40, 20, 40, 1970},      // on the left trim line: no cut
            {3995, 20, 3995, 1970},  // beyond the right trim line: no cut
            {400, 20, 1200, 20},     // on the top trim line: no cut
            {3000, 0, 3000, 2000},   // past both trims: clipped to them
        };
        ret.Layouts = {layout};
        ret.MaxWidth = 8000;
        ret.MaxHeight = 2000;
    }

    // The result planned with the settings as they are now, as the program plans each result it
    // makes.
    BoardSource Source()
    {
        PlanSawing(ret, parts, secondary, boards, settings.NokoHaba, MinOffcut(settings));
        return {ret, parts, secondary, boards, settings};
    }

    RecordingCanvas Draw(BoardForm form = BoardForm::Detail, CanvasRect rect = {0, 0, 2064, 1064})
    {
        RecordingCanvas dc;
        DrawBoard(Source(), 0, view, dc, form, rect);
        return dc;
    }
};

std::vector<RecordingCanvas::Fill> PieceFills(const RecordingCanvas& dc)
{
    std::vector<RecordingCanvas::Fill> pieces(dc.Fills.begin() + 2, dc.Fills.end());
    return pieces;
}

std::vector<std::pair<CanvasPoint, CanvasPoint>> LinesWithPen(const RecordingCanvas& dc, const CanvasPen& pen)
{
    std::vector<std::pair<CanvasPoint, CanvasPoint>> lines;
    for (std::size_t i = 0; i < dc.Lines.size(); ++i) {
        if (dc.LinePens[i] == pen) {
            lines.push_back(dc.Lines[i]);
        }
    }
    return lines;
}

const RecordingCanvas::Text* FindText(const RecordingCanvas& dc, const std::string& value, int nth = 0)
{
    for (const RecordingCanvas::Text& text : dc.Texts) {
        if (text.Value == value && nth-- == 0) {
            return &text;
        }
    }
    return nullptr;
}

using Segment = std::pair<CanvasPoint, CanvasPoint>;

}  // namespace

TEST(BoardTransform, FitsCentresAndConverts)
{
    struct Case {
        const char* name;
        int margin;
        double fitW, fitH, contentW, contentH;
        CanvasRect rect;
        double scale;
        int originX, originY;
    };
    const Case cases[] = {
        {"board alone, exact half scale", 16, 4000, 2000, 4000, 2000, {0, 0, 2064, 1064}, 0.5, 32, 32},
        {"higher than the window's aspect: centred across",
         16,
         1000,
         2000,
         1000,
         2000,
         {0, 0, 2064, 1064},
         0.5,
         32 + 750,
         32},
        {"list cell: scale of the largest board",
         2,
         8000,
         2000,
         4000,
         2000,
         {0, 0, 1008, 508},
         0.125,
         254,
         129},
        {"cell moved right and down", 2, 8000, 2000, 4000, 2000, {100, 50, 1108, 558}, 0.125, 354, 179},
        {"fit size 0 x 0 takes 1000", 16, 0, 0, 0, 0, {0, 0, 1064, 564}, 1.0, 532, 282},
        {"narrower than four margins: margins dropped",
         16,
         1000,
         0,
         1000,
         0,
         {10, 0, 40, 100},
         0.03,
         10,
         -15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoardTransform t;
        t.FitBoardToRect(c.margin, c.fitW, c.fitH, c.contentW, c.contentH, c.rect);
        EXPECT_DOUBLE_EQ(t.Scale, c.scale);
        EXPECT_EQ(t.OriginX, c.originX);
        EXPECT_EQ(t.OriginY, c.originY);
    }
}

TEST(BoardTransform, ConvertsAtZoomAroundTheAnchorAndNegatesYOnPaper)
{
    BoardTransform t;
    t.FitBoardToRect(16, 4000, 2000, 4000, 2000, {0, 0, 2064, 1064});
    EXPECT_EQ(t.BoardToDevice(1285, 435), (CanvasPoint{674, 249}));
    EXPECT_DOUBLE_EQ(t.DeviceToBoard(674, 249).X, 1284.0);
    EXPECT_DOUBLE_EQ(t.VisibleTopRight.X, (2064 - 32) / 0.5);
    EXPECT_DOUBLE_EQ(t.VisibleBottomLeft.Y, (1064 - 32) / 0.5);

    t.Zoom = 2.0;
    t.AnchorDevice = {100, 200};
    t.AnchorBoard = {1000, 500};
    EXPECT_EQ(t.BoardToDevice(1500, 700), (CanvasPoint{600, 400}));
    EXPECT_EQ(t.BoardToDevice(1000, 500), (CanvasPoint{100, 200}));
    EXPECT_DOUBLE_EQ(t.DeviceToBoard(600, 400).X, 1500.0);
    EXPECT_DOUBLE_EQ(t.DeviceToBoard(600, 400).Y, 700.0);

    t.Printing = true;
    EXPECT_EQ(t.BoardToDevice(1500, 700), (CanvasPoint{600, -400}));
}

TEST(DrawBoard, FillsBoardUsableAreaAndEveryPieceWhereItLies)
{
    KnownLayout job;
    const RecordingCanvas dc = job.Draw();

    ASSERT_GE(dc.Fills.size(), 2u);
    EXPECT_EQ(dc.Fills[0].Rect, (CanvasRect{31, 31, 2033, 1033}));
    EXPECT_EQ(dc.Fills[0].Color, (CanvasColor{128, 128, 128}));
    EXPECT_EQ(dc.Fills[1].Rect, (CanvasRect{53, 43, 2027, 1017}));
    EXPECT_EQ(dc.Fills[1].Color, (CanvasColor{192, 192, 192}));

    struct Piece {
        CanvasRect rect;
        CanvasColor color;
    };
    const Piece expected[] = {
        {{52, 42, 352, 242}, kYellow},            // part 1, first piece
        {{367, 42, 667, 242}, kYellow},           // second piece one kerf further
        {{682, 42, 832, 642}, kGreen},            // part 2
        {{847, 42, 947, 92}, {100, 255, 255}},    // part 3
        {{847, 107, 897, 137}, {128, 128, 100}},  // part 4
        {{982, 42, 1182, 342}, kYellow},          // part 1 turned: 40 wide, 60 high
        {{982, 357, 1182, 657}, kYellow},
        {{1232, 42, 1332, 142}, kYellow},  // secondary part 1: its own list's colour
        {{1382, 42, 1482, 142}, kYellow},
    };
    const auto pieces = PieceFills(dc);
    ASSERT_EQ(pieces.size(), std::size(expected));
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pieces[i].Rect, expected[i].rect);
        EXPECT_EQ(pieces[i].Color, expected[i].color);
        // Every piece is outlined with the thin pen the caller left selected.
        EXPECT_NE(std::find(dc.Rectangles.begin(), dc.Rectangles.end(), expected[i].rect),
                  dc.Rectangles.end());
    }

    // One diagonal per secondary piece: rising when laid as entered, falling when turned.
    const auto thin = LinesWithPen(dc, CanvasPen{});
    EXPECT_NE(std::find(thin.begin(), thin.end(), Segment{{1232, 142}, {1332, 42}}), thin.end());
    EXPECT_NE(std::find(thin.begin(), thin.end(), Segment{{1382, 42}, {1482, 142}}), thin.end());
}

TEST(DrawBoard, WritesPartNumbersAndSizesAcrossOrUpwards)
{
    KnownLayout job;
    const RecordingCanvas dc = job.Draw();

    struct Expected {
        const char* text;
        int nth;
        int x, y;
        int escapement;
    };
    const Expected cases[] = {
        {"1", 0, 54, 44, 0},                 // top left of the piece, + 2
        {"1", 1, 369, 44, 0},                // every piece has its number
        {"2", 0, 684, 44, 0},                //
        {"1", 2, 984, 340, 900},             // turned: upwards from the bottom left
        {"1", 3, 984, 655, 900},             //
        {"60.0 × 40.0", 0, 149, 133, 0},     // centred in the top-left piece of the block
        {"120.0 × 30.0", 0, 748, 400, 900},  // taller than wide: upwards, centred
        {"60.0 × 40.0", 1, 1073, 560, 900},  // turned block: its bottom-left piece
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(std::string(e.text) + " #" + std::to_string(e.nth));
        const RecordingCanvas::Text* text = FindText(dc, e.text, e.nth);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->X, e.x);
        EXPECT_EQ(text->Y, e.y);
        EXPECT_EQ(text->Font.Escapement, e.escapement);
        EXPECT_EQ(text->Font.Height, 19);
        EXPECT_EQ(text->Font.Face, "ＭＳ ゴシック");
        EXPECT_EQ(text->Font.Weight, 400);
    }
    // Sizes that do not fit are not written; marks stand for them.
    EXPECT_EQ(FindText(dc, "20.0 × 10.0"), nullptr);
    EXPECT_EQ(FindText(dc, "10.0 × 6.0"), nullptr);
    EXPECT_NE(std::find(dc.Rectangles.begin(), dc.Rectangles.end(), CanvasRect{853, 57, 941, 76}),
              dc.Rectangles.end());
    const auto thin = LinesWithPen(dc, CanvasPen{});
    EXPECT_NE(std::find(thin.begin(), thin.end(), Segment{{853, 122}, {891, 122}}), thin.end());
}

TEST(DrawBoard, DrawsCutGuidesLengthenedAtTheTrimsWithTheirPositions)
{
    KnownLayout job;
    const RecordingCanvas dc = job.Draw();

    const std::vector<Segment> expected = {
        {{674, 22}, {674, 1042}},    // up by 20 / 2 + 10, down by 30 / 2 + 10
        {{22, 249}, {667, 249}},     // left end by 40 / 2 + 10; the end on a cut stays
        {{22, 532}, {2042, 532}},    // right end by 10 / 2 + 10
        {{1532, 22}, {1532, 1042}},  // clipped to the trims, then lengthened
    };
    EXPECT_EQ(LinesWithPen(dc, CanvasPen{3, kRed}), expected);

    struct Position {
        const char* text;
        int x, y, escapement;
    };
    const Position positions[] = {
        {"127.0", 674 - 45 / 2, 22 - 19, 0},   // (1285 - 15) / 10, above the top end
        {"98.5", 22 - 19, 532 + 36 / 2, 900},  // left of the left end, upwards
        {"298.5", 1532 - 45 / 2, 22 - 19, 0},
    };
    for (const Position& p : positions) {
        SCOPED_TRACE(p.text);
        const RecordingCanvas::Text* text = FindText(dc, p.text);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->X, p.x);
        EXPECT_EQ(text->Y, p.y);
        EXPECT_EQ(text->Font.Escapement, p.escapement);
    }
    // The cut from the left trim to another cut gets no position.
    EXPECT_EQ(FindText(dc, "42.0"), nullptr);
}

// Four full-height cuts 10 mm apart on a 1000 x 500 mm board and one far from them: the
// positions alternate between the ends of their guides and move a row further out, the guide
// lengthened up to them, where a neighbour's text is in the way.
TEST(DrawBoard, StaggersCutPositionsAlongTheirGuides)
{
    for (const bool paper : {false, true}) {
        SCOPED_TRACE(paper ? "paper" : "screen");
        KnownLayout job;
        job.boards.Items[0] = CGenban();
        job.boards.Items[0].Width = 10000;
        job.boards.Items[0].Height = 5000;
        job.settings.NokoHaba = 0;
        COutData& layout = job.ret.Layouts[0];
        layout.Blocks.clear();
        layout.CutLines.clear();
        for (const int x : {1000, 1100, 1200, 1300, 5000}) {
            layout.CutLines.push_back({x, 0, x, 5000});
        }
        job.view.Printing = paper;
        RecordingCanvas dc;
        CanvasFont roomy;
        roomy.Height = 100;  // margins of 200: room for two rows beyond each end on paper
        dc.SelectFont(roomy);
        DrawBoard(job.Source(), 0, job.view, dc, BoardForm::Detail, {0, 0, 2064, 1064});

        const int down = paper ? -1 : 1;
        const int h = paper ? 38 : 19;
        const auto guides = LinesWithPen(dc, CanvasPen{3, kRed});
        ASSERT_EQ(guides.size(), 7u);  // five guides, two lengthened
        struct Case {
            const char* text;
            bool top;
            int level;
        };
        const Case cases[] = {
            {"100.0", true, 0},  {"110.0", false, 0}, {"120.0", true, 1},
            {"130.0", false, 1}, {"500.0", true, 0},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            const RecordingCanvas::Text* text = FindText(dc, c.text);
            ASSERT_NE(text, nullptr);
            const auto guide = std::find_if(guides.begin(), guides.end(), [&](const Segment& g) {
                return std::abs(g.first.X - (text->X + h / 2 * 5 / 2)) <= 1;
            });
            ASSERT_NE(guide, guides.end());
            const int topY = guide->first.Y;
            const int bottomY = guide->second.Y;
            const int y = c.top ? topY - down * h * (c.level + 1) : bottomY + down * h * c.level;
            EXPECT_EQ(text->Y, y);
            if (c.level > 0) {
                const int from = c.top ? topY : bottomY;
                const Segment leader{{guide->first.X, from},
                                     {guide->first.X, from + (c.top ? -down : down) * h}};
                EXPECT_NE(std::find(guides.begin(), guides.end(), leader), guides.end());
            }
        }
    }
}

TEST(DrawBoard, SwitchesFollowTheSettings)
{
    struct Case {
        const char* name;
        int buzaiSun, outCutMark, cutMarkSun;
        bool sizes, guides, positions;
    };
    const Case cases[] = {
        {"all on", 1, 1, 1, true, true, true},
        {"no sizes", 0, 1, 1, false, true, true},
        {"no guides", 1, 0, 1, true, false, false},
        {"guides without positions", 1, 1, 0, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KnownLayout job;
        job.settings.BuzaiSun = c.buzaiSun;
        job.settings.OutCutMark = c.outCutMark;
        job.settings.CutMarkSun = c.cutMarkSun;
        const RecordingCanvas dc = job.Draw();
        EXPECT_EQ(FindText(dc, "120.0 × 30.0") != nullptr, c.sizes);
        EXPECT_EQ(LinesWithPen(dc, CanvasPen{3, kRed}).size(), c.guides ? 4u : 0u);
        EXPECT_EQ(FindText(dc, "127.0") != nullptr, c.positions);
        EXPECT_NE(FindText(dc, "2"), nullptr);  // numbers always
    }
}

TEST(DrawBoard, ListFormDrawsPiecesOnlyAtTheLargestBoardsScale)
{
    KnownLayout job;
    const RecordingCanvas dc = job.Draw(BoardForm::List, {0, 0, 1008, 508});
    // Half of the 800 mm board's width: 0.125 units per 0.1 mm, centred in the cell.
    EXPECT_EQ(dc.Fills[0].Rect, (CanvasRect{253, 128, 755, 380}));
    EXPECT_EQ(PieceFills(dc)[0].Rect, (CanvasRect{259, 131, 334, 181}));
    EXPECT_TRUE(dc.Texts.empty());
    EXPECT_TRUE(LinesWithPen(dc, CanvasPen{3, kRed}).empty());
}

TEST(DrawBoard, PaperUsesPaperFontPensAndColoursWithYUp)
{
    struct Case {
        const char* name;
        int colorPrint;
        CanvasColor fill;
        CanvasPen guide;
    };
    const Case cases[] = {
        {"colour", 1, kYellow, {3, kRed}},
        {"black and white", 0, kWhite, {5, kBlack}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KnownLayout job;
        job.settings.ColorPrint = c.colorPrint;
        job.view.Printing = true;
        const RecordingCanvas dc = job.Draw();

        EXPECT_EQ(PieceFills(dc)[0].Rect, (CanvasRect{52, -42, 352, -242}));
        EXPECT_EQ(PieceFills(dc)[0].Color, c.fill);
        const auto guides = LinesWithPen(dc, c.guide);
        ASSERT_EQ(guides.size(), 4u);
        EXPECT_EQ(guides[0], (Segment{{674, -22}, {674, -1042}}));  // lengthened up the page

        // A4 page height 297 mm: 38 units high.
        const RecordingCanvas::Text* number = FindText(dc, "1");
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->Font.Height, 38);
        EXPECT_EQ((CanvasPoint{number->X, number->Y}), (CanvasPoint{54, -44}));
        const RecordingCanvas::Text* turned = FindText(dc, "1", 2);
        ASSERT_NE(turned, nullptr);
        EXPECT_EQ((CanvasPoint{turned->X, turned->Y}), (CanvasPoint{984, -340}));
        EXPECT_EQ(turned->Font.Escapement, 900);  // upwards on the page, as on screen
        const RecordingCanvas::Text* size = FindText(dc, "60.0 × 40.0");
        ASSERT_NE(size, nullptr);
        EXPECT_EQ((CanvasPoint{size->X, size->Y}), (CanvasPoint{89, -124}));
        // The margin of 32 has no room for a 38-unit text beyond the guide ends, and on paper a
        // text never leaves the drawing's area.
        EXPECT_EQ(FindText(dc, "127.0"), nullptr);
        EXPECT_EQ(FindText(dc, "98.5"), nullptr);
        // Sizes that do not fit leave no mark on paper: only the nine pieces are outlined.
        EXPECT_EQ(dc.Rectangles.size(), 9u);
    }
}

TEST(DrawBoard, DrawsNothingForAnIndexOutsideItsListAndRestoresTheCanvas)
{
    struct Case {
        const char* name;
        int usedBoard;
        int boardNo;
        int partNumber;
        std::size_t fills;
    };
    const Case cases[] = {
        {"used board below 0", -1, 0, 0, 0},
        {"used board past the end", 1, 0, 0, 0},
        {"board number outside the list", 0, 1, 0, 0},
        {"part outside its list: the board and the pieces before it", 0, 0, 4, 2 + 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KnownLayout job;
        job.ret.Layouts[0].BoardNo = c.boardNo;
        job.ret.Layouts[0].Blocks[1].Number = c.partNumber == 0 ? 1 : c.partNumber;
        RecordingCanvas dc;
        CanvasFont font;
        font.Height = 16;
        font.Face = "caller's";
        dc.CurrentFont = font;
        dc.CurrentPen = CanvasPen{2, {1, 2, 3}};
        DrawBoard(job.Source(), c.usedBoard, job.view, dc, BoardForm::Detail, {0, 0, 2064, 1064});
        EXPECT_EQ(dc.Fills.size(), c.fills);
        EXPECT_EQ(dc.CurrentFont, font);
        EXPECT_EQ(dc.CurrentPen, (CanvasPen{2, {1, 2, 3}}));
        EXPECT_FALSE(dc.Transparent);
    }
}

TEST(DrawBoard, HatchesEveryOffcutWithItsSizeInTheDetailFormOnly)
{
    struct Case {
        const char* name;
        std::int32_t least;  // both ways, 0.1 mm
        BoardForm form;
        bool drawn;
    };
    const Case cases[] = {
        {"offcuts of 50 mm", 500, BoardForm::Detail, true},
        {"offcuts of 300 mm: none on this board", 3000, BoardForm::Detail, false},
        {"the setting at 0", 0, BoardForm::Detail, false},
        {"list form", 500, BoardForm::List, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KnownLayout job;
        job.settings.MinOffcutW = job.settings.MinOffcutL = c.least;
        const RecordingCanvas dc = job.Draw(c.form);
        const std::vector<CalRect> offcuts =
            SawLayout(job.Source(), job.ret.Layouts[0], job.settings.NokoHaba, MinOffcut(job.settings)).Offcuts;
        const auto hatch = LinesWithPen(dc, CanvasPen{0, kOffcutGreen});
        const auto tinted = std::count_if(dc.Fills.begin(), dc.Fills.end(),
                                          [](const RecordingCanvas::Fill& f) { return f.Color == kOffcutFill; });
        if (!c.drawn) {
            EXPECT_TRUE(hatch.empty());
            EXPECT_EQ(tinted, 0);
            continue;
        }
        ASSERT_GE(offcuts.size(), 2u);
        EXPECT_EQ(tinted, static_cast<long>(offcuts.size()));
        // Board (x, y) lies at (x / 2 + 32, y / 2 + 32): every hatch line inside an offcut's box,
        // every box outlined, the largest one named with its size.
        std::vector<CanvasRect> boxes;
        for (const CalRect& r : offcuts) {
            boxes.push_back({r.X0 / 2 + 32, r.Y0 / 2 + 32, r.X1 / 2 + 32, r.Y1 / 2 + 32});
            EXPECT_NE(std::find(dc.Rectangles.begin(), dc.Rectangles.end(), boxes.back()), dc.Rectangles.end());
        }
        ASSERT_FALSE(hatch.empty());
        for (const auto& [from, to] : hatch) {
            EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(), [&](const CanvasRect& b) {
                return std::min(from.X, to.X) >= b.Left && std::max(from.X, to.X) <= b.Right &&
                       std::min(from.Y, to.Y) >= b.Top && std::max(from.Y, to.Y) <= b.Bottom;
            })) << from.X << "," << from.Y << " - " << to.X << "," << to.Y;
        }
        const CalRect largest = *std::max_element(offcuts.begin(), offcuts.end(), [](const CalRect& a, const CalRect& b) {
            return static_cast<long long>(a.Width()) * a.Height() < static_cast<long long>(b.Width()) * b.Height();
        });
        EXPECT_NE(FindText(dc, OffcutText(largest.Width(), largest.Height())), nullptr);
    }
}

TEST(HatchLines, FillTheBoxAtTheirStepWithEndsOnItsEdges)
{
    struct Case {
        CanvasRect box;
        int step;
        std::size_t lines;
    };
    const Case cases[] = {
        {{0, 0, 100, 50}, 10, 14},   // x + y = 10 … 140
        {{100, 50, 0, 0}, 10, 14},   // corners either way round
        {{0, -50, 100, 0}, 25, 5},   // a box on the page, y up
        {{0, 0, 5, 5}, 10, 0},       // smaller than one step
        {{0, 0, 100, 0}, 10, 0},     // empty
        {{0, 0, 100, 50}, 0, 0},     // no step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.box.Left << "," << c.box.Top << "," << c.box.Right << ","
                                          << c.box.Bottom << " step " << c.step);
        const auto lines = HatchLines(c.box, c.step);
        EXPECT_EQ(lines.size(), c.lines);
        const int left = std::min(c.box.Left, c.box.Right), right = std::max(c.box.Left, c.box.Right);
        const int top = std::min(c.box.Top, c.box.Bottom), bottom = std::max(c.box.Top, c.box.Bottom);
        for (const auto& [a, b] : lines) {
            for (const CanvasPoint& p : {a, b}) {
                EXPECT_TRUE(p.X >= left && p.X <= right && p.Y >= top && p.Y <= bottom);
                EXPECT_TRUE(p.X == left || p.X == right || p.Y == top || p.Y == bottom);
            }
            EXPECT_EQ(a.X + a.Y, b.X + b.Y);  // 45 degrees
        }
    }
}

// With 切断順序を表示 the drawing shows the cut data file's cuts of the pattern, each on its line,
// numbered in the file's order, on screen and on paper.
TEST(DrawBoard, NumbersEveryCutOfTheCutDataFileInItsOrder)
{
    CBuzaiList parts;
    parts.Items = {Part(0, 4000, 2000), Part(1, 2500, 1500)};
    CBuzaiList secondary;
    CGenbanList boards;
    CGenban board;
    board.Width = 10000;
    board.Height = 5000;
    board.TrimLeft = board.TrimTop = 50;
    boards.Items = {board};
    COutData layout;
    layout.BoardNo = 0;
    layout.Repeat = 2;
    // Two big parts side by side over one row of three smaller ones, kerf 4 mm.
    layout.Blocks = {CHaichi(0, 0, 50, 50, 2, 1, 0), CHaichi(1, 0, 50, 2090, 3, 1, 0)};
    CRetData ret;
    ret.Layouts = {layout};
    ret.MaxWidth = 10000;
    ret.MaxHeight = 5000;
    Settings settings;
    settings.NokoHaba = 40;
    settings.CutOrderDisp = 1;
    settings.OutCutMark = 0;

    std::string text, error;
    PlanSawing(ret, parts, secondary, boards, 40, {0, 0});
    ASSERT_TRUE(CutDataText({ret, parts, secondary, boards, 40, {0, 0}}, CutDataInfo{}, text, error)) << error;
    struct FileCut {
        bool vertical;
        double position, width, from, to;
    };
    std::vector<FileCut> fileCuts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = SplitFields(line);
        if (f[0] == "切断") {
            EXPECT_EQ(std::stoul(f[1]), fileCuts.size() + 1);
            fileCuts.push_back({f[3] == "縦", std::stod(f[4]), std::stod(f[5]), std::stod(f[6]), std::stod(f[7])});
        }
    }
    ASSERT_GE(fileCuts.size(), 5u);

    PlanSawing(ret, parts, secondary, boards, settings.NokoHaba, MinOffcut(settings));
    for (const bool paper : {false, true}) {
        SCOPED_TRACE(paper ? "paper" : "screen");
        const BoardSource source{ret, parts, secondary, boards, settings};
        BoardTransform view;
        view.Printing = paper;
        RecordingCanvas dc;
        DrawBoard(source, 0, view, dc, BoardForm::Detail, {0, 0, 2064, 1064});
        std::vector<std::string> numbers;
        for (const RecordingCanvas::Text& t : dc.Texts) {
            if (t.Color == kCutOrderBlue) {
                numbers.push_back(t.Value);
            }
        }
        ASSERT_EQ(numbers.size(), fileCuts.size());
        ASSERT_EQ(dc.Ellipses.size(), fileCuts.size());
        for (std::size_t i = 0; i < fileCuts.size(); ++i) {
            SCOPED_TRACE(i + 1);
            EXPECT_EQ(numbers[i], std::to_string(i + 1));
            // The circle's centre lies on the middle of the kerf, within the cut's extent.
            const FileCut& cut = fileCuts[i];
            const double middle = (cut.position + cut.width / 2) * 10.0;
            const CanvasPoint from = cut.vertical ? view.BoardToDevice(middle, cut.from * 10.0)
                                                  : view.BoardToDevice(cut.from * 10.0, middle);
            const CanvasPoint to = cut.vertical ? view.BoardToDevice(middle, cut.to * 10.0)
                                                : view.BoardToDevice(cut.to * 10.0, middle);
            const CanvasRect& e = dc.Ellipses[i];
            const int cx = (e.Left + e.Right) / 2, cy = (e.Top + e.Bottom) / 2;
            if (cut.vertical) {
                EXPECT_NEAR(cx, from.X, 1);
                EXPECT_TRUE(cy >= std::min(from.Y, to.Y) && cy <= std::max(from.Y, to.Y));
            } else {
                EXPECT_NEAR(cy, from.Y, 1);
                EXPECT_TRUE(cx >= std::min(from.X, to.X) && cx <= std::max(from.X, to.X));
            }
            // And the cut itself is drawn there.
            const bool drawn = std::any_of(dc.Lines.begin(), dc.Lines.end(), [&](const auto& l) {
                return l.first == from && l.second == to;
            });
            EXPECT_TRUE(drawn);
        }
    }
}

// Banded edges: a heavy line inside each banded edge of every piece, on the side where the edge
// lies as the piece is laid: 上 and 左 of an upright piece at its top and left; of a turned piece
// (a quarter clockwise) at its right and top.
TEST(DrawBoard, MarksBandedEdgesWhereThePieceHasThem)
{
    const std::array<PieceSide, 4> upright = BandSides(false);
    const std::array<PieceSide, 4> turned = BandSides(true);
    EXPECT_EQ(upright, (std::array<PieceSide, 4>{PieceSide::Top, PieceSide::Bottom, PieceSide::Left,
                                                 PieceSide::Right}));
    EXPECT_EQ(turned, (std::array<PieceSide, 4>{PieceSide::Right, PieceSide::Left, PieceSide::Top,
                                                PieceSide::Bottom}));

    for (const bool paper : {false, true}) {
        SCOPED_TRACE(paper ? "paper" : "screen");
        KnownLayout job;
        job.parts.Items[0].EdgeTop = "A";
        job.parts.Items[0].EdgeLeft = "B";
        job.view.Printing = paper;
        RecordingCanvas dc;
        DrawBoard(job.Source(), 0, job.view, dc, BoardForm::Detail, {0, 0, 2064, 1064});
        std::vector<std::pair<CanvasPoint, CanvasPoint>> marks;
        for (std::size_t i = 0; i < dc.Lines.size(); ++i) {
            if (dc.LinePens[i].Color == kBandBrown) {
                marks.push_back(dc.Lines[i]);
            }
        }
        ASSERT_EQ(marks.size(), 8u);  // two upright and two turned pieces, two edges each
        // Each mark against the piece it lies in: which side, and whether the piece is turned
        // (a turned 60 x 40 piece stands taller than wide).
        std::map<std::pair<bool, PieceSide>, int> found;
        for (const auto& [from, to] : marks) {
            for (const CanvasRect& r : dc.Rectangles) {
                const int left = std::min(r.Left, r.Right), right = std::max(r.Left, r.Right);
                const int top = std::min(r.Top, r.Bottom), bottom = std::max(r.Top, r.Bottom);
                const bool inside = std::min(from.X, to.X) >= left && std::max(from.X, to.X) <= right &&
                                    std::min(from.Y, to.Y) >= top && std::max(from.Y, to.Y) <= bottom;
                if (!inside || right - left > 1000) {
                    continue;  // not this piece, or the board
                }
                const bool standing = bottom - top > right - left;
                const bool horizontal = from.Y == to.Y;
                const PieceSide side = horizontal                         ? (from.Y - top < bottom - from.Y)
                                                                                ? (paper ? PieceSide::Bottom : PieceSide::Top)
                                                                                : (paper ? PieceSide::Top : PieceSide::Bottom)
                                       : (from.X - left < right - from.X) ? PieceSide::Left
                                                                          : PieceSide::Right;
                ++found[{standing, side}];
                break;
            }
        }
        // On paper y points up: the board's top is the larger device y.
        const std::map<std::pair<bool, PieceSide>, int> expected = {{{false, PieceSide::Top}, 2},
                                                                    {{false, PieceSide::Left}, 2},
                                                                    {{true, PieceSide::Right}, 2},
                                                                    {{true, PieceSide::Top}, 2}};
        EXPECT_EQ(found, expected);

        // Each code inside its piece, beside the edge it names.
        std::map<std::pair<std::string, bool>, std::set<PieceSide>> codes;
        for (const RecordingCanvas::Text& text : dc.Texts) {
            if (text.Value != "A" && text.Value != "B") {
                continue;
            }
            dc.SelectFont(text.Font);
            const CanvasSize extent = dc.TextExtent(text.Value);
            const int x0 = text.X, x1 = text.X + extent.Width;
            const int y0 = std::min(text.Y, text.Y + (paper ? -1 : 1) * extent.Height);
            const int y1 = std::max(text.Y, text.Y + (paper ? -1 : 1) * extent.Height);
            for (const CanvasRect& r : dc.Rectangles) {
                const int left = std::min(r.Left, r.Right), right = std::max(r.Left, r.Right);
                const int top = std::min(r.Top, r.Bottom), bottom = std::max(r.Top, r.Bottom);
                if (x0 < left || x1 > right || y0 < top || y1 > bottom || right - left > 1000) {
                    continue;
                }
                const bool standing = bottom - top > right - left;
                // The nearest edge of the piece.
                const int distances[4] = {y0 - top, bottom - y1, x0 - left, right - x1};
                const int nearest = static_cast<int>(std::min_element(distances, distances + 4) - distances);
                const PieceSide near[4] = {paper ? PieceSide::Bottom : PieceSide::Top,
                                           paper ? PieceSide::Top : PieceSide::Bottom, PieceSide::Left,
                                           PieceSide::Right};
                codes[{text.Value, standing}].insert(near[nearest]);
                break;
            }
        }
        const std::map<std::pair<std::string, bool>, std::set<PieceSide>> expectedCodes = {
            {{"A", false}, {PieceSide::Top}},
            {{"B", false}, {PieceSide::Left}},
            {{"A", true}, {PieceSide::Right}},
            {{"B", true}, {PieceSide::Top}}};
        EXPECT_EQ(codes, expectedCodes);
    }
}
