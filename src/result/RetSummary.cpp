#include "result/RetSummary.h"

#include <cstdio>

#include "result/Money.h"
#include "result/RetData.h"

std::string YieldText(const CRetData& ret)
{
    char text[64];
    std::snprintf(text, sizeof text, "歩留まり  %5.1f%%(%5.1f%%)", ret.PartsYield() * 100.0,
                  ret.TotalYield() * 100.0);
    return text;
}

std::string BoardCostText(const CRetData& ret)
{
    return "使用原板合計金額 " + Money(static_cast<double>(ret.TotalPrice), 9) + "円";
}

std::string PartsCostText(const CRetData& ret)
{
    return "部材部分金額     " + Money(ret.PartsPrice, 9) + "円(" + Money(ret.TotalPiecesPrice, 9) + "円)";
}
