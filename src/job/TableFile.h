#pragma once

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "base/CsvLine.h"
#include "base/TextFile.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"

// The parts file and the boards file share one reader and one writer: a header line naming the
// columns (any order, extra columns ignored) or the headerless format of earlier versions, then
// one record per line; every column is text, a length, an integer in a range or a flag.

// The largest values the files take, the limits of the input dialogs: no accepted record can
// overflow the calculation's 32-bit lengths or the 64-bit totals.
inline constexpr std::int32_t kMaxLengthTenths = 999999;  // 99 999.9 mm
inline constexpr std::int32_t kMaxPartCount = 9999;
inline constexpr std::int32_t kMaxBoardCount = 999999;
inline constexpr std::int32_t kMaxPrice = 999999;

enum class TableError {
    None,
    Open,
    Empty,
    File,
    Columns,
    Data,
    Utf16,
    LineTooLong,
    FileTooLarge,
    LineBreakInCell
};

// Why and where reading stopped.
struct TableProblem {
    TableError Error = TableError::None;
    std::size_t Line = 0;  // 1-based, 0 when not about a line
    std::string Detail;    // the column, or what is wrong with it
    int Errno = 0;         // why the file could not be opened

    TableProblem() = default;
    TableProblem(TableError error, std::size_t line = 0, std::string detail = {}, int errnoValue = 0)
        : Error(error), Line(line), Detail(std::move(detail)), Errno(errnoValue)
    {
    }
};

// One column of a record.
template <class Record>
struct ColumnRule {
    enum class Type { Text, Length, Int, Flag };
    Type Kind = Type::Text;
    std::string Record::*Text = nullptr;
    std::int32_t Record::*Number = nullptr;
    std::int32_t Min = 0;  // accepted range of a length (0.1 mm) or an integer
    std::int32_t Max = 0;

    static ColumnRule TextColumn(std::string Record::*member) { return {Type::Text, member, nullptr, 0, 0}; }
    static ColumnRule LengthColumn(std::int32_t Record::*member, std::int32_t min)
    {
        return {Type::Length, nullptr, member, min, kMaxLengthTenths};
    }
    static ColumnRule IntColumn(std::int32_t Record::*member, std::int32_t min, std::int32_t max)
    {
        return {Type::Int, nullptr, member, min, max};
    }
    // Any number but 0 is 1; text that is no number too.
    static ColumnRule FlagColumn(std::int32_t Record::*member) { return {Type::Flag, nullptr, member, 0, 1}; }
};

