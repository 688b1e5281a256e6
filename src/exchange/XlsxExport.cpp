#include "exchange/XlsxExport.h"

#include "result/EdgeTotals.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <unistd.h>
#include <variant>
#include <vector>

#include <xlsxwriter.h>

#include "base/CalcError.h"
#include "base/Format.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "job/TableFile.h"
#include "platform/Prompt.h"
#include "result/PartCosts.h"
#include "result/RetData.h"

namespace {

// How a number is shown; the cell keeps the number itself.
enum class Shown { Count, Yen, Mm, Percent, Date, Metres };

struct Formats {
    lxw_format* Header = nullptr;
    lxw_format* Total = nullptr;  // the label of a total row
    lxw_format* Number[6] = {};
    lxw_format* TotalNumber[6] = {};
};

// One sheet written row by row; remembers the widest text of each column for its width.
class Sheet {
public:
    Sheet(lxw_workbook* book, const char* name, const Formats& formats)
        : m_sheet(workbook_add_worksheet(book, name)), m_formats(formats)
    {
        if (m_sheet == nullptr) {
            throw CalcError(std::string("worksheet ") + name);
        }
    }

    // The header row, frozen above the rest.
    void Header(const std::vector<const char*>& titles)
    {
        for (std::size_t c = 0; c < titles.size(); ++c) {
            Text(c, titles[c], m_formats.Header);
        }
        worksheet_freeze_panes(m_sheet, 1, 0);
        m_columns = titles.size();
        ++m_row;
    }

    void Text(std::size_t column, const std::string& text, lxw_format* format = nullptr)
    {
        worksheet_write_string(m_sheet, m_row, Col(column), text.c_str(), format);
        const long width = Cp932Length(text);
        Widen(column, width < 0 ? text.size() : static_cast<std::size_t>(width));
    }

    void Number(std::size_t column, double value, Shown shown, bool total = false)
    {
        const int f = static_cast<int>(shown);
        worksheet_write_number(m_sheet, m_row, Col(column), value,
                               total ? m_formats.TotalNumber[f] : m_formats.Number[f]);
        Widen(column, ShownWidth(value, shown));
    }

    void Date(std::size_t column, int year, int month, int day)
    {
        lxw_datetime date{year, month, day, 0, 0, 0.0};
        worksheet_write_datetime(m_sheet, m_row, Col(column), &date,
                                 m_formats.Number[static_cast<int>(Shown::Date)]);
        Widen(column, 10);
    }

    void NextRow() { ++m_row; }
    lxw_row_t Row() const { return m_row; }

    // Filter buttons over the header and the rows up to `lastRow`.
    void Filter(lxw_row_t lastRow)
    {
        if (lastRow >= 1 && m_columns > 0) {
            worksheet_autofilter(m_sheet, 0, 0, lastRow, Col(m_columns - 1));
        }
    }

    // Every column as wide as its widest text, with room for a filter button.
    void SetWidths()
    {
        for (std::size_t c = 0; c < m_widths.size(); ++c) {
            const double width = std::clamp(static_cast<double>(m_widths[c]) + 3.0, 6.0, 60.0);
            worksheet_set_column(m_sheet, Col(c), Col(c), width, nullptr);
        }
    }

private:
    static lxw_col_t Col(std::size_t column) { return static_cast<lxw_col_t>(column); }

    void Widen(std::size_t column, std::size_t chars)
    {
        if (m_widths.size() <= column) {
            m_widths.resize(column + 1, 0);
        }
        m_widths[column] = std::max(m_widths[column], chars);
    }

    static std::size_t ShownWidth(double value, Shown shown)
    {
        switch (shown) {
            case Shown::Percent: return 6;
            case Shown::Date: return 10;
            case Shown::Mm: return Format("%.1f", value).size() + 2;
            default: return Format("%.0f", value).size() + 2;
        }
    }

