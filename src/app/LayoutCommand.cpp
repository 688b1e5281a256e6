#include "app/LayoutCommand.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "app/LayoutOutputs.h"
#include "app/LayoutSummary.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "calc/CalHaichi.h"
#include "calc/engines/Engines.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "platform/Prompt.h"
#include "result/CutData.h"
#include "result/ResultJson.h"
#include "result/RetData.h"
#include "result/UnplacedParts.h"
#include "view/BoardDrawing.h"
#include "view/PrintPages.h"

namespace {

// The signal that stopped the command, 0 while none arrived.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int signal)
{
    g_signal = signal;
    g_stopReading = 1;
}

// Ctrl-C, SIGTERM and SIGHUP ask the calculation to stop for as long as the guard lives;
// the previous handlers come back with it.
class StopSignals {
public:
    StopSignals()
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
    ~StopSignals()
    {
        g_stopReading = 0;
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &m_previous[i], nullptr);
        }
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static int Caught() { return g_signal; }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)]{};
};

// Message boxes become lines on stderr, prefixed with the file being read; questions are
// answered No.
class StderrPrompt final : public Prompt {
public:
    std::string Context;  // the file the next messages are about; "" for none

    void ShowError(const std::string& text) override { Print(text); }
    bool AskYesNo(const std::string& text) override
    {
        Print(text);
        return false;
    }

private:
    void Print(std::string text) const
    {
        if (g_signal != 0) {
            return;  // a stop cut the work short: its message says so
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
};

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

// The settings of --settings: a file that exists and reads, values that are numbers where
// numbers are due (others keep their defaults with a warning).
bool LoadSettingsFile(const std::string& path, Settings& settings)
{
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

const char* SignalName(int signal)
{
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        default: return "SIGINT";
    }
}

int Stopped(int signal)
{
    std::fprintf(stderr, "nestrix: 中断しました。(%s)\n", SignalName(signal));
    return kExitSignalBase + signal;
}

}  // namespace

int RunLayoutCommand(int argc, char** argv, const PdfWriterFn& writePdf, const PngWriterFn& writePng)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    LayoutOptions options;
    std::string error;
    switch (ParseLayoutOptions(args, options, error)) {
        case ParseResult::Help: std::fputs(kLayoutUsage, stdout); return kExitPlaced;
        case ParseResult::Error:
            std::fprintf(stderr, "nestrix: %s\n%s", error.c_str(), kLayoutUsage);
            return kExitBadInput;
        case ParseResult::Run: break;
    }

    if (const std::string clash = SameFileClash(options); !clash.empty()) {
        std::fprintf(stderr, "nestrix: %s\n", clash.c_str());
        return kExitBadInput;
    }

    // From here on a stop signal ends the command cleanly: no output file, a status.
    const StopSignals signals;
    StderrPrompt prompt;
    Settings settings;
    if (!options.SettingsFile.empty() && !LoadSettingsFile(options.SettingsFile, settings)) {
        return StopSignals::Caught() != 0 ? Stopped(StopSignals::Caught()) : kExitBadInput;
    }
    if (options.Threads) {
        settings.MaxCalNum = *options.Threads;
    }
    if (options.Search) {
        settings.UseSearch = 1;
        if (*options.Search > 0) {
            settings.SearchEffort = *options.Search;
        }
    }
    CutDataInfo cutInfo{options.JobName, 0, 0, 0, options.Comment};
    if (!options.CutData.empty()) {
        if (options.Due.empty()) {
            Today(cutInfo.Year, cutInfo.Month, cutInfo.Day);
        } else if (!ParseIsoDate(options.Due, cutInfo.Year, cutInfo.Month, cutInfo.Day)) {
            std::fprintf(stderr, "nestrix: --due takes a date as YYYY-MM-DD\n%s", kLayoutUsage);
            return kExitBadInput;
        }
        if (CheckCutDataInfo(cutInfo, prompt) != CutDataField::None) {
            return kExitBadInput;
        }
    }

