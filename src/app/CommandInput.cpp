#include "app/CommandInput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "app/HeadlessTypes.h"
#include "app/LayoutOutputs.h"
#include "base/IniFile.h"
#include "base/Settings.h"
#include "base/TextFile.h"
#include "platform/Prompt.h"
#include "result/JobFile.h"

CutDataInfo Dated(CutDataInfo info)
{
    if (info.Year == 0) {
        Today(info.Year, info.Month, info.Day);
    }
    return info;
}

std::optional<int> AnswerParse(ParseResult parsed, const std::string& error, const char* usage,
                               const LayoutOptions& options)
{
    switch (parsed) {
        case ParseResult::Help: std::fputs(usage, stdout); return kExitPlaced;
        case ParseResult::Error: {
            // The error, the command's usage lines and where the rest is: not every option.
            std::string lines;
            std::string command;
            const std::string text = usage;
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t end = std::min(text.find('\n', at), text.size());
                const std::string line = text.substr(at, end - at);
                if (line.rfind("Usage: ", 0) == 0 || line.rfind("  or: ", 0) == 0) {
                    lines += line + "\n";
                    if (command.empty()) {
                        const std::size_t name = line.find("nestrix ");
                        command = line.substr(name, line.find(' ', name + 8) - name);
                    }
                }
                at = end + 1;
            }
            std::fprintf(stderr, "nestrix: %s\n%s'%s --help' lists every option.\n", error.c_str(), lines.c_str(),
                         command.c_str());
            return kExitBadInput;
        }
        case ParseResult::Run: break;
    }
    if (const std::string clash = SameFileClash(options); !clash.empty()) {
        std::fprintf(stderr, "nestrix: %s\n", clash.c_str());
        return kExitBadInput;
    }
    return std::nullopt;
}

bool LoadSettingsOption(const LayoutOptions& options, Settings& settings)
{
    if (options.SettingsFile.empty()) {
        return true;
    }
    const std::string& path = options.SettingsFile;
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

bool LoadJobFile(const std::string& path, JobDocument& job)
{
    std::string error;
    if (!ReadJobFile(path, job, error)) {
        std::fprintf(stderr, "nestrix: %s: 物件ファイルを読めません: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

bool TakeJobInfo(const LayoutOptions& options, const char* usage, Prompt& prompt, CutDataInfo& info)
{
    if (!options.JobName.empty()) {
        info.JobName = options.JobName;
    }
    if (!options.Comment.empty()) {
        info.Comment = options.Comment;
    }
    if (!options.Customer.empty()) {
        info.Customer = options.Customer;
    }
    if (!options.Due.empty() && !ParseIsoDate(options.Due, info.Year, info.Month, info.Day)) {
        std::fprintf(stderr, "nestrix: --due takes a date as YYYY-MM-DD\n%s", usage);
        return false;
    }
    // Every output that carries the texts (cut data, labels, the job file) takes only what the
    // cut data file can hold: a line break kept in a saved job would be refused by its export.
    return CheckCutDataInfo(Dated(info), prompt) == CutDataField::None;
}

void TakeMinOffcut(const LayoutOptions& options, Settings& settings)
{
    if (options.MinOffcut) {
        settings.MinOffcutW = options.MinOffcut->Width;
        settings.MinOffcutL = options.MinOffcut->Length;
    }
}
