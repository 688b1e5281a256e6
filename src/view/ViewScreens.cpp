#include "view/ViewScreens.h"

#include "doc/NestrixDoc.h"

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

void PaintScreen(Canvas& dc, CNestrixDoc& doc, const CanvasRect& client)
{
    const bool unplaced = doc.ResultPresent && doc.HasUnplacedParts();
    dc.FillRect(client, unplaced ? kUnplacedBackground : kWhite);
    doc.RedrawNeeded = 0;
    if (!doc.ResultPresent) {
        DrawOperationsGuide(dc);
        return;
    }
    // The list and detail screens join here with the board drawing.
}

std::array<std::string, 3> StatusPaneTexts(const CNestrixDoc& doc)
{
    // Filled from the current board once results exist; empty without one.
    (void)doc;
    return {};
}
