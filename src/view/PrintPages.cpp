#include "view/PrintPages.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/CalcError.h"
#include "base/Settings.h"
#include "base/TextCodec.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/EdgeTotals.h"
#include "result/Money.h"
#include "base/Format.h"
#include "result/RetData.h"
#include "view/BoardDrawing.h"

namespace {

// Cuts a name to the bytes its column holds: the column less the half character in front.
std::string Cut(const std::string& text, int columnChars)
{
    return TruncateCp932(text, static_cast<std::size_t>(columnChars - 1));
}

struct Column {
    const char* Header;
    int Chars;
};

// Texts placed by the top of their cell; every row is a band 2L high around its text, closed
// by a rule under it, with a rule over the header and rules between the columns.
class Table {
public:
    Table(Canvas& dc, const PageFrame& frame, int left, std::vector<Column> columns)
        : m_dc(dc), m_frame(frame), m_left(left), m_columns(std::move(columns))
    {
    }

    int ColumnX(std::size_t column) const
    {
        int x = m_left;
        for (std::size_t i = 0; i < column; ++i) {
            x += m_columns[i].Chars * m_frame.W;
        }
        return x;
    }
    int Right() const { return ColumnX(m_columns.size()); }

    void Header(int y)
    {
        m_top = BandTop(y);
        m_dc.Line({m_left, m_top}, {Right(), m_top});
        std::vector<std::string> texts;
        for (const Column& column : m_columns) {
            texts.emplace_back(column.Header);
        }
        Row(y, texts);
    }

    void Row(int y, const std::vector<std::string>& cells)
    {
        for (std::size_t i = 0; i < cells.size() && i < m_columns.size(); ++i) {
            if (!cells[i].empty()) {
                m_dc.TextOut(ColumnX(i) + m_frame.W / 2, y, cells[i]);
            }
        }
        m_bottom = BandTop(y) - 2 * m_frame.L;
        m_dc.Line({m_left, m_bottom}, {Right(), m_bottom});
    }

    // The diagonal of a secondary part across the first cell of the row at y.
    void MarkFirstCell(int y)
    {
        const int top = BandTop(y);
        m_dc.Line({m_left, top - 2 * m_frame.L}, {ColumnX(1), top});
    }

    // Vertical rules from the header's top to the last row's bottom.
    void Close(const std::vector<std::size_t>& skipBelow = {}, int skipFromY = 0)
    {
        for (std::size_t i = 0; i <= m_columns.size(); ++i) {
            const bool partial = std::find(skipBelow.begin(), skipBelow.end(), i) != skipBelow.end();
            m_dc.Line({ColumnX(i), m_top}, {ColumnX(i), partial ? skipFromY : m_bottom});
        }
    }

