#pragma once

#include <cstdint>
#include <vector>

#include "base/CalIndex.h"

class CBuzaiList;
class CGenban;
class CGenbanList;
class CRetData;
struct Settings;

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

// The usable rectangle of a board: the trims taken off its four sides.
CalRect TrimmedRect(const CGenban& board);

// Turns the job into calculation groups. Empties the result first and points it at the three
// lists; parts with a side over MaxCutSize go straight to its unplaced parts.
std::vector<CCalData> BuildCalData(const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                                   const CGenbanList& genban, const Settings& settings, CRetData& ret);