    lxw_worksheet* m_sheet;
    const Formats& m_formats;
    lxw_row_t m_row = 0;
    std::size_t m_columns = 0;
    std::vector<std::size_t> m_widths;
};

Formats MakeFormats(lxw_workbook* book)
{
    static const char* const kNumberFormats[] = {"#,##0", "#,##0",      "#,##0.0",
                                                 "0.0%",  "yyyy/mm/dd", "#,##0.00"};
    Formats formats;
    formats.Header = workbook_add_format(book);
    format_set_bold(formats.Header);
    format_set_bg_color(formats.Header, 0xD9D9D9);
    format_set_bottom(formats.Header, LXW_BORDER_THIN);
    formats.Total = workbook_add_format(book);
    format_set_bold(formats.Total);
    format_set_top(formats.Total, LXW_BORDER_THIN);
    for (int i = 0; i < static_cast<int>(std::size(kNumberFormats)); ++i) {
        formats.Number[i] = workbook_add_format(book);
        format_set_num_format(formats.Number[i], kNumberFormats[i]);
        formats.TotalNumber[i] = workbook_add_format(book);
        format_set_num_format(formats.TotalNumber[i], kNumberFormats[i]);
        format_set_bold(formats.TotalNumber[i]);
        format_set_top(formats.TotalNumber[i], LXW_BORDER_THIN);
    }
    return formats;
}

const char* ListWord(int list)
{
    return list == 1 ? "２次部材" : "部材";
}

std::int64_t UnplacedCount(const CRetData& ret, std::int32_t part)
{
    std::int64_t count = 0;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        if (entry.Number == part && entry.Flag == 0) {
            count += entry.Count;
        }
    }
    return count;
}

// What the sheets are made of: the result's figures, worked out once.
struct Figures {
    const ResultSawing& Sawing;
    CutTotals Cuts;
    CBuzaiList Parts;  // copies carrying the placed counts and cost shares
    CBuzaiList Secondary;
};

void SummarySheet(Sheet& sheet, const WorkbookSource& source, const Figures& figures)
{
    const CRetData& ret = source.Ret;
    sheet.Header({"項目", "値", "単位"});
    auto row = [&sheet](const char* label, double value, Shown shown, const char* unit) {
        sheet.Text(0, label);
        sheet.Number(1, value, shown);
        sheet.Text(2, unit);
        sheet.NextRow();
    };
    sheet.Text(0, "物件名");
    sheet.Text(1, source.Info.JobName);
    sheet.NextRow();
    if (!source.Info.Customer.empty()) {
        sheet.Text(0, "得意先");
        sheet.Text(1, source.Info.Customer);
        sheet.NextRow();
    }
    if (source.Info.Year != 0) {
        sheet.Text(0, "納期");
        sheet.Date(1, source.Info.Year, source.Info.Month, source.Info.Day);
        sheet.NextRow();
    }
    const std::int64_t sheets =
        std::accumulate(ret.UsedBoards.begin(), ret.UsedBoards.end(), std::int64_t{0},
                        [](std::int64_t sum, const RET_GENBAN& u) { return sum + u.Sheets; });
    std::int64_t unplaced = 0;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        unplaced += entry.Count;
    }
    std::int64_t offcuts = 0;
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        offcuts += static_cast<std::int64_t>(figures.Sawing[i].Offcuts.size()) * ret.Layouts[i].Repeat;
    }
    row("使用原板枚数", static_cast<double>(sheets), Shown::Count, "枚");
    row("パターン数", static_cast<double>(ret.Layouts.size()), Shown::Count, "");
    row("使用原板合計金額", static_cast<double>(ret.TotalPrice), Shown::Yen, "円");
    row("部材部分金額", ret.PartsPrice, Shown::Yen, "円");
    row("部材部分金額（２次部材を含む）", ret.TotalPiecesPrice, Shown::Yen, "円");
    row("歩留まり", ret.PartsYield(), Shown::Percent, "");
    row("歩留まり（２次部材を含む）", ret.TotalYield(), Shown::Percent, "");
    row("切断回数", static_cast<double>(figures.Cuts.Cuts), Shown::Count, "回");
    row("切断長", figures.Cuts.LengthMm, Shown::Mm, "mm");
    row("未配置部材数", static_cast<double>(unplaced), Shown::Count, "個");
    row("端材数", static_cast<double>(offcuts), Shown::Count, "枚");
    if (source.Bands != nullptr) {
        for (const EdgeUse& use : source.Bands->Job) {
            row(("エッジ " + use.Code + " " + use.Name).c_str(), use.Metres, Shown::Metres, "m");
            row(("エッジ " + use.Code + " 金額").c_str(), static_cast<double>(use.Cost), Shown::Yen, "円");
        }
        row("エッジ合計金額", static_cast<double>(source.Bands->Cost()), Shown::Yen, "円");
        row("原板・エッジ合計金額", static_cast<double>(ret.TotalPrice + source.Bands->Cost()), Shown::Yen,
            "円");
    }
    if (ret.StoppedEarly) {
        sheet.Text(0, "計算");
        sheet.Text(1, "途中で確定した結果");
        sheet.NextRow();
    }
    sheet.SetWidths();
}

