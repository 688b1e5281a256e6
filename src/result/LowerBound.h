#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CRetData;

// The lower bound of one group (parts of one kind and thickness): no layout of its parts that
// fit a board can use fewer boards or cost less. Secondary parts are not counted.
struct GroupBound {
    std::string Kind;
    std::int32_t Thickness = 0;
    std::int64_t Boards = 0;
    std::int64_t Price = 0;        // yen
    std::int64_t Unplaceable = 0;  // pieces no board of the group can hold: left out of the bound

    friend bool operator==(const GroupBound&, const GroupBound&) = default;
};

// The bounds of a result's groups, made from its lists after the run (not stored in job files).
struct ResultBound {
    bool Made = false;
    std::vector<GroupBound> Groups;  // in the order of the groups' first parts

    std::int64_t Boards() const;
    std::int64_t Price() const;
    std::int64_t Unplaceable() const;
    friend bool operator==(const ResultBound&, const ResultBound&) = default;
};

// The result set against the bound, for the job (Kind empty, Thickness -1) or one group.
struct BoundGap {
    std::int64_t ResultBoards = 0;
    std::int64_t ResultPrice = 0;
    // The result leaves pieces unplaced that some board could hold: it cannot be compared.
    bool Incomplete = false;
    // % of the result's price above the bound (of its boards when the boards have no price);
    // none when incomplete.
    std::optional<double> Gap;
    bool Optimal() const { return Gap && *Gap == 0.0; }
};

BoundGap JobGap(const CRetData& ret);
BoundGap GroupGap(const CRetData& ret, const GroupBound& group);

// One line for the result's summary: "下限 12 枚 75,000円（差 3.2%）", "…（最適）", "" without a bound.
std::string BoundText(const CRetData& ret);
