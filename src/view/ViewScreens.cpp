#include "view/ViewScreens.h"

#include <cstdio>

#include "base/Settings.h"
#include "base/TextCodec.h"
#include "doc/NestrixDoc.h"
#include "result/Money.h"
#include "view/ViewState.h"

namespace {

struct GuideLine {
    int Row;  // in line pitches; 0 is the title, placed apart
    const char* Text;
};

// The texts keep their full-width spaces and half-width dots: the columns line up in a
// fixed-pitch font.
constexpr GuideLine kGuide[] = {
    {0, " 自動板取ソフト Nestrix V3 の操作手順"},
    {4, "１、【原板】　　　･･･　原板データを設定します。"},
    {6, "２、【部材】　　　･･･　配置する部材データを入力します。"},
    {7, "　　【２次部材】　･･･　必要に応じて２次配置部材も入力します。"},
    {9, "３、【配置】　　　･･･　配置条件を指定して配置計算を実行します。"},
    {10, "　　　　　　　　　   　　マウス左クリックで「詳細画面」に切り替え"},
    {11, "　　　　　　　　　   　　元の「一覧画面」へ戻すには右クリック"},
    {12, "　　【結果】　　　･･･　配置結果を再表示することができます。"},
    {14, "４、【原板情報】　･･･　使用原板と部材のリストを印刷します。"},
    {15, "　　【切断指示書】･･･　現場へ指示する切断パターンの指示書を印刷します。"},
    {18, "　（【初期設定】　･･･　ソフトの基本設定を確認・変更できます。）"},
};

}  // namespace

void DrawOperationsGuide(Canvas& dc)
{
    CanvasFont font;
    font.Face = kGothicFace;
    font.Height = 16;
    font.Weight = 700;
    font.FixedPitch = true;
    const CanvasFont oldFont = dc.SelectFont(font);
    const CanvasColor oldColor = dc.SetTextColor(kGuideColor);

    const CanvasSize letter = dc.TextExtent("W");
    const int w = letter.Width;
    const int h = letter.Height;
    const int pitch = h + 4;
    for (const GuideLine& line : kGuide) {
        const int y = line.Row == 0 ? h + h / 2 : line.Row * pitch;
        dc.TextOut(3 * w, y, line.Text);
    }

    dc.SetTextColor(oldColor);
    dc.SelectFont(oldFont);
}

void PaintScreen(Canvas& dc, CNestrixDoc& doc, ViewState& view, const Settings& settings,
                 const CanvasRect& client)
{
    doc.RedrawNeeded = 0;
    if (!doc.ResultPresent) {
        dc.FillRect(client, kWhite);
        DrawOperationsGuide(dc);
        return;
    }
    const Settings options = doc.ResultSettings(settings);
    const BoardSource source{doc.RetData, doc.ResultParts, doc.ResultSecondary, doc.ResultBoards, options};
    PaintResultScreen(dc, source, view, doc.CurrentBoard, client);
}

void PaintResultScreen(Canvas& dc, const BoardSource& source, ViewState& view, int current,
                       const CanvasRect& client)
{
    dc.FillRect(client, source.Ret.Unplaced.empty() ? kWhite : kUnplacedBackground);
    if (current == -1) {
        return;
    }
    view.DrawingRect = client;
    if (view.ListScreen) {
        DrawListScreen(dc, source, view, current, client);
    } else {
        DrawBoard(source, current, view.Transform, dc, BoardForm::Detail, client);
    }
}

void DrawListScreen(Canvas& dc, const BoardSource& source, ViewState& view, int current,
                    const CanvasRect& client)
{
    const int count = static_cast<int>(source.Ret.Layouts.size());
    const int width = client.Right - client.Left;
    const int height = client.Bottom - client.Top;
    view.Grid = ChooseGrid(count, width, height, source.Ret.MaxWidth, source.Ret.MaxHeight);
    if (view.Grid.Columns <= 0) {
        return;
    }
    const int cellWidth = width / view.Grid.Columns;
    const int cellHeight = height / view.Grid.Rows;
    const auto cellLeft = [&](int index) { return client.Left + index % view.Grid.Columns * cellWidth; };
    const auto cellTop = [&](int index) { return client.Top + index / view.Grid.Columns * cellHeight; };

    if (current >= 0 && current < count) {
        const int left = cellLeft(current);
        const int top = cellTop(current);
        const CanvasPen oldPen = dc.SelectPen(CanvasPen{1, kGuideRed});
        dc.Rectangle({left + 1, top + 1, left + cellWidth, top + cellHeight});
        dc.Rectangle({left + 2, top + 2, left + cellWidth - 1, top + cellHeight - 1});
        dc.SelectPen(oldPen);
    }
    for (int i = 0; i < count; ++i) {
        const int left = cellLeft(i);
        const int top = cellTop(i);
        char number[16];
        std::snprintf(number, sizeof number, "%3d", i + 1);
        // The cells have a fit of their own; the detail screen's zoom and anchor stay as they are.
        // The board goes under the number's line, so that a board filling its cell keeps its
        // corner clear of it.
        const int numberBottom = std::min(top + 2 + dc.TextExtent(number).Height, top + cellHeight / 2);
        BoardTransform cell;
        DrawBoard(source, i, cell, dc, BoardForm::List, {left, numberBottom, left + cellWidth, top + cellHeight});
        const CanvasColor oldColor = dc.SetTextColor(kGuideRed);
        dc.TextOut(left + 2, top + 2, number);
        dc.SetTextColor(oldColor);
    }
    for (int row = 1; row < view.Grid.Rows; ++row) {
        const int y = client.Top + row * cellHeight;
        dc.Line({client.Left, y}, {client.Right, y});
    }
    for (int column = 1; column < view.Grid.Columns; ++column) {
        const int x = client.Left + column * cellWidth;
        dc.Line({x, client.Top}, {x, client.Bottom});
    }
}

std::array<std::string, 3> StatusPaneTexts(const CNestrixDoc& doc)
{
    const std::vector<COutData>& layouts = doc.RetData.Layouts;
    if (!doc.ResultPresent || doc.CurrentBoard < 0 ||
        static_cast<std::size_t>(doc.CurrentBoard) >= layouts.size()) {
        return {};
    }
    const COutData& layout = layouts[static_cast<std::size_t>(doc.CurrentBoard)];
    if (layout.BoardNo < 0 || static_cast<std::size_t>(layout.BoardNo) >= doc.ResultBoards.Items.size()) {
        return {};
    }
    const CGenban& board = doc.ResultBoards.Items[static_cast<std::size_t>(layout.BoardNo)];

    // "%-20s" counted in CP932 bytes, never ending inside a double-byte character.
    constexpr std::size_t kNameBytes = 20;
    std::string name = TruncateCp932(board.Name, kNameBytes);
    const long bytes = Cp932Length(name);
    name.append(kNameBytes - static_cast<std::size_t>(std::max(0L, bytes)), ' ');

    std::array<std::string, 3> texts;
    char text[256];
    std::snprintf(text, sizeof text, " (歩留=%5.1f%%(%5.1f%%) 単価=%s円)", layout.PartsYield * 100.0,
                  layout.TotalYield * 100.0, Money(board.Price * layout.TotalYield, 9).c_str());
    texts[0] = name + text;
    std::snprintf(text, sizeof text, "枚数 %d", layout.Repeat);
    texts[1] = text;
    std::snprintf(text, sizeof text, "%5d/%5d", doc.CurrentBoard + 1, static_cast<int>(layouts.size()));
    texts[2] = text;
    return texts;
}
