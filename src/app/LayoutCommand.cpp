#include "app/LayoutCommand.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "app/CommandInput.h"
#include "app/LayoutOutputs.h"
#include "app/LayoutSummary.h"
#include "app/StderrPrompt.h"
#include "app/StopSignals.h"
#include "app/WriteOutputs.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "calc/CalHaichi.h"
#include "calc/GroupBounds.h"
#include "calc/engines/Engines.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "job/PartsImport.h"
#include "platform/Prompt.h"
#include "result/CutData.h"
#include "result/EdgeTotals.h"
#include "result/JobFile.h"
#include "result/Offcuts.h"
#include "result/PlanChoice.h"
#include "result/ResultJson.h"
#include "result/RetData.h"
#include "result/UnplacedParts.h"
#include "view/BoardDrawing.h"
#include "view/PrintPages.h"

namespace {

// Progress on stderr: a bar redrawn in place on a terminal, else a line every 10 %.
class ProgressDisplay {
public:
    ProgressDisplay() : m_terminal(isatty(STDERR_FILENO) != 0) {}
    void Show(const CalcRun& run)
    {
        const std::string text = run.ProgressText();
        if (text == m_last) {
            return;
        }
        m_last = text;
        const int percent = run.Percent();
        if (m_terminal) {
            const int filled = percent * 30 / 100;
            std::fprintf(stderr, "\r[%s%s] %s", std::string(filled, '#').c_str(),
                         std::string(30 - filled, '.').c_str(), text.c_str());
            std::fflush(stderr);
        } else if (percent / 10 != m_lastTenth) {
            m_lastTenth = percent / 10;
            std::fprintf(stderr, "%s\n", text.c_str());
        }
    }
    void End()
    {
        if (m_terminal && !m_last.empty()) {
            std::fputc('\n', stderr);
        }
    }

private:
    bool m_terminal;
    std::string m_last;
    int m_lastTenth = -1;
};

// A summary of the result on standard output, or on stderr when an output goes to standard
// output; false after the message when it cannot be written.
bool PrintResultSummary(const LayoutOptions& options, const CRetData& ret, const CBuzaiList& buzai,
                        const CBuzaiList& ybuzai, const CGenbanList& genban, const Settings& settings,
                        const EdgeTotals* bands, const std::vector<ResultPlan>* plans = nullptr)
{
    std::FILE* out = AnyOutputOnStandardOutput(options) ? stderr : stdout;
    PrintSummary(out, ret, buzai, ybuzai, genban, settings, bands);
    if (plans != nullptr) {
        const bool noRate = settings.NoRateFlg != 0;
        std::fprintf(out, "%s\n", PlansHeading(settings.PlanTolerance, noRate).c_str());
        for (const ResultPlan& plan : *plans) {
            std::fprintf(out, "  %s\n", PlanLine(plan, noRate).c_str());
        }
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(stderr, "nestrix: the summary cannot be written: %s\n", ErrnoText(errno).c_str());
        return false;
    }
    return true;
}

// The job of `nestrix layout`: the lists and calculation settings of a job file, or the list
// files with every board usable. Nothing when read, else the status after the message.
std::optional<int> LoadLayoutJob(const LayoutOptions& options, Settings& settings, StderrPrompt& prompt,
                                 JobDocument& job)
{
    if (!options.Job.empty()) {
        if (!LoadJobFile(options.Job, job)) {
            return StoppedOr(kExitBadInput);
        }
        CopyJobRunSettings(job.Run, settings);
        job.HasResult = false;
        job.Result.Clear();
        return std::nullopt;
    }
    auto read = [&prompt, &settings](auto& list, const std::string& path) {
        prompt.Context = path;
        const int ok = list.Read(path, settings, prompt);
        prompt.Context.clear();
        return ok != 0;
    };
    // A spreadsheet's columns are found by their titles; what was assumed or left out is said.
    auto import = [&prompt](CBuzaiList& list, const std::string& path) {
        prompt.Context = path;
        std::string note;
        const int ok = ImportPartsFile(path, list, prompt, note);
        prompt.Context.clear();
        if (ok != 0) {
            std::fprintf(stderr, "nestrix: %s: %s\n", path.c_str(), note.c_str());
        }
        return ok != 0;
    };
    // The parts files name only the bands of the table (none without --bands).
    job.Parts.Edges = &job.Edges;
    job.Secondary.Edges = &job.Edges;
    if (!options.Bands.empty()) {
        prompt.Context = options.Bands;
        const int ok = job.Edges.Read(options.Bands, prompt);
        prompt.Context.clear();
        if (!ok) {
            return StoppedOr(kExitBadInput);
        }
    }
    if (!read(job.Boards, options.Boards) ||
        !(options.PartsImport.empty() ? read(job.Parts, options.Parts)
                                      : import(job.Parts, options.PartsImport)) ||
        (!options.Secondary.empty() && !read(job.Secondary, options.Secondary)) ||
        (!options.SecondaryImport.empty() && !import(job.Secondary, options.SecondaryImport))) {
        return StoppedOr(kExitBadInput);
    }
    for (CGenban& board : job.Boards.Items) {
        board.Use = 1;
    }
    return std::nullopt;
}

// --threads, --min-offcut and --search over the settings.
void TakeRunOptions(const LayoutOptions& options, Settings& settings)
{
    if (options.Threads) {
        settings.MaxCalNum = *options.Threads;
    }
    TakeMinOffcut(options, settings);
    if (options.PlanTolerance) {
        settings.PlanTolerance = *options.PlanTolerance;
    }
    if (options.FewerCutsOnTie) {
        settings.FewerCutsOnTie = 1;
    }
    if (options.Search) {
        settings.UseSearch = 1;
        if (*options.Search > 0) {
            settings.SearchEffort = *options.Search;
        }
    }
}

// Runs the calculation to its end with the progress on stderr and the engines' messages; a stop
// signal ends it. The outcome, or the status of an internal error.
std::optional<int> RunWithProgress(CalcRun& run, CRetData& ret, StderrPrompt& prompt,
                                   CalcRun::Outcome& outcome)
{
    ProgressDisplay progress;
    try {
        outcome = run.RunToEnd(ret, prompt, [&](CalcRun& r) {
            for (const std::string& message : r.TakeMessages()) {
                prompt.ShowError(message);
            }
            progress.Show(r);
            return StopSignals::Caught() != 0;
        });
    } catch (const std::exception& failure) {
        progress.End();
        std::fprintf(stderr, "nestrix: internal error: %s\n", failure.what());
        return kExitInternal;
    }
    progress.End();
    for (const std::string& message : run.TakeMessages()) {
        prompt.ShowError(message);
    }
    return std::nullopt;
}

}  // namespace

