#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FileChooser.h"

struct Settings;

// File dialogs that remember where the user was: a dialog whose kind has no folder in the
// settings (BuzaiFol, YBuzaiFol, GenbanFol, RetFol) opens in the folder of that kind's last
// file, and every file chosen makes its folder the kind's last one (Settings::LastFolder, so it
// lasts across runs with the settings file). Dialogs of kind Other pass through unchanged.
class LastFolderChooser final : public FileChooser {
public:
    LastFolderChooser(FileChooser& inner, Settings& settings) : m_inner(inner), m_settings(settings) {}

    std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
    std::vector<std::string> OpenFiles(const FileDialogOptions& options) override;
    std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& initialFolder) override
    {
        return m_inner.ChooseFolder(title, initialFolder);
    }

private:
    FileDialogOptions Prepared(const FileDialogOptions& options) const;
    void Remember(FileKind kind, const std::string& file);

    FileChooser& m_inner;
    Settings& m_settings;
};