    CBuzaiList buzai;
    CBuzaiList ybuzai;
    ybuzai.IsSecondary = 1;
    CGenbanList genban;
    auto read = [&prompt, &settings](auto& list, const std::string& path) {
        prompt.Context = path;
        const int ok = list.Read(path, settings, prompt);
        prompt.Context.clear();
        return ok != 0;
    };
    if (!read(genban, options.Boards) || !read(buzai, options.Parts) ||
        (!options.Secondary.empty() && !read(ybuzai, options.Secondary))) {
        return StopSignals::Caught() != 0 ? Stopped(StopSignals::Caught()) : kExitBadInput;
    }
    if (genban.Items.empty() || buzai.Items.empty()) {
        std::fprintf(
            stderr, "nestrix: %s\n",
            genban.Items.empty() ? "the boards file holds no board" : "the parts file holds no part");
        return kExitBadInput;
    }
    for (CGenban& board : genban.Items) {
        board.Use = 1;
    }

    CRetData ret;
    CalcRun run(buzai, ybuzai, genban, settings, MakeEngine);
    if (options.Engine) {
        run.RunOnly(*options.Engine);
    }
    ProgressDisplay progress;
    CalcRun::Outcome outcome = CalcRun::Outcome::Failed;
    const auto started = std::chrono::steady_clock::now();
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
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

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
        case CalcRun::Outcome::Placed: {
            // Standard output holds a file written there; the summary then goes to stderr.
            const bool toStdout = AnyOutputOnStandardOutput(options);
            std::FILE* out = toStdout ? stderr : stdout;
            PrintSummary(out, ret, buzai, ybuzai, genban, settings);
            if (std::fflush(out) != 0 || std::ferror(out)) {
                std::fprintf(stderr, "nestrix: the summary cannot be written: %s\n", ErrnoText(errno).c_str());
                return kExitCannotWrite;
            }
            break;
        }
    }

    // Every output is made and staged beside its target first, then all are put in place
    // together: a stop or a failure on the way changes none of them. The outputs are written
    // also when nothing was placed: they say what is left, and no saw file of an earlier job
    // stays behind.
    PreparePrintout(ret, buzai, ybuzai, genban, settings.TankaType);
    const auto stopped = [] { return StopSignals::Caught() != 0; };
    const auto pdf = [&](int kind) {
        return [&, kind](std::string& bytes, std::string& error) {
            const PrintSource source = MakePrintSource(ret, buzai, ybuzai, genban, settings, kind);
            if (!writePdf) {
                error = "PDF output is not available";
                return false;
            }
            return writePdf(source, stopped, bytes, error);
        };
    };
    const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>> makers = {
        {&LayoutOptions::Json,
         [&](std::string& bytes, std::string&) {
             bytes = ResultToJson(ret);
             return true;
         }},
        {&LayoutOptions::Unplaced,
         [&](std::string& bytes, std::string& error) { return DiskBytes(UnplacedPartsList(ret).ToText(), bytes, error); }},
        {&LayoutOptions::PdfInfo, pdf(kPrintBoardInfo)},
        {&LayoutOptions::PdfCuts, pdf(kPrintCutSheets)},
        {&LayoutOptions::CutData,
         [&](std::string& bytes, std::string& error) {
             std::string text;
             if (!CutDataText({ret, buzai, ybuzai, genban, settings.NokoHaba}, cutInfo, text, error)) {
                 error = "切断手順を作成できない配置があります。" + error;
                 return false;
             }
             return DiskBytes(text, bytes, error);
         }},
        {&LayoutOptions::Stats,
         [&](std::string& bytes, std::string&) {
             bytes = Format("seconds %.3f\nbudget_ended %lld\n", seconds, static_cast<long long>(run.SearchCutShort()));
             return true;
         }},
    };
    StagedWrites writes;
    std::vector<std::string> createdFolders;
    int staged = StageFiles(options, makers, stopped, writes);
    if (staged == 0 && !options.PngDir.empty()) {
        staged = StagePictures(options.PngDir, writePng, BoardSource{ret, buzai, ybuzai, genban, settings}, stopped,
                               writes, createdFolders);
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
    return StopSignals::Caught() != 0 ? Stopped(StopSignals::Caught()) : staged;
}
