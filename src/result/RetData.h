#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/CalIndex.h"
#include "result/CutPlan.h"
#include "result/LowerBound.h"
#include "result/OutData.h"

class CBuzaiList;
class CGenban;
class CGenbanList;

// One used board kind: its number and the sheets cut from it.
struct RET_GENBAN {
    std::int32_t Number = 0;
    std::int32_t Sheets = 0;

    friend bool operator==(const RET_GENBAN&, const RET_GENBAN&) = default;
};

// One printed page: filled by printing, kept and copied with the result.
struct PROUTDATA {
    std::int32_t Type = 0;
    std::int32_t First = 0;
    std::int32_t Count = 0;

    friend bool operator==(const PROUTDATA&, const PROUTDATA&) = default;
};

// How far the calculation of one group (parts of one kind and thickness) got.
struct RET_GROUP {
    std::string Kind;
    std::int32_t Thickness = 0;
    std::int32_t JobsEnded = 0;  // engine jobs that ended with a result the choice took part in
    std::int32_t JobsTotal = 0;
    bool StoppedEarly = false;  // JobsEnded < JobsTotal
    // The stop came before the group's first job had ended: the run waited for that job.
    bool Waited = false;

    friend bool operator==(const RET_GROUP&, const RET_GROUP&) = default;
};

// The result of a layout calculation: layouts, unplaced parts and the totals.
class CRetData {
public:
    CRetData() = default;
    CRetData(const CRetData&) = default;
    CRetData(CRetData&&) noexcept = default;
    CRetData& operator=(const CRetData&) = default;
    CRetData& operator=(CRetData&&) noexcept = default;
    virtual ~CRetData() = default;

    std::int32_t MaxWidth = 0;  // largest board among the layouts, set by Finalize
    std::int32_t MaxHeight = 0;
    std::vector<COutData> Layouts;
    std::vector<CAL_BUZAI> Unplaced;              // parts left over, {number, count, 0}
    std::vector<RET_GENBAN> UsedBoards;           // set by Finalize
    std::vector<CAL_BUZAI> PlacedSecondary;       // {number, pieces, 1}, set by Finalize
    std::array<std::vector<PROUTDATA>, 2> Pages;  // 0 board information, 1 cutting instructions
    double PartsArea = 0.0;                       // Σ repeat × layout parts area
    double TotalArea = 0.0;                       // the same with secondary parts
    double BoardArea = 0.0;                       // Σ repeat × board width × length
    // Σ repeat × unit price in yen. 64 bits: thousands of sheets at a high price pass 2^31.
    std::int64_t TotalPrice = 0;
    double PartsPrice = 0.0;        // board price shared out by parts area
    double TotalPiecesPrice = 0.0;  // the same by the area of all pieces
    // The run was ended before every engine job had finished (現在の結果で確定, a time limit):
    // this is the best of the jobs that had.
    bool StoppedEarly = false;
    std::vector<RET_GROUP> Groups;  // in group order; filled by the run when it stopped early
    ResultBound Bound;              // set after the run and when a job file is opened
    // The saw plan of every layout (PlanSawing), made where the result is made or read and read
    // by every output through SawingOf: once the layouts change it is stale until made again.
    KeptSawing Sawing;
    const CBuzaiList* BuzaiList = nullptr;
    const CBuzaiList* YBuzaiList = nullptr;
    const CGenbanList* GenbanList = nullptr;

    // Everything emptied and zeroed, list pointers null.
    void Clear();
    // The six totals again from the layouts and the board list.
    void ComputeTotals();
    // Adds a group's result: its layouts, unplaced parts and totals.
    void Append(const CRetData& other);
    // Whether this result beats `best` (the choice among the results of one group).
    bool IsBetter(const CRetData& best) const;
    // Once, after all groups: sorts (unless noSort), fills the used boards, the placed
    // secondary parts and the largest board size.
    void Finalize(bool noSort);

    // 0 when no board area was laid out.
    double PartsYield() const;
    double TotalYield() const;
    // The board record of a layout; CalcError when the number or the list is missing.
    const CGenban& Board(std::int32_t number) const;
};
