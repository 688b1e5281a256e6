#include "app/LayoutCommand.h"

#include <algorithm>
#include <chrono>
#include <atomic>
#include <cstdarg>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <dirent.h>
#include <unistd.h>

#include "base/CsvLine.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "base/TextCodec.h"
#include "base/TextFile.h"
#include "calc/CalData.h"
#include "calc/CalHaichi.h"
#include "calc/engines/Engines.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "platform/Prompt.h"
#include "result/CutData.h"
#include "result/ResultJson.h"
#include "result/RetData.h"
#include "result/RetSummary.h"
#include "result/UnplacedParts.h"
#include "view/BoardDrawing.h"
#include "view/PrintPages.h"

const char* const kLayoutUsage =
    "usage: nestrix layout --boards B.csv --parts P.csv [--secondary S.csv] [--settings X.ini]\n"
    "                      [--threads N] [--json OUT.json] [--unplaced OUT.csv]\n"
    "                      [--pdf-info OUT.pdf] [--pdf-cuts OUT.pdf] [--png DIR]\n"
    "                      [--cutdata OUT.csv [--job-name TEXT] [--due YYYY-MM-DD] [--comment TEXT]]\n"
    "                      [--engine cal1|cal2|cal3|cal4|cal5[:KEY=N,...]] [--search [EFFORT]]\n"
    "                      [--stats OUT.txt]\n"
    "  --engine keys: cal1 area, candidate; cal2 order, level; cal3 order, area, second;\n"
    "                 cal4 order, level, area, second (cal2 also area); cal5 job, level, effort\n"
    "  --search: also the deeper search, effort 1 to 5 (without: the settings' SearchEffort)\n"
    "  an output file \"-\" is standard output (the summary then goes to standard error)\n"
    "  --stats writes the run's seconds and the board layouts whose search a budget ended early\n";

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

// One option of the command: its name and how its value is taken.
struct OptionRule {
    const char* Name;
    std::function<bool(LayoutOptions&, const std::string& value, std::string& error)> Apply;
};

OptionRule FileOption(const char* name, std::string LayoutOptions::*member)
{
    return {name, [member](LayoutOptions& options, const std::string& value, std::string&) {
                options.*member = value;
                return true;
            }};
}

// New options go here.
const std::vector<OptionRule>& OptionRules()
{
    static const std::vector<OptionRule> rules = {
        FileOption("--boards", &LayoutOptions::Boards),
        FileOption("--parts", &LayoutOptions::Parts),
        FileOption("--secondary", &LayoutOptions::Secondary),
        FileOption("--settings", &LayoutOptions::SettingsFile),
        FileOption("--json", &LayoutOptions::Json),
        FileOption("--unplaced", &LayoutOptions::Unplaced),
        FileOption("--pdf-info", &LayoutOptions::PdfInfo),
        FileOption("--pdf-cuts", &LayoutOptions::PdfCuts),
        FileOption("--png", &LayoutOptions::PngDir),
        FileOption("--cutdata", &LayoutOptions::CutData),
        FileOption("--job-name", &LayoutOptions::JobName),
        FileOption("--due", &LayoutOptions::Due),
        FileOption("--comment", &LayoutOptions::Comment),
        FileOption("--stats", &LayoutOptions::Stats),
        {"--threads",
         [](LayoutOptions& options, const std::string& value, std::string& error) {
             char* end = nullptr;
             const long threads = std::strtol(value.c_str(), &end, 10);
             if (value.empty() || *end != '\0' || threads < 1 || threads > 16) {
                 error = "--threads takes a number from 1 to 16";
                 return false;
             }
             options.Threads = static_cast<int>(threads);
             return true;
         }},
        {"--engine",
         [](LayoutOptions& options, const std::string& value, std::string& error) {
             EngineVariant variant;
             if (!ParseEngineOption(value, variant, error)) {
                 return false;
             }
             options.Engine = variant;
             return true;
         }},
    };
    return rules;
}

// The variant parameters, each with the engines that use it and its largest value.
struct EngineKey {
    const char* Name;
    int EngineVariant::*Member;
    const char* UsedBy;  // engine kinds as digits
    int Max;             // for cal2 the level ends at 2
};

const EngineKey kEngineKeys[] = {
    {"order", &EngineVariant::Order, "234", 2},
    {"level", &EngineVariant::Level, "245", 3},
    {"area", &EngineVariant::Area, "1234", 1},
    {"second", &EngineVariant::Second, "34", 1},
    {"candidate", &EngineVariant::Second, "1", 1},
    {"effort", &EngineVariant::Second, "5", 5},
    {"job", &EngineVariant::Order, "5", kSearchJobs - 1},
};

}  // namespace

