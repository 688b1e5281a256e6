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

bool ParseBoard(const std::vector<std::string>& fields, const std::array<int, 13>& map, CGenban& board)
{
    for (std::size_t column = 0; column < 13; ++column) {
        if (map[column] < 0) {
            continue;
        }
        const std::string& field = MappedField(fields, map, column);
        switch (column) {
            case kName: board.Name = field; break;
            case kWidth:
                if (!ToTenths(field, board.Width) || board.Width <= 0) {
                    return false;
                }
                break;
            case kHeight:
                if (!ToTenths(field, board.Height) || board.Height <= 0) {
                    return false;
                }
                break;
            case kThickness:
                if (!ToTenths(field, board.Thickness) || board.Thickness < 0) {
                    return false;
                }
                break;
            case kCount:
                if (!ToInt(field, board.Count) || board.Count <= 0) {
                    return false;
                }
                break;
            case kPrice:
                if (!ToInt(field, board.Price) || board.Price < 0) {
                    return false;
                }
                break;
            case kPriority:
                if (!ToInt(field, board.Priority) || board.Priority < 0 || board.Priority > 2) {
                    return false;
                }
                break;
            case kKind: board.Kind = field; break;
            case kRemark: board.Remark = field; break;
            case kTrimTop:
                if (!ToTenths(field, board.TrimTop) || board.TrimTop < 0) {
                    return false;
                }
                break;
            case kTrimBottom:
                if (!ToTenths(field, board.TrimBottom) || board.TrimBottom < 0) {
                    return false;
                }
                break;
            case kTrimLeft:
                if (!ToTenths(field, board.TrimLeft) || board.TrimLeft < 0) {
                    return false;
                }
                break;
            case kTrimRight:
                if (!ToTenths(field, board.TrimRight) || board.TrimRight < 0) {
                    return false;
                }
                break;
        }
    }
    return true;
}

FileDialogOptions DialogOptions(const Settings& settings)
{
    return {kFilter, "csv", settings.GenbanFol, ""};
}

}  // namespace

int CGenbanList::Read(std::istream& in, const Settings& settings, Prompt& prompt)
{
    std::int32_t next = static_cast<std::int32_t>(Items.size());
    const TableFormat<13> format{
        kColumns,
        [&settings](std::size_t fieldCount, std::array<int, 13>& map) {
            if (fieldCount != 8 && fieldCount != 9) {
                return false;
            }
            // Field 4 of the earlier format is not used.
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
        [this, &next](const std::vector<std::string>& fields, const std::array<int, 13>& map) {
            CGenban board;
            if (!ParseBoard(fields, map, board)) {
                return false;
            }
            board.Index = next++;
            Items.push_back(std::move(board));
            return true;
        }};
    const TableError error = ReadTable(in, format);
    if (error != TableError::None) {
        prompt.ShowError(std::string(kKindWord) + ReadErrorText(error));
        return 0;
    }
    return 1;
}

int CGenbanList::Read(const std::string& path, const Settings& settings, Prompt& prompt)
{
    std::ifstream in;
    if (!OpenForReading(path, in)) {
        prompt.ShowError(std::string(kKindWord) + ReadErrorText(TableError::Open));
        return 0;
    }
    return Read(in, settings, prompt);
}

std::string CGenbanList::ToText() const
{
    std::string text;
    for (std::size_t i = 0; i < 13; ++i) {
        text += kColumns[i];
        text += i + 1 < 13 ? "," : "\n";
    }
    for (const CGenban& board : Items) {
        text += QuoteField(board.Name) + "," + FormatTenths(board.Width) + "," + FormatTenths(board.Height) +
                "," + FormatTenths(board.Thickness) + "," + std::to_string(board.Count) + "," +
                std::to_string(board.Price) + "," + std::to_string(board.Priority) + "," +
                QuoteField(board.Kind) + "," + QuoteField(board.Remark) + "," + FormatTenths(board.TrimTop) +
                "," + FormatTenths(board.TrimBottom) + "," + FormatTenths(board.TrimLeft) + "," +
                FormatTenths(board.TrimRight) + "\n";
    }
    return text;
}

int CGenbanList::Write(const std::string& path, Prompt& prompt) const
{
    const WriteResult status = WriteTextFile(path, ToText());
    if (status != WriteStatus::Ok) {
        prompt.ShowError(std::string(kKindWord) + WriteErrorText(status));
        return 0;
    }
    return 1;
}

int CGenbanList::SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    const std::optional<std::string> path = chooser.SaveFile(DialogOptions(settings));
    if (!path || !Write(*path, prompt)) {
        return 0;
    }
    Saved = 1;
    return 1;
}

int CGenbanList::ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    int anyRead = 0;
    for (const std::string& path : chooser.OpenFiles(DialogOptions(settings))) {
        if (!Read(path, settings, prompt)) {
            break;
        }
        anyRead = 1;
    }
    return anyRead;
}

void CGenbanList::Renumber()
{
    for (std::size_t i = 0; i < Items.size(); ++i) {
        Items[i].Index = static_cast<std::int32_t>(i);
    }
}