    int BandTop(int y) const { return y + (2 * m_frame.L - m_frame.H) / 2; }

private:
    Canvas& m_dc;
    const PageFrame& m_frame;
    int m_left;
    std::vector<Column> m_columns;
    int m_top = 0;
    int m_bottom = 0;
};

std::vector<Column> ListColumns(bool boards)
{
    return {{" No.", 5},      {boards ? " 使用原板名" : " 部材名", 21},
            {" 種類", 13},    {boards ? " 原板寸法 (㎜ × ㎜ × ㎜)" : " 部材寸法 (㎜ × ㎜ × ㎜)", 29},
            {"枚数", 5},      {"単価(円)", 9},
            {" 合計(円)", 12}};
}
constexpr std::size_t kAmountColumn = 6;

std::string SizeText(std::int32_t width, std::int32_t height, std::int32_t thickness)
{
    return Format("%7.1f × %7.1f × %6.1f", Mm(width), Mm(height), Mm(thickness));
}

// A row of the parts list: part row `Row` (the parts, then the placed secondary parts), or
// under it the part's cut size.
struct PartsListRow {
    int Row = 0;
    bool CutSize = false;
};

bool CutSizeDiffers(const CBuzai& part)
{
    return part.EnteredWidth() != part.Width || part.EnteredHeight() != part.Height;
}

std::vector<PartsListRow> PartsListRows(const CBuzaiList& parts, const CBuzaiList& secondary,
                                        const std::vector<CAL_BUZAI>& placedSecondary)
{
    std::vector<PartsListRow> rows;
    const auto add = [&rows](int row, const CBuzai& part) {
        rows.push_back({row, false});
        if (CutSizeDiffers(part)) {
            rows.push_back({row, true});
        }
    };
    int row = 0;
    for (const CBuzai& part : parts.Items) {
        add(row++, part);
    }
    for (const CAL_BUZAI& placed : placedSecondary) {
        add(row++, CheckedAt(secondary.Items, placed.Number, "secondary part"));
    }
    return rows;
}

// The band lines take a row before them (the parts total's) and one row each.
int BandRows(const std::vector<std::string>& bandLines)
{
    return bandLines.empty() ? 0 : static_cast<int>(bandLines.size()) + 1;
}

// The row before the band lines: the one after the parts, or, when the lines would not all fit
// on the page the parts end on, the last of that page, so that they begin the next together.
int BandRowsStart(const CRetData& ret, int tableRows, int bandRows)
{
    for (const PROUTDATA& page : ret.Pages[kPrintBoardInfo]) {
        if (page.Type == kPageParts && page.First > tableRows + 1 && page.First < tableRows + bandRows) {
            return page.First - 1;
        }
    }
    return tableRows;
}

class PageWriter {
public:
    PageWriter(Canvas& dc, const PrintSource& source, const PageFrame& frame)
        : m_dc(dc), m_src(source), m_f(frame), m_ret(source.Ret)
    {
    }

    // The used board list from row `first`; returns the rows printed and the y of the last row.
    int BoardList(int first, int& y)
    {
        const int count = static_cast<int>(m_ret.UsedBoards.size());
        const int end = std::min(count, first + kRowsPerPage);
        y = -3 * m_f.L - m_f.L / 2;
        m_dc.TextOut(m_f.X0 + m_f.W, y, "使用原板リスト");
        Table table(m_dc, m_f, m_f.X0, ListColumns(true));
        y -= 2 * m_f.L;
        table.Header(y);
        for (int row = first; row < end; ++row) {
            const RET_GENBAN& used = m_ret.UsedBoards[static_cast<std::size_t>(row)];
            const CGenban& board = CheckedAt(m_src.Boards.Items, used.Number, "board");
            y -= 2 * m_f.L;
            const double amount = static_cast<double>(used.Sheets) * board.Price;
            table.Row(y, {Format("%4d", board.Index + 1), Cut(board.Name, 21), Cut(board.Kind, 13),
                          SizeText(board.Width, board.Height, board.Thickness), Format("%4d", used.Sheets),
                          Money(board.Price, 8), Money(amount, 11)});
        }
        table.Close();
        if (end == count) {
            double total = 0.0;
            for (const RET_GENBAN& used : m_ret.UsedBoards) {
                total += static_cast<double>(used.Sheets) *
                         CheckedAt(m_src.Boards.Items, used.Number, "board").Price;
            }
            y -= 2 * m_f.L;
            GrandTotal(table, y, total);
            // The saw's work for the whole job, left of the total.
            m_dc.TextOut(m_f.X0 + m_f.W / 2, y,
                         CutTotalsText(JobCutTotals(m_ret, SawingOf(m_ret, m_src.Kerf, m_src.MinOffcut))));
        }
        return end - first;
    }

