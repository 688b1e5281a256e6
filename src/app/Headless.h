#pragma once

#include <csignal>
#include <signal.h>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/LayoutCommand.h"
#include "app/LayoutOutputs.h"
#include "platform/Prompt.h"
#include "result/CutData.h"

class CBuzaiList;
class CGenbanList;
class CRetData;
struct EdgeTotals;
struct JobDocument;
struct Settings;

// What the commands without a window share: the stop signals, messages on stderr, the settings
// file, job files and the outputs.

// Ctrl-C, SIGTERM and SIGHUP ask the command to stop for as long as the guard lives; the
// previous handlers come back with it.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that arrived, 0 while none did.
    static int Caught();

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)]{};
};

// "中断しました。(SIGTERM)" and the status of the signal.
int Stopped(int signal);
// After a failure: the status of a stop that caused it, else `status`.
int StoppedOr(int status);

// Message boxes become lines on stderr, prefixed with the file being read; questions are
// answered No. Nothing is printed once a stop signal arrived (its message says why).
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
    void Print(std::string text) const;
};

// The options parsed: the usage for --help or after a usage error, the refusal of an output
// that names an input or another output. Nothing when the command goes on, else its status.
std::optional<int> AnswerParse(ParseResult parsed, const std::string& error, const char* usage,
                               const LayoutOptions& options);

// The settings of --settings when it is given: a file that exists and reads, values that are
// numbers where numbers are due (others keep their defaults with a warning).
bool LoadSettingsOption(const LayoutOptions& options, Settings& settings);

// --min-offcut over the settings' smallest offcut.
void TakeMinOffcut(const LayoutOptions& options, Settings& settings);

// A job file (--job, export); false after its message on stderr.
bool LoadJobFile(const std::string& path, JobDocument& job);

// The job information of the options over `info`: --job-name and --comment replace, --due is
// checked and replaces; with --cutdata the texts must go into that file (without a due date it
// takes today's). False after the message (bad usage or input).
bool TakeJobInfo(const LayoutOptions& options, const char* usage, Prompt& prompt, CutDataInfo& info);

// A job's three lists and settings, the result and the job information: what the outputs are
// made from. The lists are those the result refers to.
struct OutputJob {
    CRetData& Ret;
    CBuzaiList& Parts;
    CBuzaiList& Secondary;
    const CGenbanList& Boards;
    const Settings& Options;
    CutDataInfo Info;  // without a due date the cut data file takes today's
    const EdgeTotals* Bands = nullptr;  // the bands of a job with a band table
};

// Makes every output the options name (`extra` after the usual ones), stages them and puts them
// in place together: a stop or a failure on the way changes none of them. `status` when all
// were written, else the status of what failed or stopped it.
int WriteOutputs(const LayoutOptions& options, OutputJob job,
                 const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>>& extra,
                 const PdfWriterFn& writePdf, const PngWriterFn& writePng, int status);