template <class Record, std::size_t N>
struct TableFormat {
    using ColumnMap = std::array<int, N>;
    const char* const (&Titles)[N];
    const std::array<ColumnRule<Record>, N>& Rules;
    // Fills the map for a headerless first line of fieldCount fields; false when the count is
    // not one of the formats of earlier versions.
    std::function<bool(std::size_t fieldCount, ColumnMap& map)> Headerless;
    // The columns a header must name, the first ones; those after them may be left out.
    std::size_t Required = N;
    // What a record read whole breaks beyond its columns' rules (a band code the table lacks),
    // or nothing.
    std::function<std::optional<std::string>(const Record&)> Check;
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

// One line through the column map into a record with its defaults. Nothing when accepted, else
// what was wrong with the first column that is not accepted.
template <class Record, std::size_t N>
std::optional<std::string> ParseRecord(const std::vector<std::string>& fields,
                                       const typename TableFormat<Record, N>::ColumnMap& map,
                                       const TableFormat<Record, N>& format, Record& record)
{
    using Type = typename ColumnRule<Record>::Type;
    for (std::size_t column = 0; column < N; ++column) {
        if (map[column] < 0) {
            continue;
        }
        const std::string& field = MappedField(fields, map, column);
        const ColumnRule<Record>& rule = format.Rules[column];
        if (rule.Kind == Type::Text) {
            record.*rule.Text = field;
            continue;
        }
        std::int32_t value = 0;
        if (rule.Kind == Type::Flag) {
            record.*rule.Number = (!ToInt(field, value) || value != 0) ? 1 : 0;
            continue;
        }
        const NumberText read = rule.Kind == Type::Length ? ReadTenths(field, value) : ReadInteger(field, value);
        const std::string title = format.Titles[column];
        switch (read) {
            case NumberText::Ok: break;
            case NumberText::NotNumber: return title + "「" + field + "」は数値ではありません";
            case NumberText::NotInteger: return title + "「" + field + "」は整数ではありません";
            case NumberText::NotFinite: return title + "「" + field + "」は有限の数値ではありません";
            case NumberText::TooLarge: break;
        }
        const auto number = [&rule](std::int32_t n) {
            return rule.Kind == Type::Length ? FormatTenths(n) : std::to_string(n);
        };
        if ((read == NumberText::TooLarge && field.find('-') == std::string::npos) ||
            (read == NumberText::Ok && value > rule.Max)) {
            return title + "が " + number(rule.Max) + " を超えています";
        }
        if (field.find_first_not_of(" \t") == std::string::npos && value < rule.Min) {
            return title + "がありません";
        }
        if (read != NumberText::Ok || value < rule.Min) {
            return title + "「" + field + "」は " + number(rule.Min) + " から " + number(rule.Max) +
                   " の範囲にありません";
        }
        record.*rule.Number = value;
    }
    return std::nullopt;
}

// What a record that comes from elsewhere than a file (a job file) breaks of the columns' rules:
// a number outside its column's range or a flag other than 0 and 1, a text with a line break
// (the list's file could not be read back); nothing when it keeps them all.
template <class Record, std::size_t N>
std::optional<std::string> RecordOutOfRange(const TableFormat<Record, N>& format, const Record& record)
{
    using Type = typename ColumnRule<Record>::Type;
    for (std::size_t column = 0; column < N; ++column) {
        const ColumnRule<Record>& rule = format.Rules[column];
        const std::string title = format.Titles[column];
        if (rule.Kind == Type::Text) {
            if ((record.*rule.Text).find_first_of("\r\n") != std::string::npos) {
                return title + "に改行があります";
            }
            continue;
        }
        const std::int32_t value = record.*rule.Number;
        if (value < rule.Min || value > rule.Max) {
            const bool length = rule.Kind == Type::Length;
            return title + " " + (length ? FormatTenths(value) : std::to_string(value)) + " は " +
                   (length ? FormatTenths(rule.Min) : std::to_string(rule.Min)) + " から " +
                   (length ? FormatTenths(rule.Max) : std::to_string(rule.Max)) + " の範囲にありません";
        }
    }
    return std::nullopt;
}

// The problem of a reader that stopped with an error, at its line.
inline TableProblem ReaderProblem(const TextReader& reader)
{
    switch (reader.LastFault()) {
        case TextReader::Fault::Utf16: return TableProblem{TableError::Utf16, reader.LineNumber()};
        case TextReader::Fault::LineTooLong: return TableProblem{TableError::LineTooLong, reader.LineNumber()};
        case TextReader::Fault::FileTooLarge: return TableProblem{TableError::FileTooLarge, reader.LineNumber()};
        default: return TableProblem{TableError::File, reader.LineNumber(), reader.FaultText()};
    }
}

// Opens a file to read: 0, or the errno of why not (EISDIR for a folder, EINTR after a stop).
inline int OpenTableFile(const std::string& path, std::ifstream& in)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    if (g_stopReading.load(std::memory_order_relaxed) != 0) {
        return EINTR;  // a stop came first: never wait on a pipe for it
    }
    errno = 0;
    in.open(path, std::ios::binary);
    return in.is_open() ? 0 : (errno != 0 ? errno : EACCES);
}

