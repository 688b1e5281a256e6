#include "calc/CalData.h"

#include <map>
#include <utility>

#include "base/Settings.h"
#include "calc/CalHaichi.h"
#include "base/CalcError.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/RetData.h"

void CCalData::Clear()
{
    for (auto& list : Buzai) {
        std::vector<CAL_BUZAI>().swap(list);
    }
    for (auto& list : Genban) {
        std::vector<CAL_GENBAN>().swap(list);
    }
}

CalRect TrimmedRect(const CGenban& board)
{
    return CalRect{board.TrimLeft, board.TrimTop, board.Width - board.TrimRight,
                   board.Height - board.TrimBottom};
}

namespace {

bool OverLimit(std::int32_t width, std::int32_t height, std::int32_t limit)
{
    return width > limit || height > limit;
}

}  // namespace

std::vector<CCalData> BuildCalData(const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                                   const CGenbanList& genban, const Settings& settings, CRetData& ret)
{
    ret.Clear();
    ret.BuzaiList = &buzai;
    ret.YBuzaiList = &ybuzai;
    ret.GenbanList = &genban;

    const std::int32_t limit = settings.MaxCutSize;
    std::vector<CCalData> groups;

    // Kinds compare byte for byte: a full-width letter is another kind than its half-width twin.
    // Groups by kind and thickness, looked up in O(log n): a job of many kinds must not take
    // quadratic time before the first progress.
    std::map<std::pair<std::string, std::int32_t>, std::size_t> index;
    auto findGroup = [&](const std::string& kind, std::int32_t thickness) -> CCalData* {
        const auto found = index.find({kind, thickness});
        return found == index.end() ? nullptr : &groups[found->second];
    };

    for (std::size_t i = 0; i < buzai.Items.size(); ++i) {
        const CBuzai& part = buzai.Items[i];
        const CAL_BUZAI entry{static_cast<std::int32_t>(i), part.Count, 0};
        if (OverLimit(part.Width, part.Height, limit)) {
            ret.Unplaced.push_back(entry);
            continue;
        }
        if (CCalData* group = findGroup(part.Kind, part.Thickness)) {
            group->Buzai[0].push_back(entry);
        } else {
            index.emplace(std::pair{part.Kind, part.Thickness}, groups.size());
            groups.emplace_back();
            groups.back().Buzai[0].push_back(entry);
        }
    }

    if (settings.UseYBuzai) {
        for (std::size_t i = 0; i < ybuzai.Items.size(); ++i) {
            const CBuzai& part = ybuzai.Items[i];
            if (OverLimit(part.Width, part.Height, limit)) {
                continue;
            }
            if (CCalData* group = findGroup(part.Kind, part.Thickness)) {
                group->Buzai[1].push_back(CAL_BUZAI{static_cast<std::int32_t>(i), part.Count, 1});
            }
        }
    }

    for (std::size_t i = 0; i < genban.Items.size(); ++i) {
        const CGenban& board = genban.Items[i];
        if (!board.Use) {
            continue;
        }
        // One side within the limit is enough: the board can be cut along it first.
        if (board.Width > limit && board.Height > limit) {
            continue;
        }
        const CAL_GENBAN entry{static_cast<std::int32_t>(i), board.Count, board.Priority};
        if (CCalData* group = findGroup(board.Kind, board.Thickness)) {
            CheckedAt(group->Genban, board.Priority, "board priority").push_back(entry);
        }
    }
    return groups;
}
