#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>

#include "base/CalcError.h"
#include "base/LabelLayout.h"
#include "base/Settings.h"
#include "fakes/RecordingCanvas.h"
#include "job/Buzai.h"
#include "job/Edge.h"
#include "result/Offcuts.h"
#include "job/Genban.h"
#include "result/RetData.h"
#include "view/PartLabels.h"
#include "view/PrintPages.h"
#include "view/QrCode.h"

namespace {

// A 1000 x 1000 board without trims, kerf 0.
struct LabelJob {
    CBuzaiList parts;
    CBuzaiList secondary;
    CGenbanList boards;
    CRetData ret;

    LabelJob()
    {
        secondary.IsSecondary = 1;
        CGenban board;
        board.Width = 1000;
        board.Height = 1000;
        boards.Items.push_back(board);
    }
    void AddPart(CBuzaiList& list, const std::string& name, int width, int height)
    {
        CBuzai part;
        part.Name = name;
        part.Kind = "ポリ合板";
        part.Remark = "木口テープ";
        part.Width = width;
        part.Height = height;
        part.Thickness = 180;
        part.Index = static_cast<int>(list.Items.size());
        list.Items.push_back(part);
    }
    void AddLayout(int repeat, std::vector<CHaichi> blocks, std::vector<CUTMARK> lines = {})
    {
        COutData layout;
        layout.Repeat = repeat;
        layout.Blocks = std::move(blocks);
        layout.CutLines = std::move(lines);
        ret.Layouts.push_back(layout);
    }
    std::vector<PartLabel> Labels(const std::string& jobName = "山田邸")
    {
        PlanSawing(ret, parts, secondary, boards, 0, {0, 0});
        return MakePartLabels({ret, parts, secondary, boards}, 0, {0, 0}, jobName);
    }
};

PartLabel SampleLabel(int index)
{
    PartLabel label;
    label.Name = "とても長い名前の側板 " + std::to_string(index) + " 番の部材ですがまだ続きます";
    label.Kind = "シナランバーコア フラッシュ 両面化粧";
    label.Remark = "木口テープ貼り 両長辺 と 片短辺、 穴あけ加工あり";
    label.JobName = "株式会社サンプル工務店 第二倉庫改修工事";
    label.Width = 12345;
    label.Height = 23456;
    label.Thickness = 180;
    label.CutWidth = label.Width;
    label.CutHeight = label.Height;
    // Every other label banded, with codes as long as a code may be and as short.
    if (index % 2 == 1) {
        label.Edges = {"PVC1", index % 4 == 1 ? "PVC1" : "", "A", "ABS2"};
        label.CutWidth -= 20;
        label.CutHeight -= index % 4 == 1 ? 20 : 10;
    }
    label.PartNo = 120 + index;
    label.Secondary = index % 3 == 0;
    label.Pattern = 12;
    label.Sheet = 10;
    label.Sheets = 12;
    label.Piece = 100 + index;
    return label;
}

struct Box {
    double Left, Top, Right, Bottom;  // page y downwards
};

bool Inside(const Box& box, const LabelCell& cell)
{
    return box.Left >= cell.Left && box.Right <= cell.Right && box.Top >= cell.Top &&
           box.Bottom <= cell.Bottom;
}

// The cell of the sheet that holds the box, or -1.
int CellOf(const Box& box, const LabelLayout& layout)
{
    for (int i = 0; i < layout.PerSheet(); ++i) {
        if (Inside(box, LabelCellAt(layout, i))) {
            return i;
        }
    }
    return -1;
}

}  // namespace

