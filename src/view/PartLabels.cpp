#include "view/PartLabels.h"

#include <algorithm>
#include <cmath>

#include "base/CalcError.h"
#include "base/Format.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "platform/Canvas.h"
#include "result/CutPlan.h"
#include "result/Offcuts.h"
#include "result/RetData.h"
#include "view/QrCode.h"

namespace {

constexpr int kTextLines = 7;     // name, size, kind, job, pattern, remark, code
constexpr int kDiagramRows = 3;   // a banded part's size: the band codes above and below it
constexpr int kQuietModules = 4;  // white border a reader needs around the code

constexpr double kSmallestFont = 0.7;  // of the label's font, before a line is cut

// The text in a font as much smaller as it needs to fit `width`, down to kSmallestFont of its
// height; what still does not fit is cut at a character boundary. Leaves the font selected.
std::string FitText(Canvas& dc, const std::string& text, int width, CanvasFont font)
{
    const int smallest = std::max(1, static_cast<int>(font.Height * kSmallestFont));
    dc.SelectFont(font);
    while (font.Height > smallest && dc.TextExtent(text).Width > width) {
        font.Height = std::max(smallest, font.Height * 9 / 10);
        dc.SelectFont(font);
    }
    std::string fitted = text;
    while (!fitted.empty() && dc.TextExtent(fitted).Width > width) {
        std::size_t cut = fitted.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(fitted[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        fitted.resize(cut);
    }
    return fitted;
}

// The code's dark modules as filled rectangles, one per run along a row, in the square whose
// top left corner is (left, top) on the page (y down) and whose side holds the quiet zone too.
void DrawQr(Canvas& dc, const QrCode& code, double left, double top, double side)
{
    const double module = side / (code.Size + 2 * kQuietModules);
    auto at = [module](double origin, int index) {
        return static_cast<int>(std::lround(origin + (index + kQuietModules) * module));
    };
    for (int y = 0; y < code.Size; ++y) {
        for (int x = 0; x < code.Size;) {
            if (!code.Dark(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < code.Size && code.Dark(end, y)) {
                ++end;
            }
            dc.FillRect({at(left, x), -at(top, y), at(left, end), -at(top, y + 1)}, kBlack);
            x = end;
        }
    }
}

bool Banded(const PartLabel& label)
{
    return std::any_of(label.Edges.begin(), label.Edges.end(),
                       [](const std::string& code) { return !code.empty(); });
}

bool CutSizeDiffers(const PartLabel& label)
{
    return label.CutWidth != label.Width || label.CutHeight != label.Height;
}

int LabelRows(const PartLabel& label)
{
    return kTextLines + (Banded(label) ? kDiagramRows - 1 : 0) + (CutSizeDiffers(label) ? 1 : 0);
}

// The edge diagram of a banded part in rows 0..2 from `top` between `left` and `right`: the size
// in a frame for the part, each banded edge of the frame heavy with its code outside it (上 above,
// 下 below, 左 left, 右 right), the other edges thin.
void DrawEdgeDiagram(Canvas& dc, const PartLabel& label, const std::string& size, double left, double right,
                     double top, double pitch, CanvasFont font)
{
    font.Weight = 700;
    dc.SelectFont(font);
    const double gap = pitch * 0.25;
    const auto width = [&dc](const std::string& code) {
        return code.empty() ? 0.0 : double(dc.TextExtent(code).Width);
    };
    // Left and right codes have at most a quarter of the room each.
    const double room = (right - left) / 4.0;
    const std::string& leftCode = label.Edges[2];
    const std::string& rightCode = label.Edges[3];
    const double frameLeft = left + std::min(room, width(leftCode) + gap);
    const double frameRight = right - std::min(room, width(rightCode) + gap);
    const double frameTop = top + pitch * 0.92;
    const double frameBottom = top + pitch * 1.97;
    const auto ix = [](double v) { return static_cast<int>(std::lround(v)); };
    const auto text = [&](const std::string& code, double x, double y, double space) {
        const std::string fitted = FitText(dc, code, ix(space), font);
        if (!fitted.empty()) {
            dc.TextOut(ix(x), -ix(y), fitted);
        }
    };
    const auto centred = [&](const std::string& code, double y) {
        if (!code.empty()) {
            const double w = std::min(width(code), frameRight - frameLeft);
            text(code, (frameLeft + frameRight - w) / 2.0, y, frameRight - frameLeft);
        }
    };
    centred(label.Edges[0], top);
    centred(label.Edges[1], top + 2 * pitch);
    if (!leftCode.empty()) {
        text(leftCode, left, top + pitch, frameLeft - gap / 2 - left);
    }
    if (!rightCode.empty()) {
        text(rightCode, frameRight + gap / 2, top + pitch, right - frameRight - gap / 2);
    }

    const int thin = std::max(1, ix(pitch * 0.03));
    const int heavy = std::max(thin * 3, ix(pitch * 0.14));
    const CanvasPoint corners[4] = {{ix(frameLeft), -ix(frameTop)},
                                    {ix(frameRight), -ix(frameTop)},
                                    {ix(frameRight), -ix(frameBottom)},
                                    {ix(frameLeft), -ix(frameBottom)}};
    // 上, 右, 下, 左 clockwise from the top left corner.
    const std::size_t edgeOf[4] = {0, 3, 1, 2};
    for (std::size_t side = 0; side < 4; ++side) {
        const bool band = !label.Edges[edgeOf[side]].empty();
        dc.SelectPen(CanvasPen{band ? heavy : thin, kBlack});
        dc.Line(corners[side], corners[(side + 1) % 4]);
    }

    font.Weight = 400;
    const double inner = frameRight - frameLeft - 2 * gap;
    dc.SelectFont(font);
    const std::string fitted = FitText(dc, size, ix(inner), font);
    const double w = dc.TextExtent(fitted).Width;
    dc.TextOut(ix((frameLeft + frameRight - w) / 2.0), -ix(top + pitch), fitted);
}

void DrawLabel(Canvas& dc, const PartLabel& label, const LabelCell& cell)
{
    const int rows = LabelRows(label);
    const double height = cell.Bottom - cell.Top;
    const double pad = std::clamp(height / 20.0, 8.0, 30.0);
    const double left = cell.Left + pad;
    const double right = cell.Right - pad;
    const double top = cell.Top + pad;
    const double pitch = (cell.Bottom - pad - top) / rows;
    const int fontHeight = std::max(1, static_cast<int>(pitch * 0.85));

    // The code at the top right, as high as the lines beside it, at most half the width.
    const double side = std::min(pitch * (rows - 1), (right - left) / 2.0);
    const double codeLeft = right - side;
    QrCode code;
    const std::string codeText = LabelCode(label);
    if (EncodeQr(codeText, code)) {
        DrawQr(dc, code, codeLeft, top, side);
    }

    const std::string name = label.Secondary ? "【２次】" + label.Name : label.Name;
    const std::string size =
        MmText(label.Width) + " × " + MmText(label.Height) + " × " + MmText(label.Thickness);
    const bool banded = Banded(label);
    std::vector<std::string> lines = {name, banded ? std::string() : size};
    if (CutSizeDiffers(label)) {
        lines.push_back("切断 " + MmText(label.CutWidth) + " × " + MmText(label.CutHeight));
    }
    lines.insert(
        lines.end(),
        {label.Kind,
         label.Customer.empty() ? label.JobName
                                : label.JobName + (label.JobName.empty() ? "" : "　") + label.Customer,
         Format("パターン%d  %d/%d枚目", label.Pattern, label.Sheet, label.Sheets), label.Remark, codeText});
    CanvasFont font;
    font.Height = fontHeight;
    const double textRight = codeLeft - pad / 2;
    if (banded) {
        DrawEdgeDiagram(dc, label, size, left, textRight, top + pitch, pitch, font);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        font.Weight = i == 0 ? 700 : 400;
        // The diagram takes the size's row and one row above and below it.
        const int row = static_cast<int>(i) + (banded && i >= 2 ? kDiagramRows - 1 : 0);
        // The last line runs under the code, the others beside it.
        const double width = (row == rows - 1 ? right : textRight) - left;
        const std::string text = FitText(dc, lines[i], static_cast<int>(width), font);
        if (!text.empty()) {
            dc.TextOut(static_cast<int>(std::lround(left)), -static_cast<int>(std::lround(top + row * pitch)),
                       text);
        }
    }
}

}  // namespace

std::string LabelCode(const PartLabel& label)
{
    std::string job;
    for (const char c : label.JobName) {
        job += c == '/' ? "%2F" : c == '%' ? "%25" : std::string(1, c);
    }
    return job + "/" + (label.Secondary ? "２次" : "") + std::to_string(label.PartNo) + "/" +
           std::to_string(label.Pattern) + "/" + std::to_string(label.Piece);
}

std::vector<PartLabel> MakePartLabels(const JobLists& lists, std::int32_t kerf, OffcutSize least,
                                      const std::string& jobName, const std::string& customer)
{
    std::vector<PartLabel> labels;
    for (std::size_t n = 0; n < lists.Ret.Layouts.size(); ++n) {
        const COutData& layout = lists.Ret.Layouts[n];
        CheckedAt(lists.Boards.Items, layout.BoardNo, "board");
        const LayoutSawing& sawn = SawingOf(lists.Ret, n, kerf, least);
        const std::vector<CutPiece> unplanned =
            sawn.Planned ? std::vector<CutPiece>{} : LayoutPieces(layout, lists.Parts, lists.Secondary, kerf);
        const std::vector<CutPiece>& pieces = sawn.Planned ? sawn.Pieces : unplanned;
        for (int sheet = 1; sheet <= layout.Repeat; ++sheet) {
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                const CutPiece& piece = pieces[i];
                const CBuzai& part =
                    CheckedAt((piece.List == 1 ? lists.Secondary : lists.Parts).Items, piece.Number, "part");
                PartLabel label;
                label.Name = part.Name;
                label.Kind = part.Kind;
                label.Remark = part.Remark;
                label.JobName = jobName;
                label.Customer = customer;
                label.Width = part.EnteredWidth();
                label.Height = part.EnteredHeight();
                label.Thickness = part.Thickness;
                label.CutWidth = part.Width;
                label.CutHeight = part.Height;
                const std::array<const std::string*, 4> edges = PartEdges(part);
                for (std::size_t e = 0; e < edges.size(); ++e) {
                    label.Edges[e] = *edges[e];
                }
                label.PartNo = piece.Number + 1;
                label.Secondary = piece.List == 1;
                label.Pattern = static_cast<int>(n) + 1;
                label.Sheet = sheet;
                label.Sheets = layout.Repeat;
                label.Piece = static_cast<int>(i) + 1;
                labels.push_back(std::move(label));
            }
        }
    }
    return labels;
}

int LabelPageCount(std::size_t labels, const LabelLayout& layout)
{
    const std::size_t perSheet = static_cast<std::size_t>(std::max(1, layout.PerSheet()));
    const std::size_t cells = static_cast<std::size_t>(std::max(0, layout.Skip)) + labels;
    return std::max(1, static_cast<int>((cells + perSheet - 1) / perSheet));
}

void DrawLabelPage(Canvas& dc, const std::vector<PartLabel>& labels, const LabelLayout& layout, int page)
{
    const int perSheet = layout.PerSheet();
    if (perSheet < 1) {
        return;
    }
    const int skip = std::max(0, layout.Skip);
    for (int cell = 0; cell < perSheet; ++cell) {
        // The label in this cell: the first sheet starts after its used cells.
        const long long index = static_cast<long long>(page - 1) * perSheet + cell - skip;
        if (index < 0) {
            continue;
        }
        if (index >= static_cast<long long>(labels.size())) {
            break;
        }
        DrawLabel(dc, labels[static_cast<std::size_t>(index)], LabelCellAt(layout, cell));
    }
}