void PartsSheet(Sheet& sheet, const WorkbookSource& source, const Figures& figures, lxw_format* totalLabel)
{
    const CRetData& ret = source.Ret;
    std::vector<const char*> titles = {"区分", "No.", "部材名", "部材横 (mm)", "部材縦 (mm)", "部材厚さ (mm)",
                                       "種類", "部材数", "配置数", "未配置数", "金額 (円)"};
    // A job with bands: the sizes as entered, then the cut sizes and the bands.
    const bool banded = source.Bands != nullptr;
    if (banded) {
        titles.insert(titles.end(), {"切断横 (mm)", "切断縦 (mm)", "エッジ上", "エッジ下", "エッジ左", "エッジ右"});
    }
    sheet.Header(titles);
    double cost = 0.0;
    std::int64_t count = 0, placed = 0, unplaced = 0;
    auto part = [&](const CBuzai& p, int list, std::int32_t number) {
        sheet.Text(0, ListWord(list));
        sheet.Number(1, number + 1, Shown::Count);
        sheet.Text(2, p.Name);
        sheet.Number(3, Mm(p.EnteredWidth()), Shown::Mm);
        sheet.Number(4, Mm(p.EnteredHeight()), Shown::Mm);
        sheet.Number(5, Mm(p.Thickness), Shown::Mm);
        sheet.Text(6, p.Kind);
        if (banded) {
            sheet.Number(11, Mm(p.Width), Shown::Mm);
            sheet.Number(12, Mm(p.Height), Shown::Mm);
            const std::array<const std::string*, 4> edges = PartEdges(p);
            for (std::size_t e = 0; e < edges.size(); ++e) {
                sheet.Text(13 + e, *edges[e]);
            }
        }
        sheet.Number(8, p.PlacedCount, Shown::Count);
        sheet.Number(10, p.PlacedCost, Shown::Yen);
        placed += p.PlacedCount;
        cost += p.PlacedCost;
        if (list == 0) {
            // A secondary part fills gaps: it has no count to reach, nothing is left of it.
            const std::int64_t left = UnplacedCount(ret, number);
            sheet.Number(7, p.Count, Shown::Count);
            sheet.Number(9, static_cast<double>(left), Shown::Count);
            count += p.Count;
            unplaced += left;
        }
        sheet.NextRow();
    };
    for (std::size_t i = 0; i < figures.Parts.Items.size(); ++i) {
        part(figures.Parts.Items[i], 0, static_cast<std::int32_t>(i));
    }
    for (const CAL_BUZAI& entry : ret.PlacedSecondary) {
        part(CheckedAt(figures.Secondary.Items, entry.Number, "secondary part"), 1, entry.Number);
    }
    sheet.Filter(sheet.Row() - 1);
    sheet.Text(0, "合計", totalLabel);
    sheet.Number(7, static_cast<double>(count), Shown::Count, true);
    sheet.Number(8, static_cast<double>(placed), Shown::Count, true);
    sheet.Number(9, static_cast<double>(unplaced), Shown::Count, true);
    sheet.Number(10, cost, Shown::Yen, true);
    sheet.SetWidths();
}

