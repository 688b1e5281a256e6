#include "job/Buzai.h"

#include "base/Settings.h"
#include "job/Edge.h"
#include "job/TableFile.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"

const char* const CBuzaiList::kColumns[12] = {"部材名",       "部材横",       "部材縦",       "部材厚さ",
                                              "部材数",       "部材横置き",   "部材種類",     "部材備考",
                                              "部材エッジ上", "部材エッジ下", "部材エッジ左", "部材エッジ右"};

namespace {

enum Column { kName, kWidth, kHeight, kThickness, kCount, kNoTurn, kKind, kRemark };

const char* const kFilter = "部材データ (*.csv)|*.csv||";

using Rule = ColumnRule<CBuzai>;
const std::array<Rule, 12> kRules = {
    Rule::TextColumn(&CBuzai::Name),
    Rule::LengthColumn(&CBuzai::Width, 1),
    Rule::LengthColumn(&CBuzai::Height, 1),
    Rule::LengthColumn(&CBuzai::Thickness, 0),
    Rule::IntColumn(&CBuzai::Count, 1, kMaxPartCount),
    Rule::FlagColumn(&CBuzai::NoTurn),
    Rule::TextColumn(&CBuzai::Kind),
    Rule::TextColumn(&CBuzai::Remark),
    Rule::TextColumn(&CBuzai::EdgeTop),
    Rule::TextColumn(&CBuzai::EdgeBottom),
    Rule::TextColumn(&CBuzai::EdgeLeft),
    Rule::TextColumn(&CBuzai::EdgeRight),
};

TableFormat<CBuzai, 12> Format(const Settings& settings, const CEdgeList* edges = nullptr)
{
    std::function<std::optional<std::string>(const CBuzai&)> check;
    if (edges != nullptr) {
        check = [edges](const CBuzai& part) -> std::optional<std::string> {
            const std::array<const std::string*, 4> codes = PartEdges(part);
            for (std::size_t i = 0; i < codes.size(); ++i) {
                if (!codes[i]->empty() && edges->Find(*codes[i]) == nullptr) {
                    return std::string(CBuzaiList::kColumns[CBuzaiList::kRequiredColumns + i]) + "「" +
                           *codes[i] + "」はエッジ材にありません";
                }
            }
            return std::nullopt;
        };
    }
    return {CBuzaiList::kColumns, kRules,
            [&settings](std::size_t fieldCount, std::array<int, 12>& map) {
                if (fieldCount != 5 && fieldCount != 6) {
                    return false;
                }
                map = {-1, 0, 1, 2, 3, 4, -1, -1, -1, -1, -1, -1};
                if (fieldCount == 6) {
                    map[settings.OldBikou ? kKind : kRemark] = 5;
                }
                return true;
            },
            CBuzaiList::kRequiredColumns, std::move(check)};
}

FileDialogOptions DialogOptions(const CBuzaiList& list, const Settings& settings)
{
    FileDialogOptions options{kFilter, "csv", list.IsSecondary ? settings.YBuzaiFol : settings.BuzaiFol, ""};
    options.Kind = list.IsSecondary ? FileKind::SecondaryParts : FileKind::Parts;
    return options;
}

}  // namespace

int CBuzaiList::Read(std::istream& in, const Settings& settings, Prompt& prompt)
{
    return ReadTableStream(in, Format(settings, Edges), Items, KindWord(), prompt);
}

int CBuzaiList::Read(const std::string& path, const Settings& settings, Prompt& prompt)
{
    return ReadTableFile(path, Format(settings, Edges), Items, KindWord(), prompt);
}

std::string CBuzaiList::ToText() const
{
    // A list without bands is written as files were before bands.
    return TableText(Format(Settings()), Items, HasEdges() ? std::size(kColumns) : kRequiredColumns);
}

bool CBuzaiList::HasEdges() const
{
    for (const CBuzai& part : Items) {
        for (const std::string* edge : PartEdges(part)) {
            if (!edge->empty()) {
                return true;
            }
        }
    }
    return false;
}

std::array<const std::string*, 4> PartEdges(const CBuzai& part)
{
    return {&part.EdgeTop, &part.EdgeBottom, &part.EdgeLeft, &part.EdgeRight};
}

int CBuzaiList::Write(const std::string& path, Prompt& prompt) const
{
    return WriteTableFile(path, ToText(), KindWord(), prompt);
}

int CBuzaiList::SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    return SaveListAs(*this, DialogOptions(*this, settings), prompt, chooser);
}

int CBuzaiList::ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    const std::optional<std::string> path = chooser.OpenFile(DialogOptions(*this, settings));
    if (!path) {
        return 0;
    }
    Files.push_back(*path);
    return Read(*path, settings, prompt);
}

std::string CBuzaiList::CheckRecord(const CBuzai& record)
{
    const Settings defaults;
    return RecordOutOfRange(Format(defaults), record).value_or("");
}