bool ParseEngineOption(const std::string& text, EngineVariant& variant, std::string& error)
{
    const std::size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    const char* const names[] = {"cal1", "cal2", "cal3", "cal4", "cal5"};
    const auto found = std::find(std::begin(names), std::end(names), name);
    if (found == std::end(names)) {
        error = "unknown engine: " + name;
        return false;
    }
    const int kind = static_cast<int>(found - std::begin(names)) + 1;
    // The stack engine always runs at level 2, as in the job list.
    variant = EngineVariant{kind, 0, kind == 3 ? 2 : 0, 0, 0};
    if (kind == kSearchEngine) {
        variant = EngineVariant{kind, 0, 3, 0, 3};  // method ブロック, effort 3
    }
    if (colon == std::string::npos) {
        return true;
    }
    std::vector<std::string> seen;
    for (const std::string& pair : SplitFields(text.substr(colon + 1))) {
        const std::size_t equals = pair.find('=');
        const std::string key = pair.substr(0, equals);
        const auto rule = std::find_if(std::begin(kEngineKeys), std::end(kEngineKeys),
                                       [&](const EngineKey& k) { return key == k.Name; });
        if (rule == std::end(kEngineKeys)) {
            error = "unknown engine parameter: " + key;
            return false;
        }
        if (std::strchr(rule->UsedBy, '0' + kind) == nullptr) {
            error = name + " does not use " + key;
            return false;
        }
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
            error = "engine parameter given twice: " + key;
            return false;
        }
        seen.push_back(key);
        const std::string number = equals == std::string::npos ? "" : pair.substr(equals + 1);
        const int max = kind == 2 && rule->Member == &EngineVariant::Level ? 2 : rule->Max;
        char* end = nullptr;
        const long parsed = std::strtol(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0' || parsed < 0 || parsed > max) {
            error = "bad engine parameter: " + pair + " (0 to " + std::to_string(max) + ")";
            return false;
        }
        variant.*(rule->Member) = static_cast<int>(parsed);
    }
    return true;
}