    // The parts list from row `first`, at most `capacity` rows, its section title at y: a row per
    // part, under a part whose cut size differs its cut size, after the total the band lines.
    void PartsList(int first, int capacity, int y)
    {
        const std::vector<PartsListRow> rows =
            PartsListRows(m_src.Parts, m_src.Secondary, m_ret.PlacedSecondary);
        const int tableRows = static_cast<int>(rows.size());
        const int bandRows = BandRows(m_src.BandLines);
        const int bandStart = BandRowsStart(m_ret, tableRows, bandRows);
        const int count = bandStart + bandRows;
        const int end = std::min(count, first + capacity);
        if (first < tableRows || tableRows == 0) {
            m_dc.TextOut(m_f.X0 + m_f.W, y, std::string("部材リスト") + TankaCaption(m_src.TankaType));
            Table table(m_dc, m_f, m_f.X0, ListColumns(false));
            y -= 2 * m_f.L;
            table.Header(y);
            const int differenceX = table.Right() + m_f.W / 2;
            for (int row = first; row < std::min(end, tableRows); ++row) {
                y -= 2 * m_f.L;
                const PartsListRow& at = rows[static_cast<std::size_t>(row)];
                if (at.CutSize) {
                    // Its part's number again when the page begins with it.
                    const CBuzai& part = RowPart(at.Row);
                    table.Row(y, {row == first ? Format("%4d", part.Index + 1) : "", "  切断寸法", "",
                                  SizeText(part.Width, part.Height, part.Thickness)});
                } else {
                    PartRow(table, at.Row, y, differenceX);
                }
            }
            table.Close();
            if (end >= tableRows) {
                double total = 0.0;
                for (int row = 0; row < PartsRows(); ++row) {
                    total += RowPart(row).PlacedCost;
                }
                y -= 2 * m_f.L;
                GrandTotal(table, y, total);
            }
        }
        // The total's row stands first among the band rows.
        for (int row = std::max(first, bandStart + 1); row < end; ++row) {
            y -= 2 * m_f.L;
            m_dc.TextOut(m_f.X0 + m_f.W, y, m_src.BandLines[static_cast<std::size_t>(row - bandStart - 1)]);
        }
    }

    void CutDrawingPage(const PROUTDATA& page)
    {
        const COutData& layout = CheckedAt(m_ret.Layouts, page.Count, "layout");
        const CGenban& board = CheckedAt(m_src.Boards.Items, layout.BoardNo, "board");
        const CanvasRect area{m_f.X0, -3 * m_f.L, m_f.X0 + 102 * m_f.W, -39 * m_f.H};
        m_dc.Rectangle(area);
        if (m_src.DrawPattern) {
            m_src.DrawPattern(m_dc, page.Count, area);
        }

        const LayoutSawing& sawn =
            SawingOf(m_ret, static_cast<std::size_t>(page.Count), m_src.Kerf, m_src.MinOffcut);
        int y = area.Bottom - 2 * m_f.L;
        CutsBox(sawn, layout.Repeat, y);
        Table line(m_dc, m_f, m_f.X0,
                   {{" No.", 5},
                    {" 使用原板名", 21},
                    {" 種類", 13},
                    {" 原板寸法 (㎜ × ㎜ × ㎜)", 29},
                    {"歩留(%)", 8},
                    {"枚数", 5}});
        line.Header(y);
        y -= 2 * m_f.L;
        line.Row(y, {Format("%4d", board.Index + 1), Cut(board.Name, 21), Cut(board.Kind, 13),
                     SizeText(board.Width, board.Height, board.Thickness),
                     Format("%5.1f", layout.TotalYield * 100.0), Format("%4d", layout.Repeat)});
        const int valueBottom = line.BandTop(y) - 2 * m_f.L;
        y -= 2 * m_f.L;
        // The trim line spans the columns: label under No. and name, the trims from the kind on.
        line.Row(y, {" トリミング(㎜)", "",
                     Format("上:%6.1f ／ 下:%6.1f ／ 左:%6.1f ／ 右:%6.1f", Mm(board.TrimTop),
                            Mm(board.TrimBottom), Mm(board.TrimLeft), Mm(board.TrimRight))});
        if (m_src.MinOffcut.Width > 0 && m_src.MinOffcut.Length > 0) {
            y -= 2 * m_f.L;
            line.Row(y, {" 端材(㎜)", "",
                         OffcutListText(sawn.Offcuts, 13 + 29 + 8 + 5 - 1)});
        }
        line.Close({1, 3, 4, 5}, valueBottom);

        CutPartsHalves(layout, page.First, kCutRowsOnDrawing, y - 3 * m_f.L);
    }

