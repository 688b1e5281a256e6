#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileChooser.h"

// Records every request; answers from the queues, then cancel.
class RecordingFileChooser final : public FileChooser {
public:
    struct Request {
        std::string Kind;  // "open", "openMany", "save", "folder"
        FileDialogOptions Options;
    };
    std::vector<Request> Requests;
    std::deque<std::string> Files;               // answers of OpenFile, SaveFile and ChooseFolder
    std::deque<std::vector<std::string>> Lists;  // answers of OpenFiles

    std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
    std::vector<std::string> OpenFiles(const FileDialogOptions& options) override;
    std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& initialFolder) override;

private:
    std::optional<std::string> NextFile();
};