void BoardsSheet(Sheet& sheet, const WorkbookSource& source, lxw_format* totalLabel)
{
    sheet.Header({"No.", "原板名", "種類", "原板横 (mm)", "原板縦 (mm)", "原板厚さ (mm)", "枚数", "単価 (円)",
                  "合計 (円)"});
    std::int64_t sheets = 0;
    double amount = 0.0;
    for (const RET_GENBAN& used : source.Ret.UsedBoards) {
        const CGenban& board = CheckedAt(source.Boards.Items, used.Number, "board");
        const double total = static_cast<double>(static_cast<std::int64_t>(used.Sheets) * board.Price);
        sheet.Number(0, used.Number + 1, Shown::Count);
        sheet.Text(1, board.Name);
        sheet.Text(2, board.Kind);
        sheet.Number(3, Mm(board.Width), Shown::Mm);
        sheet.Number(4, Mm(board.Height), Shown::Mm);
        sheet.Number(5, Mm(board.Thickness), Shown::Mm);
        sheet.Number(6, used.Sheets, Shown::Count);
        sheet.Number(7, board.Price, Shown::Yen);
        sheet.Number(8, total, Shown::Yen);
        sheets += used.Sheets;
        amount += total;
        sheet.NextRow();
    }
    sheet.Filter(sheet.Row() - 1);
    sheet.Text(0, "合計", totalLabel);
    sheet.Number(6, static_cast<double>(sheets), Shown::Count, true);
    sheet.Number(8, amount, Shown::Yen, true);
    sheet.SetWidths();
}

void PatternsSheet(Sheet& sheet, const WorkbookSource& source, const Figures& figures)
{
    sheet.Header({"パターン", "原板名", "枚数", "歩留まり", "総歩留まり", "切断回数", "切断長 (mm)", "区分",
                  "No.", "部材名", "部材横 (mm)", "部材縦 (mm)", "1枚の個数", "個数"});
    for (std::size_t i = 0; i < source.Ret.Layouts.size(); ++i) {
        const COutData& layout = source.Ret.Layouts[i];
        const CGenban& board = CheckedAt(source.Boards.Items, layout.BoardNo, "board");
        const LayoutSawing& sawn = figures.Sawing[i];
        // The pattern's own figures on its first row; its number on every row, to filter by.
        sheet.Number(0, static_cast<double>(i + 1), Shown::Count);
        sheet.Text(1, board.Name);
        sheet.Number(2, layout.Repeat, Shown::Count);
        sheet.Number(3, layout.PartsYield, Shown::Percent);
        sheet.Number(4, layout.TotalYield, Shown::Percent);
        sheet.Number(5, static_cast<double>(sawn.CutCount), Shown::Count);
        sheet.Number(6, sawn.CutLengthMm, Shown::Mm);
        for (std::size_t e = 0; e < layout.Summary.size(); ++e) {
            const CAL_BUZAI& entry = layout.Summary[e];
            const CBuzai& part =
                CheckedAt((entry.Flag == 1 ? figures.Secondary : figures.Parts).Items, entry.Number, "part");
            if (e > 0) {
                sheet.Number(0, static_cast<double>(i + 1), Shown::Count);
            }
            sheet.Text(7, ListWord(entry.Flag));
            sheet.Number(8, entry.Number + 1, Shown::Count);
            sheet.Text(9, part.Name);
            sheet.Number(10, Mm(part.Width), Shown::Mm);
            sheet.Number(11, Mm(part.Height), Shown::Mm);
            sheet.Number(12, entry.Count, Shown::Count);
            sheet.Number(13, static_cast<double>(static_cast<std::int64_t>(entry.Count) * layout.Repeat),
                         Shown::Count);
            sheet.NextRow();
        }
        if (layout.Summary.empty()) {
            sheet.NextRow();
        }
    }
    sheet.Filter(sheet.Row() - 1);
    sheet.SetWidths();
}