    void CutPartsPage(const PROUTDATA& page)
    {
        const COutData& layout = CheckedAt(m_ret.Layouts, page.Count, "layout");
        CutPartsHalves(layout, page.First, kCutRowsOnContinued, -3 * m_f.L - m_f.L / 2);
    }

private:
    int PartsRows() const
    {
        return static_cast<int>(m_src.Parts.Items.size() + m_ret.PlacedSecondary.size());
    }

    const CBuzai& RowPart(int row) const
    {
        const int parts = static_cast<int>(m_src.Parts.Items.size());
        if (row < parts) {
            return m_src.Parts.Items[static_cast<std::size_t>(row)];
        }
        const CAL_BUZAI& placed = CheckedAt(m_ret.PlacedSecondary, row - parts, "placed secondary part");
        return CheckedAt(m_src.Secondary.Items, placed.Number, "secondary part");
    }

    void PartRow(Table& table, int row, int y, int differenceX)
    {
        const bool secondary = row >= static_cast<int>(m_src.Parts.Items.size());
        const CBuzai& part = RowPart(row);
        const int count =
            secondary ? m_ret.PlacedSecondary[static_cast<std::size_t>(row) - m_src.Parts.Items.size()].Count
                      : part.PlacedCount;
        const double unit = count != 0 ? part.PlacedCost / count : 0.0;
        table.Row(y, {Format("%4d", part.Index + 1), Cut(part.Name, 21), Cut(part.Kind, 13),
                      SizeText(part.EnteredWidth(), part.EnteredHeight(), part.Thickness),
                      Format("%4d", count), Money(unit, 8), Money(part.PlacedCost, 11)});
        if (secondary) {
            table.MarkFirstCell(y);
        } else if (part.PlacedCount != part.Count) {
            m_dc.TextOut(differenceX, y, Format("%d", part.PlacedCount - part.Count));
        }
    }

    // Right of the board line: the cuts and their length for one sheet and for all its sheets.
    void CutsBox(const LayoutSawing& sawn, int repeat, int y)
    {
        if (!sawn.Planned) {
            return;
        }
        Table box(m_dc, m_f, m_f.X0 + 81 * m_f.W, {{" 切断", 9}, {"  1枚", 6}, {"   計", 6}});
        box.Header(y);
        y -= 2 * m_f.L;
        box.Row(y, {" 回数", Format("%5lld", static_cast<long long>(sawn.CutCount)),
                    Format("%5lld", static_cast<long long>(sawn.CutCount) * repeat)});
        y -= 2 * m_f.L;
        box.Row(y, {" 長さ(m)", Format("%5.1f", sawn.CutLengthMm / 1000.0),
                    Format("%5.1f", sawn.CutLengthMm * repeat / 1000.0)});
        box.Close();
    }

    void GrandTotal(const Table& table, int y, double total)
    {
        const int x = table.ColumnX(kAmountColumn) - 7 * m_f.W + m_f.W / 2;
        m_dc.TextOut(x, y, "総計 =" + Money(total, 12));
    }

