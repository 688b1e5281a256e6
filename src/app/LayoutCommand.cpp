#include "app/LayoutCommand.h"

#include <atomic>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>

#include "base/IniFile.h"
#include "base/Settings.h"
#include "calc/CalHaichi.h"
#include "calc/CalcRun.h"
#include "calc/engines/Engines.h"
#include "job/Buzai.h"
#include "base/CsvLine.h"
#include "job/Genban.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "platform/Prompt.h"
#include "result/CutData.h"
#include "result/Money.h"
#include "result/ResultJson.h"
#include "result/RetData.h"
#include "result/UnplacedParts.h"
#include "view/BoardDrawing.h"
#include "view/PrintPages.h"

namespace {

std::atomic<int> g_interrupted{0};

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

// Message boxes become lines on stderr; questions are answered No.
class StderrPrompt final : public Prompt {
public:
    void ShowError(const std::string& text) override { Print(text); }
    bool AskYesNo(const std::string& text) override
    {
        Print(text);
        return false;
    }

private:
    static void Print(std::string text)
    {
        while (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        for (char& c : text) {
            if (c == '\n') {
                c = ' ';
            }
        }
        std::fprintf(stderr, "nestrix: %s\n", text.c_str());
    }
};

const char* const kUsage =
    "usage: nestrix layout --boards B.csv --parts P.csv [--secondary S.csv] [--settings X.ini]\n"
    "                      [--threads N] [--json OUT.json] [--unplaced OUT.csv]\n"
    "                      [--pdf-info OUT.pdf] [--pdf-cuts OUT.pdf] [--png DIR]\n"
    "                      [--engine cal1|cal2|cal3|cal4[:order=N,level=N,area=N,second=N,candidate=N]]\n"
    "                      [--cutdata OUT.csv [--job-name TEXT] [--due YYYY-MM-DD] [--comment TEXT]]\n";

struct Options {
    std::string Boards, Parts, Secondary, SettingsFile, Json, Unplaced, PdfInfo, PdfCuts, PngDir;
    std::string CutData, JobName, Due, Comment;
    std::optional<int> Threads;
    std::optional<EngineVariant> Engine;
};

bool Fail(const std::string& message)
{
    std::fprintf(stderr, "nestrix: %s\n%s", message.c_str(), kUsage);
    return false;
}

bool ParseEngine(const std::string& text, EngineVariant& variant)
{
    const std::size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    const std::map<std::string, int> kinds = {{"cal1", 1}, {"cal2", 2}, {"cal3", 3}, {"cal4", 4}};
    const auto kind = kinds.find(name);
    if (kind == kinds.end()) {
        return Fail("unknown engine: " + name);
    }
    variant = EngineVariant{kind->second, 0, 0, 0, 0};
    if (colon == std::string::npos) {
        return true;
    }
    for (const std::string& pair : SplitFields(text.substr(colon + 1))) {
        const std::size_t equals = pair.find('=');
        const std::string key = pair.substr(0, equals);
        std::int32_t value = 0;
        char* end = nullptr;
        const std::string number = equals == std::string::npos ? "" : pair.substr(equals + 1);
        const long parsed = std::strtol(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0' || parsed < 0 || parsed > 3) {
            return Fail("bad engine parameter: " + pair);
        }
        value = static_cast<std::int32_t>(parsed);
        if (key == "order") {
            variant.Order = value;
        } else if (key == "level") {
            variant.Level = value;
        } else if (key == "area") {
            variant.Area = value;
        } else if (key == "second" || key == "candidate") {
            variant.Second = value;
        } else {
            return Fail("unknown engine parameter: " + key);
        }
    }
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    const std::map<std::string, std::string Options::*> files = {
        {"--boards", &Options::Boards},       {"--parts", &Options::Parts},
        {"--secondary", &Options::Secondary}, {"--settings", &Options::SettingsFile},
        {"--json", &Options::Json},           {"--unplaced", &Options::Unplaced},
        {"--pdf-info", &Options::PdfInfo},    {"--pdf-cuts", &Options::PdfCuts},
        {"--cutdata", &Options::CutData},     {"--job-name", &Options::JobName},
        {"--due", &Options::Due},             {"--comment", &Options::Comment},
        {"--png", &Options::PngDir}};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            return Fail("missing value after " + arg);
        }
        const std::string value = argv[++i];
        if (const auto file = files.find(arg); file != files.end()) {
            options.*(file->second) = value;
        } else if (arg == "--threads") {
            char* end = nullptr;
            const long threads = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || threads < 1 || threads > 16) {
                return Fail("--threads takes a number from 1 to 16");
            }
            options.Threads = static_cast<int>(threads);
        } else if (arg == "--engine") {
            EngineVariant variant;
            if (!ParseEngine(value, variant)) {
                return false;
            }
            options.Engine = variant;
        } else {
            return Fail("unknown option: " + arg);
        }
    }
    if (options.Boards.empty() || options.Parts.empty()) {
        return Fail("--boards and --parts are required");
    }
    if (options.CutData.empty() &&
        (!options.JobName.empty() || !options.Due.empty() || !options.Comment.empty())) {
        return Fail("--job-name, --due and --comment go with --cutdata");
    }
    return true;
}

