#include "result/LowerBound.h"

#include <cstdio>

#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/Money.h"
#include "result/RetData.h"

std::int64_t ResultBound::Boards() const
{
    std::int64_t sum = 0;
    for (const GroupBound& g : Groups) {
        sum += g.Boards;
    }
    return sum;
}

std::int64_t ResultBound::Price() const
{
    std::int64_t sum = 0;
    for (const GroupBound& g : Groups) {
        sum += g.Price;
    }
    return sum;
}

std::int64_t ResultBound::Unplaceable() const
{
    std::int64_t sum = 0;
    for (const GroupBound& g : Groups) {
        sum += g.Unplaceable;
    }
    return sum;
}

namespace {

bool InGroup(const std::string& kind, std::int32_t thickness, const GroupBound* group)
{
    return group == nullptr || (kind == group->Kind && thickness == group->Thickness);
}

// Boards, price and unplaced pieces of the result in one group (all groups without one).
BoundGap Measure(const CRetData& ret, const GroupBound* group, std::int64_t bound_boards,
                 std::int64_t bound_price, std::int64_t unplaceable)
{
    BoundGap out;
    if (ret.GenbanList == nullptr || ret.BuzaiList == nullptr) {
        return out;
    }
    for (const COutData& layout : ret.Layouts) {
        const CGenban& board = ret.Board(layout.BoardNo);
        if (InGroup(board.Kind, board.Thickness, group)) {
            out.ResultBoards += layout.Repeat;
            out.ResultPrice += static_cast<std::int64_t>(layout.Repeat) * board.Price;
        }
    }
    std::int64_t left = 0;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        if (entry.Flag != 0 || entry.Number < 0 ||
            static_cast<std::size_t>(entry.Number) >= ret.BuzaiList->Items.size()) {
            continue;
        }
        const CBuzai& part = ret.BuzaiList->Items[static_cast<std::size_t>(entry.Number)];
        if (InGroup(part.Kind, part.Thickness, group)) {
            left += entry.Count;
        }
    }
    out.Incomplete = left > unplaceable;
    if (!out.Incomplete) {
        if (out.ResultPrice > 0) {
            out.Gap = static_cast<double>(out.ResultPrice - bound_price) * 100.0 /
                      static_cast<double>(out.ResultPrice);
        } else if (out.ResultBoards > 0) {
            out.Gap = static_cast<double>(out.ResultBoards - bound_boards) * 100.0 /
                      static_cast<double>(out.ResultBoards);
        } else {
            out.Gap = 0.0;
        }
    }
    return out;
}

}  // namespace

BoundGap JobGap(const CRetData& ret)
{
    return Measure(ret, nullptr, ret.Bound.Boards(), ret.Bound.Price(), ret.Bound.Unplaceable());
}

BoundGap GroupGap(const CRetData& ret, const GroupBound& group)
{
    return Measure(ret, &group, group.Boards, group.Price, group.Unplaceable);
}

std::string BoundText(const CRetData& ret)
{
    if (!ret.Bound.Made) {
        return "";
    }
    const BoundGap gap = JobGap(ret);
    std::string text = "下限 " + std::to_string(ret.Bound.Boards()) + " 枚 " +
                       Money(static_cast<double>(ret.Bound.Price()), 0) + "円";
    if (gap.Incomplete) {
        text += "（配置できなかった部材があり比べられません）";
    } else if (gap.Optimal()) {
        text += "（最適）";
    } else if (gap.Gap) {
        char number[32];
        std::snprintf(number, sizeof number, "%.1f", *gap.Gap);
        text += std::string("（差 ") + number + "%）";
    }
    if (const std::int64_t none = ret.Bound.Unplaceable(); none > 0) {
        text += "　どの原板にも入らない部材 " + std::to_string(none) + " 枚は除く";
    }
    return text;
}