    // The layout's parts in two halves of `perHalf` rows from `first`, header text at y.
    void CutPartsHalves(const COutData& layout, int first, int perHalf, int y)
    {
        const int count = static_cast<int>(layout.Summary.size());
        for (int half = 0; half < 2; ++half) {
            const int begin = first + half * perHalf;
            const int end = std::min(count, begin + perHalf);
            if (half == 1 && begin >= end) {
                break;
            }
            Table table(m_dc, m_f, m_f.X0 + half * 52 * m_f.W,
                        {{" No.", 5}, {" 部材名", 21}, {"部材寸法(㎜ × ㎜)", 19}, {"枚数", 5}});
            int rowY = y;
            table.Header(rowY);
            for (int row = begin; row < end; ++row) {
                const CAL_BUZAI& entry = layout.Summary[static_cast<std::size_t>(row)];
                const CBuzaiList& list = entry.Flag == 1 ? m_src.Secondary : m_src.Parts;
                const CBuzai& part = CheckedAt(list.Items, entry.Number, "part");
                rowY -= 2 * m_f.L;
                table.Row(rowY, {Format("%4d", part.Index + 1), Cut(part.Name, 21),
                                 Format("%7.1f × %7.1f", Mm(part.Width), Mm(part.Height)),
                                 Format("%4d", entry.Count)});
                if (entry.Flag == 1) {
                    table.MarkFirstCell(rowY);
                }
            }
            table.Close();
        }
    }

    Canvas& m_dc;
    const PrintSource& m_src;
    const PageFrame& m_f;
    const CRetData& m_ret;
};

}  // namespace

const char* TankaCaption(int tankaType)
{
    switch (tankaType) {
        case 0: return "（金額の計算方法は面積）";
        case 1: return "（金額の計算方法は面積、２次部材は０円）";
        case 3: return "（金額の計算方法は原板、２次部材は０円）";
        default: return "（金額の計算方法は原板）";
    }
}

void FillPageDescriptors(CRetData& ret, int partsCount)
{
    std::vector<PROUTDATA>& info = ret.Pages[kPrintBoardInfo];
    info.clear();
    const int boards = static_cast<int>(ret.UsedBoards.size());
    int partsFirst = 0;
    int first = 0;
    do {
        const int rows = std::min(kRowsPerPage, boards - first);
        info.push_back({kPageBoards, first, 0});
        first += rows;
        if (first >= boards && rows < kRowsWithBoards) {
            partsFirst = kRowsWithBoards - rows;
        }
    } while (first < boards);
    for (; partsFirst < partsCount; partsFirst += kRowsPerPage) {
        info.push_back({kPageParts, partsFirst, 0});
    }

    std::vector<PROUTDATA>& cuts = ret.Pages[kPrintCutSheets];
    cuts.clear();
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        const int layout = static_cast<int>(i);
        const int rows = static_cast<int>(ret.Layouts[i].Summary.size());
        cuts.push_back({kPageCutDrawing, 0, layout});
        for (int row = 2 * kCutRowsOnDrawing; row < rows; row += 2 * kCutRowsOnContinued) {
            cuts.push_back({kPageCutParts, row, layout});
        }
    }
}

void PreparePrintout(CRetData& ret, CBuzaiList& parts, CBuzaiList& secondary, const CGenbanList& boards,
                     int tankaType, const EdgeTotals* bands)
{
    FillPartCosts(ret, parts, secondary, boards, tankaType);
    const int rows = static_cast<int>(PartsListRows(parts, secondary, ret.PlacedSecondary).size());
    const int bandRows = BandRows(PrintBandLines(ret, bands));
    FillPageDescriptors(ret, rows + bandRows);
    const int bandStart = BandRowsStart(ret, rows, bandRows);
    if (bandStart != rows) {
        FillPageDescriptors(ret, bandStart + bandRows);
    }
}

std::vector<std::string> PrintBandLines(const CRetData& ret, const EdgeTotals* bands)
{
    if (bands == nullptr) {
        return {};
    }
    std::vector<std::string> lines = EdgeTotalsLines(*bands, ret);
    lines.insert(lines.begin(), "エッジ材");
    return lines;
}

int PageCount(const CRetData& ret, int kind)
{
    if (kind < 0 || kind > 1) {
        return 1;
    }
    return std::max<int>(1, static_cast<int>(ret.Pages[static_cast<std::size_t>(kind)].size()));
}

std::string FormatPrintTime(std::time_t time)
{
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M", &local);
    return text;
}