std::string Text(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Text(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// The name cut or padded to `width` columns as a CP932 screen counts them (full-width 2).
std::string Column(const std::string& text, std::size_t width)
{
    std::string cut = TruncateCp932(text, width);
    const long used = Cp932Length(cut);
    cut.append(width - static_cast<std::size_t>(used < 0 ? 0 : used), ' ');
    return cut;
}

void PrintSummary(const CRetData& ret, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                  const CGenbanList& genban)
{
    std::printf("使用された原板\n");
    for (const RET_GENBAN& used : ret.UsedBoards) {
        const CGenban& b = genban.Items.at(static_cast<std::size_t>(used.Number));
        std::printf("  %3d %s %7.1f x %7.1f x %6.1f  %4d 枚\n", used.Number + 1, Column(b.Name, 20).c_str(),
                    b.Width / 10.0, b.Height / 10.0, b.Thickness / 10.0, used.Sheets);
    }
    std::printf("配置パターン\n");
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        const COutData& layout = ret.Layouts[i];
        const CGenban& b = genban.Items.at(static_cast<std::size_t>(layout.BoardNo));
        std::printf("  %3zu %s x %3d  歩留まり %5.1f%%(%5.1f%%)  %zu ブロック\n", i + 1,
                    Column(b.Name, 20).c_str(), layout.Repeat, layout.PartsYield * 100.0,
                    layout.TotalYield * 100.0, layout.Blocks.size());
    }
    if (!ret.PlacedSecondary.empty()) {
        std::printf("配置された２次部材\n");
        for (const CAL_BUZAI& entry : ret.PlacedSecondary) {
            const CBuzai& p = ybuzai.Items.at(static_cast<std::size_t>(entry.Number));
            std::printf("  %3d %s %7.1f x %7.1f  %4d\n", entry.Number + 1, Column(p.Name, 20).c_str(),
                        p.Width / 10.0, p.Height / 10.0, entry.Count);
        }
    }
    std::printf("配置できなかった部材\n");
    if (ret.Unplaced.empty()) {
        std::printf("  なし\n");
    }
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        const CBuzai& p = (entry.Flag == 1 ? ybuzai : buzai).Items.at(static_cast<std::size_t>(entry.Number));
        std::printf("  %3d %s %7.1f x %7.1f  %4d\n", entry.Number + 1, Column(p.Name, 20).c_str(),
                    p.Width / 10.0, p.Height / 10.0, entry.Count);
    }
    const double partsYield = ret.BoardArea > 0 ? ret.PartsArea / ret.BoardArea * 100 : 0.0;
    const double totalYield = ret.BoardArea > 0 ? ret.TotalArea / ret.BoardArea * 100 : 0.0;
    std::printf("%s\n", Text("歩留まり  %5.1f%%(%5.1f%%)", partsYield, totalYield).c_str());
    std::printf("%s\n",
                Text("使用原板合計金額 %s円", Money(static_cast<double>(ret.TotalPrice), 9).c_str()).c_str());
    std::printf("%s\n", Text("部材部分金額     %s円(%s円)", Money(ret.PartsPrice, 9).c_str(),
                             Money(ret.TotalPiecesPrice, 9).c_str())
                            .c_str());
}

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

}  // namespace

