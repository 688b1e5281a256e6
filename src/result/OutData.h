#pragma once

#include <cstdint>
#include <vector>

#include "base/CalIndex.h"

class CGenban;

// One block of nx x ny identical pieces. Coordinates in 0.1 mm on the untrimmed board.
class CHaichi {
public:
    CHaichi() = default;
    CHaichi(std::int32_t number, std::int32_t list, std::int32_t x, std::int32_t y, std::int32_t nx,
            std::int32_t ny, std::int32_t rotated)
        : Number(number), List(list), X(x), Y(y), Nx(nx), Ny(ny), Rotated(rotated)
    {
    }
    CHaichi(const CHaichi&) = default;
    CHaichi(CHaichi&&) noexcept = default;
    CHaichi& operator=(const CHaichi&) = default;
    CHaichi& operator=(CHaichi&&) noexcept = default;
    virtual ~CHaichi() = default;

    std::int32_t Number = 0;  // index into the parts (List 0) or secondary parts (List 1) list
    std::int32_t List = 0;
    std::int32_t X = 0;  // corner with the smaller coordinates
    std::int32_t Y = 0;
    std::int32_t Nx = 1;       // pieces along x
    std::int32_t Ny = 1;       // pieces along y
    std::int32_t Rotated = 0;  // 1: the part's length runs along x

    friend bool operator==(const CHaichi& a, const CHaichi& b)
    {
        return a.Number == b.Number && a.List == b.List && a.X == b.X && a.Y == b.Y && a.Nx == b.Nx &&
               a.Ny == b.Ny && a.Rotated == b.Rotated;
    }
};

// One cut line from (X0, Y0) to (X1, Y1).
struct CUTMARK {
    std::int32_t X0 = 0;
    std::int32_t Y0 = 0;
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;

    friend bool operator==(const CUTMARK&, const CUTMARK&) = default;
};

// One board layout and the number of boards cut with it.
class COutData {
public:
    COutData() = default;
    COutData(const COutData&) = default;
    COutData(COutData&&) noexcept = default;
    COutData& operator=(const COutData&) = default;
    COutData& operator=(COutData&&) noexcept = default;
    virtual ~COutData() = default;

    std::int32_t BoardNo = 0;  // index into the board list
    std::int32_t Repeat = 0;   // boards cut with this pattern
    std::vector<CHaichi> Blocks;
    std::vector<CUTMARK> CutLines;
    double PartsYield = 0.0;  // to the whole board, trims included
    double TotalYield = 0.0;
    double PartsArea = 0.0;  // list 0 pieces, 0.1 mm squared
    double TotalArea = 0.0;  // pieces of both lists
    // {part number, pieces on one board, list}, sorted by list, then part number.
    std::vector<CAL_BUZAI> Summary;
    std::int32_t Tried = 0;  // working mark of the improvement passes

    void Clear();
    // As after construction with only BoardNo set, but keeping the storage of the three lists for
    // the next layout. Names every field: a new field is cleared here too.
    void ClearKeepingStorage(std::int32_t boardNo)
    {
        BoardNo = boardNo;
        Repeat = 0;
        Blocks.clear();
        CutLines.clear();
        PartsYield = 0.0;
        TotalYield = 0.0;
        PartsArea = 0.0;
        TotalArea = 0.0;
        Summary.clear();
        Tried = 0;
    }
    // After an engine laid the board out: rebuilds the summary and the two yields.
    // The engine keeps the blocks, cut lines and the two areas itself.
    void Finish(const CGenban& board);
    // Same board, blocks, cut lines, areas and summary; repeat count and mark not compared.
    bool SamePattern(const COutData& other) const;
};

// Board width x length as a double, 0.1 mm squared.
double GenbanArea(const CGenban& board);