TEST(LabelLayout, PresetCellsLieInsideThePageWithoutOverlap)
{
    const int counts[] = {12, 18, 21, 24, 44};
    for (std::size_t p = 0; p < kLabelPresets.size(); ++p) {
        const LabelLayout& layout = kLabelPresets[p].Layout;
        SCOPED_TRACE(kLabelPresets[p].Caption);
        EXPECT_EQ(layout.PerSheet(), counts[p]);
        EXPECT_EQ(LabelLayoutProblem(layout), "");
        EXPECT_EQ(FindLabelPreset(layout), static_cast<int>(p));
        for (int i = 0; i < layout.PerSheet(); ++i) {
            const LabelCell a = LabelCellAt(layout, i);
            EXPECT_GE(a.Left, 0.0);
            EXPECT_GE(a.Top, 0.0);
            EXPECT_LE(a.Right, kLabelPageWidth + 1e-9);
            EXPECT_LE(a.Bottom, kLabelPageHeight + 1e-9);
            for (int j = i + 1; j < layout.PerSheet(); ++j) {
                const LabelCell b = LabelCellAt(layout, j);
                const bool apart = a.Right <= b.Left + 1e-9 || b.Right <= a.Left + 1e-9 ||
                                   a.Bottom <= b.Top + 1e-9 || b.Bottom <= a.Top + 1e-9;
                EXPECT_TRUE(apart) << i << " and " << j;
            }
        }
        // The last cell ends at the bottom right margin.
        const LabelCell last = LabelCellAt(layout, layout.PerSheet() - 1);
        EXPECT_NEAR(last.Right, kLabelPageWidth - layout.MarginX, 1e-6);
        EXPECT_NEAR(last.Bottom, kLabelPageHeight - layout.MarginY, 1e-6);
    }
}

TEST(LabelLayout, RefusesSheetsThatCannotBePrinted)
{
    struct Case {
        LabelLayout layout;
        bool ok;
    };
    // clang-format off
    const Case cases[] = {
        {{2, 6, 186, 216, 0, 0, 0}, true},
        {{2, 6, 186, 216, 0, 0, 11}, true},
        {{2, 6, 186, 216, 0, 0, 12}, false},  // offset past the sheet
        {{2, 6, 186, 216, 0, 0, -1}, false},
        {{0, 6, 186, 216, 0, 0, 0}, false},
        {{10, 1, 0, 0, 0, 0, 0}, true},       // 21 mm wide
        {{10, 1, 60, 0, 0, 0, 0}, false},     // 19.8 mm
        {{1, 20, 0, 500, 0, 0, 0}, false},    // 9.85 mm high
        {{2, 2, 0, 0, 200, 200, 0}, true},
        {{3, 1, 0, 0, 2000, 0, 0}, false},    // gaps eat the page
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.layout.Columns << "x" << c.layout.Rows << " skip " << c.layout.Skip);
        EXPECT_EQ(LabelLayoutProblem(c.layout).empty(), c.ok);
    }
}

