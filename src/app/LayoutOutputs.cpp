#include "app/LayoutOutputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Format.h"
#include "base/TextFile.h"
#include "exchange/DxfExport.h"
#include "result/PlanChoice.h"

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

namespace {

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
    {"--job", &LayoutOptions::Job},
};
const NamedPath kOutputs[] = {
    {"--json", &LayoutOptions::Json},
    {"--unplaced", &LayoutOptions::Unplaced},
    {"--pdf-info", &LayoutOptions::PdfInfo},
    {"--pdf-cuts", &LayoutOptions::PdfCuts},
    {"--pdf-labels", &LayoutOptions::PdfLabels},
    {"--cutdata", &LayoutOptions::CutData},
    {"--stats", &LayoutOptions::Stats},
    {"--save-job", &LayoutOptions::SaveJob},
    {"--stock-out", &LayoutOptions::StockOut},
    {"--xlsx", &LayoutOptions::Xlsx},
    {"--png", &LayoutOptions::PngDir},
    {"--dxf", &LayoutOptions::DxfDir},
    {"--alternatives", &LayoutOptions::AlternativesDir},
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

// Whether a name is one of the pictures of `--png`: board-NNN.png or boards.png.
bool IsPictureName(const std::string& name)
{
    if (name == "boards.png") {
        return true;
    }
    return IsNumberedName(name, "board-", ".png");
}

// The files of `--alternatives`: cheapest.json, fewest-cuts.nestrix, ...
bool IsPlanFileName(const std::string& name)
{
    for (const PlanKind kind : {PlanKind::Cheapest, PlanKind::FewestCuts, PlanKind::FewestPatterns}) {
        const std::string base = PlanFileName(kind);
        if (name == base + ".json" || name == base + ".nestrix") {
            return true;
        }
    }
    return false;
}

// The outputs that are folders: each writes the files of its own names there and removes
// those of an earlier, larger result, and leaves every other file alone.
struct FolderOutput {
    const char* Option;
    std::string LayoutOptions::*Member;
    bool (*OwnName)(const std::string& name);
    const char* Files;  // what the files are, for messages
};
const FolderOutput kFolders[] = {
    {"--png", &LayoutOptions::PngDir, IsPictureName, "画像"},
    {"--dxf", &LayoutOptions::DxfDir, IsPatternDxfName, "図面"},
    {"--alternatives", &LayoutOptions::AlternativesDir, IsPlanFileName, "配置候補"},
};

const FolderOutput* FolderOf(const char* option)
{
    for (const FolderOutput& folder : kFolders) {
        if (std::string(folder.Option) == option) {
            return &folder;
        }
    }
    return nullptr;
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

// The files that a folder output would be written into now: each entry of the folder named
// as its files are, as what it names (a symbolic link is written through to its target).
std::vector<FileIdentity> OwnFilesInFolder(const std::string& folder, bool (*ownName)(const std::string&))
{
    std::vector<FileIdentity> files;
    if (DIR* entries = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(entries)) {
            if (ownName(entry->d_name)) {
                files.push_back(IdentifyFile(folder + "/" + entry->d_name));
            }
        }
        ::closedir(entries);
    }
    return files;
}

}  // namespace

// Text as the files hold it (CP932, CR LF).
bool DiskBytes(const std::string& text, std::string& bytes, std::string& error)
{
    if (!EncodeForDisk(text, bytes)) {
        error = "Shift-JIS で表せない文字があります";
        return false;
    }
    return true;
}

bool AnyOutputOnStandardOutput(const LayoutOptions& options)
{
    return std::any_of(std::begin(kOutputs), std::end(kOutputs), [&](const NamedPath& output) {
        return FolderOf(output.Option) == nullptr && IsStandardOutput(options.*output.Member);
    });
}

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

// The files of a folder output (`--png DIR`, `--dxf DIR`), staged; files of its names that an
// earlier, larger result left are removed at the commit. Folders made on the way are listed so
// that they can go again.
int StageFolderFiles(const char* option, const std::string& dir, const MakeFiles& make,
                     const std::function<bool()>& stopped, StagedWrites& writes,
                     std::vector<std::string>& created)
{
    const FolderOutput* output = FolderOf(option);
    if (output == nullptr) {
        std::fprintf(stderr, "nestrix: %s is not a folder output\n", option);
        return kExitInternal;
    }
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
            std::fprintf(stderr, "nestrix: %s %s cannot be written: %s\n", option, dir.c_str(),
                         ErrnoText(errno).c_str());
            return kExitCannotWrite;
        }
        created.push_back(*f);
    }
    std::vector<NamedBytes> files;
    std::string error = std::string(option) + " output is not available";
    if (!make || !make(files, error)) {
        if (stopped()) {
            return 0;
        }
        std::fprintf(stderr, "nestrix: %s %s cannot be written: %s\n", option, dir.c_str(), error.c_str());
        return kExitCannotWrite;
    }
    std::vector<std::string> names;
    for (NamedBytes& file : files) {
        const std::string path = folder + "/" + file.Name;
        const WriteResult staged = writes.Stage(path, std::move(file.Bytes));
        if (!staged.Ok()) {
            std::fprintf(stderr, "nestrix: %s %s cannot be written: %s\n", option, path.c_str(),
                         staged.Reason().c_str());
            return kExitCannotWrite;
        }
        names.push_back(file.Name);
    }
    if (DIR* entries = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(entries)) {
            const std::string name = entry->d_name;
            if (output->OwnName(name) && std::find(names.begin(), names.end(), name) == names.end()) {
                writes.RemoveAtCommit(folder + "/" + name);
            }
        }
        ::closedir(entries);
    }
    return 0;
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
        const FolderOutput* folderOutput = FolderOf(output.Option);
        const std::vector<FileIdentity> existing =
            folderOutput ? OwnFilesInFolder(output.Path, folderOutput->OwnName) : std::vector<FileIdentity>{};
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
            if (FolderOf(other->Option) != nullptr) {
                continue;  // two folder outputs may share a folder: their names differ
            }
            if (folderOutput) {
                // The folder holds the output's files (board-NNN.png, pattern-NNN.dxf …), written
                // and removed.
                const std::filesystem::path path = other->Id.File.Resolved;
                const std::filesystem::path folder = output.Id.File.Resolved;
                const bool linked =
                    !other->Id.Stdout && std::any_of(existing.begin(), existing.end(), [&](const FileIdentity& p) {
                        return SameFile(p, other->Id.File);
                    });
                if (linked || (!other->Id.Stdout && !path.empty() &&
                               (path == folder || (path.parent_path() == folder &&
                                                   folderOutput->OwnName(path.filename().string()))))) {
                    return std::string(folderOutput->Option) + " の" + folderOutput->Files + "と " +
                           other->Option + " が同じファイルです: " + other->Path;
                }
            } else if (SameTarget(output.Id, other->Id)) {
                return clash(output, *other);
            }
        }
    }
    return "";
}
