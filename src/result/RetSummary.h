#pragma once

#include <string>

class CRetData;

// The three lines under the lists of 配置結果, also printed by the layout command.
std::string YieldText(const CRetData& ret);      // "歩留まり  %5.1f%%(%5.1f%%)", parts and all pieces
std::string BoardCostText(const CRetData& ret);  // "使用原板合計金額 %s円"
std::string PartsCostText(const CRetData& ret);  // "部材部分金額     %s円(%s円)"
