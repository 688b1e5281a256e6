#include "result/JobFile.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <tuple>
#include <utility>

#include "base/IniFile.h"
#include "base/Tolerance.h"
#include "result/CutData.h"
#include "result/CutPlan.h"
#include "result/ResultJson.h"

using Json = nlohmann::ordered_json;

namespace {

// The settings a calculation reads, by their key in the settings file.
struct RunKey {
    const char* Name;
    int Settings::*Member;
    bool Required = true;
};
const RunKey kRunKeys[] = {
    {"NokoHaba", &Settings::NokoHaba},
    {"MaxCutSize", &Settings::MaxCutSize},
    {"CutLV", &Settings::CutLV},
    {"UseYBuzai", &Settings::UseYBuzai},
    {"NoRateFlg", &Settings::NoRateFlg},
    {"NoUsenFlg", &Settings::NoUsenFlg},
    {"Use2ko1", &Settings::Use2ko1},
    {"UseSmallPat", &Settings::UseSmallPat},
    {"UseCal3", &Settings::UseCal3},
    {"UseCal4", &Settings::UseCal4},
    {"UseMenCal", &Settings::UseMenCal},
    {"UseSearch", &Settings::UseSearch},
    {"SearchEffort", &Settings::SearchEffort},
    {"NoSort", &Settings::NoSort},
    // The smallest offcut of the result's offcuts; files of 1.x before them lack it.
    {"MinOffcutW", &Settings::MinOffcutW, false},
    {"MinOffcutL", &Settings::MinOffcutL, false},
    // Files of 3.3.2 and before lack it (their runs laid every row out on its own).
    {"MergeRows", &Settings::MergeRows, false},
    // Written only when set (files without bands stay as they were).
    {"EdgePremill", &Settings::EdgePremill, false},
    // 同じ価格なら切断の少ない方; written only when set.
    {"FewerCutsOnTie", &Settings::FewerCutsOnTie, false},
};

// A record's fields by their key in the file.
template <class Record>
struct RecordKey {
    const char* Name;
    std::string Record::*Text;
    std::int32_t Record::*Number;
    bool Optional = false;  // a text written only when not empty, "" when the file lacks it
};
const RecordKey<CBuzai> kPartKeys[] = {
    {"name", &CBuzai::Name, nullptr},
    {"width", nullptr, &CBuzai::Width},
    {"length", nullptr, &CBuzai::Height},
    {"thickness", nullptr, &CBuzai::Thickness},
    {"count", nullptr, &CBuzai::Count},
    {"no_turn", nullptr, &CBuzai::NoTurn},
    {"kind", &CBuzai::Kind, nullptr},
    {"remark", &CBuzai::Remark, nullptr},
    // The bands, in files of parts that have them.
    {"edge_top", &CBuzai::EdgeTop, nullptr, true},
    {"edge_bottom", &CBuzai::EdgeBottom, nullptr, true},
    {"edge_left", &CBuzai::EdgeLeft, nullptr, true},
    {"edge_right", &CBuzai::EdgeRight, nullptr, true},
};
const RecordKey<CGenban> kBoardKeys[] = {
    {"name", &CGenban::Name, nullptr},          {"width", nullptr, &CGenban::Width},
    {"length", nullptr, &CGenban::Height},      {"thickness", nullptr, &CGenban::Thickness},
    {"count", nullptr, &CGenban::Count},        {"price", nullptr, &CGenban::Price},
    {"priority", nullptr, &CGenban::Priority},  {"kind", &CGenban::Kind, nullptr},
    {"remark", &CGenban::Remark, nullptr},      {"trim_top", nullptr, &CGenban::TrimTop},
    {"trim_bottom", nullptr, &CGenban::TrimBottom}, {"trim_left", nullptr, &CGenban::TrimLeft},
    {"trim_right", nullptr, &CGenban::TrimRight},  {"use", nullptr, &CGenban::Use},
};
const RecordKey<CEdge> kEdgeKeys[] = {
    {"code", &CEdge::Code, nullptr},           {"name", &CEdge::Name, nullptr},
    {"thickness", nullptr, &CEdge::Thickness}, {"height", nullptr, &CEdge::Height},
    {"price", nullptr, &CEdge::Price},         {"allowance", nullptr, &CEdge::Allowance},
};

template <class Record, std::size_t N>
Json RecordsToJson(const std::vector<Record>& items, const RecordKey<Record> (&keys)[N])
{
    Json array = Json::array();
    for (const Record& record : items) {
        Json object = Json::object();
        for (const RecordKey<Record>& key : keys) {
            if (key.Optional && (record.*key.Text).empty()) {
                continue;
            }
            if (key.Text) {
                object[key.Name] = record.*key.Text;
            } else {
                object[key.Name] = record.*key.Number;
            }
        }
        array.push_back(std::move(object));
    }
    return array;
}

// Reading: every failure throws Bad with what is wrong and where; the caller turns it into the
// message. Paths are written as in the file: result.layouts[2].blocks[0].x.
struct Bad {
    std::string Text;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what)
{
    throw Bad{where.empty() ? what : where + ": " + what};
}

// A stop signal ends the reading between records, not after all of them.
void StopIfAsked()
{
    if (g_stopReading.load(std::memory_order_relaxed) != 0) {
        Fail("", "読み込みを中断しました");
    }
}

const Json& Member(const Json& object, const std::string& where, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end()) {
        Fail(where, std::string("「") + key + "」がありません");
    }
    return *found;
}

