#include "job/PartsImport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/CsvLine.h"
#include "base/Settings.h"
#include "base/TextCodec.h"
#include "job/Edge.h"
#include "job/FieldCheck.h"

namespace {

constexpr const char* kFieldTitles[kImportFields] = {"部材名", "幅", "長さ", "厚み", "数量", "木目",
                                                     "種類", "備考", "エッジ上", "エッジ下", "エッジ左", "エッジ右"};

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    std::string trimmed = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    // A full-width blank (U+3000) around a cell is a blank too.
    const std::string wide = "\xE3\x80\x80";
    while (trimmed.compare(0, wide.size(), wide) == 0) {
        trimmed.erase(0, wide.size());
    }
    while (trimmed.size() >= wide.size() &&
           trimmed.compare(trimmed.size() - wide.size(), wide.size(), wide) == 0) {
        trimmed.erase(trimmed.size() - wide.size());
    }
    return trimmed;
}

bool IsBlankRow(const std::vector<std::string>& cells)
{
    return std::all_of(cells.begin(), cells.end(),
                       [](const std::string& cell) { return Trimmed(cell).empty(); });
}

// A title as it is compared: no blanks, ASCII in lower case, full-width letters and digits as
// ASCII, and no unit in brackets at the end ("Width (mm)", "幅[mm]", "長さ（ｍｍ）").
std::string TitleKey(const std::string& title)
{
    std::string key;
    for (std::size_t i = 0; i < title.size();) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        // Full-width ASCII (U+FF01..U+FF5E) is EF BC 81..EF BD 9E.
        if (c == 0xEF && i + 2 < title.size()) {
            const unsigned char b = static_cast<unsigned char>(title[i + 1]);
            const unsigned char d = static_cast<unsigned char>(title[i + 2]);
            if ((b == 0xBC && d >= 0x81) || (b == 0xBD && d <= 0x9E)) {
                const int code = (b == 0xBC ? d - 0x80 : d - 0x40) + 0x20;
                key += static_cast<char>(code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code);
                i += 3;
                continue;
            }
        }
        if (c == 0xE3 && title.compare(i, 3, "\xE3\x80\x80") == 0) {
            i += 3;  // full-width blank
            continue;
        }
        if (c != ' ' && c != '\t' && c != '_' && c != '-') {
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        ++i;
    }
    for (const char* unit : {"(mm)", "[mm]", "（mm）", "mm", "(枚)", "（枚）", "(個)", "（個）"}) {
        const std::string u = unit;
        if (key.size() > u.size() && key.compare(key.size() - u.size(), u.size(), u) == 0) {
            key.erase(key.size() - u.size());
            break;
        }
    }
    return key;
}

struct Guess {
    ImportField Field;
    bool Rotation;
    std::vector<const char*> Titles;
};

const std::vector<Guess>& Guesses()
{
    static const std::vector<Guess> guesses = {
        {ImportField::Name,
         false,
         {"部材名", "名称", "名前", "品名", "部品名", "name", "part", "partname", "label", "部材"}},
        {ImportField::Width, false, {"幅", "横", "横幅", "部材横", "巾", "w", "width"}},
        {ImportField::Length, false, {"長さ", "縦", "縦幅", "部材縦", "長", "l", "length", "h", "height"}},
        {ImportField::Thickness,
         false,
         {"厚み", "厚さ", "部材厚さ", "厚", "板厚", "t", "thickness", "thick"}},
        {ImportField::Count,
         false,
         {"数量", "数", "枚数", "部材数", "個数", "qty", "quantity", "count", "pcs", "amount"}},
        {ImportField::Grain,
         false,
         {"木目", "木目方向", "横置き", "部材横置き", "横置き不可", "grain", "graindirection"}},
        {ImportField::Grain, true, {"回転", "回転可", "rotate", "rotation", "canrotate", "rotatable"}},
        {ImportField::Kind, false, {"材質", "種類", "部材種類", "材料", "素材", "material", "kind", "type"}},
        {ImportField::EdgeTop, false, {"部材エッジ上", "エッジ上", "上エッジ", "上", "edgetop", "topedge"}},
        {ImportField::EdgeBottom, false, {"部材エッジ下", "エッジ下", "下エッジ", "下", "edgebottom", "bottomedge"}},
        {ImportField::EdgeLeft, false, {"部材エッジ左", "エッジ左", "左エッジ", "左", "edgeleft", "leftedge"}},
        {ImportField::EdgeRight, false, {"部材エッジ右", "エッジ右", "右エッジ", "右", "edgeright", "rightedge"}},
        {ImportField::Remark,
         false,
         {"備考", "部材備考", "メモ", "摘要", "note", "notes", "remark", "remarks", "comment"}},
    };
    return guesses;
}

