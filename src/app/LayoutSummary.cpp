#include "app/LayoutSummary.h"

#include "result/EdgeTotals.h"
#include "result/LowerBound.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/CsvLine.h"
#include "base/Format.h"
#include "base/Settings.h"
#include "base/TextCodec.h"
#include "calc/CalData.h"
#include "calc/CalHaichi.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/Offcuts.h"
#include "result/RetData.h"
#include "result/RetSummary.h"

namespace {

// The name cut or padded to `width` columns as a CP932 screen counts them (full-width 2).
std::string Column(const std::string& text, std::size_t width)
{
    std::string cut = TruncateCp932(text, width);
    const long used = Cp932Length(cut);
    cut.append(width - static_cast<std::size_t>(used < 0 ? 0 : used), ' ');
    return cut;
}

// Why a part cannot be placed at all, when it is simple to tell; "" when some board of its kind
// and thickness can take it.
// Whether the part fits the trimmed board, turned where it may be.
bool FitsTrimmed(const CBuzai& part, const CGenban& board)
{
    const CalRect rect = TrimmedRect(board);
    const std::int32_t w = rect.X1 - rect.X0;
    const std::int32_t h = rect.Y1 - rect.Y0;
    return (part.Width <= w && part.Height <= h) || (!part.NoTurn && part.Height <= w && part.Width <= h);
}

std::string PartReason(const CBuzai& part, const CGenbanList& genban, const Settings& settings)
{
    const std::int32_t limit = settings.MaxCutSize;
    if (part.Width > limit || part.Height > limit) {
        return Format("切断限界 %s mm を超える部材があります。", FormatTenths(limit).c_str());
    }
    const std::string group =
        Format("種類「%s」厚さ %s mm", part.Kind.c_str(), FormatTenths(part.Thickness).c_str());
    bool sameKind = false;
    bool withinLimit = false;
    bool usable = false;
    for (const CGenban& board : genban.Items) {
        if (board.Kind != part.Kind || board.Thickness != part.Thickness) {
            continue;
        }
        sameKind = true;
        if (board.Width > limit && board.Height > limit) {
            continue;
        }
        withinLimit = true;
        const CalRect rect = TrimmedRect(board);
        const std::int32_t w = rect.X1 - rect.X0;
        const std::int32_t h = rect.Y1 - rect.Y0;
        if (w <= 0 || h <= 0) {
            continue;
        }
        usable = true;
        if (FitsTrimmed(part, board)) {
            return "";
        }
    }
    if (!sameKind) {
        return group + " の原板がありません。";
    }
    if (!withinLimit) {
        return group + Format(" の原板は全て切断限界 %s mm を超えています。", FormatTenths(limit).c_str());
    }
    if (!usable) {
        return group + " の原板はトリムを除くと使える部分がありません。";
    }
    return group + " の部材「" + part.Name + "」はどの原板にも入りません。";
}

}  // namespace

// Why nothing could be placed, when it is simple to tell: for every group of parts (kind and
// thickness) no board is usable, or no part fits a usable board. Empty when some part has no
// such reason (then only the engines can say).
std::vector<std::string> NothingPlacedReasons(const CBuzaiList& buzai, const CGenbanList& genban,
                                              const Settings& settings)
{
    std::vector<std::string> reasons;
    for (const CBuzai& part : buzai.Items) {
        const std::string reason = PartReason(part, genban, settings);
        if (reason.empty()) {
            return {};
        }
        if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) {
            reasons.push_back(reason);
        }
    }
    return reasons;
}

namespace {

// Why a part of a result was left over, short, when it is simple to tell: it fits no board, or
// every board it fits was used to its last sheet. "" when only the engines can say.
std::string LeftOverReason(const CBuzai& part, const CGenbanList& genban, const Settings& settings,
                           const CRetData& ret)
{
    const std::int32_t limit = settings.MaxCutSize;
    if (part.Width > limit || part.Height > limit) {
        return "切断限界を超えています";
    }
    if (!PartReason(part, genban, settings).empty()) {
        return "入る原板がありません";
    }
    for (const CGenban& board : genban.Items) {
        const bool fits = board.Kind == part.Kind && board.Thickness == part.Thickness &&
                          !(board.Width > limit && board.Height > limit) && FitsTrimmed(part, board);
        if (!fits || !board.Use) {
            continue;
        }
        std::int64_t used = 0;
        for (const RET_GENBAN& entry : ret.UsedBoards) {
            used += entry.Number == board.Index ? entry.Sheets : 0;
        }
        if (used < board.Count) {
            return "";  // a sheet it fits is left: the layout decided
        }
    }
    return "原板の在庫を使い切りました";
}

}  // namespace

