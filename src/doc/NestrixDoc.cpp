#include "doc/NestrixDoc.h"

#include "result/JobFile.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

#include "base/ProgramFolder.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "calc/GroupBounds.h"
#include "platform/Prompt.h"

namespace {

// The first of base, base.1, base.2, … that does not exist yet, created with the bytes.
// Empty when none could be made; `error` then holds the reason.
std::string WriteToFreeName(const std::string& base, const std::string& bytes, int& error)
{
    for (int n = 0; n < 1000; ++n) {
        const std::string path = n == 0 ? base : base + "." + std::to_string(n);
        const WriteResult written = WriteNewFile(path, bytes);
        if (written.Ok()) {
            return path;
        }
        if (written.Error != EEXIST) {
            error = written.Error;
            return {};
        }
    }
    error = EEXIST;
    return {};
}

std::string NameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// A list file that exists but could not be read would be overwritten at the end with what was
// read of it. Its bytes are copied beside it first and the copy is compared with them. True
// when the file may be written at the end: it is missing (the first run) or its copy is verified.
bool KeepUnreadable(const std::string& folder, const char* name, Prompt& prompt)
{
    const std::string path = folder + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) {
        return true;
    }
    std::string bytes;
    const ReadResult read = ReadWholeFile(path, bytes, std::size_t(1) << 30);
    int error = read.Error;
    std::string backup;
    if (read.Ok()) {
        backup = WriteToFreeName(path + ".bak", bytes, error);
        std::string copy;
        if (!backup.empty() && (!ReadWholeFile(backup, copy, bytes.size() + 1).Ok() || copy != bytes)) {
            error = EIO;
            backup.clear();
        }
    }
    if (backup.empty()) {
        prompt.ShowError(std::string("「") + name + "」の控えを作れませんでした（" + SystemReason(error) +
                         "）。\n終了時にも「" + name + "」は上書きしません。");
        return false;
    }
    prompt.ShowError(std::string("読み込めなかった「") + name + "」を「" + NameOf(backup) +
                     "」として残しました。");
    return true;
}

CNestrixDoc::FileSeen SeeFile(const std::string& path)
{
    CNestrixDoc::FileSeen seen;
    struct stat info {};
    seen.Exists = ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
    if (!ReadWholeFile(path, seen.Bytes, std::size_t(1) << 30).Ok()) {
        seen.Bytes.clear();  // unreadable: such a file is kept, never written over
    }
    return seen;
}

bool Same(const CNestrixDoc::FileSeen& a, const CNestrixDoc::FileSeen& b)
{
    return a.Exists == b.Exists && a.Bytes == b.Bytes;
}

// The list beside a file it may not replace: at the end, into the first free NAME.new….
template <class List>
void WriteBeside(const List& list, int kept, const std::string& folder, const char* name, Prompt& prompt)
{
    if (list.Items.empty()) {
        return;  // nothing entered: the kept file is all there is
    }
    const std::string why = kept == 1 ? std::string("読み込めなかった「") + name + "」は上書きしません。"
                                      : std::string("ほかで変更された「") + name + "」は上書きしません。";
    std::string bytes;
    int error = EILSEQ;
    std::string saved;
    if (EncodeForDisk(list.ToText(), bytes)) {
        saved = WriteToFreeName(folder + name + ".new", bytes, error);
    }
    if (saved.empty()) {
        prompt.ShowError(why + "\n一覧を保存できませんでした（" + SystemReason(error) + "）。");
        return;
    }
    prompt.ShowError(why + "\n一覧は「" + NameOf(saved) + "」に保存しました。");
}

template <class List>
void SaveListFile(const List& list, int& kept, CNestrixDoc::FileSeen& seen, const std::string& folder,
                  const char* name, Prompt& prompt, bool atEnd)
{
    const std::string path = folder + name;
    CNestrixDoc::FileSeen wanted;
    wanted.Exists = EncodeForDisk(list.ToText(), wanted.Bytes);
    if (!kept && Same(wanted, seen)) {
        return;  // the file already holds the list: another program's later edit stays
    }
    if (!kept && !Same(SeeFile(path), seen) &&
        !prompt.AskYesNo(std::string("「") + name +
                         "」は読み込んだ後でほかのプログラムに変更されています。\n上書きしますか？")) {
        kept = 2;
    }
    if (kept) {
        if (atEnd) {
            WriteBeside(list, kept, folder, name, prompt);
        }
        return;
    }
    if (list.Write(path, prompt)) {
        seen = wanted;
    }
}

}  // namespace

CNestrixDoc::CNestrixDoc()
{
    BuzaiList.IsSecondary = 0;
    YBuzaiList.IsSecondary = 1;
    ResultSecondary.IsSecondary = 1;
    YBuzaiList.Template.Count = 9999;
    // Parts files name only the bands of the table.
    BuzaiList.Edges = &EdgeList;
    YBuzaiList.Edges = &EdgeList;
}