std::string Sub(const std::string& where, const char* key)
{
    return where.empty() ? key : where + "." + key;
}

std::string Sub(const std::string& where, std::size_t index)
{
    return where + "[" + std::to_string(index) + "]";
}

const Json& ObjectAt(const Json& object, const std::string& where, const char* key)
{
    const Json& value = Member(object, where, key);
    if (!value.is_object()) {
        Fail(Sub(where, key), "オブジェクトではありません");
    }
    return value;
}

const Json& ArrayAt(const Json& object, const std::string& where, const char* key)
{
    const Json& value = Member(object, where, key);
    if (!value.is_array()) {
        Fail(Sub(where, key), "配列ではありません");
    }
    return value;
}

// Item i of an array, which must be an object.
const Json& ItemAt(const Json& array, std::size_t i, const std::string& where)
{
    if (!array[i].is_object()) {
        Fail(where, "オブジェクトではありません");
    }
    return array[i];
}

std::string TextAt(const Json& object, const std::string& where, const char* key)
{
    const Json& value = Member(object, where, key);
    if (!value.is_string()) {
        Fail(Sub(where, key), "文字列ではありません");
    }
    return value.get<std::string>();
}

bool BoolAt(const Json& object, const std::string& where, const char* key)
{
    const Json& value = Member(object, where, key);
    if (!value.is_boolean()) {
        Fail(Sub(where, key), "true か false ではありません");
    }
    return value.get<bool>();
}

long long IntegerAt(const Json& object, const std::string& where, const char* key, long long min, long long max)
{
    const Json& value = Member(object, where, key);
    if (!value.is_number_integer()) {
        Fail(Sub(where, key), "整数ではありません");
    }
    const auto outOfRange = [&](const std::string& number) {
        Fail(Sub(where, key),
             number + " は " + std::to_string(min) + " から " + std::to_string(max) + " の範囲にありません");
    };
    // Above max as unsigned (up to 2^64 - 1), as it was written: never through a signed overflow.
    if (value.is_number_unsigned() && value.get<unsigned long long>() > static_cast<unsigned long long>(max)) {
        outOfRange(std::to_string(value.get<unsigned long long>()));
    }
    const long long number = value.get<long long>();
    if (number < min || number > max) {
        outOfRange(std::to_string(number));
    }
    return number;
}

std::int32_t Int32At(const Json& object, const std::string& where, const char* key, std::int32_t min = 0,
                     std::int32_t max = INT32_MAX)
{
    return static_cast<std::int32_t>(IntegerAt(object, where, key, min, max));
}

double DoubleAt(const Json& object, const std::string& where, const char* key)
{
    const Json& value = Member(object, where, key);
    if (!value.is_number()) {
        Fail(Sub(where, key), "数値ではありません");
    }
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < 0.0) {
        Fail(Sub(where, key), "0 以上の有限の数値ではありません");
    }
    return number;
}

template <class Record, std::size_t N>
std::vector<Record> RecordsFromJson(const Json& root, const char* key, const RecordKey<Record> (&keys)[N],
                                    std::string (*check)(const Record&))
{
    std::vector<Record> items;
    const Json& array = ArrayAt(root, "", key);
    for (std::size_t i = 0; i < array.size(); ++i) {
        StopIfAsked();
        const std::string where = Sub(key, i);
        const Json& item = ItemAt(array, i, where);
        Record record;
        for (const RecordKey<Record>& field : keys) {
            if (field.Optional && !item.contains(field.Name)) {
                continue;
            }
            if (field.Text) {
                record.*field.Text = TextAt(item, where, field.Name);
            } else {
                record.*field.Number = Int32At(item, where, field.Name, INT32_MIN, INT32_MAX);
            }
        }
        if (const std::string wrong = check(record); !wrong.empty()) {
            Fail(where, wrong);
        }
        record.Index = static_cast<std::int32_t>(items.size());
        items.push_back(std::move(record));
    }
    return items;
}

