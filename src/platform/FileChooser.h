#pragma once

#include <optional>
#include <string>
#include <vector>

// File dialogs as the core sees them. Filters use the "description (*.ext)|*.ext||" form.
// An empty optional (or an empty vector) is the user's cancel.

// What a dialog reads or writes; each kind remembers the folder of its last file.
enum class FileKind { Other, Parts, SecondaryParts, Boards, CutData, Job };
inline constexpr int kFileKinds = 6;

struct FileDialogOptions {
    std::string Filter;            // e.g. "部材データ (*.csv)|*.csv||"
    std::string DefaultExtension;  // without the dot, e.g. "csv"
    std::string InitialFolder;     // may be empty: the platform's choice
    std::string Title;             // may be empty: the platform's default title
    std::string FileName{};        // the name a save dialog proposes; may be empty
    // The files the data being saved came from: saving over one of them is a plain save.
    std::vector<std::string> OwnFiles{};
    FileKind Kind{FileKind::Other};
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::optional<std::string> OpenFile(const FileDialogOptions& options) = 0;
    // Several files in the order the dialog returns them.
    virtual std::vector<std::string> OpenFiles(const FileDialogOptions& options) = 0;
    // Asks before overwriting an existing file; the default extension is added when missing.
    virtual std::optional<std::string> SaveFile(const FileDialogOptions& options) = 0;
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& initialFolder) = 0;
};
