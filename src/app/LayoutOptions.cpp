#include "app/LayoutOptions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/CsvLine.h"
#include "calc/engines/Engines.h"

// Laid out for help2man, which makes the manual page from `nestrix --help`: an option, two
// blanks, its text; continuation lines indented further.
const char* const kLayoutUsage =
    "Usage: nestrix layout --boards B.csv --parts P.csv [OPTION]...\n"
    "  or:  nestrix layout --job IN.nestrix [OPTION]...\n"
    "\n"
    "Inputs:\n"
    "  --boards B.csv        the boards (原板), Shift-JIS CSV\n"
    "  --parts P.csv         the parts (部材)\n"
    "  --secondary S.csv     the secondary parts (２次部材)\n"
    "  --parts-import FILE   the parts from a spreadsheet's CSV or tab-separated text (UTF-8\n"
    "                        or Shift-JIS), its columns found by their titles (部材名/Name,\n"
    "                        幅/Width, 長さ/Length, 厚み/Thickness, 数量/Qty, 木目/Grain,\n"
    "                        材質/Material, 備考/Note ...), lengths in mm; instead of --parts\n"
    "  --secondary-import FILE\n"
    "                        the secondary parts the same way, instead of --secondary\n"
    "  --bands E.csv         the band table (エッジ材) whose codes the parts' band columns\n"
    "                        name: each banded edge is cut short by its band's thickness\n"
    "                        (plus the settings' EdgePremill), and the summary and the JSON\n"
    "                        count the band metres and their cost\n"
    "  --job IN.nestrix      a job file: its lists and calculation settings instead of the three\n"
    "                        files above\n"
    "  --settings X.ini      the settings, as Nestrix.ini holds them\n"
    "\n"
    "Calculation:\n"
    "  --threads N           simultaneous calculations, 1 to 16\n"
    "  --time-limit SECONDS  stop the calculation when the time is up and take the best result\n"
    "                        of the engine jobs that have ended; each group's first, quickest\n"
    "                        job always ends, waited for past the limit if need be (said per\n"
    "                        group in the summary and as \"groups\" in the JSON); 0.1 to 86400\n"
    "  --search [EFFORT]     also the deeper search, effort 1 to 5 (without: the settings'\n"
    "                        SearchEffort)\n"
    "  --fewer-cuts-on-tie   of two results of the same price and yield, the one with fewer\n"
    "                        cuts (同じ価格なら切断の少ない方)\n"
    "  --plan-tolerance PERCENT\n"
    "                        how much dearer than the result the plans of --alternatives may\n"
    "                        be, 0 to 20 (without: the settings' PlanTolerance, 2)\n"
    "  --engine NAME[:KEY=N,...]\n"
    "                        one engine variant instead of the whole job list, with the keys\n"
    "                        it takes: cal1 area, candidate; cal2 order, level, area; cal3\n"
    "                        order, area, second; cal4 order, level, area, second; cal5 job,\n"
    "                        level, effort\n"
    "\n"
    "Outputs (the file - is standard output; the summary then goes to standard error):\n"
    "  --json OUT.json       the result\n"
    "  --unplaced OUT.csv    the parts left over, as a parts file\n"
    "  --pdf-info OUT.pdf    原板情報: the used boards and the parts with their costs\n"
    "  --pdf-cuts OUT.pdf    切断指示書: one sheet per pattern\n"
    "  --pdf-labels OUT.pdf  ラベル: one label per piece in cutting order, with a QR code\n"
    "                        (job name/part No./pattern/piece), on the settings' label\n"
    "                        sheet (LabelCols, LabelRows, ...)\n"
    "  --png DIR             the screens: board-001.png ... one per used board, boards.png\n"
    "  --dxf DIR             one DXF drawing per pattern: pattern-001.dxf ... in mm, y up,\n"
    "                        layers BOARD, TRIM, PART, PART_TEXT, OFFCUT and CUT (the cuts\n"
    "                        in cutting order)\n"
    "  --xlsx OUT.xlsx       the result as an Excel workbook: sheets 集計, 部材, 原板,\n"
    "                        パターン and 端材\n"
    "  --cutdata OUT.csv     the cut data file for the saw\n"
    "  --save-job OUT.nestrix\n"
    "                        the job file: the lists, the settings and the result\n"
    "  --alternatives DIR    the plans to choose from (配置候補), each as its result and its\n"
    "                        job file: cheapest.json and cheapest.nestrix (the result),\n"
    "                        fewest-cuts.* and fewest-patterns.* where they differ from it\n"
    "                        (`nestrix export` makes the other outputs of one); the summary\n"
    "                        compares them\n"
    "  --stock-out OUT.csv   the boards after cutting: the sheets used taken off their counts,\n"
    "                        the offcuts added as boards of their own (priority 最優先)\n"
    "  --min-offcut WxL      the smallest offcut kept, in mm (e.g. 300x300; 0 keeps none)\n"
    "                        instead of the settings' MinOffcutW and MinOffcutL\n"
    "  --job-name TEXT       the job name of the cut data file, the labels, the workbook and\n"
    "                        the job file\n"
    "  --due YYYY-MM-DD      their due date (the cut data file without one: today)\n"
    "  --comment TEXT        their comment\n"
    "  --customer TEXT       the customer (得意先) of the printouts, the labels and the job file\n"
    "  --stats OUT.txt       the run's seconds, the board layouts whose search a budget\n"
    "                        ended early (the block engine's apart) and the most sub-fills\n"
    "                        the block engine computed for one board layout\n";