TEST(PartLabels, EveryTextAndModuleStaysInsideItsCell)
{
    std::vector<PartLabel> labels;
    for (int i = 0; i < 44; ++i) {
        labels.push_back(SampleLabel(i));
    }
    for (const LabelPreset& preset : kLabelPresets) {
        for (const int halfWidth : {0, 40}) {  // a font with wide glyphs too
            SCOPED_TRACE(testing::Message() << preset.Caption << " half width " << halfWidth);
            RecordingCanvas dc;
            dc.HalfWidth = halfWidth;
            dc.SetMapMode(MapMode::TenthMillimetres);
            DrawLabelPage(dc, labels, preset.Layout, 1);
            std::vector<int> texts(static_cast<std::size_t>(preset.Layout.PerSheet()));
            std::vector<int> modules(texts.size());
            for (const RecordingCanvas::Text& text : dc.Texts) {
                dc.SelectFont(text.Font);
                const CanvasSize size = dc.TextExtent(text.Value);
                const Box box{double(text.X), double(-text.Y), double(text.X + size.Width),
                              double(-text.Y + size.Height)};
                const int cell = CellOf(box, preset.Layout);
                ASSERT_GE(cell, 0) << text.Value;
                ++texts[static_cast<std::size_t>(cell)];
            }
            for (const RecordingCanvas::Fill& fill : dc.Fills) {
                const Box box{double(fill.Rect.Left), double(-fill.Rect.Top), double(fill.Rect.Right),
                              double(-fill.Rect.Bottom)};
                ASSERT_LT(box.Left, box.Right);
                ASSERT_LT(box.Top, box.Bottom);
                const int cell = CellOf(box, preset.Layout);
                ASSERT_GE(cell, 0);
                ++modules[static_cast<std::size_t>(cell)];
            }
            std::vector<int> frames(texts.size());
            for (std::size_t i = 0; i < dc.Lines.size(); ++i) {
                const auto& [from, to] = dc.Lines[i];
                const double half = dc.LinePens[i].Width / 2.0;
                const Box box{std::min(from.X, to.X) - half, std::min(-from.Y, -to.Y) - half,
                              std::max(from.X, to.X) + half, std::max(-from.Y, -to.Y) + half};
                const int cell = CellOf(box, preset.Layout);
                ASSERT_GE(cell, 0);
                ++frames[static_cast<std::size_t>(cell)];
            }
            // Every cell got its label: seven lines and a code; a banded one its size in a
            // frame of four edges with a code beside each banded one and the cut size.
            for (std::size_t i = 0; i < texts.size(); ++i) {
                const bool banded = labels[i].Edges[0] == "PVC1";
                const int codes = banded ? (labels[i].Edges[1].empty() ? 3 : 4) : 0;
                EXPECT_EQ(texts[i], 7 + (banded ? 1 + codes : 0)) << "cell " << i;
                EXPECT_EQ(frames[i], banded ? 4 : 0) << "cell " << i;
                EXPECT_GT(modules[i], 20) << "cell " << i;
            }
        }
    }
}