void OffcutsSheet(Sheet& sheet, const WorkbookSource& source, const Figures& figures)
{
    sheet.Header({"パターン", "原板名", "No.", "X (mm)", "Y (mm)", "横 (mm)", "縦 (mm)", "枚数"});
    for (std::size_t i = 0; i < source.Ret.Layouts.size(); ++i) {
        const COutData& layout = source.Ret.Layouts[i];
        const CGenban& board = CheckedAt(source.Boards.Items, layout.BoardNo, "board");
        const std::vector<CalRect>& offcuts = figures.Sawing[i].Offcuts;
        for (std::size_t k = 0; k < offcuts.size(); ++k) {
            const CalRect& r = offcuts[k];
            sheet.Number(0, static_cast<double>(i + 1), Shown::Count);
            sheet.Text(1, board.Name);
            sheet.Number(2, static_cast<double>(k + 1), Shown::Count);
            sheet.Number(3, Mm(r.X0), Shown::Mm);
            sheet.Number(4, Mm(r.Y0), Shown::Mm);
            sheet.Number(5, Mm(r.Width()), Shown::Mm);
            sheet.Number(6, Mm(r.Height()), Shown::Mm);
            sheet.Number(7, layout.Repeat, Shown::Count);  // one such offcut from every sheet
            sheet.NextRow();
        }
    }
    sheet.Filter(sheet.Row() - 1);
    sheet.SetWidths();
}

// A file of our own for libxlsxwriter, which writes only to a named file; removed with the object.
class ScratchFile {
public:
    ScratchFile()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nestrix-XXXXXX.xlsx").string();
        const int fd = ::mkstemps(pattern.data(), 5);
        if (fd >= 0) {
            ::close(fd);
            m_path = pattern;
        } else {
            m_error = errno;
        }
    }
    ~ScratchFile()
    {
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return m_path; }
    int Error() const { return m_error; }

private:
    std::string m_path;
    int m_error = 0;
};

}  // namespace

bool ResultWorkbook(const WorkbookSource& source, std::string& bytes, std::string& error)
{
    Figures figures{SawingOf(source.Ret, source.Kerf, source.MinOffcut), {}, source.Parts, source.Secondary};
    for (std::size_t i = 0; i < figures.Sawing.size(); ++i) {
        if (!figures.Sawing[i].Planned) {
            error = Format("パターン%zu の切断手順を作成できません。", i + 1);
            return false;
        }
    }
    figures.Cuts = JobCutTotals(source.Ret, figures.Sawing);

    ScratchFile scratch;
    if (scratch.Path().empty()) {
        error = "一時ファイルを作成できません（" + SystemReason(scratch.Error()) + "）";
        return false;
    }
    lxw_workbook* book = workbook_new(scratch.Path().c_str());
    if (book == nullptr) {
        error = "ブックを作成できません";
        return false;
    }
    try {
        FillPartCosts(source.Ret, figures.Parts, figures.Secondary, source.Boards, source.TankaType);
        const Formats formats = MakeFormats(book);
        lxw_doc_properties properties{};
        std::string title =
            source.Info.JobName.empty() ? std::string("配置結果") : source.Info.JobName + " 配置結果";
        properties.title = title.data();
        std::string application = "Nestrix";
        properties.author = application.data();
        workbook_set_properties(book, &properties);
        Sheet summary(book, "集計", formats);
        Sheet parts(book, "部材", formats);
        Sheet boards(book, "原板", formats);
        Sheet patterns(book, "パターン", formats);
        Sheet offcuts(book, "端材", formats);
        SummarySheet(summary, source, figures);
        PartsSheet(parts, source, figures, formats.Total);
        BoardsSheet(boards, source, formats.Total);
        PatternsSheet(patterns, source, figures);
        OffcutsSheet(offcuts, source, figures);
    } catch (const CalcError& fault) {
        workbook_close(book);
        error = fault.what();
        return false;
    }
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        error = std::string("ブックを書き出せません（") + lxw_strerror(closed) + "）";
        return false;
    }
    const ReadResult read = ReadWholeFile(scratch.Path(), bytes, std::size_t{1} << 30);
    if (!read.Ok()) {
        error = "ブックを読み戻せません（" + read.Reason() + "）";
        return false;
    }
    return true;
}

int WriteResultWorkbook(const std::string& path, const WorkbookSource& source, Prompt& prompt)
{
    std::string bytes;
    std::string error;
    if (!ResultWorkbook(source, bytes, error)) {
        prompt.ShowError("Excel ファイルを作成できませんでした。\n" + error);
        return 0;
    }
    const WriteResult written = WriteFileAtomically(path, bytes);
    if (!written.Ok()) {
        prompt.ShowError("Excel ファイル（" + path + "）" + WriteErrorText(written));
        return 0;
    }
    return 1;
}
