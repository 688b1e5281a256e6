#include "result/CutData.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/CalcError.h"
#include "base/CsvLine.h"
#include "base/Format.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "job/TableFile.h"
#include "platform/Prompt.h"
#include "result/CutPlan.h"
#include "result/RetData.h"

namespace {

// Characters of valid UTF-8: every byte that does not continue a sequence.
std::size_t CharacterCount(const std::string& text)
{
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

std::string DateText(const CutDataInfo& info, const char* format)
{
    char text[16];
    std::snprintf(text, sizeof text, format, info.Year, info.Month, info.Day);
    return text;
}

// A ratio as a percentage with one decimal, rounded, without the process locale.
std::string Percent(double ratio)
{
    return FormatTenths(static_cast<std::int32_t>(std::llround(ratio * 1000.0)));
}

void Line(std::string& text, std::initializer_list<std::string> fields)
{
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) {
            text += ',';
        }
        first = false;
        text += field;
    }
    text += '\n';
}

}  // namespace

bool IsValidDate(int year, int month, int day)
{
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

void Today(int& year, int& month, int& day)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    year = local.tm_year + 1900;
    month = local.tm_mon + 1;
    day = local.tm_mday;
}

bool ParseIsoDate(const std::string& text, int& year, int& month, int& day)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    year = std::stoi(text.substr(0, 4));
    month = std::stoi(text.substr(5, 2));
    day = std::stoi(text.substr(8, 2));
    return IsValidDate(year, month, day);
}

std::string FileNameText(const std::string& text)
{
    std::string name;
    for (const char c : text) {
        // Multibyte UTF-8 bytes are all above 0x7f.
        const bool unsafe =
            static_cast<unsigned char>(c) < 0x20 || std::string("/\\:*?\"<>|").find(c) != std::string::npos;
        name += unsafe ? '_' : c;
    }
    return name;
}

std::string IsoDueDate(const CutDataInfo& info)
{
    return info.Year == 0 ? std::string() : DateText(info, "%04d-%02d-%02d");
}

std::string CutDataFileName(const CutDataInfo& info)
{
    const std::string name = FileNameText(info.JobName);
    const std::string date = DateText(info, "%04d%02d%02d");
    return (name.empty() ? date : name + "_" + date) + ".csv";
}

std::string JobTextProblem(const std::string& field, const std::string& text)
{
    if (text.find_first_of("\r\n") != std::string::npos || !IsCp932Representable(text)) {
        return field + "に使用できない文字があります。";
    }
    if (CharacterCount(text) > kMaxJobTextChars) {
        return field + "が長すぎます（" + std::to_string(kMaxJobTextChars) + " 文字まで）。";
    }
    return "";
}

CutDataField CheckCutDataInfo(const CutDataInfo& info, Prompt& prompt)
{
    if (const std::string problem = JobTextProblem("物件名", info.JobName); !problem.empty()) {
        prompt.ShowError(problem);
        return CutDataField::JobName;
    }
    if (const std::string problem = JobTextProblem("得意先", info.Customer); !problem.empty()) {
        prompt.ShowError(problem);
        return CutDataField::Customer;
    }
    if (!IsValidDate(info.Year, info.Month, info.Day)) {
        prompt.ShowError("納期の日付が正しくありません。");
        return CutDataField::Due;
    }
    if (const std::string problem = JobTextProblem("コメント", info.Comment); !problem.empty()) {
        prompt.ShowError(problem);
        return CutDataField::Comment;
    }
    return CutDataField::None;
}