// FNV-1a, 64 bits.
std::uint64_t Hash(const std::string& bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string MappingText(const ImportMapping& mapping)
{
    std::string text;
    for (std::size_t i = 0; i < kImportFields; ++i) {
        text += (i > 0 ? "," : "") + std::to_string(mapping.Column[i]);
    }
    return text + " " + (mapping.GrainIsRotation ? "1" : "0") + " " + std::to_string(mapping.Thickness) +
           (mapping.Kind.empty() ? "" : " " + mapping.Kind);
}

std::optional<ImportMapping> ParseMappingText(std::istringstream& in)
{
    std::string columns;
    int rotation = 0;
    long long thickness = 0;
    if (!(in >> columns >> rotation >> thickness) || thickness < 0 || thickness > kMaxLengthTenths) {
        return std::nullopt;
    }
    ImportMapping mapping;
    // Mappings remembered before the band columns have eight fields.
    const std::vector<std::string> fields = SplitFields(columns);
    if (fields.size() != kImportFields && fields.size() != 8) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::int32_t column = 0;
        if (ReadInteger(fields[i], column) != NumberText::Ok || column < -1 || column > 9999) {
            return std::nullopt;
        }
        mapping.Column[i] = column;
    }
    mapping.GrainIsRotation = rotation != 0;
    mapping.Thickness = static_cast<std::int32_t>(thickness);
    std::getline(in, mapping.Kind);  // the rest of the line, after one blank
    if (!mapping.Kind.empty() && mapping.Kind[0] == ' ') {
        mapping.Kind.erase(0, 1);
    }
    return mapping;
}

// A length or count cell as a parts file reads it, with the file's ranges; the reason when refused.
std::optional<std::string> ReadNumber(const std::string& cell, bool length, std::int32_t min,
                                      std::int32_t max, const char* title, std::int32_t& value)
{
    const NumberText read = length ? ReadTenths(cell, value) : ReadInteger(cell, value);
    const auto number = [length](std::int32_t n) { return length ? FormatTenths(n) : std::to_string(n); };
    const std::string quoted = std::string(title) + "「" + cell + "」";
    switch (read) {
        case NumberText::Ok: break;
        case NumberText::NotNumber: return quoted + "は数値ではありません";
        case NumberText::NotInteger: return quoted + "は整数ではありません";
        case NumberText::NotFinite: return quoted + "は有限の数値ではありません";
        case NumberText::TooLarge: return quoted + "は " + number(max) + " を超えています";
    }
    if (Trimmed(cell).empty()) {
        return std::string(title) + "がありません";
    }
    if (value < min || value > max) {
        return quoted + "は " + number(min) + " から " + number(max) + " の範囲にありません";
    }
    return std::nullopt;
}

}  // namespace

const char* ImportFieldTitle(ImportField field)
{
    return kFieldTitles[static_cast<std::size_t>(field)];
}

std::size_t ImportSheet::ColumnCount() const
{
    std::size_t count = Header.size();
    for (const Row& row : Rows) {
        count = std::max(count, row.Cells.size());
    }
    return count;
}

std::string ImportSheet::ColumnTitle(std::size_t column) const
{
    const std::string title = column < Header.size() ? Trimmed(Header[column]) : "";
    return title.empty() ? "列" + std::to_string(column + 1) : title;
}

