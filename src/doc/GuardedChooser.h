#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileChooser.h"

class Prompt;
class CNestrixDoc;

// A file the job holds: a list's own file, or a file of the program folder.
struct HeldFile {
    std::string Path;
    std::string What;     // "編集中の部材データ", "このプログラムが使う原板データ", …
    bool Refused = false;  // the program folder's files: never saved over by a save dialog
};

// The files the document and the program folder hold, for the save dialogs.
std::vector<HeldFile> HeldFiles(const CNestrixDoc& doc, const std::string& folder);

// The save dialogs of the desktop program, with one rule more: data is never saved over a file
// the job holds. A file of the program folder is refused; a list's file asks first (saving the
// unplaced parts over the parts file being edited), unless it is the saved data's own file.
// Everything else goes to the dialogs as it is.
class GuardedChooser final : public FileChooser {
public:
    GuardedChooser(FileChooser& inner, Prompt& prompt, std::function<std::vector<HeldFile>()> held)
        : m_inner(inner), m_prompt(prompt), m_held(std::move(held))
    {
    }

    std::optional<std::string> OpenFile(const FileDialogOptions& options) override { return m_inner.OpenFile(options); }
    std::vector<std::string> OpenFiles(const FileDialogOptions& options) override { return m_inner.OpenFiles(options); }
    std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFolder(const std::string& title, const std::string& initialFolder) override
    {
        return m_inner.ChooseFolder(title, initialFolder);
    }

private:
    FileChooser& m_inner;
    Prompt& m_prompt;
    std::function<std::vector<HeldFile>()> m_held;
};
