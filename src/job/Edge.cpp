#include "job/Edge.h"

#include "base/CsvLine.h"
#include "base/TextCodec.h"
#include "base/Settings.h"
#include "job/Buzai.h"
#include "job/TableFile.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"

const char* const CEdgeList::kColumns[6] = {"エッジ記号", "エッジ名",   "エッジ厚さ",
                                            "エッジ高さ", "エッジ単価", "エッジ足し長さ"};

namespace {

using Rule = ColumnRule<CEdge>;
const std::array<Rule, 6> kRules = {
    Rule::TextColumn(&CEdge::Code),
    Rule::TextColumn(&CEdge::Name),
    Rule::LengthColumn(&CEdge::Thickness, 0),
    Rule::LengthColumn(&CEdge::Height, 0),
    Rule::IntColumn(&CEdge::Price, 0, kMaxPrice),
    Rule::LengthColumn(&CEdge::Allowance, 0),
};

TableFormat<CEdge, 6> Format()
{
    return {CEdgeList::kColumns, kRules, [](std::size_t, std::array<int, 6>&) { return false; }, 6, {}};
}

}  // namespace

// Bands read apart, checked whole, then appended: a list never holds a code twice.
int CEdgeList::Take(std::vector<CEdge> read, Prompt& prompt)
{
    CEdgeList checked = *this;
    for (std::size_t i = 0; i < read.size(); ++i) {
        const std::string wrong = checked.CheckRecord(read[i]);
        if (!wrong.empty()) {
            // Records stand on consecutive lines under the header.
            prompt.ShowError(kKindWord + ReadErrorText(TableProblem{TableError::Data, i + 2, wrong}));
            return 0;
        }
        read[i].Index = static_cast<std::int32_t>(checked.Items.size());
        checked.Items.push_back(read[i]);
    }
    Items = std::move(checked.Items);
    return 1;
}

int CEdgeList::Read(std::istream& in, Prompt& prompt)
{
    std::vector<CEdge> read;
    return ReadTableStream(in, Format(), read, kKindWord, prompt) ? Take(std::move(read), prompt) : 0;
}

int CEdgeList::Read(const std::string& path, Prompt& prompt)
{
    std::vector<CEdge> read;
    return ReadTableFile(path, Format(), read, kKindWord, prompt) ? Take(std::move(read), prompt) : 0;
}

namespace {

FileDialogOptions EdgeDialogOptions(const Settings& settings)
{
    FileDialogOptions options{"エッジ材データ (*.csv)|*.csv||", "csv", settings.GenbanFol, ""};
    options.Kind = FileKind::Boards;
    return options;
}

}  // namespace

int CEdgeList::ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    const std::optional<std::string> path = chooser.OpenFile(EdgeDialogOptions(settings));
    if (!path) {
        return 0;
    }
    Files.push_back(*path);
    return Read(*path, prompt);
}

int CEdgeList::SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser)
{
    return SaveListAs(*this, EdgeDialogOptions(settings), prompt, chooser);
}

std::string CEdgeList::ToText() const
{
    return TableText(Format(), Items);
}

int CEdgeList::Write(const std::string& path, Prompt& prompt) const
{
    return WriteTableFile(path, ToText(), kKindWord, prompt);
}

const CEdge* CEdgeList::Find(const std::string& code) const
{
    for (const CEdge& edge : Items) {
        if (edge.Code == code) {
            return &edge;
        }
    }
    return nullptr;
}

std::string CEdgeList::CheckRecord(const CEdge& record, int self) const
{
    if (auto wrong = RecordOutOfRange(Format(), record)) {
        return *wrong;
    }
    const long bytes = Cp932Length(record.Code);
    if (record.Code.empty()) {
        return "エッジ記号がありません";
    }
    if (bytes < 0) {
        return "エッジ記号「" + record.Code + "」に Shift-JIS で表せない文字があります";
    }
    if (bytes > kMaxEdgeCodeBytes || record.Code.find_first_of(" ,\"") != std::string::npos) {
        return "エッジ記号「" + record.Code + "」は空白・カンマ・引用符なしの " +
               std::to_string(kMaxEdgeCodeBytes) + " バイトまでです";
    }
    for (const CEdge& other : Items) {
        if (other.Code == record.Code && other.Index != self) {
            return "エッジ記号「" + record.Code + "」がすでにあります";
        }
    }
    return "";
}

std::optional<std::string> PartCutSize(const CBuzai& part, const CEdgeList& edges, std::int32_t premill,
                                       CutSize& size)
{
    // Each side's loss: its band's thickness less the allowance milled off before banding.
    std::int32_t loss[4] = {};
    const std::array<const std::string*, 4> codes = PartEdges(part);
    static const char* const kSides[4] = {"上", "下", "左", "右"};
    for (std::size_t side = 0; side < 4; ++side) {
        if (codes[side]->empty()) {
            continue;
        }
        const CEdge* edge = edges.Find(*codes[side]);
        if (edge == nullptr) {
            return "エッジ" + std::string(kSides[side]) + "「" + *codes[side] + "」はエッジ材にありません";
        }
        loss[side] = edge->Thickness - premill;
    }
    size.Width = part.Width - loss[2] - loss[3];
    size.Height = part.Height - loss[0] - loss[1];
    if (size.Width <= 0 || size.Height <= 0) {
        return "エッジを除くと寸法が 0 以下になります（" + FormatTenths(size.Width) + " × " +
               FormatTenths(size.Height) + " mm）";
    }
    if (size.Width > kMaxLengthTenths || size.Height > kMaxLengthTenths) {
        return "仕上げ代を足すと寸法が " + FormatTenths(kMaxLengthTenths) + " mm を超えます";
    }
    return std::nullopt;
}

std::string CutSizeList(const CBuzaiList& list, const CEdgeList& edges, std::int32_t premill, CBuzaiList& cut)
{
    CBuzaiList sized = list;
    for (CBuzai& part : sized.Items) {
        CutSize size;
        if (const auto wrong = PartCutSize(part, edges, premill, size)) {
            return std::string(list.KindWord()) + " " + std::to_string(part.Index + 1) + "「" + part.Name +
                   "」: " + *wrong;
        }
        part.FinishedWidth = part.Width;
        part.FinishedHeight = part.Height;
        part.Width = size.Width;
        part.Height = size.Height;
    }
    cut = std::move(sized);
    return "";
}