TableProblem ReadImportSheet(std::istream& in, ImportSheet& sheet)
{
    sheet = ImportSheet();
    TextReader reader(in, false);
    bool header = true;
    std::string line;
    TextReader::Status status;
    while ((status = reader.Next(line)) == TextReader::Status::Line) {
        const std::size_t first = reader.LineNumber();
        if (header) {
            if (Trimmed(line).empty()) {
                continue;
            }
            const auto count = [&line](char c) { return std::count(line.begin(), line.end(), c); };
            sheet.Separator = count('\t') > count(',') ? '\t' : ',';
        }
        // A quoted cell with line breaks goes on over the next lines.
        std::string next;
        while (EndsInsideQuotes(line, sheet.Separator) &&
               (status = reader.Next(next)) == TextReader::Status::Line) {
            line += "\n" + next;
        }
        if (status == TextReader::Status::Error) {
            break;
        }
        std::vector<std::string> cells = SplitFields(line, sheet.Separator);
        if (header) {
            sheet.Header = std::move(cells);
            header = false;
        } else if (!IsBlankRow(cells)) {
            sheet.Rows.push_back({first, std::move(cells)});
        }
        if (status != TextReader::Status::Line) {
            break;
        }
    }
    sheet.Encoding = reader.FileEncoding();
    if (status == TextReader::Status::Error) {
        return ReaderProblem(reader);
    }
    return header ? TableProblem{TableError::Empty} : TableProblem{};
}

TableProblem ReadImportFile(const std::string& path, ImportSheet& sheet)
{
    std::ifstream in;
    if (const int error = OpenTableFile(path, in); error != 0) {
        return {TableError::Open, 0, "", error};
    }
    return ReadImportSheet(in, sheet);
}

ImportSheet SheetFromCells(const std::string& text, bool headerRow)
{
    ImportSheet sheet;
    sheet.Separator = '\t';
    sheet.Encoding = TextReader::Encoding::Utf8;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    bool header = headerRow;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        ++lineNumber;
        const std::size_t first = lineNumber;
        while (EndsInsideQuotes(line, '\t') && pos < text.size()) {
            end = text.find('\n', pos);
            line += "\n" + text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? text.size() : end + 1;
            ++lineNumber;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::vector<std::string> cells = SplitFields(line, '\t');
        if (IsBlankRow(cells)) {
            continue;
        }
        if (header) {
            sheet.Header = std::move(cells);
            header = false;
        } else {
            sheet.Rows.push_back({first, std::move(cells)});
        }
    }
    return sheet;
}

ImportMapping GuessMapping(const std::vector<std::string>& header)
{
    ImportMapping mapping;
    for (std::size_t column = 0; column < header.size(); ++column) {
        const std::string key = TitleKey(header[column]);
        for (const Guess& guess : Guesses()) {
            if (mapping[guess.Field] >= 0) {
                continue;
            }
            const bool fits = std::any_of(guess.Titles.begin(), guess.Titles.end(),
                                          [&key](const char* title) { return key == title; });
            if (fits) {
                mapping[guess.Field] = static_cast<int>(column);
                if (guess.Field == ImportField::Grain) {
                    mapping.GrainIsRotation = guess.Rotation;
                }
                break;
            }
        }
    }
    return mapping;
}

std::string MissingFields(const ImportMapping& mapping)
{
    std::string missing;
    for (const ImportField field : {ImportField::Width, ImportField::Length, ImportField::Thickness}) {
        if (mapping[field] < 0 && !(field == ImportField::Thickness && mapping.Thickness > 0)) {
            missing += (missing.empty() ? "" : ",") + std::string(ImportFieldTitle(field));
        }
    }
    return missing;
}

std::vector<std::size_t> UnmappedColumns(const ImportSheet& sheet, const ImportMapping& mapping)
{
    std::vector<std::size_t> columns;
    for (std::size_t column = 0; column < sheet.ColumnCount(); ++column) {
        if (std::find(mapping.Column.begin(), mapping.Column.end(), static_cast<int>(column)) ==
            mapping.Column.end()) {
            columns.push_back(column);
        }
    }
    return columns;
}

std::string ImportNote(const ImportSheet& sheet, const ImportMapping& mapping)
{
    std::string note = "寸法は mm として読みます（インチは換算しません）。";
    const std::vector<std::size_t> unmapped = UnmappedColumns(sheet, mapping);
    for (std::size_t i = 0; i < unmapped.size(); ++i) {
        note += (i == 0 ? "\n取り込まない列: " : ",") + sheet.ColumnTitle(unmapped[i]);
    }
    return note;
}