std::string OffcutListText(const std::vector<CalRect>& offcuts, int columns)
{
    if (offcuts.empty()) {
        return "なし";
    }
    std::string text;
    for (std::size_t i = 0; i < offcuts.size(); ++i) {
        const std::string size = Format("%.1f×%.1f", Mm(offcuts[i].Width()), Mm(offcuts[i].Height()));
        const std::string next = text.empty() ? size : text + " ／ " + size;
        const std::size_t rest = offcuts.size() - i - 1;
        // Room is kept for " ／ 他 N" unless this is the last one.
        const std::string more = rest > 0 ? " ／ 他 " + std::to_string(rest) : "";
        if (Cp932Length(next + more) > columns) {
            return text.empty() ? "他 " + std::to_string(offcuts.size()) : text + " ／ 他 " + std::to_string(rest + 1);
        }
        text = next;
    }
    return text;
}

std::string JobHeaderText(const CutDataInfo& job)
{
    std::string text = job.JobName.empty() ? "" : "物件名 " + job.JobName;
    if (!job.Customer.empty()) {
        text += std::string(text.empty() ? "" : "　") + "得意先 " + job.Customer;
    }
    if (job.Year != 0) {
        text += (text.empty() ? "" : "　") + Format("納期 %04d/%02d/%02d", job.Year, job.Month, job.Day);
    }
    return text;
}

std::string FitColumns(const std::string& text, int columns)
{
    if (Cp932Length(text) <= columns) {
        return text;
    }
    std::string fitted;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t next = i + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) {
            ++next;
        }
        const std::string longer = fitted + text.substr(i, next - i);
        if (Cp932Length(longer + "…") > columns) {
            break;
        }
        fitted = longer;
        i = next;
    }
    return fitted + "…";
}

int PageCount(const PrintSource& source)
{
    if (source.Kind == kPrintLabels) {
        return LabelPageCount(source.Labels.size(), source.LabelSheet);
    }
    return PageCount(source.Ret, source.Kind);
}

PrintSource MakePrintSource(const CRetData& ret, const CBuzaiList& parts, const CBuzaiList& secondary,
                            const CGenbanList& boards, const Settings& settings, int kind,
                            const CutDataInfo& job, const EdgeTotals* bands)
{
    PrintSource source{{ret, parts, secondary, boards},
                       settings.TankaType,
                       kind,
                       settings.NokoHaba,
                       MinOffcut(settings),
                       FormatPrintTime(std::time(nullptr)),
                       JobHeaderText(job),
                       {},
                       {},
                       {},
                       {}};
    // The pattern in detail form for paper, at zoom 1 on a transform of its own: the screen's
    // zoom and position stay as they are.
    source.DrawPattern = [&ret, &parts, &secondary, &boards, &settings](Canvas& dc, int layout,
                                                                        const CanvasRect& area) {
        BoardTransform paper;
        paper.Printing = true;
        const BoardSource board{ret, parts, secondary, boards, settings};
        DrawBoard(board, layout, paper, dc, BoardForm::Detail,
                  {area.Left, -area.Top, area.Right, -area.Bottom});
    };
    if (kind == kPrintLabels) {
        source.Labels =
            MakePartLabels(source, settings.NokoHaba, MinOffcut(settings), job.JobName, job.Customer);
        source.LabelSheet = settings.Labels();
    }
    source.BandLines = PrintBandLines(ret, bands);
    return source;
}

PageFrame MeasurePageFrame(Canvas& dc)
{
    PageFrame frame;
    const CanvasSize mm = dc.DeviceSizeMm();
    const double width = mm.Width * 10.0;
    const double height = mm.Height * 10.0;
    if (width > 0.0 && height > 0.0) {
        frame.Scale = width / height >= 0.7070707070707071 ? height / 2970.0 : width / 2100.0;
    }
    CanvasFont font;
    font.Face = kGothicFace;
    font.Height = static_cast<int>(38.0 * frame.Scale);
    font.FixedPitch = true;
    frame.FontHeight = font.Height;
    dc.SelectFont(font);
    const CanvasSize letter = dc.TextExtent("W");
    frame.W = letter.Width;
    frame.H = letter.Height;
    frame.L = frame.H + static_cast<int>(5.0 * frame.Scale);
    frame.X0 = 5 * frame.W;
    return frame;
}