ParseResult ParseLayoutOptions(const std::vector<std::string>& args, LayoutOptions& options,
                               std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            return ParseResult::Help;
        }
        if (arg == "--search") {
            options.Search = 0;
            const std::string next = i + 1 < args.size() ? args[i + 1] : "";
            if (!next.empty() && next.rfind("--", 0) != 0) {
                if (next.size() != 1 || next[0] < '1' || next[0] > '5') {
                    error = "--search takes an effort from 1 to 5";
                    return ParseResult::Error;
                }
                options.Search = next[0] - '0';
                ++i;
            }
            continue;
        }
        const auto& rules = OptionRules();
        const auto rule =
            std::find_if(rules.begin(), rules.end(), [&](const OptionRule& r) { return arg == r.Name; });
        if (rule == rules.end()) {
            error = "unknown option: " + arg;
            return ParseResult::Error;
        }
        if (i + 1 >= args.size()) {
            error = "missing value after " + arg;
            return ParseResult::Error;
        }
        if (!rule->Apply(options, args[++i], error)) {
            return ParseResult::Error;
        }
    }
    if (options.Boards.empty() || options.Parts.empty()) {
        error = "--boards and --parts are required";
        return ParseResult::Error;
    }
    if (options.CutData.empty() &&
        (!options.JobName.empty() || !options.Due.empty() || !options.Comment.empty())) {
        error = "--job-name, --due and --comment go with --cutdata";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

namespace {

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

std::string LeftOverReason(const CBuzai& part, const CGenbanList& genban, const Settings& settings,
                           const CRetData& ret);

void PrintSummary(std::FILE* out, const CRetData& ret, const CBuzaiList& buzai, const CBuzaiList& ybuzai,
                  const CGenbanList& genban, const Settings& settings)
{
    std::fprintf(out, "使用された原板\n");
    for (const RET_GENBAN& used : ret.UsedBoards) {
        const CGenban& b = genban.Items.at(static_cast<std::size_t>(used.Number));
        std::fprintf(out, "  %3d %s %7.1f x %7.1f x %6.1f  %4d 枚\n", used.Number + 1,
                     Column(b.Name, 20).c_str(), b.Width / 10.0, b.Height / 10.0, b.Thickness / 10.0,
                     used.Sheets);
    }
    std::fprintf(out, "配置パターン\n");
    for (std::size_t i = 0; i < ret.Layouts.size(); ++i) {
        const COutData& layout = ret.Layouts[i];
        const CGenban& b = genban.Items.at(static_cast<std::size_t>(layout.BoardNo));
        std::fprintf(out, "  %3zu %s x %3d  歩留まり %5.1f%%(%5.1f%%)  %zu ブロック\n", i + 1,
                     Column(b.Name, 20).c_str(), layout.Repeat, layout.PartsYield * 100.0,
                     layout.TotalYield * 100.0, layout.Blocks.size());
    }
    if (!ret.PlacedSecondary.empty()) {
        std::fprintf(out, "配置された２次部材\n");
        for (const CAL_BUZAI& entry : ret.PlacedSecondary) {
            const CBuzai& p = ybuzai.Items.at(static_cast<std::size_t>(entry.Number));
            std::fprintf(out, "  %3d %s %7.1f x %7.1f  %4d\n", entry.Number + 1, Column(p.Name, 20).c_str(),
                         p.Width / 10.0, p.Height / 10.0, entry.Count);
        }
    }
    std::fprintf(out, "配置できなかった部材\n");
    if (ret.Unplaced.empty()) {
        std::fprintf(out, "  なし\n");
    }
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        const CBuzai& p = (entry.Flag == 1 ? ybuzai : buzai).Items.at(static_cast<std::size_t>(entry.Number));
        // Left-over secondary parts are no fault: they only fill what is left of the boards.
        const std::string reason = entry.Flag == 1 ? "" : LeftOverReason(p, genban, settings, ret);
        std::fprintf(out, "  %3d %s %7.1f x %7.1f  %4d%s\n", entry.Number + 1, Column(p.Name, 20).c_str(),
                     p.Width / 10.0, p.Height / 10.0, entry.Count, reason.empty() ? "" : ("  " + reason).c_str());
    }
    std::fprintf(out, "%s\n%s\n%s\n", YieldText(ret).c_str(), BoardCostText(ret).c_str(),
                 PartsCostText(ret).c_str());
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

// Why a part cannot be placed at all, when it is simple to tell; "" when some board of its kind
// and thickness can take it.
std::string PartReason(const CBuzai& part, const CGenbanList& genban, const Settings& settings)
{
    const std::int32_t limit = settings.MaxCutSize;
    if (part.Width > limit || part.Height > limit) {
        return Text("切断限界 %s mm を超える部材があります。", FormatTenths(limit).c_str());
    }
    const std::string group =
        Text("種類「%s」厚さ %s mm", part.Kind.c_str(), FormatTenths(part.Thickness).c_str());
    bool sameKind = false;
    bool withinLimit = false;
    bool usable = false;
    for (const CGenban& board : genban.Items) {
        if (board.Kind != part.Kind || board.Thickness != part.Thickness) {
            continue;
        }
        sameKind = true;
        if (board.Width > limit && board.Height > limit) {
            continue;
        }
        withinLimit = true;
        const CalRect rect = TrimmedRect(board);
        const std::int32_t w = rect.X1 - rect.X0;
        const std::int32_t h = rect.Y1 - rect.Y0;
        if (w <= 0 || h <= 0) {
            continue;
        }
        usable = true;
        if ((part.Width <= w && part.Height <= h) || (!part.NoTurn && part.Height <= w && part.Width <= h)) {
            return "";
        }
    }
    if (!sameKind) {
        return group + " の原板がありません。";
    }
    if (!withinLimit) {
        return group + Text(" の原板は全て切断限界 %s mm を超えています。", FormatTenths(limit).c_str());
    }
    if (!usable) {
        return group + " の原板はトリムを除くと使える部分がありません。";
    }
    return group + " の部材「" + part.Name + "」はどの原板にも入りません。";
}

// Why nothing could be placed, when it is simple to tell: for every group of parts (kind and
// thickness) no board is usable, or no part fits a usable board. Empty when some part has no
// such reason (then only the engines can say).
std::vector<std::string> NothingPlacedReasons(const CBuzaiList& buzai, const CGenbanList& genban,
                                              const Settings& settings)
{
    std::vector<std::string> reasons;
    for (const CBuzai& part : buzai.Items) {
        const std::string reason = PartReason(part, genban, settings);
        if (reason.empty()) {
            return {};
        }
        if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) {
            reasons.push_back(reason);
        }
    }
    return reasons;
}

// Why a part of a result was left over, short, when it is simple to tell: it fits no board, or
// every board it fits was used to its last sheet. "" when only the engines can say.
std::string LeftOverReason(const CBuzai& part, const CGenbanList& genban, const Settings& settings,
                           const CRetData& ret)
{
    const std::int32_t limit = settings.MaxCutSize;
    if (part.Width > limit || part.Height > limit) {
        return "切断限界を超えています";
    }
    if (!PartReason(part, genban, settings).empty()) {
        return "入る原板がありません";
    }
    for (const CGenban& board : genban.Items) {
        const CalRect rect = TrimmedRect(board);
        const std::int32_t w = rect.X1 - rect.X0;
        const std::int32_t h = rect.Y1 - rect.Y0;
        const bool fits = board.Kind == part.Kind && board.Thickness == part.Thickness &&
                          !(board.Width > limit && board.Height > limit) &&
                          ((part.Width <= w && part.Height <= h) || (!part.NoTurn && part.Height <= w && part.Width <= h));
        if (!fits || !board.Use) {
            continue;
        }
        std::int64_t used = 0;
        for (const RET_GENBAN& entry : ret.UsedBoards) {
            used += entry.Number == board.Index ? entry.Sheets : 0;
        }
        if (used < board.Count) {
            return "";  // a sheet it fits is left: the layout decided
        }
    }
    return "原板の在庫を使い切りました";
}

// Whether an output path is this process's standard output.
bool IsStandardOutput(const std::string& path)
{
    if (path == "-") {
        return true;
    }
    struct stat target {};
    struct stat out {};
    return !path.empty() && ::stat(path.c_str(), &target) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
           target.st_dev == out.st_dev && target.st_ino == out.st_ino;
}

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


// The files the command reads and writes, by option.
struct NamedPath {
    const char* Option;
    std::string LayoutOptions::*Member;
};
const NamedPath kInputs[] = {
    {"--boards", &LayoutOptions::Boards},
    {"--parts", &LayoutOptions::Parts},
    {"--secondary", &LayoutOptions::Secondary},
    {"--settings", &LayoutOptions::SettingsFile},
};
const NamedPath kOutputs[] = {
    {"--json", &LayoutOptions::Json},        {"--unplaced", &LayoutOptions::Unplaced},
    {"--pdf-info", &LayoutOptions::PdfInfo}, {"--pdf-cuts", &LayoutOptions::PdfCuts},
    {"--cutdata", &LayoutOptions::CutData},  {"--stats", &LayoutOptions::Stats},
    {"--png", &LayoutOptions::PngDir},
};

const char* OptionOf(std::string LayoutOptions::*member)
{
    for (const NamedPath& output : kOutputs) {
        if (output.Member == member) {
            return output.Option;
        }
    }
    return "";
}

// Text as the files hold it (CP932, CR LF).
bool DiskBytes(const std::string& text, std::string& bytes, std::string& error)
{
    if (!EncodeForDisk(text, bytes)) {
        error = "Shift-JIS で表せない文字があります";
        return false;
    }
    return true;
}

using MakeBytes = std::function<bool(std::string& bytes, std::string& error)>;

// Makes and stages the single-file outputs in order; 0, or the exit status of the first that
// cannot be made or staged (after its message). A stop signal ends it early with 0.
int StageFiles(const LayoutOptions& options,
               const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>>& makers,
               const std::function<bool()>& stopped, StagedWrites& writes)
{
    for (const auto& [member, make] : makers) {
        const std::string& path = options.*member;
        if (path.empty()) {
            continue;
        }
        if (stopped()) {
            return 0;
        }
        std::string bytes;
        std::string error;
        if (!make(bytes, error)) {
            if (stopped()) {
                return 0;
            }
            std::fprintf(stderr, "nestrix: %s %s cannot be written: %s\n", OptionOf(member), path.c_str(),
                         error.c_str());
            return kExitCannotWrite;
        }
        const WriteResult staged = writes.Stage(path, std::move(bytes));
        if (!staged.Ok()) {
            std::fprintf(stderr, "nestrix: %s %s cannot be written: %s\n", OptionOf(member), path.c_str(),
                         staged.Reason().c_str());
            return kExitCannotWrite;
        }
    }
    return 0;
}

// Whether a name is one of the pictures of `--png`: board-NNN.png or boards.png.
bool IsPictureName(const std::string& name)
{
    if (name == "boards.png") {
        return true;
    }
    const std::string head = "board-";
    const std::string tail = ".png";
    if (name.size() < head.size() + 3 + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
        return false;
    }
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    return digits.find_first_not_of("0123456789") == std::string::npos;
}

// The pictures of `--png DIR`, staged; pictures of an earlier, larger result are removed at the
// commit. Folders made on the way are listed so that they can go again.
int StagePictures(const std::string& dir, const PngWriterFn& writePng, const BoardSource& source,
                  const std::function<bool()>& stopped, StagedWrites& writes, std::vector<std::string>& created)
{
    std::string folder = dir;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    // Make the missing folders from the outside in.
    std::vector<std::string> missing;
    for (std::string f = folder; !f.empty() && f != "/" && f != "."; f = f.substr(0, f.rfind('/'))) {
        struct stat info {};
        if (::stat(f.c_str(), &info) == 0) {
            break;
        }
        missing.push_back(f);
        if (f.find('/') == std::string::npos) {
            break;
        }
    }
    for (auto f = missing.rbegin(); f != missing.rend(); ++f) {
        if (::mkdir(f->c_str(), 0777) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "nestrix: --png %s cannot be written: %s\n", dir.c_str(), ErrnoText(errno).c_str());
            return kExitCannotWrite;
        }
        created.push_back(*f);
    }
    std::vector<NamedBytes> files;
    std::string error = "PNG output is not available";
    if (!writePng || !writePng(source, stopped, files, error)) {
        if (stopped()) {
            return 0;
        }
        std::fprintf(stderr, "nestrix: --png %s cannot be written: %s\n", dir.c_str(), error.c_str());
        return kExitCannotWrite;
    }
    std::vector<std::string> names;
    for (NamedBytes& file : files) {
        const std::string path = folder + "/" + file.Name;
        const WriteResult staged = writes.Stage(path, std::move(file.Bytes));
        if (!staged.Ok()) {
            std::fprintf(stderr, "nestrix: --png %s cannot be written: %s\n", path.c_str(), staged.Reason().c_str());
            return kExitCannotWrite;
        }
        names.push_back(file.Name);
    }
    if (DIR* entries = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(entries)) {
            const std::string name = entry->d_name;
            if (IsPictureName(name) && std::find(names.begin(), names.end(), name) == names.end()) {
                writes.RemoveAtCommit(folder + "/" + name);
            }
        }
        ::closedir(entries);
    }
    return 0;
}


