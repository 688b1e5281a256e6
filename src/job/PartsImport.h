#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "job/Buzai.h"
#include "job/TableFile.h"

// Parts from a spreadsheet (部材の取り込み): CSV or tab-separated text in UTF-8 (with or without
// the byte order mark) or Shift-JIS, a header row in any column order, its columns mapped to the
// fields of a part. Lengths are millimetres.

enum class ImportField { Name, Width, Length, Thickness, Count, Grain, Kind, Remark, EdgeTop, EdgeBottom, EdgeLeft, EdgeRight };
inline constexpr std::size_t kImportFields = 12;

// The field's name in the preview and the messages ("幅").
const char* ImportFieldTitle(ImportField field);

// The cells of a sheet: the header row, then every row with the line it starts on.
class CEdgeList;

struct ImportSheet {
    struct Row {
        std::size_t Line = 0;
        std::vector<std::string> Cells;
    };
    std::vector<std::string> Header;
    std::vector<Row> Rows;
    char Separator = ',';
    TextReader::Encoding Encoding = TextReader::Encoding::Undecided;

    // The most cells of any row, the header's included.
    std::size_t ColumnCount() const;
    // "列3" for a column without a title.
    std::string ColumnTitle(std::size_t column) const;
};

// Reads the sheet: the first line that is not blank is the header; a cell in quotes may hold
// line breaks, separators and doubled quotes; blank lines are left out. Tabs separate the cells
// when the header has more tabs than commas.
TableProblem ReadImportSheet(std::istream& in, ImportSheet& sheet);
// Same for a file; a folder or a file that cannot be opened is the open error.
TableProblem ReadImportFile(const std::string& path, ImportSheet& sheet);
// Cells copied from a spreadsheet: tab-separated lines. headerRow: the first line names the
// columns; without it the columns are untitled and every line is a row.
ImportSheet SheetFromCells(const std::string& text, bool headerRow);

// Which column (0-based, -1 for none) gives each field.
struct ImportMapping {
    std::array<int, kImportFields> Column{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    // The grain column says whether a part may turn (回転): yes = 横置きしてよい.
    bool GrainIsRotation = false;
    // The thickness and the kind (material) of every part when no column gives them; 0.1 mm.
    std::int32_t Thickness = 0;
    std::string Kind;

    int operator[](ImportField field) const { return Column[static_cast<std::size_t>(field)]; }
    int& operator[](ImportField field) { return Column[static_cast<std::size_t>(field)]; }
    bool operator==(const ImportMapping&) const = default;
};

// The mapping the titles suggest: 部材名/名称/Name/Part, 幅/横/W/Width, 長さ/縦/L/Length,
// 厚み/T/Thickness, 数量/数/Qty/Quantity, 木目/Grain (回転/Rotate read the other way round),
// 材質/種類/Material, 備考/Note, the band columns (部材エッジ上/エッジ上/Edge top …) and the
// program's own titles; case, blanks and a unit in
// brackets aside. Each column gives one field at most, the first title that fits wins.
ImportMapping GuessMapping(const std::vector<std::string>& header);

// The fields a sheet needs that the mapping lacks ("幅,長さ"), "" when it has them: width and
// length, and the thickness unless a thickness for every part is given.
std::string MissingFields(const ImportMapping& mapping);
// The columns no field takes, in order.
std::vector<std::size_t> UnmappedColumns(const ImportSheet& sheet, const ImportMapping& mapping);

// What the preview and the headless import tell of a mapping: lengths are millimetres, and the
// columns left out ("取り込まない列: 色,CNC").
std::string ImportNote(const ImportSheet& sheet, const ImportMapping& mapping);

// What a grain cell says: 1 = 横置きしない, 0 = may turn; nothing when it is not one of yes/no,
// 1/0, 有/無, ○/×, 不/可 (true/false, y/n, あり/なし too; empty = may turn).
std::optional<std::int32_t> ReadGrain(const std::string& cell, bool grainIsRotation);

struct ImportRowError {
    std::size_t Line = 0;
    std::string Reason;
    bool operator==(const ImportRowError&) const = default;
};
struct ImportedParts {
    std::vector<CBuzai> Parts;  // the good rows, in order
    std::vector<ImportRowError> Errors;
    std::int32_t Pieces = 0;  // the sum of their counts
};
// The parts of every row through the mapping (a missing count is 1). A row is refused with the
// first thing wrong: a number a parts file would refuse, a grain that is no yes or no, text with
// no Shift-JIS form or with a line break.
ImportedParts ImportRows(const ImportSheet& sheet, const ImportMapping& mapping,
                         const CEdgeList* edges = nullptr);

// The remembered mappings (Settings::PartsImportMaps): the newest first, each as "<key> <mapping>".
// A header's key: its titles without blanks around them, hashed (16 hex digits).
std::string HeaderKey(const std::vector<std::string>& header);
// The mapping remembered for the header, if any.
std::optional<ImportMapping> RememberedMapping(const std::vector<std::string>& memory,
                                               const std::vector<std::string>& header);
// Remembers the mapping for the header (newest first; an earlier one of the header goes).
void RememberMapping(std::vector<std::string>& memory, const std::vector<std::string>& header,
                     const ImportMapping& mapping);

// The titles a mapping is remembered by: the header, or 列1 … 列N for cells pasted without one.
std::vector<std::string> SheetTitles(const ImportSheet& sheet);
// The mapping a sheet starts with: the one remembered for its titles, else the guess.
ImportMapping StartingMapping(const std::vector<std::string>& memory, const ImportSheet& sheet);

// The headless import into a list: the sheet read, the mapping guessed, every row taken. 1 on
// success; else 0 after showing why: the file's problem, the fields no column gives (with the
// columns there are), or every row refused (with its line and reason). `note` gets what the
// user should know of a good import (mm assumed, the columns left out).
int ImportPartsFile(const std::string& path, CBuzaiList& list, Prompt& prompt, std::string& note);
