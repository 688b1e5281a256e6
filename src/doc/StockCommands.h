#pragma once

#include <string>

class CNestrixDoc;
class Prompt;
struct Settings;

// The board list as it was before the last 在庫反映, in the program folder until the next one.
inline constexpr const char* kStockUndoFileName = "Genban.undo";

// 在庫反映: shows what the document's result changes in the board list (the sheets used off
// their counts, the offcuts on as 最優先 boards) and, when the user agrees, keeps the list as it
// is in kStockUndoFileName and changes it; the command's save writes it. Refuses with a message
// when the result's boards are no longer in the list as the calculation had them or the result
// was applied already. 1 when the list changed.
int ApplyStockUpdate(CNestrixDoc& doc, const Settings& app, const std::string& folder, Prompt& prompt);

// 取り消し: the board list back as it was before the last 在庫反映, when the user agrees; the
// kept list is then removed. 1 when the list changed.
int UndoStockUpdate(CNestrixDoc& doc, const Settings& app, const std::string& folder, Prompt& prompt);

// Whether a 取り消し is possible: the kept list exists.
bool StockUndoExists(const std::string& folder);
