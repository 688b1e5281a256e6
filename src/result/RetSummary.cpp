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

std::vector<std::string> GroupProgressLines(const CRetData& ret)
{
    std::vector<std::string> lines;
    if (!ret.StoppedEarly) {
        return lines;
    }
    for (const RET_GROUP& group : ret.Groups) {
        char text[96];
        std::snprintf(text, sizeof text, "」厚さ %.1f mm: 計算 %d/%d %s", group.Thickness / 10.0,
                      group.JobsEnded, group.JobsTotal, group.StoppedEarly ? "で確定" : "完了");
        lines.push_back("種類「" + group.Kind + text +
                        (group.Waited ? "（制限を過ぎても最初の計算の終了を待ちました）" : ""));
    }
    return lines;
}
