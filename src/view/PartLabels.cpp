#include "view/PartLabels.h"

#include <algorithm>
#include <cmath>

#include "base/CalcError.h"
#include "base/Format.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "platform/Canvas.h"
#include "result/CutPlan.h"
#include "result/RetData.h"
#include "view/QrCode.h"

namespace {

constexpr int kTextLines = 7;     // name, size, kind, job, pattern, remark, code
constexpr int kQuietModules = 4;  // white border a reader needs around the code

constexpr double kSmallestFont = 0.7;  // of the label's font, before a line is cut

// Millimetres without a needless ".0": "864", "864.5".
std::string Mm(std::int32_t tenths)
{
    return tenths % 10 == 0 ? std::to_string(tenths / 10) : Format("%.1f", tenths / 10.0);
}

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

void DrawLabel(Canvas& dc, const PartLabel& label, const LabelCell& cell)
{
    const double height = cell.Bottom - cell.Top;
    const double pad = std::clamp(height / 20.0, 8.0, 30.0);
    const double left = cell.Left + pad;
    const double right = cell.Right - pad;
    const double top = cell.Top + pad;
    const double pitch = (cell.Bottom - pad - top) / kTextLines;
    const int fontHeight = std::max(1, static_cast<int>(pitch * 0.85));

    // The code at the top right, as high as the six lines beside it, at most half the width.
    const double side = std::min(pitch * (kTextLines - 1), (right - left) / 2.0);
    const double codeLeft = right - side;
    QrCode code;
    const std::string codeText = LabelCode(label);
    if (EncodeQr(codeText, code)) {
        DrawQr(dc, code, codeLeft, top, side);
    }

    const std::string name = label.Secondary ? "【２次】" + label.Name : label.Name;
    const std::string lines[kTextLines] = {
        name,
        Mm(label.Width) + " × " + Mm(label.Height) + " × " + Mm(label.Thickness),
        label.Kind,
        label.Customer.empty() ? label.JobName
                               : label.JobName + (label.JobName.empty() ? "" : "　") + label.Customer,
        Format("パターン%d  %d/%d枚目", label.Pattern, label.Sheet, label.Sheets),
        label.Remark,
        codeText,
    };
    CanvasFont font;
    font.Height = fontHeight;
    for (int i = 0; i < kTextLines; ++i) {
        font.Weight = i == 0 ? 700 : 400;
        // The last line runs under the code, the others beside it.
        const double width = (i == kTextLines - 1 ? right : codeLeft - pad / 2) - left;
        const std::string text = FitText(dc, lines[i], static_cast<int>(width), font);
        if (!text.empty()) {
            dc.TextOut(static_cast<int>(std::lround(left)), -static_cast<int>(std::lround(top + i * pitch)),
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

std::vector<PartLabel> MakePartLabels(const JobLists& lists, std::int32_t kerf, const std::string& jobName,
                                      const std::string& customer)
{
    std::vector<PartLabel> labels;
    for (std::size_t n = 0; n < lists.Ret.Layouts.size(); ++n) {
        const COutData& layout = lists.Ret.Layouts[n];
        const CGenban& board = CheckedAt(lists.Boards.Items, layout.BoardNo, "board");
        std::vector<CutPiece> pieces = LayoutPieces(layout, lists.Parts, lists.Secondary, kerf);
        CutPlan plan;
        if (BuildCutPlan(pieces, TrimmedBoard(board), kerf, layout.CutLines, plan).empty()) {
            pieces = std::move(plan.Pieces);
        }
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
                label.Width = part.Width;
                label.Height = part.Height;
                label.Thickness = part.Thickness;
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