int RunLayoutCommand(int argc, char** argv, const PdfWriterFn& writePdf, const PngWriterFn& writePng)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    LayoutOptions options;
    std::string error;
    const ParseResult parsed = ParseLayoutOptions(args, options, error);
    if (const std::optional<int> status = AnswerParse(parsed, error, kLayoutUsage, options)) {
        return *status;
    }

    // From here on a stop signal ends the command cleanly: no output file, a status.
    const StopSignals signals;
    StderrPrompt prompt;
    Settings settings;
    if (!LoadSettingsOption(options, settings)) {
        return StoppedOr(kExitBadInput);
    }
    JobDocument job;
    if (const std::optional<int> status = LoadLayoutJob(options, settings, prompt, job)) {
        return *status;
    }
    TakeRunOptions(options, settings);
    if (!TakeJobInfo(options, kLayoutUsage, prompt, job.Info)) {
        return kExitBadInput;
    }
    if (job.Boards.Items.empty() || job.Parts.Items.empty()) {
        std::fprintf(
            stderr, "nestrix: %s\n",
            job.Boards.Items.empty() ? "the boards file holds no board" : "the parts file holds no part");
        return kExitBadInput;
    }
    // Laid out and cut at the cut sizes of the bands; the job file keeps the sizes as entered.
    CopyJobRunSettings(settings, job.Run);
    JobDocument cut;
    std::string cutError;
    if (!CutSizeJob(job, cut, cutError)) {
        std::fprintf(stderr, "nestrix: %s\n", cutError.c_str());
        return kExitBadInput;
    }
    CBuzaiList& buzai = cut.Parts;
    CBuzaiList& ybuzai = cut.Secondary;
    CGenbanList& genban = cut.Boards;

    CRetData ret;
    CalcRun run(buzai, ybuzai, genban, settings, MakeEngine);
    if (options.Engine) {
        run.RunOnly({*options.Engine});
    }
    if (options.TimeLimit) {
        run.SetTimeLimit(std::chrono::duration<double>(*options.TimeLimit));
    }
    CalcRun::Outcome outcome = CalcRun::Outcome::Failed;
    const auto started = std::chrono::steady_clock::now();
    if (const std::optional<int> status = RunWithProgress(run, ret, prompt, outcome)) {
        return *status;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::vector<ResultPlan> plans = run.TakePlans();

    int status = kExitPlaced;
    switch (outcome) {
        case CalcRun::Outcome::Aborted: return Stopped(StopSignals::Caught());
        case CalcRun::Outcome::Failed: return kExitInternal;
        case CalcRun::Outcome::NothingPlaced:
            for (const std::string& reason : NothingPlacedReasons(buzai, genban, settings)) {
                std::fprintf(stderr, "nestrix: %s\n", reason.c_str());
            }
            status = kExitNothingPlaced;
            break;
        case CalcRun::Outcome::Placed: break;
    }
    if (!SawingFits(ret, settings.NokoHaba, MinOffcut(settings))) {  // the run plans what it places
        PlanSawing(ret, buzai, ybuzai, genban, settings.NokoHaba, MinOffcut(settings));
    }
    const std::optional<EdgeTotals> bands =
        job.Edges.Items.empty() ? std::nullopt : std::optional<EdgeTotals>(CountEdges(ret, job.Edges));
    if (outcome == CalcRun::Outcome::Placed &&
        !PrintResultSummary(options, ret, buzai, ybuzai, genban, settings, bands ? &*bands : nullptr,
                            options.AlternativesDir.empty() ? nullptr : &plans)) {
        return kExitCannotWrite;
    }

    // The outputs are written also when nothing was placed: they say what is left, and no saw
    // file of an earlier job stays behind.
    // The job file of a result: the lists as given, the settings of the run.
    const auto savedJobText = [&](const CRetData& result) {
        JobDocument saved = job;
        CopyJobRunSettings(settings, saved.Run);
        saved.HasResult = true;
        saved.Result = result;
        saved.Bind();
        return JobToJson(saved);
    };
    const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>> extra = {
        {&LayoutOptions::Stats,
         [&](std::string& bytes, std::string&) {
             bytes = Format(
                 "seconds %.3f\nbudget_ended %lld\nblock_budget_ended %lld\nblock_fills_most %lld\n", seconds,
                 static_cast<long long>(run.SearchCutShort()), static_cast<long long>(run.SubFillsCutShort()),
                 static_cast<long long>(run.MostSubFills()));
             return true;
         }},
        {&LayoutOptions::SaveJob,
         [&](std::string& bytes, std::string&) {
             bytes = savedJobText(ret);
             return true;
         }},
    };
    // Each plan as its result and its job file: `nestrix export` makes the other outputs of it.
    const MakeFiles planFiles = [&](std::vector<NamedBytes>& files, std::string&) {
        for (const ResultPlan& plan : plans) {
            const std::string name = PlanFileName(plan.Kind);
            const ResultSawing& sawing = SawingOf(plan.Ret, settings.NokoHaba, MinOffcut(settings));
            const std::optional<EdgeTotals> planBands =
                job.Edges.Items.empty() ? std::nullopt
                                        : std::optional<EdgeTotals>(CountEdges(plan.Ret, job.Edges));
            files.push_back(
                {name + ".json",
                 ResultToJson(plan.Ret, &sawing, planBands ? &*planBands : nullptr, &plan.Ret.Bound)});
            files.push_back({name + ".nestrix", savedJobText(plan.Ret)});
        }
        return true;
    };
    return WriteOutputs(options,
                        OutputJob{ret, buzai, ybuzai, genban, settings, job.Info, bands ? &*bands : nullptr},
                        extra, writePdf, writePng, status, planFiles);
}