std::optional<std::int32_t> ReadGrain(const std::string& cell, bool grainIsRotation)
{
    const std::string key = TitleKey(Trimmed(cell));
    // 不 and 可 say the turn itself, whatever the column's title.
    for (const char* word : {"不", "不可", "横置き不可"}) {
        if (key == word) {
            return 1;
        }
    }
    if (key == "可" || key == "横置き可") {
        return 0;
    }
    if (key.empty()) {
        return 0;
    }
    std::optional<bool> yes;
    for (const char* word : {"yes", "y", "true", "1", "有", "あり", "有り", "○", "◯", "〇", "はい"}) {
        if (key == word) {
            yes = true;
        }
    }
    for (const char* word : {"no", "n", "false", "0", "無", "なし", "無し", "×", "✕", "いいえ", "-"}) {
        if (key == word) {
            yes = false;
        }
    }
    if (!yes) {
        return std::nullopt;
    }
    return *yes != grainIsRotation ? 1 : 0;
}

ImportedParts ImportRows(const ImportSheet& sheet, const ImportMapping& mapping, const CEdgeList* edges)
{
    ImportedParts imported;
    for (const ImportSheet::Row& row : sheet.Rows) {
        const auto cell = [&row, &mapping](ImportField field) -> std::string {
            const int column = mapping[field];
            return column >= 0 && static_cast<std::size_t>(column) < row.Cells.size()
                       ? Trimmed(row.Cells[column])
                       : std::string();
        };
        CBuzai part;
        part.Thickness = mapping.Thickness;
        part.Count = 1;
        std::optional<std::string> wrong;
        struct NumberField {
            ImportField Field;
            bool Length;
            std::int32_t Min;
            std::int32_t Max;
            std::int32_t CBuzai::*Member;
        };
        const NumberField numbers[] = {
            {ImportField::Width, true, 1, kMaxLengthTenths, &CBuzai::Width},
            {ImportField::Length, true, 1, kMaxLengthTenths, &CBuzai::Height},
            {ImportField::Thickness, true, 0, kMaxLengthTenths, &CBuzai::Thickness},
            {ImportField::Count, false, 1, kMaxPartCount, &CBuzai::Count},
        };
        for (const NumberField& number : numbers) {
            if (!wrong && mapping[number.Field] >= 0) {
                wrong = ReadNumber(cell(number.Field), number.Length, number.Min, number.Max,
                                   ImportFieldTitle(number.Field), part.*number.Member);
            }
        }
        if (!wrong && mapping[ImportField::Grain] >= 0) {
            const std::string grain = cell(ImportField::Grain);
            if (const auto noTurn = ReadGrain(grain, mapping.GrainIsRotation)) {
                part.NoTurn = *noTurn;
            } else {
                wrong = std::string(ImportFieldTitle(ImportField::Grain)) + "「" + grain +
                        "」は はい・いいえ（yes/no、1/0、有/無、○/×、不/可）のどれでもありません";
            }
        }
        const std::pair<ImportField, std::string CBuzai::*> texts[] = {
            {ImportField::Name, &CBuzai::Name},
            {ImportField::Kind, &CBuzai::Kind},
            {ImportField::Remark, &CBuzai::Remark},         {ImportField::EdgeTop, &CBuzai::EdgeTop},
            {ImportField::EdgeBottom, &CBuzai::EdgeBottom}, {ImportField::EdgeLeft, &CBuzai::EdgeLeft},
            {ImportField::EdgeRight, &CBuzai::EdgeRight}};
        for (const auto& [field, member] : texts) {
            if (wrong) {
                break;
            }
            // Without a column the kind of every part is the mapping's.
            const std::string text =
                mapping[field] < 0 && field == ImportField::Kind ? mapping.Kind : cell(field);
            if (text.find('\n') != std::string::npos) {
                wrong = std::string(ImportFieldTitle(field)) + "のセルの中に改行があります";
            } else if (const std::string message = CheckFileText(ImportFieldTitle(field), text);
                       !message.empty()) {
                wrong = ImportFieldTitle(field) + std::string("「") + text +
                        "」に Shift-JIS で表せない文字があります";
            } else if (field >= ImportField::EdgeTop && !text.empty() &&
                       (Cp932Length(text) > kMaxEdgeCodeBytes || text.find_first_of(" ,\"") != std::string::npos)) {
                wrong = ImportFieldTitle(field) + std::string("「") + text + "」はエッジ記号ではありません（" +
                        std::to_string(kMaxEdgeCodeBytes) + " バイトまで）";
            } else if (field >= ImportField::EdgeTop && !text.empty() && edges != nullptr &&
                       edges->Find(text) == nullptr) {
                wrong = ImportFieldTitle(field) + std::string("「") + text + "」はエッジ材にありません";
            }
            part.*member = text;
        }
        if (wrong) {
            imported.Errors.push_back({row.Line, *wrong});
            continue;
        }
        imported.Pieces += part.Count;
        imported.Parts.push_back(std::move(part));
    }
    return imported;
}