std::string CheckEdgeRecord(const CEdge& edge)
{
    return CEdgeList().CheckRecord(edge);
}

std::string CheckBoardRecord(const CGenban& board)
{
    if (board.Use != 0 && board.Use != 1) {
        return "use は 0 か 1 です";
    }
    return CGenbanList::CheckRecord(board);
}

void ReadInfo(const Json& root, CutDataInfo& info)
{
    const Json& job = ObjectAt(root, "", "job");
    info.JobName = TextAt(job, "job", "name");
    info.Comment = TextAt(job, "job", "comment");
    info.Customer = job.contains("customer") ? TextAt(job, "job", "customer") : "";
    for (const auto& [key, field, text] : {std::tuple{"job.name", "物件名", &info.JobName},
                                           std::tuple{"job.customer", "得意先", &info.Customer},
                                           std::tuple{"job.comment", "コメント", &info.Comment}}) {
        if (const std::string problem = JobTextProblem(field, *text); !problem.empty()) {
            Fail(key, problem);
        }
    }
    const std::string due = TextAt(job, "job", "due");
    info.Year = info.Month = info.Day = 0;
    if (!due.empty() && !ParseIsoDate(due, info.Year, info.Month, info.Day)) {
        Fail("job.due", "「" + due + "」は YYYY-MM-DD の日付ではありません");
    }
}

// The settings go through the reader of the settings file, so that a value outside what the
// dialogs allow is refused as it is there.
void ReadRunSettings(const Json& root, Settings& run)
{
    const Json& object = ObjectAt(root, "", "settings");
    std::string text = std::string("[") + kSettingsSection + "]\n";
    std::map<std::string, long long> values;
    for (const RunKey& key : kRunKeys) {
        if (!key.Required && !object.contains(key.Name)) {
            continue;
        }
        const long long value = IntegerAt(object, "settings", key.Name, INT32_MIN, INT32_MAX);
        values[key.Name] = value;
        text += std::string(key.Name) + "=" + std::to_string(value) + "\n";
    }
    IniFile ini;
    ini.LoadText(text);
    Settings loaded;
    const std::vector<std::string> warnings = loaded.Load(ini);
    for (const RunKey& key : kRunKeys) {
        if (values.count(key.Name) != 0 && loaded.*key.Member != values[key.Name]) {
            Fail(Sub("settings", key.Name), std::to_string(values[key.Name]) + " は使えない値です");
        }
    }
    if (!warnings.empty()) {
        Fail("settings", warnings.front());
    }
    CopyJobRunSettings(loaded, run);
}

std::vector<CAL_BUZAI> EntriesFromJson(const Json& object, const std::string& where, const char* key,
                                       const char* countKey)
{
    std::vector<CAL_BUZAI> entries;
    const Json& array = ArrayAt(object, where, key);
    for (std::size_t i = 0; i < array.size(); ++i) {
        StopIfAsked();
        const std::string at = Sub(Sub(where, key), i);
        const Json& entry = ItemAt(array, i, at);
        entries.push_back(
            CAL_BUZAI{Int32At(entry, at, "part"), Int32At(entry, at, countKey, 1), Int32At(entry, at, "list", 0, 1)});
    }
    return entries;
}

COutData LayoutFromJson(const Json& json, const std::string& where)
{
    COutData layout;
    layout.BoardNo = Int32At(json, where, "board");
    layout.Repeat = Int32At(json, where, "repeat", 1);
    layout.PartsArea = DoubleAt(json, where, "parts_area");
    layout.TotalArea = DoubleAt(json, where, "total_area");
    layout.PartsYield = DoubleAt(json, where, "parts_yield");
    layout.TotalYield = DoubleAt(json, where, "total_yield");
    const Json& blocks = ArrayAt(json, where, "blocks");
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        StopIfAsked();
        const std::string at = Sub(Sub(where, "blocks"), i);
        const Json& b = ItemAt(blocks, i, at);
        layout.Blocks.emplace_back(Int32At(b, at, "part"), Int32At(b, at, "list", 0, 1), Int32At(b, at, "x"),
                                   Int32At(b, at, "y"), Int32At(b, at, "nx", 1), Int32At(b, at, "ny", 1),
                                   Int32At(b, at, "rotated", 0, 1));
    }
    const Json& cuts = ArrayAt(json, where, "cuts");
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const std::string at = Sub(Sub(where, "cuts"), i);
        const Json& c = ItemAt(cuts, i, at);
        layout.CutLines.push_back(
            CUTMARK{Int32At(c, at, "x0"), Int32At(c, at, "y0"), Int32At(c, at, "x1"), Int32At(c, at, "y1")});
    }
    layout.Summary = EntriesFromJson(json, where, "summary", "pieces");
    return layout;
}

