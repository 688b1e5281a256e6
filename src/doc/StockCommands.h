#pragma once

#include <string>

#include "base/ProgramFolder.h"

class CNestrixDoc;
class Prompt;
struct Settings;

// 在庫反映: shows what the document's result changes in the board list (the sheets used off
// their counts, the offcuts on as 最優先 boards) and, when the user agrees, keeps the list as it
// is in kStockUndoFileName and changes it; the command's save writes it. Refuses with a message
// when the result's boards are no longer in the list as the calculation had them or the result
// was applied already. 1 when the list changed.
int ApplyStockUpdate(CNestrixDoc& doc, const Settings& app, const std::string& folder, Prompt& prompt);

// 取り消し: the board list back as it was before the last 在庫反映, when the user agrees; the
// record is then removed, and only once "Genban" holds that list. A window that made a 在庫反映
// undoes only its own (a later one of another window replaced its record: refused) and only
// while the board list, in the window and in "Genban", is what that 在庫反映 wrote (else
// refused, naming the changes). A window without one of its own (a restart, another window)
// names the changes made since that would be lost and asks. 1 when the list changed.
int UndoStockUpdate(CNestrixDoc& doc, const Settings& app, const std::string& folder, Prompt& prompt);