bool CutDataText(const CutDataSource& source, const CutDataInfo& info, std::string& text, std::string& error)
{
    const CRetData& ret = source.Ret;
    std::string out;
    Line(out, {"切断データ", "Nestrix", "1"});
    Line(out, {"物件名", QuoteField(info.JobName)});
    Line(out, {"納期", DateText(info, "%04d/%02d/%02d")});
    Line(out, {"コメント", QuoteField(info.Comment)});
    Line(out, {"切れ幅", FormatTenths(source.Kerf)});
    long long sheets = 0;
    for (const COutData& layout : ret.Layouts) {
        sheets += layout.Repeat;
    }
    Line(out, {"パターン数", std::to_string(ret.Layouts.size())});
    Line(out, {"原板枚数", std::to_string(sheets)});
    // The patterns first: the job's cuts, in the header, are theirs times the repeat counts.
    const std::string head = std::move(out);
    out.clear();
    std::int64_t cuts = 0, tenths = 0;

    for (std::size_t n = 0; n < ret.Layouts.size(); ++n) {
        const COutData& layout = ret.Layouts[n];
        const CGenban& board = CheckedAt(source.Boards.Items, layout.BoardNo, "board");
        const LayoutSawing& plan = SawingOf(ret, n, source.Kerf, source.MinOffcut);
        if (!plan.Fault.empty()) {
            throw CalcError(plan.Fault);
        }
        if (!plan.Planned) {
            error = "配置パターン " + std::to_string(n + 1) + ": " + plan.Problem;
            return false;
        }
        const std::vector<CalRect>& offcuts = plan.Offcuts;
        cuts += plan.CutCount * layout.Repeat;
        tenths += plan.CutTenths * layout.Repeat;
        Line(out,
             {"パターン", std::to_string(n + 1), std::to_string(layout.BoardNo + 1), QuoteField(board.Name),
              QuoteField(board.Kind), FormatTenths(board.Width), FormatTenths(board.Height),
              FormatTenths(board.Thickness), FormatTenths(board.TrimTop), FormatTenths(board.TrimBottom),
              FormatTenths(board.TrimLeft), FormatTenths(board.TrimRight), std::to_string(layout.Repeat),
              Percent(layout.PartsYield), Percent(layout.TotalYield), std::to_string(plan.Cuts.size()),
              std::to_string(plan.Pieces.size()), std::to_string(offcuts.size())});
        for (std::size_t i = 0; i < plan.Cuts.size(); ++i) {
            const SawCut& cut = plan.Cuts[i];
            Line(out, {"切断", std::to_string(i + 1), std::to_string(cut.Stage), cut.Axis == 0 ? "縦" : "横",
                       FormatTenths(cut.Position), FormatTenths(cut.Width), FormatTenths(cut.From),
                       FormatTenths(cut.To)});
        }
        for (std::size_t i = 0; i < plan.Pieces.size(); ++i) {
            const CutPiece& piece = plan.Pieces[i];
            const CBuzaiList& list = piece.List == 1 ? source.Secondary : source.Parts;
            const CBuzai& part = CheckedAt(list.Items, piece.Number, "part");
            Line(out, {"部材", std::to_string(i + 1), piece.List == 1 ? "２次部材" : "部材",
                       std::to_string(piece.Number + 1), QuoteField(part.Name), FormatTenths(part.Width),
                       FormatTenths(part.Height), FormatTenths(piece.X0), FormatTenths(piece.Y0),
                       piece.Rotated ? "1" : "0"});
        }
        for (std::size_t i = 0; i < offcuts.size(); ++i) {
            const CalRect& r = offcuts[i];
            Line(out, {"端材", std::to_string(i + 1), FormatTenths(r.X0), FormatTenths(r.Y0), FormatTenths(r.Width()),
                       FormatTenths(r.Height())});
        }
    }
    std::string header = head;
    Line(header, {"切断回数", std::to_string(cuts)});
    Line(header, {"切断長", Format("%lld.%lld", static_cast<long long>(tenths / 10), static_cast<long long>(tenths % 10))});
    text = header + out;
    return true;
}

int WriteCutData(const std::string& path, const CutDataSource& source, const CutDataInfo& info,
                 Prompt& prompt)
{
    if (CheckCutDataInfo(info, prompt) != CutDataField::None) {
        return 0;
    }
    std::string text;
    std::string error;
    if (!CutDataText(source, info, text, error)) {
        prompt.ShowError("切断手順を作成できない配置があります。\n切断データは出力しませんでした。\n" +
                         error);
        return 0;
    }
    const WriteStatus status = WriteTextFile(path, text);
    if (status != WriteStatus::Ok) {
        prompt.ShowError(std::string("切断データ") + WriteErrorText(status));
        return 0;
    }
    return 1;
}
