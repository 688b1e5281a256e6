#include "doc/StockCommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <unistd.h>

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "doc/NestrixDoc.h"
#include "job/Genban.h"
#include "platform/Prompt.h"
#include "result/Offcuts.h"
#include "result/StockUpdate.h"

namespace {

// Lines of the preview beyond these are counted, not listed.
constexpr std::size_t kPreviewLines = 20;

// An id no other 在庫反映 of any window has: the time, the process and a count.
std::string NewStockUndoId()
{
    static int count = 0;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) + "-" +
           std::to_string(::getpid()) + "-" + std::to_string(++count);
}

class QuietPrompt final : public Prompt {
public:
    void ShowError(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
};

// The list as its file holds it.
std::string DiskBytesOf(const CGenbanList& list)
{
    std::string bytes;
    return EncodeForDisk(list.ToText(), bytes) ? bytes : std::string();
}

std::string FileBytes(const std::string& path)
{
    std::string bytes;
    return ReadWholeFile(path, bytes, std::size_t(64) << 20).Ok() ? bytes : std::string();
}

// What changed from one board list to the other, board by board, as lines for a message.
std::vector<std::string> BoardChanges(const std::string& fromBytes, const std::string& toBytes, const Settings& app)
{
    CGenbanList from;
    CGenbanList to;
    QuietPrompt quiet;
    std::istringstream a(fromBytes);
    std::istringstream b(toBytes);
    from.Read(a, app, quiet);
    to.Read(b, app, quiet);
    std::vector<std::string> lines;
    const std::size_t common = std::min(from.Items.size(), to.Items.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (!SameBoardRecord(from.Items[i], to.Items[i])) {
            lines.push_back("原板「" + to.Items[i].Name + "」（" + std::to_string(i + 1) + "行目）が変更されています");
        }
    }
    for (std::size_t i = common; i < to.Items.size(); ++i) {
        lines.push_back("原板「" + to.Items[i].Name + "」が追加されています");
    }
    for (std::size_t i = common; i < from.Items.size(); ++i) {
        lines.push_back("原板「" + from.Items[i].Name + "」が削除されています");
    }
    if (lines.empty()) {
        lines.push_back("原板リストのファイルが書き換えられています");
    }
    return lines;
}

std::string Listed(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kPreviewLines; ++i) {
        text += "\n" + lines[i];
    }
    if (lines.size() > kPreviewLines) {
        text += "\nほか " + std::to_string(lines.size() - kPreviewLines) + " 件";
    }
    return text;
}

void RemoveStockUndo(const std::string& folder)
{
    const std::string path = folder + kStockUndoFileName;
    for (const std::string& file : {path + kStockUndoAfterSuffix, path + kStockUndoIdSuffix, path}) {
        std::remove(file.c_str());
    }
}

}  // namespace