CRetData ResultFromJson(const Json& json)
{
    CRetData ret;
    ret.MaxWidth = Int32At(json, "result", "max_board_width");
    ret.MaxHeight = Int32At(json, "result", "max_board_height");
    ret.PartsArea = DoubleAt(json, "result", "parts_area");
    ret.TotalArea = DoubleAt(json, "result", "total_area");
    ret.BoardArea = DoubleAt(json, "result", "board_area");
    ret.TotalPrice = IntegerAt(json, "result", "total_price", 0, INT64_MAX);
    ret.PartsPrice = DoubleAt(json, "result", "parts_price");
    ret.TotalPiecesPrice = DoubleAt(json, "result", "total_pieces_price");
    if (json.contains("stopped_early")) {
        const Json& early = json["stopped_early"];
        if (!early.is_boolean()) {
            Fail("result.stopped_early", "true か false ではありません");
        }
        ret.StoppedEarly = early.get<bool>();
    }
    if (json.contains("groups")) {
        const Json& groups = ArrayAt(json, "result", "groups");
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const std::string at = Sub("result.groups", i);
            const Json& g = ItemAt(groups, i, at);
            RET_GROUP group;
            group.Kind = TextAt(g, at, "kind");
            group.Thickness = Int32At(g, at, "thickness");
            group.JobsTotal = Int32At(g, at, "jobs_total");
            group.JobsEnded = Int32At(g, at, "jobs_ended", 0, group.JobsTotal);
            group.StoppedEarly = BoolAt(g, at, "stopped_early");
            group.Waited = BoolAt(g, at, "waited_past_limit");
            ret.Groups.push_back(group);
        }
    }
    const Json& layouts = ArrayAt(json, "result", "layouts");
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        StopIfAsked();
        const std::string where = Sub("result.layouts", i);
        ret.Layouts.push_back(LayoutFromJson(ItemAt(layouts, i, where), where));
    }
    ret.Unplaced = EntriesFromJson(json, "result", "unplaced", "count");
    ret.PlacedSecondary = EntriesFromJson(json, "result", "placed_secondary", "count");
    const Json& used = ArrayAt(json, "result", "used_boards");
    for (std::size_t i = 0; i < used.size(); ++i) {
        const std::string at = Sub("result.used_boards", i);
        const Json& u = ItemAt(used, i, at);
        ret.UsedBoards.push_back(RET_GENBAN{Int32At(u, at, "board"), Int32At(u, at, "sheets", 1)});
    }
    return ret;
}

// Whether a recorded cut line runs through the inside of a piece.
bool CutsAPiece(const CUTMARK& line, const std::vector<CutPiece>& pieces)
{
    const std::int32_t x0 = std::min(line.X0, line.X1), x1 = std::max(line.X0, line.X1);
    const std::int32_t y0 = std::min(line.Y0, line.Y1), y1 = std::max(line.Y0, line.Y1);
    return std::any_of(pieces.begin(), pieces.end(), [&](const CutPiece& p) {
        return x0 == x1 ? p.X0 < x0 && x0 < p.X1 && y0 < p.Y1 && p.Y0 < y1
                        : p.Y0 < y0 && y0 < p.Y1 && x0 < p.X1 && p.X0 < x1;
    });
}

