#include "result/RetData.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/CalcError.h"
#include "base/ExchangeSort.h"
#include "base/Tolerance.h"
#include "job/Genban.h"

void CRetData::Clear()
{
    *this = CRetData();
}

const CGenban& CRetData::Board(std::int32_t number) const
{
    if (!GenbanList) {
        throw CalcError("result without a board list");
    }
    return CheckedAt(GenbanList->Items, number, "board");
}

void CRetData::ComputeTotals()
{
    PartsArea = 0.0;
    TotalArea = 0.0;
    BoardArea = 0.0;
    TotalPrice = 0;
    PartsPrice = 0.0;
    TotalPiecesPrice = 0.0;
    for (const COutData& layout : Layouts) {
        const CGenban& board = Board(layout.BoardNo);
        const double boardArea = GenbanArea(board);
        const std::int64_t price = static_cast<std::int64_t>(layout.Repeat) * board.Price;
        PartsArea += layout.Repeat * layout.PartsArea;
        TotalArea += layout.Repeat * layout.TotalArea;
        BoardArea += static_cast<double>(layout.Repeat) * board.Width * board.Height;
        TotalPrice += price;
        if (boardArea > 0.0) {
            PartsPrice += static_cast<double>(price) * layout.PartsArea / boardArea;
            TotalPiecesPrice += static_cast<double>(price) * layout.TotalArea / boardArea;
        }
    }
}

void CRetData::Append(const CRetData& other)
{
    Layouts.insert(Layouts.end(), other.Layouts.begin(), other.Layouts.end());
    Unplaced.insert(Unplaced.end(), other.Unplaced.begin(), other.Unplaced.end());
    PartsArea += other.PartsArea;
    TotalArea += other.TotalArea;
    BoardArea += other.BoardArea;
    TotalPrice += other.TotalPrice;
    PartsPrice += other.PartsPrice;
    TotalPiecesPrice += other.TotalPiecesPrice;
}

double CRetData::PartsYield() const
{
    return DoubleGreater(std::fabs(BoardArea), 0.0) ? PartsArea / BoardArea : 0.0;
}

double CRetData::TotalYield() const
{
    return DoubleGreater(std::fabs(BoardArea), 0.0) ? TotalArea / BoardArea : 0.0;
}

bool CRetData::IsBetter(const CRetData& best) const
{
    if (DoubleGreater(PartsArea, best.PartsArea)) {
        return true;
    }
    if (DoubleEqual(PartsArea, best.PartsArea) && DoubleGreater(std::fabs(BoardArea), 0.0) &&
        DoubleGreater(std::fabs(best.BoardArea), 0.0) && DoubleGreater(PartsYield(), best.PartsYield())) {
        return true;
    }
    // The yield tests are reached even when this result placed less parts area.
    if (!DoubleEqual(PartsYield(), best.PartsYield())) {
        return false;
    }
    if (DoubleGreater(TotalYield(), best.TotalYield())) {
        return true;
    }
    return DoubleEqual(TotalYield(), best.TotalYield()) && Layouts.size() < best.Layouts.size();
}

void CRetData::Finalize(bool noSort)
{
    if (!noSort) {
        ExchangeSort(Layouts, [](const COutData& a, const COutData& b) {
            return a.BoardNo < b.BoardNo ||
                   (a.BoardNo == b.BoardNo && DoubleGreater(a.PartsYield, b.PartsYield));
        });
    }

    for (const COutData& layout : Layouts) {
        const CGenban& board = Board(layout.BoardNo);
        MaxWidth = std::max(MaxWidth, board.Width);
        MaxHeight = std::max(MaxHeight, board.Height);
        auto used = std::find_if(UsedBoards.begin(), UsedBoards.end(),
                                 [&](const RET_GENBAN& u) { return u.Number == layout.BoardNo; });
        if (used != UsedBoards.end()) {
            used->Sheets += layout.Repeat;
        } else {
            UsedBoards.push_back(RET_GENBAN{layout.BoardNo, layout.Repeat});
        }
    }

    for (const COutData& layout : Layouts) {
        for (const CAL_BUZAI& entry : layout.Summary) {
            if (entry.Flag != 1) {
                continue;
            }
            const std::int32_t pieces = entry.Count * layout.Repeat;
            auto placed = std::find_if(PlacedSecondary.begin(), PlacedSecondary.end(),
                                       [&](const CAL_BUZAI& p) { return p.Number == entry.Number; });
            if (placed != PlacedSecondary.end()) {
                placed->Count += pieces;
            } else {
                PlacedSecondary.push_back(CAL_BUZAI{entry.Number, pieces, 1});
            }
        }
    }

    auto byNumber = [](const CAL_BUZAI& a, const CAL_BUZAI& b) { return a.Number < b.Number; };
    ExchangeSort(PlacedSecondary, byNumber);
    ExchangeSort(Unplaced, byNumber);
    ExchangeSort(UsedBoards, [](const RET_GENBAN& a, const RET_GENBAN& b) { return a.Number < b.Number; });
}
