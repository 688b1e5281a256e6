#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/HeadlessTypes.h"
#include "app/LayoutOptions.h"

// The files of `nestrix layout`: which option names which, and how they are staged.

// Whether an output path is this process's standard output ("-", /dev/stdout, or the file
// standard output goes to).
bool IsStandardOutput(const std::string& path);
bool AnyOutputOnStandardOutput(const LayoutOptions& options);

// An output that would write over an input or over another output (by name, symbolic or hard
// link), as a message naming both options; "" when every output has a file of its own.
std::string SameFileClash(const LayoutOptions& options);

// Text as the files hold it (CP932, CR LF); false with `error` for a character outside CP932.
bool DiskBytes(const std::string& text, std::string& bytes, std::string& error);

using MakeBytes = std::function<bool(std::string& bytes, std::string& error)>;

// Makes and stages the single-file outputs in order; 0, or the exit status of the first that
// cannot be made or staged (after its message). A stop ends it early with 0.
int StageFiles(const LayoutOptions& options,
               const std::vector<std::pair<std::string LayoutOptions::*, MakeBytes>>& makers,
               const std::function<bool()>& stopped, StagedWrites& writes);

// The files of a folder output, false with `error` when they cannot be made (or when stopped).
using MakeFiles = std::function<bool(std::vector<NamedBytes>& files, std::string& error)>;

// The files of a folder output (`--png DIR`, `--dxf DIR`, by its option), staged; files of its
// names that an earlier, larger result left are removed at the commit. Folders made on the way
// are listed in `created` so that they can go again. 0, or the exit status after the message.
int StageFolderFiles(const char* option, const std::string& dir, const MakeFiles& make,
                     const std::function<bool()>& stopped, StagedWrites& writes,
                     std::vector<std::string>& created);