std::string HeaderKey(const std::vector<std::string>& header)
{
    std::string joined;
    for (const std::string& title : header) {
        joined += Trimmed(title) + '\x1f';
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(Hash(joined)));
    return text;
}

std::optional<ImportMapping> RememberedMapping(const std::vector<std::string>& memory,
                                               const std::vector<std::string>& header)
{
    const std::string key = HeaderKey(header);
    for (const std::string& entry : memory) {
        std::istringstream in(entry);
        std::string entryKey;
        if (!(in >> entryKey) || entryKey != key) {
            continue;
        }
        std::optional<ImportMapping> mapping = ParseMappingText(in);
        if (mapping && std::all_of(mapping->Column.begin(), mapping->Column.end(), [&header](int column) {
                return column < static_cast<int>(header.size());
            })) {
            return mapping;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

void RememberMapping(std::vector<std::string>& memory, const std::vector<std::string>& header,
                     const ImportMapping& mapping)
{
    const std::string key = HeaderKey(header);
    std::erase_if(memory, [&key](const std::string& entry) {
        return entry.compare(0, key.size() + 1, key + " ") == 0;
    });
    memory.insert(memory.begin(), key + " " + MappingText(mapping));
    if (memory.size() > Settings::kMaxPartsImportMaps) {
        memory.resize(Settings::kMaxPartsImportMaps);
    }
}

std::vector<std::string> SheetTitles(const ImportSheet& sheet)
{
    if (!sheet.Header.empty()) {
        return sheet.Header;
    }
    std::vector<std::string> titles;
    for (std::size_t column = 0; column < sheet.ColumnCount(); ++column) {
        titles.push_back(sheet.ColumnTitle(column));
    }
    return titles;
}

ImportMapping StartingMapping(const std::vector<std::string>& memory, const ImportSheet& sheet)
{
    const std::vector<std::string> titles = SheetTitles(sheet);
    return RememberedMapping(memory, titles).value_or(GuessMapping(sheet.Header));
}

int ImportPartsFile(const std::string& path, CBuzaiList& list, Prompt& prompt, std::string& note)
{
    const std::string kind = list.KindWord();
    ImportSheet sheet;
    if (const TableProblem problem = ReadImportFile(path, sheet); problem.Error != TableError::None) {
        prompt.ShowError(kind + ReadErrorText(problem));
        return 0;
    }
    const ImportMapping mapping = GuessMapping(sheet.Header);
    if (const std::string missing = MissingFields(mapping); !missing.empty()) {
        std::string columns;
        for (std::size_t column = 0; column < sheet.Header.size(); ++column) {
            columns += (column > 0 ? "," : "") + sheet.ColumnTitle(column);
        }
        prompt.ShowError(kind + "の取り込み: " + missing + " の列が見出しからわかりません。（見出し: " +
                         columns + "）\n取り込みを中断しました。");
        return 0;
    }
    const ImportedParts imported = ImportRows(sheet, mapping, list.Edges);
    if (!imported.Errors.empty()) {
        std::string text = kind + "の取り込み: 取り込めない行があります。";
        for (const ImportRowError& error : imported.Errors) {
            text += "\n" + std::to_string(error.Line) + "行目: " + error.Reason;
        }
        prompt.ShowError(text + "\n取り込みを中断しました。");
        return 0;
    }
    if (imported.Parts.empty()) {
        prompt.ShowError(kind + "の取り込み: 取り込む行がありません。\n取り込みを中断しました。");
        return 0;
    }
    for (CBuzai part : imported.Parts) {
        part.Index = static_cast<std::int32_t>(list.Items.size());
        list.Items.push_back(std::move(part));
    }
    note = ImportNote(sheet, mapping);
    return 1;
}
