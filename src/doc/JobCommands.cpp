#include "doc/JobCommands.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/Settings.h"
#include "doc/NestrixDoc.h"
#include "base/CsvLine.h"
#include "job/Edge.h"
#include "job/Genban.h"
#include "job/TableFile.h"
#include "platform/FileChooser.h"
#include "platform/Prompt.h"
#include "result/JobFile.h"

namespace {

std::string FileNameOf(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

// "<物件名>.nestrix", safe as a file name.
std::string ProposedJobName(const std::string& jobName)
{
    return FileNameText(jobName.empty() ? "物件" : jobName) + "." + kJobExtension;
}

// A line for each of the first ten items, each after a line break, then "ほか N 件".
template <class Item, class Describe>
std::string NamedLines(const std::vector<Item>& items, Describe describe)
{
    std::string lines;
    for (std::size_t i = 0; i < items.size() && i < 10; ++i) {
        lines += "\n" + describe(items[i]);
    }
    if (items.size() > 10) {
        lines += "\nほか " + std::to_string(items.size() - 10) + " 件";
    }
    return lines;
}

}  // namespace

bool OpenJobFile(CNestrixDoc& doc, Settings& settings, Prompt& prompt, FileChooser& chooser, const std::string& path)
{
    if (doc.JobChanged(settings) && !prompt.AskYesNo(kOpenJobQuestion)) {
        return false;
    }
    std::string chosen = path;
    if (chosen.empty()) {
        // Without an open job the dialog opens where the last job file was chosen.
        const std::string folder = doc.JobPath.empty() ? "" : FolderOf(doc.JobPath);
        FileDialogOptions options{kJobFilter, kJobExtension, folder, "物件を開く"};
        options.Kind = FileKind::Job;
        const std::optional<std::string> picked = chooser.OpenFile(options);
        if (!picked) {
            return false;
        }
        chosen = *picked;
    }
    JobDocument job;
    std::string error;
    if (!ReadJobFile(chosen, job, error)) {
        prompt.ShowError("物件ファイル「" + FileNameOf(chosen) + "」を開けません。\n" + error);
        return false;
    }
    doc.OpenJob(job, chosen, settings);
    settings.AddRecentJob(chosen);
    OfferJobBoards(doc, job.Boards, prompt);
    OfferJobEdges(doc, job.Edges, prompt);
    return true;
}

// The same board kind in the list, whatever its stock count and remark now say.
bool SameBoardKind(const CGenban& a, const CGenban& b)
{
    CGenban c = b;
    c.Count = a.Count;
    c.Remark = a.Remark;
    return SameBoardRecord(a, c);
}

JobBoardsChoice OfferJobBoards(CNestrixDoc& doc, const CGenbanList& boards, Prompt& prompt)
{
    std::vector<CGenban> missing;
    for (const CGenban& board : boards.Items) {
        const bool listed = std::any_of(doc.GenbanList.Items.begin(), doc.GenbanList.Items.end(),
                                        [&](const CGenban& own) { return SameBoardKind(own, board); });
        if (!listed) {
            missing.push_back(board);
        }
    }
    if (missing.empty()) {
        return JobBoardsChoice::NotAsked;
    }
    std::string question = "この物件の原板 " + std::to_string(missing.size()) +
                           " 件が原板リストにありません。" + NamedLines(missing, [](const CGenban& board) {
                               return "原板「" + board.Name + "」 " + FormatTenths(board.Width) + "×" +
                                      FormatTenths(board.Height) + " 厚さ " + FormatTenths(board.Thickness);
                           });
    question += "\n\n" + std::string(kJobBoardsQuestion);
    switch (prompt.Choose(question, {"原板リストに加える", "この物件の原板で配置", "何もしない"})) {
        case 0: break;
        case 1: doc.LayoutWithJobBoards = true; return JobBoardsChoice::LayOutWithThem;
        default: return JobBoardsChoice::Left;
    }
    for (CGenban& board : missing) {
        board.Use = 1;
        doc.GenbanList.Items.push_back(std::move(board));
    }
    doc.GenbanList.Renumber();
    doc.GenbanList.Saved = 0;
    return JobBoardsChoice::Added;
}

bool OfferJobEdges(CNestrixDoc& doc, const CEdgeList& edges, Prompt& prompt)
{
    std::vector<CEdge> missing;
    for (const CEdge& edge : edges.Items) {
        if (doc.EdgeList.Find(edge.Code) == nullptr) {
            missing.push_back(edge);
        }
    }
    if (missing.empty()) {
        return false;
    }
    const std::string question =
        "この物件のエッジ材 " + std::to_string(missing.size()) + " 件がエッジ材にありません。" +
        NamedLines(missing, [](const CEdge& edge) {
            return "エッジ「" + edge.Code + "」 " + edge.Name + " 厚さ " + FormatTenths(edge.Thickness);
        });
    if (!prompt.AskYesNo(question + "\n\n" + kJobEdgesQuestion)) {
        return false;
    }
    for (CEdge& edge : missing) {
        doc.EdgeList.Items.push_back(std::move(edge));
    }
    doc.EdgeList.Renumber();
    doc.EdgeList.Saved = 0;
    return true;
}

bool NewJobCommand(CNestrixDoc& doc, const Settings& settings, Prompt& prompt)
{
    if (doc.JobChanged(settings) && !prompt.AskYesNo(kNewJobQuestion)) {
        return false;
    }
    doc.NewJob();
    return true;
}

bool SaveJobFile(CNestrixDoc& doc, Settings& settings, Prompt& prompt, FileChooser& chooser, bool chooseFile,
                 const std::function<bool()>& calculate)
{
    if (!doc.ResultPresent && !doc.BuzaiList.Items.empty() && prompt.AskYesNo(kSaveWithoutResultQuestion)) {
        if (!calculate || !calculate() || !doc.ResultPresent) {
            return false;
        }
    }
    std::string path = doc.JobPath;
    if (path.empty() || chooseFile) {
        FileDialogOptions options{kJobFilter, kJobExtension, "", "物件を保存"};
        options.Kind = FileKind::Job;
        options.InitialFolder = !doc.JobPath.empty()            ? FolderOf(doc.JobPath)
                                : !doc.BuzaiList.Files.empty() ? FolderOf(doc.BuzaiList.Files.front())
                                                               : "";
        options.FileName = doc.JobPath.empty() ? ProposedJobName(doc.JobInfo.JobName) : FileNameOf(doc.JobPath);
        if (!doc.JobPath.empty()) {
            options.OwnFiles = {doc.JobPath};
        }
        const std::optional<std::string> picked = chooser.SaveFile(options);
        if (!picked) {
            return false;
        }
        path = *picked;
    }
    const JobDocument job = doc.MakeJob(settings);
    const std::string text = JobToJson(job);
    const WriteResult written = WriteFileAtomically(path, text);
    if (!written.Ok()) {
        prompt.ShowError("物件ファイル「" + FileNameOf(path) + "」" + WriteErrorText(written));
        return false;
    }
    doc.JobSaved(path, text);
    settings.AddRecentJob(path);
    return true;
}

std::string JobWindowTitle(const CNestrixDoc& doc, const Settings& settings)
{
    const std::string& name = doc.JobInfo.JobName;
    const std::string file = doc.JobPath.empty() ? "" : FileNameOf(doc.JobPath);
    if (name.empty() && file.empty()) {
        return "Nestrix";
    }
    const bool changed = !file.empty() && doc.JobChanged(settings);
    return name + (name.empty() || file.empty() ? "" : " — ") + file + (changed ? " *" : "") + " - Nestrix";
}