void DrawPrintPage(Canvas& dc, const PrintSource& source, int page)
{
    const MapMode oldMode = dc.SetMapMode(MapMode::TenthMillimetres);
    const bool oldTransparent = dc.SetTransparentText(true);
    const CanvasFont oldFont = dc.SelectFont(CanvasFont{});
    const CanvasPen oldPen = dc.SelectPen(CanvasPen{3, kBlack});
    // Whatever happens on the page, the canvas is handed back as it came.
    struct Restore {
        Canvas& Dc;
        MapMode Mode;
        bool Transparent;
        CanvasFont Font;
        CanvasPen Pen;
        ~Restore()
        {
            Dc.SelectPen(Pen);
            Dc.SelectFont(Font);
            Dc.SetTransparentText(Transparent);
            Dc.SetMapMode(Mode);
        }
    } restore{dc, oldMode, oldTransparent, oldFont, oldPen};

    if (source.Kind == kPrintLabels) {
        // The sheet's cells are measured from the paper's corner: no frame, no header.
        const int pages = PageCount(source);
        if (page < 1 || page > pages) {
            ThrowIndexError("page", page - 1, static_cast<std::size_t>(pages));
        }
        if (source.Labels.empty()) {
            CanvasFont font;
            font.Height = 38;
            dc.SelectFont(font);
            dc.TextOut(100, -100, "全ての部材が配置できませんでした。");
        }
        DrawLabelPage(dc, source.Labels, source.LabelSheet, page);
        return;
    }
    const PageFrame frame = MeasurePageFrame(dc);
    const CRetData& ret = source.Ret;
    const int kind = source.Kind == kPrintCutSheets ? kPrintCutSheets : kPrintBoardInfo;
    const int pages = PageCount(ret, kind);

    dc.TextOut(frame.X0 + frame.W / 2, -frame.L, kind == kPrintBoardInfo ? "原板情報" : "切断指示書");
    // Sheets of two jobs told apart at the saw: the job between the title and the time.
    if (!source.JobHeader.empty()) {
        dc.TextOut(frame.X0 + 13 * frame.W, -frame.L, FitColumns(source.JobHeader, 54));
    }
    dc.TextOut(frame.X0 + 69 * frame.W + frame.W / 2, -frame.L,
               Format("%s     (%4d/%4d)", source.PrintTime.c_str(), page, pages));
    dc.Line({frame.X0, -2 * frame.L}, {frame.X0 + 102 * frame.W, -2 * frame.L});

    if (kind == kPrintCutSheets && ret.Pages[kPrintCutSheets].empty() && page == 1) {
        // No layout: one sheet that says so, never an empty file or an earlier job's sheets.
        dc.TextOut(frame.X0 + frame.W / 2, -4 * frame.L, "全ての部材が配置できませんでした。");
        return;
    }
    const PROUTDATA& descriptor = CheckedAt(ret.Pages[static_cast<std::size_t>(kind)], page - 1, "page");
    PageWriter writer(dc, source, frame);
    switch (descriptor.Type) {
        case kPageBoards: {
            int y = 0;
            const int rows = writer.BoardList(descriptor.First, y);
            if (rows < kRowsWithBoards) {
                writer.PartsList(0, kRowsWithBoards - rows, y - 2 * frame.L);
            }
            break;
        }
        case kPageParts: writer.PartsList(descriptor.First, kRowsPerPage, -3 * frame.L - frame.L / 2); break;
        case kPageCutDrawing: writer.CutDrawingPage(descriptor); break;
        case kPageCutParts: writer.CutPartsPage(descriptor); break;
        default: ThrowIndexError("page type", descriptor.Type, 4);
    }
}