int RunLayoutCommand(int argc, char** argv, const PdfWriterFn& writePdf, const PngWriterFn& writePng)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return 2;
    }

    StderrPrompt prompt;
    Settings settings;
    if (!options.SettingsFile.empty()) {
        std::ifstream probe(options.SettingsFile);
        IniFile ini;
        if (!probe.is_open() || !ini.Load(options.SettingsFile)) {
            std::fprintf(stderr, "nestrix: the settings file %s cannot be read\n",
                         options.SettingsFile.c_str());
            return 2;
        }
        settings.Load(ini);
    }
    if (options.Threads) {
        settings.MaxCalNum = *options.Threads;
    }
    CutDataInfo cutInfo{options.JobName, 0, 0, 0, options.Comment};
    if (!options.CutData.empty()) {
        if (options.Due.empty()) {
            Today(cutInfo.Year, cutInfo.Month, cutInfo.Day);
        } else if (!ParseIsoDate(options.Due, cutInfo.Year, cutInfo.Month, cutInfo.Day)) {
            Fail("--due takes a date as YYYY-MM-DD");
            return 2;
        }
        if (!CheckCutDataInfo(cutInfo, prompt)) {
            return 2;
        }
    }

    CBuzaiList buzai;
    CBuzaiList ybuzai;
    ybuzai.IsSecondary = 1;
    CGenbanList genban;
    if (!genban.Read(options.Boards, settings, prompt) || !buzai.Read(options.Parts, settings, prompt) ||
        (!options.Secondary.empty() && !ybuzai.Read(options.Secondary, settings, prompt))) {
        return 2;
    }
    if (genban.Items.empty() || buzai.Items.empty()) {
        std::fprintf(
            stderr, "nestrix: %s\n",
            genban.Items.empty() ? "the boards file holds no board" : "the parts file holds no part");
        return 2;
    }
    for (CGenban& board : genban.Items) {
        board.Use = 1;
    }

    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    sigaction(SIGINT, &action, &previous);

    CRetData ret;
    CalcRun run(buzai, ybuzai, genban, settings, MakeEngine);
    if (options.Engine) {
        run.RunOnly(*options.Engine);
    }
    ProgressDisplay progress;
    CalcRun::Outcome outcome;
    try {
        outcome = run.RunToEnd(ret, prompt, [&](CalcRun& r) {
            for (const std::string& message : r.TakeMessages()) {
                prompt.ShowError(message);
            }
            progress.Show(r);
            return g_interrupted != 0;
        });
    } catch (const std::exception& error) {
        progress.End();
        sigaction(SIGINT, &previous, nullptr);
        std::fprintf(stderr, "nestrix: internal error: %s\n", error.what());
        return 70;
    }
    progress.End();
    sigaction(SIGINT, &previous, nullptr);
    for (const std::string& message : run.TakeMessages()) {
        prompt.ShowError(message);
    }

    switch (outcome) {
        case CalcRun::Outcome::Aborted: std::fprintf(stderr, "nestrix: 中断しました。\n"); return 130;
        case CalcRun::Outcome::Failed: return 70;
        case CalcRun::Outcome::NothingPlaced: return 1;
        case CalcRun::Outcome::Placed: break;
    }
    PrintSummary(ret, buzai, ybuzai, genban);
    if (!options.Json.empty()) {
        if (WriteFileAtomically(options.Json, ResultToJson(ret)) != WriteStatus::Ok) {
            std::fprintf(stderr, "nestrix: %s cannot be written\n", options.Json.c_str());
            return 2;
        }
    }
    if (!options.Unplaced.empty() && !UnplacedPartsList(ret).Write(options.Unplaced, prompt)) {
        return 2;
    }
    // Both printouts, through the same page routine as paper.
    PreparePrintout(ret, buzai, ybuzai, genban, settings.TankaType);
    for (const auto& [path, kind] :
         {std::pair{options.PdfInfo, kPrintBoardInfo}, {options.PdfCuts, kPrintCutSheets}}) {
        if (path.empty()) {
            continue;
        }
        PrintSource source = MakePrintSource(ret, buzai, ybuzai, genban, settings, kind);
        std::string error = "PDF output is not available";
        if (!writePdf || !writePdf(path, source, error)) {
            std::fprintf(stderr, "nestrix: %s\n", error.c_str());
            return 2;
        }
    }
    if (!options.CutData.empty() &&
        !WriteCutData(options.CutData, {ret, buzai, ybuzai, genban, settings.NokoHaba}, cutInfo, prompt)) {
        return 2;
    }
    if (!options.PngDir.empty()) {
        std::string error = "PNG output is not available";
        if (!writePng ||
            !writePng(options.PngDir, BoardSource{ret, buzai, ybuzai, genban, settings}, error)) {
            std::fprintf(stderr, "nestrix: %s\n", error.c_str());
            return 2;
        }
    }
    return 0;
}