// Whether the pieces of one layout can be cut as the settings beside them say: parts of the
// board's kind and thickness within the cutting limit, no turned piece of a part that may not
// turn, secondary parts only where they were in use, pieces a saw can cut apart (none
// overlapping or closer than the kerf) and recorded cut lines straight and through no piece.
void CheckCuttable(const JobDocument& job, const COutData& layout, const CGenban& board, const std::string& where)
{
    const CBuzaiList* lists[2] = {&job.Parts, &job.Secondary};
    const auto cannot = [&](const std::string& at, const std::string& why) {
        Fail(at, "配置が切断できません: " + why);
    };
    for (std::size_t k = 0; k < layout.Blocks.size(); ++k) {
        const CHaichi& block = layout.Blocks[k];
        const std::string at = Sub(Sub(where, "blocks"), k);
        const CBuzai& part = lists[block.List]->Items[static_cast<std::size_t>(block.Number)];
        if (block.List == 1 && job.Run.UseYBuzai == 0) {
            cannot(at, "２次部材「" + part.Name + "」は２次部材を使わない計算に置かれています");
        }
        if (part.NoTurn != 0 && block.Rotated != 0) {
            cannot(at, "「" + part.Name + "」は横置きしない部材ですが、回転して置かれています");
        }
        if (part.Kind != board.Kind || part.Thickness != board.Thickness) {
            cannot(at, "「" + part.Name + "」の種類・厚さが原板「" + board.Name + "」と違います");
        }
        if (part.Width > job.Run.MaxCutSize || part.Height > job.Run.MaxCutSize) {
            cannot(at, "「" + part.Name + "」は切断限界を超えています");
        }
    }
    const std::vector<CutPiece> pieces = LayoutPieces(layout, job.Parts, job.Secondary, job.Run.NokoHaba);
    CutPlan plan;
    const std::string problem = BuildCutPlan(pieces, TrimmedBoard(board), job.Run.NokoHaba, {}, plan);
    if (!problem.empty()) {
        cannot(where, problem);
    }
    for (std::size_t c = 0; c < layout.CutLines.size(); ++c) {
        const CUTMARK& line = layout.CutLines[c];
        if ((line.X0 != line.X1 && line.Y0 != line.Y1) || CutsAPiece(line, pieces)) {
            cannot(Sub(Sub(where, "cuts"), c), "切断線が部材を横切っているか、まっすぐではありません");
        }
    }
}

