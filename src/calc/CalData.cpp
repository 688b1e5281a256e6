#include "calc/CalData.h"

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

// The part that gives a group its kind and thickness.
const CBuzai& FirstPart(const CCalData& group, const CBuzaiList& buzai)
{
    const CAL_BUZAI& first = CheckedAt(group.Buzai[0], 0, "group part");
    return CheckedAt(buzai.Items, first.Number, "part");
}

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
    auto findGroup = [&](const std::string& kind, std::int32_t thickness) -> CCalData* {
        for (CCalData& group : groups) {
            const CBuzai& first = FirstPart(group, buzai);
            if (first.Kind == kind && first.Thickness == thickness) {
                return &group;
            }
        }
        return nullptr;
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
        for (CCalData& group : groups) {
            const CBuzai& first = FirstPart(group, buzai);
            if (board.Kind == first.Kind && board.Thickness == first.Thickness) {
                CheckedAt(group.Genban, board.Priority, "board priority").push_back(entry);
            }
        }
    }
    return groups;
}
