#include "job/Genban.h"

#include "base/Settings.h"
#include "job/TableFile.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"

const char* const CGenbanList::kColumns[13] = {
    "原板名",   "原板横",   "原板縦",       "原板厚さ",     "原板数",       "原板単価",    "原板優先度",
    "原板種類", "原板備考", "原板上トリム", "原板下トリム", "原板左トリム", "原板右トリム"};

namespace {

enum Column {
    kName,
    kWidth,
    kHeight,
    kThickness,
    kCount,
    kPrice,
    kPriority,
    kKind,
    kRemark,
    kTrimTop,
    kTrimBottom,
    kTrimLeft,
    kTrimRight
};

const char* const kKindWord = "原板";
const char* const kFilter = "原板データ (*.csv)|*.csv||";

using Rule = ColumnRule<CGenban>;
const std::array<Rule, 13> kRules = {
    Rule::TextColumn(&CGenban::Name),
    Rule::LengthColumn(&CGenban::Width, 1),
    Rule::LengthColumn(&CGenban::Height, 1),
    Rule::LengthColumn(&CGenban::Thickness, 0),
    Rule::IntColumn(&CGenban::Count, 1, kMaxBoardCount),
    Rule::IntColumn(&CGenban::Price, 0, kMaxPrice),
    Rule::IntColumn(&CGenban::Priority, 0, 2),
    Rule::TextColumn(&CGenban::Kind),
    Rule::TextColumn(&CGenban::Remark),
    Rule::LengthColumn(&CGenban::TrimTop, 0),
    Rule::LengthColumn(&CGenban::TrimBottom, 0),
    Rule::LengthColumn(&CGenban::TrimLeft, 0),
    Rule::LengthColumn(&CGenban::TrimRight, 0),
};

TableFormat<CGenban, 13> Format(const Settings& settings)
{
    return {CGenbanList::kColumns,
            kRules,
            [&settings](std::size_t fieldCount, std::array<int, 13>& map) {
                if (fieldCount != 8 && fieldCount != 9) {
                    return false;
                }
                // Field 4 of the earlier format is not used; the trims are absent.
                map.fill(-1);
                map[kWidth] = 0;
                map[kHeight] = 1;
                map[kThickness] = 2;
                map[kPrice] = 3;
                map[kCount] = 5;
                map[kPriority] = 6;
                map[kName] = 7;
                if (fieldCount == 9) {
                    map[settings.OldBikou ? kKind : kRemark] = 8;
                }
                return true;
            },
            13,
            {}};
}

FileDialogOptions DialogOptions(const Settings& settings)
{
    FileDialogOptions options{kFilter, "csv", settings.GenbanFol, ""};
    options.Kind = FileKind::Boards;
    return options;
}

}  // namespace

int CGenbanList::Read(std::istream& in, const Settings& settings, Prompt& prompt)
{
    return ReadTableStream(in, Format(settings), Items, kKindWord, prompt);
}

int CGenbanList::Read(const std::string& path, const Settings& settings, Prompt& prompt)
{
    return ReadTableFile(path, Format(settings), Items, kKindWord, prompt);
}

std::string CGenbanList::ToText() const
{
    return TableText(Format(Settings()), Items);
}

int CGenbanList::Write(const std::string& path, Prompt& prompt) const
{
    return WriteTableFile(path, ToText(), kKindWord, prompt);
}

int CGenbanList::SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    return SaveListAs(*this, DialogOptions(settings), prompt, chooser);
}

int CGenbanList::ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    const std::vector<std::string> paths = chooser.OpenFiles(DialogOptions(settings));
    for (const std::string& path : paths) {
        Files.push_back(path);
        if (!Read(path, settings, prompt)) {
            return 0;
        }
    }
    return paths.empty() ? 0 : 1;
}

std::string CGenbanList::CheckRecord(const CGenban& record)
{
    const Settings defaults;
    return RecordOutOfRange(Format(defaults), record).value_or("");
}

bool SameBoardRecord(const CGenban& a, const CGenban& b)
{
    return a.Name == b.Name && a.Width == b.Width && a.Height == b.Height && a.Thickness == b.Thickness &&
           a.TrimTop == b.TrimTop && a.TrimBottom == b.TrimBottom && a.TrimLeft == b.TrimLeft &&
           a.TrimRight == b.TrimRight && a.Price == b.Price && a.Count == b.Count && a.Priority == b.Priority &&
           a.Kind == b.Kind && a.Remark == b.Remark;
}