// Whether the result could have come from the lists beside it: layouts on boards the run could
// use and within their stock, pieces of existing parts inside the trimmed board that can be cut,
// and pieces, sheets and totals that add up.
void CheckResult(const JobDocument& job, const CRetData& ret)
{
    const std::int32_t kerf = job.Run.NokoHaba;
    std::vector<long long> sheets(job.Boards.Items.size(), 0);
    std::vector<long long> placed[2] = {std::vector<long long>(job.Parts.Items.size(), 0),
                                        std::vector<long long>(job.Secondary.Items.size(), 0)};
    const CBuzaiList* lists[2] = {&job.Parts, &job.Secondary};
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        StopIfAsked();
        const COutData& layout = ret.Layouts[i];
        const std::string where = Sub("result.layouts", i);
        if (layout.BoardNo < 0 || static_cast<std::size_t>(layout.BoardNo) >= job.Boards.Items.size()) {
            Fail(where, "原板 " + std::to_string(layout.BoardNo) + " は原板の一覧にありません");
        }
        const CGenban& board = job.Boards.Items[static_cast<std::size_t>(layout.BoardNo)];
        if (!board.Use) {
            Fail(where, "原板「" + board.Name + "」は計算に使う原板ではありません");
        }
        sheets[static_cast<std::size_t>(layout.BoardNo)] += layout.Repeat;
        double partsArea = 0.0;
        double totalArea = 0.0;
        for (std::size_t k = 0; k < layout.Blocks.size(); ++k) {
            const CHaichi& block = layout.Blocks[k];
            const std::string at = Sub(Sub(where, "blocks"), k);
            const CBuzaiList& list = *lists[block.List];
            if (block.Number < 0 || static_cast<std::size_t>(block.Number) >= list.Items.size()) {
                Fail(at, std::string(list.KindWord()) + " " + std::to_string(block.Number) + " は一覧にありません");
            }
            const CBuzai& part = list.Items[static_cast<std::size_t>(block.Number)];
            const long long w = block.Rotated ? part.Height : part.Width;
            const long long h = block.Rotated ? part.Width : part.Height;
            const long long right = block.X + block.Nx * (w + kerf) - kerf;
            const long long bottom = block.Y + block.Ny * (h + kerf) - kerf;
            if (block.X < board.TrimLeft || block.Y < board.TrimTop || right > board.Width - board.TrimRight ||
                bottom > board.Height - board.TrimBottom) {
                Fail(at, "「" + part.Name + "」が原板「" + board.Name + "」の外に出ています");
            }
            const double pieces = static_cast<double>(block.Nx) * block.Ny;
            (block.List == 0 ? partsArea : totalArea) += pieces * static_cast<double>(part.Width) * part.Height;
            placed[block.List][static_cast<std::size_t>(block.Number)] +=
                static_cast<long long>(block.Nx) * block.Ny * layout.Repeat;
        }
        CheckCuttable(job, layout, board, where);
        totalArea += partsArea;
        COutData finished = layout;
        finished.Finish(board);
        if (finished.Summary != layout.Summary || !RelativelyEqual(partsArea, layout.PartsArea) ||
            !RelativelyEqual(totalArea, layout.TotalArea) ||
            !RelativelyEqual(finished.PartsYield, layout.PartsYield) ||
            !RelativelyEqual(finished.TotalYield, layout.TotalYield)) {
            Fail(where, "部材の集計・面積・歩留まりが配置と合いません");
        }
    }
    for (std::size_t b = 0; b < sheets.size(); ++b) {
        if (sheets[b] > job.Boards.Items[b].Count) {
            Fail("result", "原板「" + job.Boards.Items[b].Name + "」を在庫 " + std::to_string(job.Boards.Items[b].Count) +
                               " 枚より多く " + std::to_string(sheets[b]) + " 枚使っています");
        }
    }
    std::vector<long long> unplaced(job.Parts.Items.size(), 0);
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        if (entry.Flag != 0 || entry.Number < 0 || static_cast<std::size_t>(entry.Number) >= unplaced.size()) {
            Fail("result.unplaced", "部材 " + std::to_string(entry.Number) + " は部材の一覧にありません");
        }
        unplaced[static_cast<std::size_t>(entry.Number)] += entry.Count;
    }
    for (std::size_t p = 0; p < unplaced.size(); ++p) {
        if (placed[0][p] + unplaced[p] != job.Parts.Items[p].Count) {
            Fail("result", "部材「" + job.Parts.Items[p].Name + "」の配置数 " + std::to_string(placed[0][p]) +
                               " と残り " + std::to_string(unplaced[p]) + " が数量 " +
                               std::to_string(job.Parts.Items[p].Count) + " と合いません");
        }
    }
    for (std::size_t p = 0; p < placed[1].size(); ++p) {
        if (placed[1][p] > job.Secondary.Items[p].Count) {
            Fail("result", "２次部材「" + job.Secondary.Items[p].Name + "」を数量より多く配置しています");
        }
    }
    // The totals and the lists Finalize fills, made again from the layouts.
    CRetData again = ret;
    again.GenbanList = &job.Boards;
    again.UsedBoards.clear();
    again.PlacedSecondary.clear();
    again.MaxWidth = again.MaxHeight = 0;
    again.ComputeTotals();
    again.Finalize(true);
    if (again.UsedBoards != ret.UsedBoards || again.Unplaced != ret.Unplaced ||
        again.PlacedSecondary != ret.PlacedSecondary || again.MaxWidth != ret.MaxWidth ||
        again.MaxHeight != ret.MaxHeight) {
        Fail("result", "使用原板・配置した２次部材・最大の原板が配置と合いません");
    }
    if (again.TotalPrice != ret.TotalPrice || !RelativelyEqual(again.PartsArea, ret.PartsArea) ||
        !RelativelyEqual(again.TotalArea, ret.TotalArea) ||
        !RelativelyEqual(again.BoardArea, ret.BoardArea) ||
        !RelativelyEqual(again.PartsPrice, ret.PartsPrice) ||
        !RelativelyEqual(again.TotalPiecesPrice, ret.TotalPiecesPrice)) {
        Fail("result", "合計の面積・金額が配置と合いません");
    }
}

// The job file nests five levels (result, layouts, a layout, blocks, a block); a deeper file is
// no job file, and parsing, copying and freeing a tree recurse once per level.
constexpr std::size_t kMaxNesting = 32;

// The byte (1-based) where arrays and objects open more than kMaxNesting deep; 0 when they never
// do. Brackets inside strings do not count.
std::size_t TooDeepAt(const std::string& text)
{
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((i & 0xFFFFF) == 0) {
            StopIfAsked();
        }
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) {
                return i + 1;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return 0;
}

// Builds the tree as Json::parse does and looks at the stop signal every few thousand values, so
// that a stop ends the reading of a large file at once. (A parse callback does the same, but
// makes the parse tens of times slower.)
class StoppableDom {
public:
    explicit StoppableDom(Json& root) : m_dom(root) {}

