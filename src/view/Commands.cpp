#include "view/Commands.h"

#include "doc/NestrixDoc.h"

bool IsCommandEnabled(int id, const CNestrixDoc& doc)
{
    switch (id) {
        case kCmdLayout: return !doc.BuzaiList.Items.empty() && !doc.GenbanList.Items.empty();
        case kCmdResults:
        case kCmdCutData:
        case kCmdPrintBoardInfo:
        case kCmdPrintCutSheets: return doc.ResultPresent != 0;
        default: return true;
    }
}
