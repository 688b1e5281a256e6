#include "result/PartCosts.h"

#include <cstdint>

#include "base/CalcError.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/RetData.h"

void FillPartCosts(const CRetData& ret, CBuzaiList& parts, CBuzaiList& secondary, const CGenbanList& boards,
                   int tankaType)
{
    if (tankaType < 0 || tankaType > 3) {
        tankaType = 2;
    }
    for (CBuzaiList* list : {&parts, &secondary}) {
        for (CBuzai& part : list->Items) {
            part.PlacedCount = 0;
            part.PlacedCost = 0.0;
        }
    }
    const bool byBoardArea = tankaType <= 1;
    const bool secondaryFree = tankaType == 1 || tankaType == 3;
    for (const COutData& layout : ret.Layouts) {
        const CGenban& board = CheckedAt(boards.Items, layout.BoardNo, "board");
        const double price = static_cast<double>(static_cast<std::int64_t>(layout.Repeat) * board.Price);
        // The area the price is shared over: the board, or the pieces that pay for it.
        double shareArea = GenbanArea(board);
        if (!byBoardArea) {
            shareArea = 0.0;
            for (const CAL_BUZAI& entry : layout.Summary) {
                if (entry.Flag == 1 && secondaryFree) {
                    continue;
                }
                const CBuzai& part =
                    CheckedAt((entry.Flag == 1 ? secondary : parts).Items, entry.Number, "part");
                shareArea += static_cast<double>(part.Width) * part.Height * entry.Count;
            }
        }
        for (const CAL_BUZAI& entry : layout.Summary) {
            CBuzai& part = CheckedAt((entry.Flag == 1 ? secondary : parts).Items, entry.Number, "part");
            part.PlacedCount += layout.Repeat * entry.Count;
            if ((entry.Flag == 1 && secondaryFree) || shareArea <= 0.0) {
                continue;
            }
            part.PlacedCost +=
                price * (static_cast<double>(part.Width) * part.Height * entry.Count) / shareArea;
        }
    }
}