void PrintSummary(std::FILE* out, const CRetData& ret, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                  const CGenbanList& genban, const Settings& settings, const EdgeTotals* bands)
{
    if (ret.StoppedEarly) {
        std::fprintf(out, "計算を途中で確定しました: 終わった計算のうち最良の結果です\n");
        for (const std::string& line : GroupProgressLines(ret)) {
            std::fprintf(out, "  %s\n", line.c_str());
        }
    }
    std::fprintf(out, "使用された原板\n");
    for (const RET_GENBAN& used : ret.UsedBoards) {
        const CGenban& b = genban.Items.at(static_cast<std::size_t>(used.Number));
        std::fprintf(out, "  %3d %s %7.1f x %7.1f x %6.1f  %4d 枚\n", used.Number + 1,
                     Column(b.Name, 20).c_str(), b.Width / 10.0, b.Height / 10.0, b.Thickness / 10.0,
                     used.Sheets);
    }
    std::fprintf(out, "配置パターン\n");
    const ResultSawing& sawing = SawingOf(ret, settings.NokoHaba, MinOffcut(settings));
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        const COutData& layout = ret.Layouts[i];
        const CGenban& b = genban.Items.at(static_cast<std::size_t>(layout.BoardNo));
        std::fprintf(out, "  %3zu %s x %3d  歩留まり %5.1f%%(%5.1f%%)  %zu ブロック  切断 %lld 回\n", i + 1,
                     Column(b.Name, 20).c_str(), layout.Repeat, layout.PartsYield * 100.0,
                     layout.TotalYield * 100.0, layout.Blocks.size(), static_cast<long long>(sawing[i].CutCount));
    }
    if (!ret.PlacedSecondary.empty()) {
        std::fprintf(out, "配置された２次部材\n");
        for (const CAL_BUZAI& entry : ret.PlacedSecondary) {
            const CBuzai& p = ybuzai.Items.at(static_cast<std::size_t>(entry.Number));
            std::fprintf(out, "  %3d %s %7.1f x %7.1f  %4d\n", entry.Number + 1, Column(p.Name, 20).c_str(),
                         p.Width / 10.0, p.Height / 10.0, entry.Count);
        }
    }
    std::fprintf(out, "配置できなかった部材\n");
    if (ret.Unplaced.empty()) {
        std::fprintf(out, "  なし\n");
    }
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        const CBuzai& p = (entry.Flag == 1 ? ybuzai : buzai).Items.at(static_cast<std::size_t>(entry.Number));
        // Left-over secondary parts are no fault: they only fill what is left of the boards.
        const std::string reason = entry.Flag == 1 ? "" : LeftOverReason(p, genban, settings, ret);
        std::fprintf(out, "  %3d %s %7.1f x %7.1f  %4d%s\n", entry.Number + 1, Column(p.Name, 20).c_str(),
                     p.Width / 10.0, p.Height / 10.0, entry.Count, reason.empty() ? "" : ("  " + reason).c_str());
    }
    std::fprintf(out, "%s\n%s\n%s\n%s\n", YieldText(ret).c_str(), BoardCostText(ret).c_str(),
                 PartsCostText(ret).c_str(), CutTotalsText(JobCutTotals(ret, sawing)).c_str());
    if (const std::string bound = BoundText(ret); !bound.empty()) {
        std::fprintf(out, "%s\n", bound.c_str());
    }
    if (bands != nullptr) {
        for (const std::string& line : EdgeTotalsLines(*bands, ret)) {
            std::fprintf(out, "%s\n", line.c_str());
        }
    }
}
