#pragma once

#include <string>
#include <vector>

class CRetData;

// The three lines under the lists of 配置結果, also printed by the layout command.
std::string YieldText(const CRetData& ret);      // "歩留まり  %5.1f%%(%5.1f%%)", parts and all pieces
std::string BoardCostText(const CRetData& ret);  // "使用原板合計金額 %s円"
std::string PartsCostText(const CRetData& ret);  // "部材部分金額     %s円(%s円)"
// How far each group of a result taken early got, a line per group:
// "種類「MDF」厚さ 18.0 mm: 計算 12/82 で確定", "... 82/82 完了", and for a group whose first job
// had not ended at the stop "...（制限を過ぎても最初の計算の終了を待ちました）". None for a full run.
std::vector<std::string> GroupProgressLines(const CRetData& ret);
