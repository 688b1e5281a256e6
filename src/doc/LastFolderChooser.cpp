#include "doc/LastFolderChooser.h"

#include <filesystem>

#include "base/Settings.h"

FileDialogOptions LastFolderChooser::Prepared(const FileDialogOptions& options) const
{
    FileDialogOptions prepared = options;
    if (options.Kind == FileKind::Other || !options.InitialFolder.empty()) {
        return prepared;
    }
    // A folder removed since is no place to start; the dialog then picks its own.
    const std::string& last = m_settings.LastFolder.at(static_cast<std::size_t>(options.Kind));
    std::error_code error;
    if (!last.empty() && std::filesystem::is_directory(last, error)) {
        prepared.InitialFolder = last;
    }
    return prepared;
}

void LastFolderChooser::Remember(FileKind kind, const std::string& file)
{
    const std::string folder = std::filesystem::path(file).parent_path().string();
    if (kind != FileKind::Other && !folder.empty()) {
        m_settings.LastFolder.at(static_cast<std::size_t>(kind)) = folder;
    }
}

std::optional<std::string> LastFolderChooser::OpenFile(const FileDialogOptions& options)
{
    std::optional<std::string> file = m_inner.OpenFile(Prepared(options));
    if (file) {
        Remember(options.Kind, *file);
    }
    return file;
}

std::vector<std::string> LastFolderChooser::OpenFiles(const FileDialogOptions& options)
{
    std::vector<std::string> files = m_inner.OpenFiles(Prepared(options));
    if (!files.empty()) {
        Remember(options.Kind, files.front());
    }
    return files;
}

std::optional<std::string> LastFolderChooser::SaveFile(const FileDialogOptions& options)
{
    std::optional<std::string> file = m_inner.SaveFile(Prepared(options));
    if (file) {
        Remember(options.Kind, *file);
    }
    return file;
}
