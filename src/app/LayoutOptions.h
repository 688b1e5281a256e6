#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calc/CalcRun.h"
#include "result/Offcuts.h"

// The options of `nestrix layout`. Every option takes one value, but --search may go without and
// --fewer-cuts-on-tie takes none.
struct LayoutOptions {
    std::string Boards;
    std::string Parts;
    std::string Secondary;
    std::string PartsImport;      // the parts from a spreadsheet's CSV, columns by their titles
    std::string SecondaryImport;  // likewise the secondary parts
    std::string Bands;            // the band table (エッジ材) the parts name
    std::string SettingsFile;
    std::string Json;      // "-" writes to standard output
    std::string Unplaced;  // likewise
    std::string PdfInfo;   // 原板情報 printout
    std::string PdfCuts;   // 切断指示書 printout
    std::string PdfLabels;  // ラベル印刷: one label per placed piece
    std::string PngDir;    // pictures of the screens
    std::string DxfDir;    // one DXF drawing per pattern
    std::string Xlsx;      // the result as a workbook
    std::string CutData;   // cut data file, with the job information below
    std::string JobName;
    std::string Due;
    std::string Comment;
    std::string Customer;
    std::string Stats;  // run figures for benchmarks: seconds, budget-ended board layouts
    std::string SaveJob;  // the job file with the lists, the settings and the result
    std::string Job;      // a job file whose lists and settings are laid out (layout) or written (export)
    std::string StockOut;  // the board list after 在庫反映: used sheets off, offcuts on
    std::optional<OffcutSize> MinOffcut;  // instead of the settings' 端材の最小寸法
    std::optional<int> Threads;
    std::optional<double> TimeLimit;  // seconds, then the best result of the ended jobs
    std::optional<EngineVariant> Engine;
    std::optional<int> Search;  // the search engine on, with this effort (0: the settings' effort)
    std::string AlternativesDir;       // 配置候補: each plan's result and job file
    std::optional<int> PlanTolerance;  // % above the best price a plan may cost
    bool FewerCutsOnTie = false;       // 同じ価格なら切断の少ない方
};

enum class ParseResult { Run, Help, Error };

// The arguments after "layout". Help: the usage is wanted; Error: `error` says why.
ParseResult ParseLayoutOptions(const std::vector<std::string>& args, LayoutOptions& options,
                               std::string& error);
// The arguments after "export": the job file, then the outputs (and --settings and the job
// information of the cut data file).
ParseResult ParseExportOptions(const std::vector<std::string>& args, LayoutOptions& options,
                               std::string& error);

// "cal3:order=1,second=1": the engine and the variant parameters it uses; a parameter the
// engine does not use, a repeated one or a value outside its range is an error.
bool ParseEngineOption(const std::string& text, EngineVariant& variant, std::string& error);

extern const char* const kLayoutUsage;
extern const char* const kExportUsage;
