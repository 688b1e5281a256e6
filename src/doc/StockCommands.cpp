#include "doc/StockCommands.h"

#include <cstdio>
#include <sys/stat.h>

#include "base/TextFile.h"
#include "doc/NestrixDoc.h"
#include "platform/Prompt.h"
#include "result/Offcuts.h"
#include "result/StockUpdate.h"

namespace {

// Lines of the preview beyond these are counted, not listed.
constexpr std::size_t kPreviewLines = 20;

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
    const JobLists lists{doc.RetData, doc.BuzaiList, doc.YBuzaiList, doc.ResultBoards};
    StockUpdate update;
    std::string error;
    if (!MakeStockUpdate(lists, SawResult(lists, run.NokoHaba, MinOffcut(run)), doc.GenbanList,
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
    // The list as it is now, for 取り消し; without it nothing changes.
    if (!doc.GenbanList.Write(folder + kStockUndoFileName, prompt)) {
        return 0;
    }
    doc.GenbanList.Items = std::move(update.Boards.Items);
    doc.GenbanList.Saved = 0;
    doc.StockApplied = true;
    doc.StockUndoAvailable = true;
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
    if (!prompt.AskYesNo("最後の在庫反映を取り消して、原板リストを反映の前に戻しますか？")) {
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
    doc.SaveJobFiles(folder, prompt, false);
    std::string restored;
    if (doc.GenbanSeen.Exists && EncodeForDisk(doc.GenbanList.ToText(), restored) && restored == doc.GenbanSeen.Bytes) {
        std::remove(path.c_str());
        doc.StockUndoAvailable = false;
    }
    return 1;
}

bool StockUndoExists(const std::string& folder)
{
    struct stat info {};
    return ::stat((folder + kStockUndoFileName).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
