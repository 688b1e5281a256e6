#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CBuzaiList;
class CGenban;
class CGenbanList;
class CRetData;
class CCalHaichi;
struct Settings;

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

// One calculation group: parts of one kind and thickness with the boards that can take them.
// The kind and thickness are those of Buzai[0][0]; a group always has at least one part.
class CCalData {
public:
    CCalData() = default;
    CCalData(const CCalData&) = default;
    CCalData(CCalData&&) noexcept = default;
    CCalData& operator=(const CCalData&) = default;
    CCalData& operator=(CCalData&&) noexcept = default;
    virtual ~CCalData() = default;

    BuzaiLists Buzai;    // each in list order
    GenbanLists Genban;  // each in board-list order

    // Empties all five arrays and frees their storage.
    void Clear();
};

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

// The usable rectangle of a board: the trims taken off its four sides.
CalRect TrimmedRect(const CGenban& board);

// One planned engine run: the engine and the index of its group. Owns the engine.
struct CAL_LIST {
    CAL_LIST();
    CAL_LIST(std::unique_ptr<CCalHaichi> engine, std::int32_t group);
    CAL_LIST(CAL_LIST&&) noexcept;
    CAL_LIST& operator=(CAL_LIST&&) noexcept;
    ~CAL_LIST();

    std::unique_ptr<CCalHaichi> Engine;
    std::int32_t Group = 0;
};

// Turns the job into calculation groups. Empties the result first and points it at the three
// lists; parts with a side over MaxCutSize go straight to its unplaced parts.
std::vector<CCalData> BuildCalData(const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                                   const CGenbanList& genban, const Settings& settings, CRetData& ret);
