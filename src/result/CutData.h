#pragma once

#include "result/JobLists.h"
#include "result/Offcuts.h"

#include <cstdint>
#include <string>

class CBuzaiList;
class CGenbanList;
class CRetData;
class Prompt;

// The job information of the cut data file (dialog 切断データ出力情報 or the command line).
struct CutDataInfo {
    std::string JobName;  // 物件名
    int Year = 0;         // 納期
    int Month = 0;
    int Day = 0;
    std::string Comment;  // コメント
    std::string Customer{};  // 得意先 (not in the cut data file)

    friend bool operator==(const CutDataInfo&, const CutDataInfo&) = default;
};

// The lists a result refers to, the kerf it was laid out with (0.1 mm) and the smallest
// offcut kept.
struct CutDataSource : JobLists {
    std::int32_t Kerf = 0;
    OffcutSize MinOffcut;
};

// A real calendar date from 1900 to 9999.
bool IsValidDate(int year, int month, int day);
// The local calendar date now.
void Today(int& year, int& month, int& day);
// "YYYY-MM-DD" as the command line gives it.
bool ParseIsoDate(const std::string& text, int& year, int& month, int& day);
// The due date as "YYYY-MM-DD"; "" without one (year 0).
std::string IsoDueDate(const CutDataInfo& info);

// The text as part of a file name: characters unsafe in a file name here or on Windows become "_".
std::string FileNameText(const std::string& text);

// The name the save dialog proposes: "<物件名>_<YYYYMMDD>.csv" with the due date; characters
// that cannot stand in a file name become "_", and without a job name it is "<YYYYMMDD>.csv".
std::string CutDataFileName(const CutDataInfo& info);

// What keeps a job name or comment out of the files, as a message naming `field` ("" when
// nothing does): a line break, a character without a CP932 form, more than kMaxJobTextChars
// characters.
inline constexpr std::size_t kMaxJobTextChars = 256;
std::string JobTextProblem(const std::string& field, const std::string& text);

// The first field whose value cannot go into the file (JobTextProblem of the texts, a date that
// does not exist), after its message; None when all can.
enum class CutDataField { None, JobName, Customer, Due, Comment };
CutDataField CheckCutDataInfo(const CutDataInfo& info, Prompt& prompt);

// The file's text (UTF-8, "\n" line ends; docs/cut-data.md). False, with `error` saying which
// layout and why, when a layout cannot be cut apart: then there is no text.
bool CutDataText(const CutDataSource& source, const CutDataInfo& info, std::string& text, std::string& error);

// Builds the text and writes it (CP932, CR LF; a failed write keeps the previous file).
// Every failure is shown through the prompt; nothing is written then. 1 on success.
int WriteCutData(const std::string& path, const CutDataSource& source, const CutDataInfo& info,
                 Prompt& prompt);
