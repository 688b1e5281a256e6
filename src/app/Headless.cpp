#include "app/Headless.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <unistd.h>

#include "base/IniFile.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "exchange/DxfExport.h"
#include "exchange/XlsxExport.h"
#include "job/TableFile.h"
#include "result/JobFile.h"
#include "result/ResultJson.h"
#include "result/RetData.h"
#include "result/StockUpdate.h"
#include "result/UnplacedParts.h"
#include "view/BoardDrawing.h"
#include "view/PrintPages.h"

namespace {

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int signal)
{
    g_signal = signal;
    g_stopReading = 1;
}

// The job information of the cut data file: without a due date it takes today's.
CutDataInfo Dated(CutDataInfo info)
{
    if (info.Year == 0) {
        Today(info.Year, info.Month, info.Day);
    }
    return info;
}

const char* SignalName(int signal)
{
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        default: return "SIGINT";
    }
}

}  // namespace

StopSignals::StopSignals()
{
    g_signal = 0;
    g_stopReading = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &m_previous[i]);
    }
}

StopSignals::~StopSignals()
{
    g_stopReading = 0;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

int StopSignals::Caught()
{
    return g_signal;
}

int Stopped(int signal)
{
    std::fprintf(stderr, "nestrix: 中断しました。(%s)\n", SignalName(signal));
    return kExitSignalBase + signal;
}

int StoppedOr(int status)
{
    return StopSignals::Caught() != 0 ? Stopped(StopSignals::Caught()) : status;
}

void StderrPrompt::Print(std::string text) const
{
    if (g_signal != 0) {
        return;
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    if (Context.empty()) {
        std::fprintf(stderr, "nestrix: %s\n", text.c_str());
    } else {
        std::fprintf(stderr, "nestrix: %s: %s\n", Context.c_str(), text.c_str());
    }
}

std::optional<int> AnswerParse(ParseResult parsed, const std::string& error, const char* usage,
                               const LayoutOptions& options)
{
    switch (parsed) {
        case ParseResult::Help: std::fputs(usage, stdout); return kExitPlaced;
        case ParseResult::Error: {
            // The error, the command's usage lines and where the rest is: not every option.
            std::string lines;
            std::string command;
            const std::string text = usage;
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t end = std::min(text.find('\n', at), text.size());
                const std::string line = text.substr(at, end - at);
                if (line.rfind("Usage: ", 0) == 0 || line.rfind("  or: ", 0) == 0) {
                    lines += line + "\n";
                    if (command.empty()) {
                        const std::size_t name = line.find("nestrix ");
                        command = line.substr(name, line.find(' ', name + 8) - name);
                    }
                }
                at = end + 1;
            }
            std::fprintf(stderr, "nestrix: %s\n%s'%s --help' lists every option.\n", error.c_str(), lines.c_str(),
                         command.c_str());
            return kExitBadInput;
        }
        case ParseResult::Run: break;
    }
    if (const std::string clash = SameFileClash(options); !clash.empty()) {
        std::fprintf(stderr, "nestrix: %s\n", clash.c_str());
        return kExitBadInput;
    }
    return std::nullopt;
}

bool LoadSettingsOption(const LayoutOptions& options, Settings& settings)
{
    if (options.SettingsFile.empty()) {
        return true;
    }
    const std::string& path = options.SettingsFile;
    IniFile ini;
    if (!ini.Load(path) || ini.Missing()) {
        std::fprintf(stderr, "nestrix: the settings file %s cannot be read: %s\n", path.c_str(),
                     ini.Missing() ? ErrnoText(ENOENT).c_str() : ini.Problem().c_str());
        return false;
    }
    for (const std::string& warning : settings.Load(ini)) {
        std::fprintf(stderr, "nestrix: %s: %s\n", path.c_str(), warning.c_str());
    }
    return true;
}

bool LoadJobFile(const std::string& path, JobDocument& job)
{
    std::string error;
    if (!ReadJobFile(path, job, error)) {
        std::fprintf(stderr, "nestrix: %s: 物件ファイルを読めません: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

bool TakeJobInfo(const LayoutOptions& options, const char* usage, Prompt& prompt, CutDataInfo& info)
{
    if (!options.JobName.empty()) {
        info.JobName = options.JobName;
    }
    if (!options.Comment.empty()) {
        info.Comment = options.Comment;
    }
    if (!options.Customer.empty()) {
        info.Customer = options.Customer;
    }
    if (!options.Due.empty() && !ParseIsoDate(options.Due, info.Year, info.Month, info.Day)) {
        std::fprintf(stderr, "nestrix: --due takes a date as YYYY-MM-DD\n%s", usage);
        return false;
    }
    // Every output that carries the texts (cut data, labels, the job file) takes only what the
    // cut data file can hold: a line break kept in a saved job would be refused by its export.
    return CheckCutDataInfo(Dated(info), prompt) == CutDataField::None;
}

void TakeMinOffcut(const LayoutOptions& options, Settings& settings)
{
    if (options.MinOffcut) {
        settings.MinOffcutW = options.MinOffcut->Width;
        settings.MinOffcutL = options.MinOffcut->Length;
    }
}

int WriteOutputs(const LayoutOptions& options, OutputJob job,
                 const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>>& extra,
                 const PdfWriterFn& writePdf, const PngWriterFn& writePng, int status)
{
    // The printouts name the job and its due date as given (the cut data file dates it today).
    const CutDataInfo given = job.Info;
    job.Info = Dated(job.Info);
    PreparePrintout(job.Ret, job.Parts, job.Secondary, job.Boards, job.Options.TankaType, job.Bands);
    const auto stopped = [] { return StopSignals::Caught() != 0; };
    const auto pdf = [&](int kind) {
        return [&, kind](std::string& bytes, std::string& error) {
            PrintSource source = MakePrintSource(job.Ret, job.Parts, job.Secondary, job.Boards, job.Options,
                                                 kind, given, job.Bands);
            if (!writePdf) {
                error = "PDF output is not available";
                return false;
            }
            return writePdf(source, stopped, bytes, error);
        };
    };
    std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>> makers = {
        {&LayoutOptions::Json,
         [&](std::string& bytes, std::string&) {
             const ResultSawing sawing = SawResult({job.Ret, job.Parts, job.Secondary, job.Boards},
                                                   job.Options.NokoHaba, MinOffcut(job.Options));
             bytes = ResultToJson(job.Ret, &sawing, job.Bands, &job.Ret.Bound);
             return true;
         }},
        {&LayoutOptions::Unplaced,
         [&](std::string& bytes, std::string& error) {
             return DiskBytes(UnplacedPartsList(job.Ret).ToText(), bytes, error);
         }},
        {&LayoutOptions::PdfInfo, pdf(kPrintBoardInfo)},
        {&LayoutOptions::PdfCuts, pdf(kPrintCutSheets)},
        {&LayoutOptions::PdfLabels, pdf(kPrintLabels)},
        {&LayoutOptions::CutData,
         [&](std::string& bytes, std::string& error) {
             std::string text;
             if (!CutDataText({job.Ret, job.Parts, job.Secondary, job.Boards, job.Options.NokoHaba,
                               MinOffcut(job.Options)}, job.Info, text,
                              error)) {
                 error = "切断手順を作成できない配置があります。" + error;
                 return false;
             }
             return DiskBytes(text, bytes, error);
         }},
    };
    makers.push_back({&LayoutOptions::StockOut, [&](std::string& bytes, std::string& error) {
                          const JobLists lists{job.Ret, job.Parts, job.Secondary, job.Boards};
                          StockUpdate update;
                          if (!MakeStockUpdate(lists, SawResult(lists, job.Options.NokoHaba, MinOffcut(job.Options)),
                                               job.Boards, StockRemark(job.Info.JobName), update, error)) {
                              return false;
                          }
                          return DiskBytes(update.Boards.ToText(), bytes, error);
                      }});
    const CutDataSource sawn{
        {job.Ret, job.Parts, job.Secondary, job.Boards}, job.Options.NokoHaba, MinOffcut(job.Options)};
    makers.push_back({&LayoutOptions::Xlsx, [&](std::string& bytes, std::string& error) {
                          WorkbookSource source{sawn};
                          source.TankaType = job.Options.TankaType;
                          source.Bands = job.Bands;
                          source.Info = given;
                          return ResultWorkbook(source, bytes, error);
                      }});
    makers.insert(makers.end(), extra.begin(), extra.end());
    StagedWrites writes;
    std::vector<std::string> createdFolders;
    int staged = StageFiles(options, makers, stopped, writes);
    if (staged == 0 && !options.PngDir.empty()) {
        const BoardSource source{job.Ret, job.Parts, job.Secondary, job.Boards, job.Options};
        staged = StageFolderFiles(
            "--png", options.PngDir,
            [&](std::vector<NamedBytes>& files, std::string& error) {
                if (!writePng) {
                    error = "PNG output is not available";
                    return false;
                }
                return writePng(source, stopped, files, error);
            },
            stopped, writes, createdFolders);
    }
    if (staged == 0 && !options.DxfDir.empty()) {
        staged = StageFolderFiles(
            "--dxf", options.DxfDir,
            [&](std::vector<NamedBytes>& files, std::string& error) {
                return PatternDxfFiles(sawn, stopped, files, error);
            },
            stopped, writes, createdFolders);
    }
    if (staged == 0 && StopSignals::Caught() == 0) {
        std::string failed;
        const WriteResult committed = writes.Commit(&failed);
        if (!committed.Ok() && StopSignals::Caught() != 0) {
            return Stopped(StopSignals::Caught());  // a pipe that nobody read
        }
        if (!committed.Ok()) {
            std::fprintf(stderr, "nestrix: %s cannot be written: %s\n", failed.c_str(), committed.Reason().c_str());
            return kExitCannotWrite;
        }
        return status;
    }
    writes.Discard();
    for (auto folder = createdFolders.rbegin(); folder != createdFolders.rend(); ++folder) {
        ::rmdir(folder->c_str());
    }
    return StoppedOr(staged);
}
