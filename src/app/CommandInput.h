#pragma once

#include <optional>
#include <string>

#include "app/LayoutOptions.h"
#include "result/CutData.h"

class Prompt;
struct JobDocument;
struct Settings;

// What the commands without a window read besides their lists: the options' answers, the
// settings file, job files and the job information.

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

// The job information of the cut data file: without a due date it takes today's.
CutDataInfo Dated(CutDataInfo info);