    bool null() { return Tick() && m_dom.null(); }
    bool boolean(bool value) { return Tick() && m_dom.boolean(value); }
    bool number_integer(Json::number_integer_t value) { return Tick() && m_dom.number_integer(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return Tick() && m_dom.number_unsigned(value); }
    bool number_float(Json::number_float_t value, const Json::string_t& text)
    {
        return Tick() && m_dom.number_float(value, text);
    }
    bool string(Json::string_t& value) { return Tick() && m_dom.string(value); }
    bool binary(Json::binary_t& value) { return Tick() && m_dom.binary(value); }
    bool start_object(std::size_t size) { return Tick() && m_dom.start_object(size); }
    bool key(Json::string_t& value) { return m_dom.key(value); }
    bool end_object() { return m_dom.end_object(); }
    bool start_array(std::size_t size) { return Tick() && m_dom.start_array(size); }
    bool end_array() { return m_dom.end_array(); }
    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& error)
    {
        return m_dom.parse_error(position, token, error);
    }

private:
    bool Tick()
    {
        if ((++m_values & 0xFFF) == 0) {
            StopIfAsked();
        }
        return true;
    }

    nlohmann::detail::json_sax_dom_parser<Json> m_dom;
    std::uint32_t m_values = 0;
};

void ReadDocument(const std::string& text, JobDocument& job)
{
    if (const std::size_t at = TooDeepAt(text)) {
        Fail("", std::to_string(at) + " バイト目で配列とオブジェクトの入れ子が深すぎます（" +
                     std::to_string(kMaxNesting) + " 段まで）");
    }
    Json root;
    try {
        StoppableDom dom(root);
        Json::sax_parse(text, &dom);
    } catch (const Json::parse_error& error) {
        const bool truncated = error.byte >= text.size();
        Fail("", truncated ? "ファイルが途中で終わっています（" + std::to_string(text.size()) + " バイト）"
                           : std::to_string(error.byte) + " バイト目が JSON として読めません");
    }
    if (!root.is_object() || !root.contains("format") || root["format"] != kJobFormat) {
        Fail("", "Nestrix の物件ファイルではありません");
    }
    const long long version = IntegerAt(root, "", "version", 1, INT32_MAX);
    if (version > kJobFormatVersion) {
        Fail("", "形式の版 " + std::to_string(version) + " の物件ファイルです。このプログラムは版 " +
                     std::to_string(kJobFormatVersion) + " までを読めます。新しい Nestrix で開いてください");
    }
    job.Program = TextAt(root, "", "program");
    ReadInfo(root, job.Info);
    ReadRunSettings(root, job.Run);
    job.Parts.Items = RecordsFromJson(root, "parts", kPartKeys, &CBuzaiList::CheckRecord);
    job.Secondary.Items = RecordsFromJson(root, "secondary_parts", kPartKeys, &CBuzaiList::CheckRecord);
    job.Boards.Items = RecordsFromJson(root, "boards", kBoardKeys, &CheckBoardRecord);
    if (root.contains("edges")) {
        std::vector<CEdge> edges = RecordsFromJson(root, "edges", kEdgeKeys, &CheckEdgeRecord);
        for (std::size_t i = 0; i < edges.size(); ++i) {
            if (const std::string wrong = job.Edges.CheckRecord(edges[i]); !wrong.empty()) {
                Fail(Sub("edges", i), wrong);
            }
            job.Edges.Items.push_back(edges[i]);
        }
    }
    const Json& result = Member(root, "", "result");
    job.HasResult = !result.is_null();
    job.Result.Clear();
    if (job.HasResult) {
        if (!result.is_object()) {
            Fail("result", "オブジェクトでも null でもありません");
        }
        job.Result = ResultFromJson(result);
        // The result is checked against the pieces as they were cut.
        JobDocument cut;
        std::string wrong;
        if (!CutSizeJob(job, cut, wrong)) {
            Fail("parts", wrong);
        }
        CheckResult(cut, cut.Result);
        PlanSawing(cut.Result, cut.Parts, cut.Secondary, cut.Boards, cut.Run.NokoHaba, MinOffcut(cut.Run));
        job.Result.Sawing = std::move(cut.Result.Sawing);
    }
    job.Bind();
}

}  // namespace

bool CutSizeJob(const JobDocument& job, JobDocument& cut, std::string& error)
{
    JobDocument sized = job;
    error = CutSizeList(job.Parts, job.Edges, job.Run.EdgePremill, sized.Parts);
    if (error.empty()) {
        error = CutSizeList(job.Secondary, job.Edges, job.Run.EdgePremill, sized.Secondary);
    }
    if (!error.empty()) {
        return false;
    }
    cut = std::move(sized);
    cut.Bind();
    return true;
}

