#include "view/Commands.h"

#include "doc/NestrixDoc.h"

bool IsCommandEnabled(int id, const CNestrixDoc& doc)
{
    switch (id) {
        case kCmdLayout: return !doc.BuzaiList.Items.empty() && !doc.GenbanList.Items.empty();
        case kCmdSaveJob:
        case kCmdSaveJobAs: return !doc.BuzaiList.Items.empty() || doc.ResultPresent != 0;
        case kCmdResults:
        case kCmdCutData:
        case kCmdPrintBoardInfo:
        case kCmdPrintCutSheets:
        case kCmdPrintLabels: return doc.ResultPresent != 0;
        // Also while only 取り消し under its arrow can be chosen.
        case kCmdStock: return (doc.ResultPresent != 0 && !doc.StockApplied) || doc.StockUndoAvailable;
        case kCmdStockUndo: return doc.StockUndoAvailable;
        default: return true;
    }
}