// Reads the records of a file and appends them to `items`, numbering them on from its size.
// Records read before an error stay.
template <class Record, std::size_t N>
TableProblem ReadTable(std::istream& in, const TableFormat<Record, N>& format, std::vector<Record>& items)
{
    TextReader reader(in);
    auto readerProblem = [&reader]() { return ReaderProblem(reader); };
    auto append = [&](const std::vector<std::string>& fields, const auto& map) {
        Record record;
        auto wrong = ParseRecord(fields, map, format, record);
        if (!wrong && format.Check) {
            wrong = format.Check(record);
        }
        if (wrong) {
            return std::optional<TableProblem>{TableProblem{TableError::Data, reader.LineNumber(), *wrong}};
        }
        record.Index = static_cast<std::int32_t>(items.size());
        items.push_back(std::move(record));
        return std::optional<TableProblem>{};
    };

    std::string line;
    TextReader::Status status = reader.Next(line);
    if (status != TextReader::Status::Line) {
        return status == TextReader::Status::End ? TableProblem{TableError::Empty} : readerProblem();
    }
    typename TableFormat<Record, N>::ColumnMap map;
    map.fill(-1);
    const std::vector<std::string> fields = SplitFields(line);
    std::size_t matches = 0;
    bool twice = false;  // a title named twice
    for (std::size_t position = 0; position < fields.size(); ++position) {
        for (std::size_t column = 0; column < N; ++column) {
            if (fields[position] == format.Titles[column]) {
                ++matches;
                twice = twice || map[column] >= 0;
                map[column] = static_cast<int>(position);
                break;
            }
        }
    }
    // A header that is not the files' names the titles it lacks and every title expected.
    std::string expected;
    std::string missing;
    bool required = true;  // every required title is there
    for (std::size_t column = 0; column < format.Required; ++column) {
        expected += (column > 0 ? "," : "") + std::string(format.Titles[column]);
        if (matches > 0 && map[column] < 0) {
            missing += (missing.empty() ? "" : ",") + std::string(format.Titles[column]);
            required = false;
        }
    }
    const TableProblem wrongColumns{
        TableError::Columns, 1,
        (missing.empty() ? "" : "ない見出し: " + missing + "、") + "見出しは " + expected + " です"};
    if (matches == 0) {
        if (!format.Headerless(fields.size(), map)) {
            return wrongColumns;
        }
        if (auto problem = append(fields, map)) {
            return *problem;
        }
    } else if (!required || twice) {
        return wrongColumns;
    }
    // Blank lines at the end (a spreadsheet's) are no records; a blank line before a record is
    // refused at its own line.
    std::size_t blankLine = 0;
    while ((status = reader.Next(line)) == TextReader::Status::Line) {
        if (line.empty()) {
            blankLine = blankLine == 0 ? reader.LineNumber() : blankLine;
            continue;
        }
        if (blankLine != 0) {
            Record unused;
            const auto wrong = ParseRecord(SplitFields(""), map, format, unused);
            return TableProblem{TableError::Data, blankLine, wrong.value_or("")};
        }
        if (EndsInsideQuotes(line)) {
            return TableProblem{TableError::LineBreakInCell, reader.LineNumber()};
        }
        if (auto problem = append(SplitFields(line), map)) {
            return *problem;
        }
    }
    return status == TextReader::Status::End ? TableProblem{} : readerProblem();
}

// The message after the list's kind word ("部材", "２次部材", "原板").
inline std::string ReadErrorText(const TableProblem& problem)
{
    const std::string line = problem.Line > 0 ? std::to_string(problem.Line) + "行目" : "";
    std::string text;
    switch (problem.Error) {
        case TableError::Open:
            text = "ファイルが開けません。";
            if (problem.Errno == ENOENT) {
                text += "（ファイルがありません）";
            } else if (problem.Errno != 0) {
                text += "（" +
                        (problem.Errno == EISDIR ? std::string("フォルダです") : SystemReason(problem.Errno)) +
                        "）";
            }
            break;
        case TableError::Empty: text = "ファイル異常です。（空のファイルです）"; break;
        case TableError::Utf16:
            text = "ファイルが UTF-8 でも Shift-JIS でもありません（UTF-16 です）。";
            break;
        case TableError::LineBreakInCell:
            text = "データが異常です。（" + line + "、セルの中に改行があります。改行を除いて保存してください）";
            break;
        case TableError::File:
            text = "ファイル異常です。";
            if (!line.empty()) {
                text += "（" + line + (problem.Detail.empty() ? "" : "、" + problem.Detail) + "）";
            }
            break;
        case TableError::LineTooLong:
            text = "ファイル異常です。（" + line + "が " + std::to_string(TextReader::kMaxLineBytes) +
                   " バイトを超えています）";
            break;
        case TableError::FileTooLarge:
            text = "ファイル異常です。（ファイルが " +
                   std::to_string(TextReader::kMaxFileBytes / 1024 / 1024) + " MiB を超えています、" + line +
                   "）";
            break;
        case TableError::Columns:
            text =
                "項目数が違います。（" + line + (problem.Detail.empty() ? "" : "、" + problem.Detail) + "）";
            break;
        case TableError::Data: text = "データが異常です。（" + line + "、" + problem.Detail + "）"; break;
        case TableError::None: return "";
    }
    return text + "\n読み込みを中断しました。";
}