int RunExportCommand(int argc, char** argv, const PdfWriterFn& writePdf, const PngWriterFn& writePng)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    LayoutOptions options;
    std::string error;
    const ParseResult parsed = ParseExportOptions(args, options, error);
    if (const std::optional<int> status = AnswerParse(parsed, error, kExportUsage, options)) {
        return *status;
    }
    const StopSignals signals;
    StderrPrompt prompt;
    Settings settings;
    JobDocument job;
    if (!LoadSettingsOption(options, settings) || !LoadJobFile(options.Job, job)) {
        return StoppedOr(kExitBadInput);
    }
    if (!job.HasResult) {
        std::fprintf(stderr, "nestrix: %s: 配置結果のない物件ファイルです。nestrix layout --job で計算してください。\n",
                     options.Job.c_str());
        return kExitBadInput;
    }
    CopyJobRunSettings(job.Run, settings);
    TakeMinOffcut(options, settings);
    if (!TakeJobInfo(options, kExportUsage, prompt, job.Info)) {
        return kExitBadInput;
    }
    JobDocument cut;
    std::string cutError;
    if (!CutSizeJob(job, cut, cutError)) {  // the reader checked it; a guard all the same
        std::fprintf(stderr, "nestrix: %s: %s\n", options.Job.c_str(), cutError.c_str());
        return kExitBadInput;
    }
    cut.Result.Bound = ComputeBound(cut.Result, settings);
    if (!SawingFits(cut.Result, settings.NokoHaba, MinOffcut(settings))) {
        // --min-offcut: other offcuts than those of the file's settings
        PlanSawing(cut.Result, cut.Parts, cut.Secondary, cut.Boards, settings.NokoHaba, MinOffcut(settings));
    }
    const std::optional<EdgeTotals> bands =
        cut.Edges.Items.empty() ? std::nullopt : std::optional<EdgeTotals>(CountEdges(cut.Result, cut.Edges));
    const EdgeTotals* counted = bands ? &*bands : nullptr;
    int status = kExitPlaced;
    if (cut.Result.Layouts.empty()) {
        status = kExitNothingPlaced;
    } else if (!PrintResultSummary(options, cut.Result, cut.Parts, cut.Secondary, cut.Boards, settings,
                                   counted)) {
        return kExitCannotWrite;
    }
    return WriteOutputs(
        options, OutputJob{cut.Result, cut.Parts, cut.Secondary, cut.Boards, settings, cut.Info, counted}, {},
        writePdf, writePng, status);
}
