#include "view/Commands.h"

#include "doc/NestrixDoc.h"

bool IsCommandEnabled(int id, const CNestrixDoc& doc)
{
    switch (id) {
        case kCmdLayout: return !doc.BuzaiList.Items.empty() && !doc.LayoutBoards().Items.empty();
        case kCmdSaveJob:
        case kCmdSaveJobAs: return !doc.BuzaiList.Items.empty() || doc.ResultPresent != 0;
        case kCmdResults:
        case kCmdCutData:
        case kCmdDxfOutput:
        case kCmdXlsxOutput:
        case kCmdPrintBoardInfo:
        case kCmdPrintCutSheets:
        case kCmdPrintLabels: return doc.ResultPresent != 0;
        // Also while only 取り消し under its arrow can be chosen.
        case kCmdStock: return (doc.ResultPresent != 0 && !doc.StockApplied) || doc.StockUndoAvailable;
        case kCmdStockUndo: return doc.StockUndoAvailable;
        default: return true;
    }
}

std::string DisabledReason(int id, const CNestrixDoc& doc)
{
    if (id != kCmdLayout || IsCommandEnabled(id, doc)) {
        return "";
    }
    if (doc.BuzaiList.Items.empty()) {
        return "部材がないため配置できません。【部材】で部材を入力してください。";
    }
    return "原板リストが空のため配置できません。【原板】で原板を設定するか、物件を開き直して"
           "その原板を原板リストに加えてください。";
}