JobDocument::JobDocument()
{
    Secondary.IsSecondary = 1;
}

JobDocument::JobDocument(const JobDocument& other)
    : Info(other.Info),
      Parts(other.Parts),
      Secondary(other.Secondary),
      Boards(other.Boards),
      Edges(other.Edges),
      Run(other.Run),
      HasResult(other.HasResult),
      Result(other.Result),
      Program(other.Program)
{
    Bind();
}

JobDocument& JobDocument::operator=(const JobDocument& other)
{
    if (this != &other) {
        Info = other.Info;
        Parts = other.Parts;
        Secondary = other.Secondary;
        Boards = other.Boards;
        Edges = other.Edges;
        Run = other.Run;
        HasResult = other.HasResult;
        Result = other.Result;
        Program = other.Program;
        Bind();
    }
    return *this;
}

void JobDocument::Bind()
{
    Result.BuzaiList = &Parts;
    Result.YBuzaiList = &Secondary;
    Result.GenbanList = &Boards;
    // Lists that read only the codes of a band table read those of this job's.
    Parts.Edges = Parts.Edges != nullptr ? &Edges : nullptr;
    Secondary.Edges = Secondary.Edges != nullptr ? &Edges : nullptr;
}

void CopyJobRunSettings(const Settings& from, Settings& to)
{
    for (const RunKey& key : kRunKeys) {
        to.*key.Member = from.*key.Member;
    }
}

std::string JobToJson(const JobDocument& job)
{
    Json root = Json::object();
    root["format"] = kJobFormat;
    root["version"] = kJobFormatVersion;
    root["program"] = job.Program.empty() ? std::string("nestrix ") + NESTRIX_VERSION : job.Program;
    root["job"] = Json{{"name", job.Info.JobName}, {"due", IsoDueDate(job.Info)}, {"comment", job.Info.Comment}};
    // Written only when given, so that a job without one saves as before.
    if (!job.Info.Customer.empty()) {
        root["job"]["customer"] = job.Info.Customer;
    }
    Json settings = Json::object();
    for (const RunKey& key : kRunKeys) {
        const bool onlyWhenSet =
            key.Member == &Settings::EdgePremill || key.Member == &Settings::FewerCutsOnTie;
        if (!onlyWhenSet || job.Run.*key.Member != 0) {
            settings[key.Name] = job.Run.*key.Member;
        }
    }
    root["settings"] = std::move(settings);
    root["parts"] = RecordsToJson(job.Parts.Items, kPartKeys);
    root["secondary_parts"] = RecordsToJson(job.Secondary.Items, kPartKeys);
    root["boards"] = RecordsToJson(job.Boards.Items, kBoardKeys);
    if (!job.Edges.Items.empty()) {  // a job without bands saves as before
        root["edges"] = RecordsToJson(job.Edges.Items, kEdgeKeys);
    }
    // The result as the result JSON writes it, made as the value that text reads back as.
    // Its cuts and offcuts are the kept plan's; the reader makes them again from the layouts.
    JobDocument cut;
    std::string unused;
    if (job.HasResult && CutSizeJob(job, cut, unused)) {
        root["result"] =
            ResultJsonValue(cut.Result, &SawingOf(cut.Result, cut.Run.NokoHaba, MinOffcut(cut.Run)));
    } else {
        root["result"] = Json(nullptr);
    }
    return root.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool JobFromJson(const std::string& text, JobDocument& job, std::string& error)
{
    JobDocument read;
    try {
        ReadDocument(text, read);
    } catch (const Bad& bad) {
        error = bad.Text;
        return false;
    } catch (const Json::exception& fault) {
        error = fault.what();
        return false;
    }
    job = read;
    return true;
}

WriteResult WriteJobFile(const std::string& path, const JobDocument& job)
{
    return WriteFileAtomically(path, JobToJson(job));
}

bool ReadJobFile(const std::string& path, JobDocument& job, std::string& error)
{
    std::string bytes;
    const ReadResult read = ReadWholeFile(path, bytes, kMaxJobFileBytes);
    switch (read.Status) {
        case ReadStatus::Ok: return JobFromJson(bytes, job, error);
        case ReadStatus::Missing: error = "ファイルがありません"; break;
        case ReadStatus::Folder: error = "フォルダです"; break;
        case ReadStatus::TooLarge:
            error = "ファイルが大きすぎます（" + std::to_string(kMaxJobFileBytes >> 20) + " MB まで）";
            break;
        case ReadStatus::Failed: error = SystemReason(read.Error); break;
    }
    return false;
}
