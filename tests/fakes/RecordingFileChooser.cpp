#include "fakes/RecordingFileChooser.h"

std::optional<std::string> RecordingFileChooser::NextFile()
{
    if (Files.empty()) {
        return std::nullopt;
    }
    std::string file = Files.front();
    Files.pop_front();
    return file;
}

std::optional<std::string> RecordingFileChooser::OpenFile(const FileDialogOptions& options)
{
    Requests.push_back({"open", options});
    return NextFile();
}

std::vector<std::string> RecordingFileChooser::OpenFiles(const FileDialogOptions& options)
{
    Requests.push_back({"openMany", options});
    if (Lists.empty()) {
        return {};
    }
    std::vector<std::string> files = Lists.front();
    Lists.pop_front();
    return files;
}

std::optional<std::string> RecordingFileChooser::SaveFile(const FileDialogOptions& options)
{
    Requests.push_back({"save", options});
    return NextFile();
}

std::optional<std::string> RecordingFileChooser::ChooseFolder(const std::string& title,
                                                              const std::string& initialFolder)
{
    Requests.push_back({"folder", {"", "", initialFolder, title}});
    return NextFile();
}
