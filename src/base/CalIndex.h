#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Index records shared by the calculation and the result: entries name parts and boards by
// their position in their lists.

// One entry of parts (list 0) or secondary parts (list 1), named by its position in its list.
struct CAL_BUZAI {
    std::int32_t Number = 0;  // index into the parts or the secondary parts list
    std::int32_t Count = 0;   // pieces still to place
    std::int32_t Flag = 0;    // 0 parts, 1 secondary parts; engines may reuse it on their copies

    friend bool operator==(const CAL_BUZAI&, const CAL_BUZAI&) = default;
};

// One entry of usable boards, named by its position in the board list.
struct CAL_GENBAN {
    std::int32_t Number = 0;
    std::int32_t Count = 0;     // sheets still available
    std::int32_t Priority = 0;  // 0 標準, 1 優先, 2 最優先

    friend bool operator==(const CAL_GENBAN&, const CAL_GENBAN&) = default;
};

// [0] parts, [1] secondary parts.
using BuzaiLists = std::array<std::vector<CAL_BUZAI>, 2>;
// Indexed by priority 0, 1, 2.
using GenbanLists = std::array<std::vector<CAL_GENBAN>, 3>;

// Lengths in 0.1 mm; (X0, Y0) inclusive, (X1, Y1) exclusive.
struct CalRect {
    std::int32_t X0 = 0;
    std::int32_t Y0 = 0;
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;

    std::int32_t Width() const { return X1 - X0; }
    std::int32_t Height() const { return Y1 - Y0; }
    friend bool operator==(const CalRect&, const CalRect&) = default;
};