// What a path names; standard output apart.
struct OutputIdentity {
    bool Stdout = false;
    FileIdentity File;
};

OutputIdentity IdentityOf(const std::string& path)
{
    OutputIdentity id;
    id.Stdout = IsStandardOutput(path);
    if (!id.Stdout) {
        id.File = IdentifyFile(path);
    }
    return id;
}

bool SameTarget(const OutputIdentity& a, const OutputIdentity& b)
{
    if (a.Stdout || b.Stdout) {
        return a.Stdout && b.Stdout;
    }
    return SameFile(a.File, b.File);
}

// An output that would write over an input or over another output, as a message naming both
// options; "" when every output has a file of its own.
std::string SameFileClash(const LayoutOptions& options)
{
    struct Named {
        const char* Option;
        std::string Path;
        OutputIdentity Id;
    };
    std::vector<Named> inputs;
    std::vector<Named> outputs;
    for (const NamedPath& input : kInputs) {
        if (!(options.*input.Member).empty()) {
            inputs.push_back({input.Option, options.*input.Member, IdentityOf(options.*input.Member)});
        }
    }
    for (const NamedPath& output : kOutputs) {
        if (!(options.*output.Member).empty()) {
            outputs.push_back({output.Option, options.*output.Member, IdentityOf(options.*output.Member)});
        }
    }
    auto clash = [](const Named& output, const Named& other) {
        return std::string(output.Option) + " と " + other.Option + " が同じファイルです: " + output.Path;
    };
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Named& output = outputs[i];
        const bool pictures = std::string(output.Option) == "--png";
        std::vector<const Named*> others;
        for (const Named& input : inputs) {
            others.push_back(&input);
        }
        for (std::size_t j = 0; j < outputs.size(); ++j) {
            if (j != i) {
                others.push_back(&outputs[j]);
            }
        }
        for (const Named* other : others) {
            if (pictures) {
                // The pictures' folder holds board-NNN.png and boards.png, written and removed.
                const std::filesystem::path path = other->Id.File.Resolved;
                const std::filesystem::path folder = output.Id.File.Resolved;
                if (!other->Id.Stdout && !path.empty() &&
                    (path == folder || (path.parent_path() == folder && IsPictureName(path.filename().string())))) {
                    return std::string("--png の画像と ") + other->Option + " が同じファイルです: " + other->Path;
                }
            } else if (std::string(other->Option) != "--png" && SameTarget(output.Id, other->Id)) {
                return clash(output, *other);
            }
        }
    }
    return "";
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
            const bool toStdout = std::any_of(std::begin(kOutputs), std::end(kOutputs), [&](const NamedPath& output) {
                return output.Member != &LayoutOptions::PngDir && IsStandardOutput(options.*output.Member);
            });
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
             bytes = Text("seconds %.3f\nbudget_ended %lld\n", seconds, static_cast<long long>(run.SearchCutShort()));
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
