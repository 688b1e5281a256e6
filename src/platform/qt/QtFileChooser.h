#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/FileChooser.h"

// QFileDialog behind the core's file choices.
class QtFileChooser final : public FileChooser {
public:
    explicit QtFileChooser(QWidget* owner = nullptr) : m_owner(owner) {}
    void SetOwner(QWidget* owner) { m_owner = owner; }

    std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
    std::vector<std::string> OpenFiles(const FileDialogOptions& options) override;
    std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& initialFolder) override;

private:
    QPointer<QWidget> m_owner;
};

// "部材データ (*.csv)|*.csv||" -> "部材データ (*.csv)"; several pairs are joined by ";;".
QString QtNameFilters(const std::string& filter);

inline constexpr const char* kFolderDialogTitle = "フォルダの選択";
