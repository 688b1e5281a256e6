#pragma once

#include <array>
#include <cerrno>
#include <cstddef>
#include <fstream>
#include <functional>
#include <istream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "base/CsvLine.h"
#include "base/TextFile.h"

// The reader shared by the parts file and the boards file: a header line naming the
// columns (any order, extra columns ignored) or the headerless format of earlier versions.
enum class TableError { None, Open, File, Columns, Data };

template <std::size_t N>
struct TableFormat {
    using ColumnMap = std::array<int, N>;
    const char* const (&Titles)[N];
    // Fills the map for a headerless first line of fieldCount fields; false when the
    // count is not one of the formats of earlier versions.
    std::function<bool(std::size_t fieldCount, ColumnMap& map)> Headerless;
    // Parses and appends one line; false rejects it.
    std::function<bool(const std::vector<std::string>& fields, const ColumnMap& map)> ParseAndAppend;
};

// The field of a mapped column, or "" when the line is shorter.
template <std::size_t N>
const std::string& MappedField(const std::vector<std::string>& fields, const std::array<int, N>& map,
                               std::size_t column)
{
    static const std::string empty;
    const int position = map[column];
    return position >= 0 && static_cast<std::size_t>(position) < fields.size() ? fields[position] : empty;
}

template <std::size_t N>
TableError ReadTable(std::istream& in, const TableFormat<N>& format)
{
    TextReader reader(in);
    std::string line;
    TextReader::Status status = reader.Next(line);
    if (status != TextReader::Status::Line) {
        return TableError::File;
    }
    typename TableFormat<N>::ColumnMap map;
    map.fill(-1);
    std::vector<std::string> fields = SplitFields(line);
    std::size_t matches = 0;
    for (std::size_t position = 0; position < fields.size(); ++position) {
        for (std::size_t column = 0; column < N; ++column) {
            if (fields[position] == format.Titles[column]) {
                ++matches;
                map[column] = static_cast<int>(position);
                break;
            }
        }
    }
    if (matches == 0) {
        if (!format.Headerless(fields.size(), map)) {
            return TableError::Columns;
        }
        if (!format.ParseAndAppend(fields, map)) {
            return TableError::Data;
        }
    } else if (matches != N) {
        return TableError::Columns;
    }
    while ((status = reader.Next(line)) == TextReader::Status::Line) {
        if (!format.ParseAndAppend(SplitFields(line), map)) {
            return TableError::Data;
        }
    }
    return status == TextReader::Status::End ? TableError::None : TableError::File;
}

// Opens a file for reading; a folder or a missing file cannot be opened.
inline bool OpenForReading(const std::string& path, std::ifstream& in)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return false;
    }
    in.open(path, std::ios::binary);
    return in.is_open();
}

// The message after the list's kind word ("部材", "２次部材", "原板").
inline const char* ReadErrorText(TableError error)
{
    switch (error) {
        case TableError::Open: return "ファイルが開けません。\n読み込みを中断しました。";
        case TableError::File: return "ファイル異常です。\n読み込みを中断しました。";
        case TableError::Columns: return "項目数が違います。\n読み込みを中断しました。";
        case TableError::Data: return "データが異常です。\n読み込みを中断しました。";
        case TableError::None: break;
    }
    return "";
}

// The message after the list's kind word, with the system's reason.
inline std::string WriteErrorText(const WriteResult& result)
{
    std::string reason = result.Status == WriteStatus::ReadOnly ? "読み取り専用のファイルです"
                         : result.Error == EILSEQ ? "Shift-JIS で表せない文字があります"
                                                  : result.Reason();
    if (!reason.empty()) {
        reason = "（" + reason + "）";
    }
    const bool created = result.Status == WriteStatus::Failed;
    return std::string(created ? "ファイル異常です。" : "ファイルに書き込みできません。") + reason +
           "\n書き込みを中断しました。";
}
