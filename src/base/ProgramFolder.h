#pragma once

#include <string>

// The folder of Nestrix.ini and the list files "Genban", "YBuzai" and "Edge", with a trailing slash:
// $NESTRIX_HOME when set, else ~/.config/nestrix/. Created when missing.
// Empty when it cannot be created (the caller reports it).
std::string ProgramFolder();

inline constexpr const char* kSettingsFileName = "Nestrix.ini";
inline constexpr const char* kBoardsListFileName = "Genban";
inline constexpr const char* kSecondaryListFileName = "YBuzai";
inline constexpr const char* kEdgeListFileName = "Edge";  // the band table (エッジ材)

// The record of the last 在庫反映, in the program folder until the next one or its 取り消し: the
// board list as it was before it, the list as it wrote it (".after") and the id of the 在庫反映
// (".id"), which the window that made it keeps too.
inline constexpr const char* kStockUndoFileName = "Genban.undo";
inline constexpr const char* kStockUndoAfterSuffix = ".after";
inline constexpr const char* kStockUndoIdSuffix = ".id";

// Whether a 取り消し of the last 在庫反映 is possible: its kept list exists in the folder.
bool StockUndoExists(const std::string& folder);
