#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "calc/CalcRun.h"

// Exit statuses of `nestrix layout`; after a signal the status is 128 + its number
// (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
inline constexpr int kExitPlaced = 0;         // a result; every output written
inline constexpr int kExitNothingPlaced = 1;  // nothing could be placed (the outputs say why)
inline constexpr int kExitBadInput = 2;       // bad usage or input file
inline constexpr int kExitInternal = 70;      // internal error of the calculation
inline constexpr int kExitCannotWrite = 74;   // an output file could not be written
inline constexpr int kExitSignalBase = 128;

// The options of `nestrix layout`. Every option takes one value, but --search may go without.
struct LayoutOptions {
    std::string Boards;
    std::string Parts;
    std::string Secondary;
    std::string SettingsFile;
    std::string Json;      // "-" writes to standard output
    std::string Unplaced;  // likewise
    std::string PdfInfo;   // 原板情報 printout
    std::string PdfCuts;   // 切断指示書 printout
    std::string PngDir;    // pictures of the screens
    std::string CutData;   // cut data file, with the job information below
    std::string JobName;
    std::string Due;
    std::string Comment;
    std::string Stats;  // run figures for benchmarks: seconds, budget-ended board layouts
    std::optional<int> Threads;
    std::optional<EngineVariant> Engine;
    std::optional<int> Search;  // the search engine on, with this effort (0: the settings' effort)
};

enum class ParseResult { Run, Help, Error };

// The arguments after "layout". Help: the usage is wanted; Error: `error` says why.
ParseResult ParseLayoutOptions(const std::vector<std::string>& args, LayoutOptions& options,
                               std::string& error);

// "cal3:order=1,second=1": the engine and the variant parameters it uses; a parameter the
// engine does not use, a repeated one or a value outside its range is an error.
bool ParseEngineOption(const std::string& text, EngineVariant& variant, std::string& error);

extern const char* const kLayoutUsage;

struct BoardSource;
struct PrintSource;

// Whether the command is being stopped (a signal arrived): long makers check it between pages.
using StopFn = std::function<bool()>;

// A printout as PDF bytes; the program hands it in from its drawing side. False with `error`,
// or when stopped.
using PdfWriterFn = std::function<bool(const PrintSource& source, const StopFn& stopped, std::string& bytes,
                                       std::string& error)>;

// The pictures of the result's screens (`--png DIR`), as files of the folder.
using PngWriterFn = std::function<bool(const BoardSource& source, const StopFn& stopped,
                                       std::vector<NamedBytes>& files, std::string& error)>;

// `nestrix layout --boards B.csv --parts P.csv [...]`: a layout job without a window.
// argv[0] is "layout". Returns one of the exit statuses above. `--pdf-info` and `--pdf-cuts`
// need writePdf, `--png` needs writePng.
int RunLayoutCommand(int argc, char** argv, const PdfWriterFn& writePdf = {},
                     const PngWriterFn& writePng = {});
