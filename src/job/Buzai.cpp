#include "job/Buzai.h"

#include "base/Settings.h"
#include "job/TableFile.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"

const char* const CBuzaiList::kColumns[8] = {"部材名", "部材横",     "部材縦",   "部材厚さ",
                                             "部材数", "部材横置き", "部材種類", "部材備考"};

namespace {

enum Column { kName, kWidth, kHeight, kThickness, kCount, kNoTurn, kKind, kRemark };

const char* const kFilter = "部材データ (*.csv)|*.csv||";

// One part line through the column map; false at the first column that is not accepted.
bool ParsePart(const std::vector<std::string>& fields, const std::array<int, 8>& map, CBuzai& part)
{
    for (std::size_t column = 0; column < 8; ++column) {
        if (map[column] < 0) {
            continue;
        }
        const std::string& field = MappedField(fields, map, column);
        std::int32_t value = 0;
        switch (column) {
            case kName: part.Name = field; break;
            case kWidth:
                if (!ToTenths(field, part.Width) || part.Width <= 0) {
                    return false;
                }
                break;
            case kHeight:
                if (!ToTenths(field, part.Height) || part.Height <= 0) {
                    return false;
                }
                break;
            case kThickness:
                if (!ToTenths(field, part.Thickness) || part.Thickness < 0) {
                    return false;
                }
                break;
            case kCount:
                if (!ToInt(field, part.Count) || part.Count <= 0) {
                    return false;
                }
                break;
            case kNoTurn:
                // Any number counts; only its being zero matters.
                part.NoTurn = (!ToInt(field, value) || value != 0) ? 1 : 0;
                break;
            case kKind: part.Kind = field; break;
            case kRemark: part.Remark = field; break;
        }
    }
    return true;
}

}  // namespace

int CBuzaiList::Read(std::istream& in, const Settings& settings, Prompt& prompt)
{
    std::int32_t next = static_cast<std::int32_t>(Items.size());
    const TableFormat<8> format{
        kColumns,
        [&settings](std::size_t fieldCount, std::array<int, 8>& map) {
            if (fieldCount != 5 && fieldCount != 6) {
                return false;
            }
            map = {-1, 0, 1, 2, 3, 4, -1, -1};
            if (fieldCount == 6) {
                map[settings.OldBikou ? kKind : kRemark] = 5;
            }
            return true;
        },
        [this, &next](const std::vector<std::string>& fields, const std::array<int, 8>& map) {
            CBuzai part;
            if (!ParsePart(fields, map, part)) {
                return false;
            }
            part.Index = next++;
            Items.push_back(std::move(part));
            return true;
        }};
    const TableError error = ReadTable(in, format);
    if (error != TableError::None) {
        prompt.ShowError(std::string(KindWord()) + ReadErrorText(error));
        return 0;
    }
    return 1;
}

int CBuzaiList::Read(const std::string& path, const Settings& settings, Prompt& prompt)
{
    std::ifstream in;
    if (!OpenForReading(path, in)) {
        prompt.ShowError(std::string(KindWord()) + ReadErrorText(TableError::Open));
        return 0;
    }
    return Read(in, settings, prompt);
}

std::string CBuzaiList::ToText() const
{
    std::string text;
    for (std::size_t i = 0; i < 8; ++i) {
        text += kColumns[i];
        text += i + 1 < 8 ? "," : "\n";
    }
    for (const CBuzai& part : Items) {
        text += QuoteField(part.Name) + "," + FormatTenths(part.Width) + "," + FormatTenths(part.Height) +
                "," + FormatTenths(part.Thickness) + "," + std::to_string(part.Count) + "," +
                (part.NoTurn ? "1" : "0") + "," + QuoteField(part.Kind) + "," + QuoteField(part.Remark) +
                "\n";
    }
    return text;
}

int CBuzaiList::Write(const std::string& path, Prompt& prompt) const
{
    const WriteResult status = WriteTextFile(path, ToText());
    if (status != WriteStatus::Ok) {
        prompt.ShowError(std::string(KindWord()) + WriteErrorText(status));
        return 0;
    }
    return 1;
}

int CBuzaiList::SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    const std::optional<std::string> path =
        chooser.SaveFile({kFilter, "csv", IsSecondary ? settings.YBuzaiFol : settings.BuzaiFol, ""});
    if (!path) {
        return 0;
    }
    if (!Write(*path, prompt)) {
        return 0;
    }
    Saved = 1;
    return 1;
}

int CBuzaiList::ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    const std::optional<std::string> path =
        chooser.OpenFile({kFilter, "csv", IsSecondary ? settings.YBuzaiFol : settings.BuzaiFol, ""});
    if (!path) {
        return 0;
    }
    return Read(*path, settings, prompt);
}

void CBuzaiList::Renumber()
{
    for (std::size_t i = 0; i < Items.size(); ++i) {
        Items[i].Index = static_cast<std::int32_t>(i);
    }
}