// The diagram of a banded label: each code outside the edge of the frame it names, the edge
// heavy; the size as entered in the frame, the cut size on a line of its own.
TEST(PartLabels, BandedLabelShowsEachCodeBesideItsEdge)
{
    struct Case {
        std::array<std::string, 4> edges;  // 上 下 左 右
    };
    const Case cases[] = {
        {{"A", "", "", ""}}, {{"", "B", "", ""}},    {{"", "", "C", ""}},
        {{"", "", "", "D"}}, {{"A", "B", "C", "D"}}, {{"A", "A", "", "PVC1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.edges[0] << "/" << c.edges[1] << "/" << c.edges[2] << "/" << c.edges[3]);
        PartLabel label = SampleLabel(0);
        label.Name = "側板";
        label.Width = 6000;
        label.Height = 4000;
        label.CutWidth = 5990;
        label.CutHeight = 3980;
        label.Edges = c.edges;
        RecordingCanvas dc;
        dc.SetMapMode(MapMode::TenthMillimetres);
        DrawLabelPage(dc, {label}, kLabelPresets[0].Layout, 1);

        // The frame: the four lines drawn, by their pens heavy or thin.
        ASSERT_EQ(dc.Lines.size(), 4u);
        int left = INT_MAX, right = INT_MIN, top = INT_MIN, bottom = INT_MAX;  // canvas y up
        for (const auto& [from, to] : dc.Lines) {
            left = std::min({left, from.X, to.X});
            right = std::max({right, from.X, to.X});
            top = std::max({top, from.Y, to.Y});
            bottom = std::min({bottom, from.Y, to.Y});
        }
        // Heavy: a tenth of the text's height or more; thin: far less.
        const int textHeight = dc.Texts.front().Font.Height;
        const auto edgeHeavy = [&](int edge) {
            for (std::size_t i = 0; i < dc.Lines.size(); ++i) {
                const auto& [from, to] = dc.Lines[i];
                const bool horizontal = from.Y == to.Y;
                const bool match = edge == 0   ? horizontal && from.Y == top
                                   : edge == 1 ? horizontal && from.Y == bottom
                                   : edge == 2 ? !horizontal && from.X == left
                                               : !horizontal && from.X == right;
                if (match) {
                    return dc.LinePens[i].Width * 10 >= textHeight;
                }
            }
            ADD_FAILURE() << "no line for edge " << edge;
            return false;
        };
        for (int edge = 0; edge < 4; ++edge) {
            const std::string& code = c.edges[static_cast<std::size_t>(edge)];
            EXPECT_EQ(edgeHeavy(edge), !code.empty()) << "edge " << edge;
            if (code.empty()) {
                continue;
            }
            bool found = false;
            for (const RecordingCanvas::Text& text : dc.Texts) {
                if (text.Value != code) {
                    continue;
                }
                dc.SelectFont(text.Font);
                const CanvasSize size = dc.TextExtent(text.Value);
                const int textLeft = text.X, textRight = text.X + size.Width;
                const int textTop = text.Y, textBottom = text.Y - size.Height;
                const bool across = textRight > left && textLeft < right;
                const bool beside = textBottom < top && textTop > bottom;
                found = found || (edge == 0   ? across && textBottom >= top
                                  : edge == 1 ? across && textTop <= bottom
                                  : edge == 2 ? beside && textRight <= left
                                              : beside && textLeft >= right);
            }
            EXPECT_TRUE(found) << "code of edge " << edge;
        }
        int sizes = 0, cuts = 0;
        for (const RecordingCanvas::Text& text : dc.Texts) {
            if (text.Value == "600 × 400 × 18") {
                ++sizes;
                EXPECT_GT(text.X, left);
                EXPECT_LT(text.Y, top);
                EXPECT_GT(text.Y, bottom);
            }
            cuts += text.Value == "切断 599 × 398" ? 1 : 0;
        }
        EXPECT_EQ(sizes, 1);
        EXPECT_EQ(cuts, 1);
    }
}

TEST(PartLabels, FirstLabelOffsetMovesTheLabelsOnTheFirstSheetOnly)
{
    const LabelLayout base = kLabelPresets[0].Layout;  // 12 per sheet
    struct Case {
        int labels;
        int skip;
        int pages;
        std::vector<int> perPage;  // labels on each sheet
    };
    const Case cases[] = {
        {0, 0, 1, {0}},  {1, 0, 1, {1}},     {12, 0, 1, {12}},       {13, 0, 2, {12, 1}},
        {1, 11, 1, {1}}, {2, 11, 2, {1, 1}}, {25, 5, 3, {7, 12, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.labels << " labels, skip " << c.skip);
        LabelLayout layout = base;
        layout.Skip = c.skip;
        std::vector<PartLabel> labels;
        for (int i = 0; i < c.labels; ++i) {
            labels.push_back(SampleLabel(i));
            labels.back().JobName = "J";
        }
        ASSERT_EQ(LabelPageCount(labels.size(), layout), c.pages);
        int first = 0;
        for (int page = 1; page <= c.pages; ++page) {
            RecordingCanvas dc;
            DrawLabelPage(dc, labels, layout, page);
            std::vector<std::string> codes;
            std::vector<int> cells;
            for (const RecordingCanvas::Text& text : dc.Texts) {
                if (text.Value.rfind("J/", 0) == 0) {
                    codes.push_back(text.Value);
                    dc.SelectFont(text.Font);
                    cells.push_back(CellOf(
                        {double(text.X), double(-text.Y), double(text.X + 1), double(-text.Y + 1)}, layout));
                }
            }
            ASSERT_EQ(static_cast<int>(codes.size()), c.perPage[static_cast<std::size_t>(page - 1)]);
            for (std::size_t i = 0; i < codes.size(); ++i) {
                EXPECT_EQ(codes[i], LabelCode(labels[static_cast<std::size_t>(first) + i]));
                EXPECT_EQ(cells[i], static_cast<int>(i) + (page == 1 ? c.skip : 0));
            }
            first += static_cast<int>(codes.size());
        }
    }
}

TEST(PartLabels, CodeNamesJobPartPatternAndPiece)
{
    struct Case {
        const char* job;
        bool secondary;
        const char* code;
    };
    for (const Case& c : {Case{"山田邸", false, "山田邸/7/3/12"}, Case{"山田邸", true, "山田邸/２次7/3/12"},
                          Case{"", false, "/7/3/12"}, Case{"A/B 棟 100%", false, "A%2FB 棟 100%25/7/3/12"},
                          Case{"%2F", true, "%252F/２次7/3/12"}}) {
        PartLabel label;
        label.JobName = c.job;
        label.Secondary = c.secondary;
        label.PartNo = 7;
        label.Pattern = 3;
        label.Sheet = 2;
        label.Piece = 12;
        EXPECT_EQ(LabelCode(label), c.code);
    }
}

// Two patterns: the first cut twice. Its blocks list the right half first, but the saw frees
// the left half's pieces first (the recorded line at x = 500 is the first cut):
//   +-----+-----+
//   | P0  |     |
//   +-----+ P1  |
//   | S0  |     |
//   +-----+-----+
TEST(PartLabels, OneLabelPerPieceInCuttingOrderSheetBySheet)
{
    LabelJob job;
    job.AddPart(job.parts, "側板", 500, 500);
    job.AddPart(job.parts, "天板", 500, 1000);
    job.AddPart(job.secondary, "棚受", 500, 500);
    job.AddLayout(
        2, {CHaichi(1, 0, 500, 0, 1, 1, 0), CHaichi(0, 0, 0, 0, 1, 1, 0), CHaichi(0, 1, 0, 500, 1, 1, 0)},
        {{500, 0, 500, 1000}});
    job.AddLayout(1, {CHaichi(0, 0, 0, 0, 2, 1, 0)});
    const std::vector<PartLabel> labels = job.Labels();

    struct Expected {
        int pattern, sheet, piece, partNo;
        bool secondary;
    };
    const Expected expected[] = {
        {1, 1, 1, 1, false}, {1, 1, 2, 1, true},  {1, 1, 3, 2, false}, {1, 2, 1, 1, false},
        {1, 2, 2, 1, true},  {1, 2, 3, 2, false}, {2, 1, 1, 1, false}, {2, 1, 2, 1, false},
    };
    ASSERT_EQ(labels.size(), std::size(expected));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(i);
        const PartLabel& label = labels[i];
        EXPECT_EQ(label.Pattern, expected[i].pattern);
        EXPECT_EQ(label.Sheet, expected[i].sheet);
        EXPECT_EQ(label.Sheets, expected[i].pattern == 1 ? 2 : 1);
        EXPECT_EQ(label.Piece, expected[i].piece);
        EXPECT_EQ(label.PartNo, expected[i].partNo);
        EXPECT_EQ(label.Secondary, expected[i].secondary);
        const CBuzai& part = (label.Secondary ? job.secondary : job.parts).Items[label.PartNo - 1];
        EXPECT_EQ(label.Name, part.Name);
        EXPECT_EQ(label.Width, part.Width);
        EXPECT_EQ(label.Height, part.Height);
        EXPECT_EQ(label.JobName, "山田邸");
    }
}

TEST(PartLabels, BandedPartsCarryTheSizeAsEnteredTheCutSizeAndTheirBands)
{
    LabelJob job;
    job.AddPart(job.parts, "側板", 500, 400);
    job.AddPart(job.parts, "棚板", 300, 200);
    job.parts.Items[0].EdgeTop = "A";
    job.parts.Items[0].EdgeRight = "B";
    CEdgeList edges;
    CEdge a;
    a.Code = "A";
    a.Thickness = 10;
    CEdge b = a;
    b.Code = "B";
    b.Thickness = 20;
    edges.Items = {a, b};
    CBuzaiList cut;
    ASSERT_EQ(CutSizeList(job.parts, edges, 0, cut), "");
    job.AddLayout(1, {CHaichi(0, 0, 0, 0, 1, 1, 0), CHaichi(1, 0, 0, 500, 1, 1, 0)});

    PlanSawing(job.ret, cut, job.secondary, job.boards, 0, {0, 0});
    const std::vector<PartLabel> labels =
        MakePartLabels({job.ret, cut, job.secondary, job.boards}, 0, {0, 0}, "");
    ASSERT_EQ(labels.size(), 2u);
    const PartLabel& banded = labels[0].PartNo == 1 ? labels[0] : labels[1];
    const PartLabel& plain = labels[0].PartNo == 1 ? labels[1] : labels[0];
    EXPECT_EQ(std::make_pair(banded.Width, banded.Height), std::make_pair(500, 400));
    EXPECT_EQ(std::make_pair(banded.CutWidth, banded.CutHeight), std::make_pair(480, 390));
    EXPECT_EQ(banded.Edges, (std::array<std::string, 4>{"A", "", "", "B"}));
    EXPECT_EQ(std::make_pair(plain.CutWidth, plain.CutHeight), std::make_pair(plain.Width, plain.Height));
    EXPECT_EQ(plain.Edges, (std::array<std::string, 4>{}));
}

TEST(PartLabels, PrintoutPagesFollowTheLabelsAndMarkSecondaryParts)
{
    LabelJob job;
    job.AddPart(job.parts, "側板", 500, 500);
    job.AddPart(job.secondary, "棚受", 500, 500);
    job.AddLayout(3, {CHaichi(0, 0, 0, 0, 1, 2, 0), CHaichi(0, 1, 500, 0, 1, 2, 0)});
    Settings settings;
    settings.NokoHaba = 0;
    settings.SetLabels(kLabelPresets[0].Layout);  // 12 a sheet: 12 labels fill one
    CutDataInfo header;
    header.JobName = "山田邸";
    header.Customer = "山田工務店";
    PlanSawing(job.ret, job.parts, job.secondary, job.boards, settings.NokoHaba, MinOffcut(settings));
    PrintSource source = MakePrintSource(job.ret, job.parts, job.secondary, job.boards, settings, kPrintLabels, header);
    ASSERT_EQ(source.Labels.size(), 12u);
    EXPECT_EQ(PageCount(source), 1);
    source.LabelSheet.Skip = 1;
    EXPECT_EQ(PageCount(source), 2);

    RecordingCanvas dc;
    DrawPrintPage(dc, source, 2);
    int names = 0;
    int marked = 0;
    int jobs = 0;
    for (const RecordingCanvas::Text& text : dc.Texts) {
        names += text.Value == "側板" ? 1 : 0;
        marked += text.Value == "【２次】棚受" ? 1 : 0;
        jobs += text.Value == "山田邸　山田工務店" ? 1 : 0;
    }
    EXPECT_EQ(names + marked, 1);
    EXPECT_EQ(jobs, 1);  // the job line names the customer beside the job
    EXPECT_THROW(DrawPrintPage(dc, source, 3), CalcError);
}

TEST(QrCode, SizeGrowsWithTheText)
{
    struct Case {
        std::size_t bytes;
        int size;
    };
    // Version 1 is 21 modules, each version 4 more.
    for (const Case& c : {Case{1, 21}, Case{20, 25}}) {
        QrCode code;
        ASSERT_TRUE(EncodeQr(std::string(c.bytes, 'a'), code));
        EXPECT_EQ(code.Size, c.size) << c.bytes;
        EXPECT_EQ(code.Modules.size(), static_cast<std::size_t>(c.size * c.size));
        // The finder pattern's corner modules are dark, its separator light.
        EXPECT_TRUE(code.Dark(0, 0));
        EXPECT_FALSE(code.Dark(7, 7));
    }
    QrCode tooLong;
    EXPECT_FALSE(EncodeQr(std::string(4000, 'a'), tooLong));
}