int CNestrixDoc::OnNewDocument(const Settings& settings, const std::string& folder, Prompt& prompt)
{
    GenbanSeen = SeeFile(folder + kBoardsListFileName);
    YBuzaiSeen = SeeFile(folder + kSecondaryListFileName);
    EdgeSeen = SeeFile(folder + kEdgeListFileName);
    StockUndoAvailable = StockUndoExists(folder);
    // A missing list file is the first start: an empty list, no message.
    // The band table first: the secondary parts name its codes.
    if (EdgeSeen.Exists && !EdgeList.Read(folder + kEdgeListFileName, prompt)) {
        EdgeKept = KeepUnreadable(folder, kEdgeListFileName, prompt) ? 0 : 1;
    }
    if (!settings.ResetGenbanFlg) {
        if (GenbanSeen.Exists && !GenbanList.Read(folder + kBoardsListFileName, settings, prompt)) {
            GenbanKept = KeepUnreadable(folder, kBoardsListFileName, prompt) ? 0 : 1;
        }
        GenbanList.Saved = 0;
    }
    if (!settings.ResetYBuzaiFlg) {
        if (YBuzaiSeen.Exists && !YBuzaiList.Read(folder + kSecondaryListFileName, settings, prompt)) {
            YBuzaiKept = KeepUnreadable(folder, kSecondaryListFileName, prompt) ? 0 : 1;
        }
        YBuzaiList.Saved = 0;
    }
    return 1;
}

int CNestrixDoc::OpenPartsFile(const std::string& path, const Settings& settings, Prompt& prompt)
{
    BuzaiList.Items.clear();
    BuzaiList.Files = {path};
    const int read = BuzaiList.Read(path, settings, prompt);
    BuzaiList.Saved = read || BuzaiList.Items.empty() ? 1 : 0;
    Modified = BuzaiList.Saved ? 0 : 1;
    ResultPresent = 0;
    RedrawNeeded = 1;
    return read;
}

void CNestrixDoc::SaveListFiles(const std::string& folder, Prompt& prompt, bool atEnd)
{
    SaveListFile(GenbanList, GenbanKept, GenbanSeen, folder, kBoardsListFileName, prompt, atEnd);
    if (!YBuzaiOfJob) {
        SaveListFile(YBuzaiList, YBuzaiKept, YBuzaiSeen, folder, kSecondaryListFileName, prompt, atEnd);
    }
    // A shop without bands gets no band file.
    if (!EdgeList.Items.empty() || EdgeSeen.Exists) {
        SaveListFile(EdgeList, EdgeKept, EdgeSeen, folder, kEdgeListFileName, prompt, atEnd);
    }
}

bool CNestrixDoc::CanClose(Prompt& prompt) const
{
    if (!JobPath.empty()) {
        return !JobChanged(JobRun) || prompt.AskYesNo(kCloseJobQuestion);
    }
    return !Modified || prompt.AskYesNo(kCloseQuestion);
}

Settings CNestrixDoc::ResultSettings(const Settings& app) const
{
    Settings settings = app;
    if (HasJobRun) {
        CopyJobRunSettings(JobRun, settings);
    }
    return settings;
}

void CNestrixDoc::SelectResultBoards()
{
    for (CGenban& board : LayoutBoards().Items) {
        board.Use = std::any_of(ResultBoards.Items.begin(), ResultBoards.Items.end(),
                                [&](const CGenban& used) { return used.Use && SameBoardRecord(used, board); })
                        ? 1
                        : 0;
    }
}

std::string CNestrixDoc::PrepareCutSizes(const Settings& settings)
{
    CBuzaiList parts;
    CBuzaiList secondary;
    std::string error = CutSizeList(BuzaiList, EdgeList, settings.EdgePremill, parts);
    if (error.empty()) {
        error = CutSizeList(YBuzaiList, EdgeList, settings.EdgePremill, secondary);
    }
    if (error.empty()) {
        ResultParts = std::move(parts);
        ResultSecondary = std::move(secondary);
        ResultParts.Files.clear();
        ResultSecondary.Files.clear();
    }
    return error;
}

void CNestrixDoc::KeepCalculation(const Settings& settings, std::vector<ResultPlan> plans)
{
    ResultBoards = LayoutBoards();
    ResultBoards.Files.clear();
    ResultEdges = EdgeList;
    StockApplied = false;
    RetData.BuzaiList = &ResultParts;
    RetData.YBuzaiList = &ResultSecondary;
    RetData.GenbanList = &ResultBoards;
    m_plans = std::move(plans);
    m_chosenPlan = 0;
    CopyJobRunSettings(settings, JobRun);
    HasJobRun = true;
    if (!SawingFits(RetData, settings.NokoHaba, MinOffcut(settings))) {  // the run made it already
        PlanSawing(RetData, ResultParts, ResultSecondary, ResultBoards, settings.NokoHaba,
                   MinOffcut(settings));
    }
    // A plan taken later becomes the result with the saw plan the run made for it.
    for (ResultPlan& plan : m_plans) {
        plan.Ret.BuzaiList = &ResultParts;
        plan.Ret.YBuzaiList = &ResultSecondary;
        plan.Ret.GenbanList = &ResultBoards;
    }
}

