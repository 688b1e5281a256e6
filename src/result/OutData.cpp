#include "result/OutData.h"

#include "job/Genban.h"

void COutData::Clear()
{
    *this = COutData();
}

void COutData::Finish(const CGenban& board)
{
    Summary.clear();
    for (const CHaichi& block : Blocks) {
        const std::int32_t pieces = block.Nx * block.Ny;
        auto pos = Summary.begin();
        for (; pos != Summary.end(); ++pos) {
            if (pos->Flag == block.List && pos->Number == block.Number) {
                break;
            }
            if (pos->Flag > block.List || (pos->Flag == block.List && pos->Number > block.Number)) {
                break;
            }
        }
        if (pos != Summary.end() && pos->Flag == block.List && pos->Number == block.Number) {
            pos->Count += pieces;
        } else {
            Summary.insert(pos, CAL_BUZAI{block.Number, pieces, block.List});
        }
    }
    const double area = static_cast<double>(board.Height) * board.Width;
    // A board without area can hold nothing; its yields stay 0 instead of dividing by zero.
    PartsYield = area > 0.0 ? PartsArea / area : 0.0;
    TotalYield = area > 0.0 ? TotalArea / area : 0.0;
}

bool COutData::SamePattern(const COutData& other) const
{
    // The areas are compared exactly: identical layouts give identical doubles.
    return BoardNo == other.BoardNo && Blocks == other.Blocks && CutLines == other.CutLines &&
           PartsYield == other.PartsYield && TotalYield == other.TotalYield && PartsArea == other.PartsArea &&
           TotalArea == other.TotalArea && Summary == other.Summary;
}

double GenbanArea(const CGenban& board)
{
    return static_cast<double>(board.Width) * board.Height;
}