const char* const kExportUsage =
    "\n"
    "Usage: nestrix export IN.nestrix [OPTION]...\n"
    "The outputs of a job file's stored result, without calculating: --json, --unplaced,\n"
    "--pdf-info, --pdf-cuts, --pdf-labels, --png, --dxf, --xlsx, --cutdata and --stock-out as\n"
    "above, with --settings, --min-offcut, --job-name, --due, --comment and --customer.\n";

namespace {

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

// "300x300" (also "300X300", "300×300", "300.5x300") in mm, or "0" for none.
bool ParseOffcutSize(const std::string& text, OffcutSize& size)
{
    if (text == "0") {
        size = {0, 0};
        return true;
    }
    for (const char* separator : {"x", "X", "×"}) {
        const std::size_t at = text.find(separator);
        if (at == std::string::npos) {
            continue;
        }
        std::int32_t width = 0, length = 0;
        // Each side as strictly as a length field of the files: no "1e3", "abc" or "300mm".
        if (at == 0 || at + std::strlen(separator) == text.size() ||
            ReadTenths(text.substr(0, at), width) != NumberText::Ok ||
            ReadTenths(text.substr(at + std::strlen(separator)), length) != NumberText::Ok || width < 0 ||
            length < 0 || width > 999999 || length > 999999) {
            return false;
        }
        size = {width, length};
        return true;
    }
    return false;
}

// New options go here.
const std::vector<OptionRule>& OptionRules()
{
    static const std::vector<OptionRule> rules = {
        FileOption("--boards", &LayoutOptions::Boards),
        FileOption("--parts", &LayoutOptions::Parts),
        FileOption("--secondary", &LayoutOptions::Secondary),
        FileOption("--parts-import", &LayoutOptions::PartsImport),
        FileOption("--secondary-import", &LayoutOptions::SecondaryImport),
        FileOption("--bands", &LayoutOptions::Bands),
        FileOption("--settings", &LayoutOptions::SettingsFile),
        FileOption("--json", &LayoutOptions::Json),
        FileOption("--unplaced", &LayoutOptions::Unplaced),
        FileOption("--pdf-info", &LayoutOptions::PdfInfo),
        FileOption("--pdf-cuts", &LayoutOptions::PdfCuts),
        FileOption("--pdf-labels", &LayoutOptions::PdfLabels),
        FileOption("--png", &LayoutOptions::PngDir),
        FileOption("--dxf", &LayoutOptions::DxfDir),
        FileOption("--xlsx", &LayoutOptions::Xlsx),
        FileOption("--cutdata", &LayoutOptions::CutData),
        FileOption("--job-name", &LayoutOptions::JobName),
        FileOption("--due", &LayoutOptions::Due),
        FileOption("--comment", &LayoutOptions::Comment),
        FileOption("--customer", &LayoutOptions::Customer),
        FileOption("--stats", &LayoutOptions::Stats),
        FileOption("--save-job", &LayoutOptions::SaveJob),
        FileOption("--job", &LayoutOptions::Job),
        FileOption("--stock-out", &LayoutOptions::StockOut),
        FileOption("--alternatives", &LayoutOptions::AlternativesDir),
        {"--plan-tolerance",
         [](LayoutOptions& options, const std::string& value, std::string& error) {
             char* end = nullptr;
             const long percent = std::strtol(value.c_str(), &end, 10);
             if (value.empty() || *end != '\0' || percent < 0 || percent > kMaxPlanTolerance) {
                 error = "--plan-tolerance takes a percentage from 0 to " + std::to_string(kMaxPlanTolerance);
                 return false;
             }
             options.PlanTolerance = static_cast<int>(percent);
             return true;
         }},
        {"--min-offcut",
         [](LayoutOptions& options, const std::string& value, std::string& error) {
             if (!ParseOffcutSize(value, options.MinOffcut.emplace())) {
                 error = "--min-offcut takes WIDTHxLENGTH in mm (e.g. 300x300), or 0";
                 return false;
             }
             return true;
         }},
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
        {"--time-limit",
         [](LayoutOptions& options, const std::string& value, std::string& error) {
             // Digits with at most one decimal point: no exponent, sign, hex or "inf".
             const bool plain = !value.empty() && value.find_first_not_of("0123456789.") == std::string::npos &&
                                std::count(value.begin(), value.end(), '.') <= 1 && value != ".";
             const double seconds = plain ? std::strtod(value.c_str(), nullptr) : 0.0;
             if (!plain || seconds < 0.1 || seconds > 86400.0) {
                 error = "--time-limit takes seconds from 0.1 to 86400";
                 return false;
             }
             options.TimeLimit = seconds;
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

namespace {

// Edits (insert, delete, replace one character) from a to b.
std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// " (did you mean --x or --y?)" for the allowed options that begin with what was typed or are at
// most two edits from it; "" when none is.
std::string NearestOptions(const std::string& typed, const std::vector<std::string>& allowed)
{
    std::vector<std::string> near;
    for (const std::string& name : allowed) {
        const bool begins = typed.size() > 2 && name.rfind(typed, 0) == 0;
        if (begins || EditDistance(typed, name) <= 2) {
            near.push_back(name);
        }
    }
    std::sort(near.begin(), near.end());
    if (near.empty() || typed.rfind("--", 0) != 0) {
        return "";
    }
    std::string text = " (did you mean ";
    for (std::size_t i = 0; i < near.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == near.size() ? " or " : ", ") + near[i];
    }
    return text + "?)";
}

// The options in `args` (with the allowed names only) into `options`.
ParseResult ParseOptions(const std::vector<std::string>& args, const std::vector<std::string>& allowed,
                         LayoutOptions& options, std::string& error)
{
    std::vector<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            return ParseResult::Help;
        }
        if (std::find(allowed.begin(), allowed.end(), arg) == allowed.end()) {
            error = "unknown option: " + arg + NearestOptions(arg, allowed);
            return ParseResult::Error;
        }
        // The later of two would silently win: "--json a.json ... --json b.json" writes only b.
        if (std::find(given.begin(), given.end(), arg) != given.end()) {
            error = "option given twice: " + arg;
            return ParseResult::Error;
        }
        given.push_back(arg);
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
        if (arg == "--fewer-cuts-on-tie") {
            options.FewerCutsOnTie = true;
            continue;
        }
        const auto& rules = OptionRules();
        const auto rule =
            std::find_if(rules.begin(), rules.end(), [&](const OptionRule& r) { return arg == r.Name; });
        if (i + 1 >= args.size()) {
            error = "missing value after " + arg;
            return ParseResult::Error;
        }
        if (!rule->Apply(options, args[++i], error)) {
            return ParseResult::Error;
        }
    }
    return ParseResult::Run;
}

std::vector<std::string> AllOptionNames()
{
    std::vector<std::string> names = {"--search", "--fewer-cuts-on-tie"};
    for (const OptionRule& rule : OptionRules()) {
        names.push_back(rule.Name);
    }
    return names;
}

}  // namespace

namespace {

// The job texts only with an output that carries them: the job name with the cut data file, the
// job file, the labels and the two printouts; the customer with the same but the cut data file;
// the due date without the labels; the comment only with the cut data and the job file.
bool JobTextsWithTheirOutputs(const LayoutOptions& options, bool layout, std::string& error)
{
    const auto given = [&options](std::initializer_list<std::string LayoutOptions::*> outputs) {
        return std::any_of(outputs.begin(), outputs.end(), [&](auto member) { return !(options.*member).empty(); });
    };
    const char* const job = layout ? ", --save-job" : "";
    if (!options.Comment.empty() && !given({&LayoutOptions::CutData, &LayoutOptions::SaveJob})) {
        error = std::string("--comment goes with --cutdata") + (layout ? " or --save-job" : "");
        return false;
    }
    if (!options.Due.empty() &&
        !given({&LayoutOptions::CutData, &LayoutOptions::SaveJob, &LayoutOptions::PdfInfo,
                &LayoutOptions::PdfCuts, &LayoutOptions::Xlsx})) {
        error = std::string("--due goes with --cutdata") + job + ", --pdf-info, --pdf-cuts or --xlsx";
        return false;
    }
    if (!options.JobName.empty() &&
        !given({&LayoutOptions::CutData, &LayoutOptions::SaveJob, &LayoutOptions::PdfInfo,
                &LayoutOptions::PdfCuts, &LayoutOptions::PdfLabels, &LayoutOptions::Xlsx})) {
        error = std::string("--job-name goes with --cutdata") + job +
                ", --pdf-info, --pdf-cuts, --pdf-labels or --xlsx";
        return false;
    }
    if (!options.Customer.empty() && !given({&LayoutOptions::SaveJob, &LayoutOptions::PdfInfo, &LayoutOptions::PdfCuts,
                                             &LayoutOptions::PdfLabels, &LayoutOptions::Xlsx})) {
        error = std::string("--customer goes with ") + (layout ? "--save-job, " : "") +
                "--pdf-info, --pdf-cuts, --pdf-labels or --xlsx";
        return false;
    }
    return true;
}

}  // namespace

ParseResult ParseLayoutOptions(const std::vector<std::string>& args, LayoutOptions& options,
                               std::string& error)
{
    const ParseResult parsed = ParseOptions(args, AllOptionNames(), options, error);
    if (parsed != ParseResult::Run) {
        return parsed;
    }
    const bool lists = !options.Boards.empty() || !options.Parts.empty() || !options.Secondary.empty() ||
                       !options.PartsImport.empty() || !options.SecondaryImport.empty() ||
                       !options.Bands.empty();
    if (!options.Job.empty() && lists) {
        error =
            "--job brings its own lists: no --boards, --parts, --secondary (or their -import) or --bands "
            "with it";
        return ParseResult::Error;
    }
    if (!options.Parts.empty() && !options.PartsImport.empty()) {
        error = "--parts and --parts-import both give the parts: take one";
        return ParseResult::Error;
    }
    if (!options.Secondary.empty() && !options.SecondaryImport.empty()) {
        error = "--secondary and --secondary-import both give the secondary parts: take one";
        return ParseResult::Error;
    }
    if (options.Job.empty() &&
        (options.Boards.empty() || (options.Parts.empty() && options.PartsImport.empty()))) {
        error = "--boards and --parts (or --parts-import) are required (or --job)";
        return ParseResult::Error;
    }
    return JobTextsWithTheirOutputs(options, true, error) ? ParseResult::Run : ParseResult::Error;
}

ParseResult ParseExportOptions(const std::vector<std::string>& args, LayoutOptions& options, std::string& error)
{
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        return ParseResult::Help;
    }
    if (args.empty() || args[0].rfind("--", 0) == 0) {
        error = "the job file comes first";
        return ParseResult::Error;
    }
    options.Job = args[0];
    const std::vector<std::string> allowed = {"--settings",  "--json",       "--unplaced",  "--pdf-info",
                                              "--pdf-cuts",  "--pdf-labels", "--png",       "--dxf",
                                              "--xlsx",      "--cutdata",    "--job-name",  "--due",
                                              "--comment",   "--customer",   "--stock-out", "--min-offcut"};
    const ParseResult parsed =
        ParseOptions(std::vector<std::string>(args.begin() + 1, args.end()), allowed, options, error);
    if (parsed == ParseResult::Run && !JobTextsWithTheirOutputs(options, false, error)) {
        return ParseResult::Error;
    }
    return parsed;
}