const std::vector<ResultPlan>* CNestrixDoc::ResultPlans() const
{
    // Whatever replaced or cleared the result since (a job opened, a list edited) ends its plans.
    const bool current = ResultPresent != 0 && m_plans.size() > 1 && m_chosenPlan < m_plans.size() &&
                         SameLayouts(m_plans[m_chosenPlan].Ret, RetData);
    return current ? &m_plans : nullptr;
}

bool CNestrixDoc::ChoosePlan(std::size_t plan)
{
    if (ResultPlans() == nullptr || plan >= m_plans.size() || StockApplied) {
        return false;
    }
    RetData = m_plans[plan].Ret;
    m_chosenPlan = plan;
    CurrentBoard = 0;
    RedrawNeeded = 1;
    return true;
}

JobDocument CNestrixDoc::MakeJob(const Settings& settings) const
{
    JobDocument job;
    job.Info = JobInfo;
    job.Parts.Items = BuzaiList.Items;
    job.Secondary.Items = YBuzaiList.Items;
    job.HasResult = ResultPresent != 0;
    job.Boards.Items = job.HasResult ? ResultBoards.Items : LayoutBoards().Items;
    job.Edges.Items = job.HasResult ? ResultEdges.Items : EdgeList.Items;
    CopyJobRunSettings(HasJobRun ? JobRun : settings, job.Run);
    if (job.HasResult) {
        job.Result = RetData;
        job.Result.Pages = {};
    }
    job.Bind();
    return job;
}

bool CNestrixDoc::JobChanged(const Settings& settings) const
{
    if (JobPath.empty()) {
        return Modified != 0 || ResultPresent != 0;
    }
    return JobToJson(MakeJob(settings)) != m_jobSavedText;
}

void CNestrixDoc::OpenJob(const JobDocument& job, const std::string& path, const Settings& settings)
{
    BuzaiList.Items = job.Parts.Items;
    BuzaiList.Files.clear();
    BuzaiList.Saved = 1;
    Modified = 0;
    YBuzaiList.Items = job.Secondary.Items;
    YBuzaiList.Files.clear();
    YBuzaiOfJob = true;
    ResultBoards.Items = job.Boards.Items;
    JobBoards.Items = job.Boards.Items;
    JobBoards.Files.clear();
    LayoutWithJobBoards = false;
    ResultEdges.Items = job.Edges.Items;
    // The reader has checked that every part can be cut.
    JobDocument cut;
    std::string unused;
    if (CutSizeJob(job, cut, unused)) {
        ResultParts.Items = cut.Parts.Items;
        ResultSecondary.Items = cut.Secondary.Items;
    }
    RetData = job.Result;
    m_plans.clear();
    RetData.BuzaiList = &ResultParts;
    RetData.YBuzaiList = &ResultSecondary;
    RetData.GenbanList = &ResultBoards;
    ResultPresent = job.HasResult && !job.Result.Layouts.empty() ? 1 : 0;
    StockApplied = false;
    if (!ResultPresent) {
        RetData.Clear();
    }
    JobInfo = job.Info;
    JobRun = settings;
    CopyJobRunSettings(job.Run, JobRun);
    if (ResultPresent) {  // not in the file: made again from the job's lists
        RetData.Bound = ComputeBound(RetData, JobRun);
        if (!SawingFits(RetData, JobRun.NokoHaba, MinOffcut(JobRun))) {
            PlanSawing(RetData, ResultParts, ResultSecondary, ResultBoards, JobRun.NokoHaba,
                       MinOffcut(JobRun));
        }
    }
    HasJobRun = true;
    CurrentBoard = 0;
    RedrawNeeded = 1;
    JobPath = path;
    m_jobSavedText = JobToJson(MakeJob(JobRun));
}

void CNestrixDoc::NewJob()
{
    BuzaiList.Items.clear();
    BuzaiList.Files.clear();
    BuzaiList.Saved = 1;
    Modified = 0;
    YBuzaiList.Items.clear();
    YBuzaiList.Files.clear();
    YBuzaiOfJob = true;
    RetData.Clear();
    m_plans.clear();
    ResultBoards.Items.clear();
    ResultParts.Items.clear();
    ResultSecondary.Items.clear();
    ResultEdges.Items.clear();
    JobBoards.Items.clear();
    LayoutWithJobBoards = false;
    ResultPresent = 0;
    StockApplied = false;
    JobInfo = CutDataInfo{};
    HasJobRun = false;
    JobPath.clear();
    m_jobSavedText.clear();
    CurrentBoard = 0;
    RedrawNeeded = 1;
}

void CNestrixDoc::JobSaved(const std::string& path, const std::string& text)
{
    JobPath = path;
    m_jobSavedText = text;
}
