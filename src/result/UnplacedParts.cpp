#include "result/UnplacedParts.h"

#include "base/CalcError.h"
#include "result/RetData.h"

CBuzaiList UnplacedPartsList(const CRetData& ret)
{
    CBuzaiList list;
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        const CBuzaiList* source = entry.Flag == 1 ? ret.YBuzaiList : ret.BuzaiList;
        if (source == nullptr) {
            throw CalcError("unplaced part without its list");
        }
        CBuzai part = CheckedAt(source->Items, entry.Number, "unplaced part");
        part.Count = entry.Count;
        if (part.FinishedWidth > 0) {  // a list at cut sizes: the file takes the size as entered
            part.Width = part.FinishedWidth;
            part.Height = part.FinishedHeight;
        }
        list.Items.push_back(std::move(part));
    }
    list.Renumber();
    return list;
}