// The message after the list's kind word, with the system's reason.
inline std::string WriteErrorText(const WriteResult& result)
{
    std::string reason = result.Status == WriteStatus::ReadOnly ? "読み取り専用のファイルです"
                         : result.Error == EILSEQ ? "Shift-JIS で表せない文字があります"
                         : result.Error != 0      ? SystemReason(result.Error)
                                                  : std::string();
    if (!reason.empty()) {
        reason = "（" + reason + "）";
    }
    const bool created = result.Status == WriteStatus::Failed;
    return std::string(created ? "ファイル異常です。" : "ファイルに書き込みできません。") + reason +
           "\n書き込みを中断しました。";
}

// Reads a stream into the list's items; 1, or 0 after showing the message.
template <class Record, std::size_t N>
int ReadTableStream(std::istream& in, const TableFormat<Record, N>& format, std::vector<Record>& items,
                    const std::string& kindWord, Prompt& prompt)
{
    const TableProblem problem = ReadTable(in, format, items);
    if (problem.Error != TableError::None) {
        prompt.ShowError(kindWord + ReadErrorText(problem));
        return 0;
    }
    return 1;
}

// Same for a file; a folder or a file that cannot be opened is the open error.
template <class Record, std::size_t N>
int ReadTableFile(const std::string& path, const TableFormat<Record, N>& format, std::vector<Record>& items,
                  const std::string& kindWord, Prompt& prompt)
{
    std::ifstream in;
    if (const int error = OpenTableFile(path, in); error != 0) {
        prompt.ShowError(kindWord + ReadErrorText(TableProblem{TableError::Open, 0, "", error}));
        return 0;
    }
    return ReadTableStream(in, format, items, kindWord, prompt);
}

// The file's text (UTF-8, "\n" line ends): the titles, then every record; the first `columns`
// columns (all of them, or the required ones with or without some of the others).
template <class Record, std::size_t N>
std::string TableText(const TableFormat<Record, N>& format, const std::vector<Record>& items,
                      std::size_t columns = N)
{
    using Type = typename ColumnRule<Record>::Type;
    std::string text;
    for (std::size_t i = 0; i < columns; ++i) {
        text += format.Titles[i];
        text += i + 1 < columns ? "," : "\n";
    }
    for (const Record& record : items) {
        for (std::size_t i = 0; i < columns; ++i) {
            const ColumnRule<Record>& rule = format.Rules[i];
            switch (rule.Kind) {
                case Type::Text: text += QuoteField(record.*rule.Text); break;
                case Type::Length: text += FormatTenths(record.*rule.Number); break;
                case Type::Int: text += std::to_string(record.*rule.Number); break;
                case Type::Flag: text += record.*rule.Number ? "1" : "0"; break;
            }
            text += i + 1 < columns ? "," : "\n";
        }
    }
    return text;
}

// Replaces the file with the text; 1, or 0 after showing the message.
inline int WriteTableFile(const std::string& path, const std::string& text, const std::string& kindWord,
                          Prompt& prompt)
{
    const WriteResult result = WriteTextFile(path, text);
    if (!result.Ok()) {
        prompt.ShowError(kindWord + WriteErrorText(result));
        return 0;
    }
    return 1;
}

// Save dialog, then the list's Write; on success Saved = 1. Cancel returns 0 silently.
template <class List>
int SaveListAs(List& list, FileDialogOptions options, Prompt& prompt, FileChooser& chooser)
{
    options.OwnFiles = list.Files;
    const std::optional<std::string> path = chooser.SaveFile(options);
    if (!path || !list.Write(*path, prompt)) {
        return 0;
    }
    list.Saved = 1;
    list.Files = {*path};
    return 1;
}
