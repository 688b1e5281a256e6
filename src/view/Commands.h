#pragma once

#include <string>

class CNestrixDoc;

// Command ids of the tool bar and its accelerators. The numbers are fixed: tool bar, enabling
// rules and command handlers all refer to them.
enum CommandId : int {
    kCmdBoards = 32771,           // 原板データ設定
    kCmdInitialSettings = 32772,  // 初期設定
    kCmdParts = 32774,            // 部材データ入力
    kCmdLayout = 32775,           // 配置計算実行
    kCmdCutData = 32777,          // 切断データ出力
    kCmdPrintCutSheets = 32778,   // 切断指示書印刷
    kCmdPrintBoardInfo = 32779,   // 原板情報印刷
    kCmdSecondaryParts = 32780,   // ２次部材データ入力
    kCmdResults = 32782,          // 配置結果
    kCmdStock = 32790,            // 在庫反映
    kCmdStockUndo = 32791,        // 在庫反映の取り消し
    kCmdPrintLabels = 32792,      // ラベル印刷
    kCmdDxfOutput = 32793,        // DXF出力: one drawing per pattern, under the arrow of 切断データ
    kCmdXlsxOutput = 32794,       // Excel出力: the result as a workbook, likewise
    kCmdJobInfo = 32795,          // 物件情報
    kCmdEdges = 32796,            // エッジ材設定: the band table, under the arrow of 原板
    kCmdNewJob = 57600,           // 新規: an empty job
    kCmdOpenJob = 57601,          // 物件を開く
    kCmdSaveJob = 57603,          // 物件を保存
    kCmdSaveJobAs = 57604,        // 物件に名前を付けて保存
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdContextHelp = 57669,
    kCmdHelp = 57670,
};

// Whether a tool bar command can be chosen in the document's present state.
bool IsCommandEnabled(int id, const CNestrixDoc& doc);
// Why a command cannot be chosen now, for its tip; "" when it can or nothing more is to say.
std::string DisabledReason(int id, const CNestrixDoc& doc);