int ApplyStockUpdate(CNestrixDoc& doc, const Settings& app, const std::string& folder, Prompt& prompt)
{
    if (!doc.ResultPresent) {
        prompt.ShowError("在庫反映する配置結果がありません。");
        return 0;
    }
    if (doc.StockApplied) {
        prompt.ShowError("この配置結果は在庫反映済みです。取り消してから反映し直してください。");
        return 0;
    }
    if (doc.GenbanKept != 0) {
        prompt.ShowError("原板データファイルを書き込めない状態のため、在庫反映できません。");
        return 0;
    }
    const Settings run = doc.ResultSettings(app);
    const JobLists lists{doc.RetData, doc.ResultParts, doc.ResultSecondary, doc.ResultBoards};
    StockUpdate update;
    std::string error;
    if (!MakeStockUpdate(lists, SawingOf(doc.RetData, run.NokoHaba, MinOffcut(run)), doc.GenbanList,
                         StockRemark(doc.JobInfo.JobName), update, error)) {
        prompt.ShowError("在庫反映できません。\n" + error);
        return 0;
    }
    std::string question = "原板リストを次のように変更します。よろしいですか？\n";
    for (std::size_t i = 0; i < update.Lines.size() && i < kPreviewLines; ++i) {
        question += "\n" + update.Lines[i];
    }
    if (update.Lines.size() > kPreviewLines) {
        question += "\nほか " + std::to_string(update.Lines.size() - kPreviewLines) + " 件";
    }
    question += "\n\n取り消しで元に戻せます。";
    if (!prompt.AskYesNo(question)) {
        return 0;
    }
    // The record for 取り消し: the list as it is now, as it will be, and whose it is; without it
    // nothing changes. The list before goes last: its file is what says a record exists.
    const std::string path = folder + kStockUndoFileName;
    const std::string id = NewStockUndoId();
    CGenbanList after;
    after.Items = update.Boards.Items;
    const bool recorded = after.Write(path + kStockUndoAfterSuffix, prompt) &&
                          WriteFileAtomically(path + kStockUndoIdSuffix, id + "\n").Ok() &&
                          doc.GenbanList.Write(path, prompt);
    if (!recorded) {
        RemoveStockUndo(folder);
        prompt.ShowError("在庫反映の取り消し記録を書けないため、在庫反映しませんでした。");
        return 0;
    }
    doc.GenbanList.Items = std::move(update.Boards.Items);
    doc.GenbanList.Saved = 0;
    doc.StockApplied = true;
    doc.StockUndoAvailable = true;
    doc.StockUndoId = id;
    doc.RedrawNeeded = 1;
    return 1;
}

int UndoStockUpdate(CNestrixDoc& doc, const Settings& app, const std::string& folder, Prompt& prompt)
{
    const std::string path = folder + kStockUndoFileName;
    if (!StockUndoExists(folder)) {
        doc.StockUndoAvailable = false;
        return 0;
    }
    std::string recordId = FileBytes(path + kStockUndoIdSuffix);
    if (!recordId.empty() && recordId.back() == '\n') {
        recordId.pop_back();
    }
    if (!doc.StockUndoId.empty() && recordId != doc.StockUndoId) {
        prompt.ShowError("この在庫反映の取り消し記録は、その後の別の在庫反映（別のウィンドウなど）で置き換えられたため、"
                         "取り消せません。");
        doc.StockUndoAvailable = false;
        return 0;
    }
    // What changed since the 在庫反映 wrote the list: in this window or in "Genban".
    std::vector<std::string> changes;
    const std::string after = FileBytes(path + kStockUndoAfterSuffix);
    if (!after.empty()) {
        for (const std::string& now :
             {DiskBytesOf(doc.GenbanList), FileBytes(folder + kBoardsListFileName)}) {
            if (changes.empty() && now != after) {
                changes = BoardChanges(after, now, app);
            }
        }
    }
    if (!doc.StockUndoId.empty() && !changes.empty()) {
        prompt.ShowError("在庫反映の後に原板リストが変更されているため、取り消せません。" + Listed(changes));
        return 0;
    }
    std::string question = "最後の在庫反映を取り消して、原板リストを反映の前に戻しますか？";
    if (!changes.empty()) {
        question += "\n\n在庫反映の後に原板リストが変更されています。取り消すと次の変更は失われます。" + Listed(changes);
    }
    if (!prompt.AskYesNo(question)) {
        return 0;
    }
    CGenbanList before;
    if (!before.Read(path, app, prompt)) {
        return 0;  // the reader said why; the kept list stays for another try
    }
    doc.GenbanList.Items = std::move(before.Items);
    doc.GenbanList.Renumber();
    doc.GenbanList.Saved = 0;
    doc.StockApplied = false;
    doc.RedrawNeeded = 1;
    // Written now; the kept list goes only once "Genban" holds the list again.
    doc.SaveListFiles(folder, prompt, false);
    if (doc.GenbanSeen.Exists && DiskBytesOf(doc.GenbanList) == doc.GenbanSeen.Bytes) {
        RemoveStockUndo(folder);
        doc.StockUndoAvailable = false;
        doc.StockUndoId.clear();
    }
    return 1;
}
