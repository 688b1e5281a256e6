#include "platform/qt/QtFileChooser.h"

#include <QFileDialog>
#include <QStringList>

namespace {

QStringList Pairs(const std::string& filter)
{
    QStringList parts = QString::fromStdString(filter).split('|');
    while (!parts.isEmpty() && parts.back().isEmpty()) {
        parts.removeLast();
    }
    return parts;
}

// One dialog set up as the options say; the caller picks the modes.
void Prepare(QFileDialog& dialog, const FileDialogOptions& options)
{
    dialog.setObjectName("fileDialog");
    if (!options.Title.empty()) {
        dialog.setWindowTitle(QString::fromStdString(options.Title));
    }
    if (!options.InitialFolder.empty()) {
        dialog.setDirectory(QString::fromStdString(options.InitialFolder));
    }
    const QString filters = QtNameFilters(options.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters.split(";;"));
    }
    dialog.setDefaultSuffix(QString::fromStdString(options.DefaultExtension));
    if (!options.FileName.empty()) {
        dialog.selectFile(QString::fromStdString(options.FileName));
    }
}

std::vector<std::string> Run(QFileDialog& dialog)
{
    std::vector<std::string> files;
    if (dialog.exec() == QDialog::Accepted) {
        for (const QString& file : dialog.selectedFiles()) {
            files.push_back(file.toStdString());
        }
    }
    return files;
}

std::optional<std::string> First(const std::vector<std::string>& files)
{
    if (files.empty()) {
        return std::nullopt;
    }
    return files.front();
}

}  // namespace

QString QtNameFilters(const std::string& filter)
{
    const QStringList parts = Pairs(filter);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        const QString& description = parts[i];
        // Qt reads the patterns from the last parentheses; add them when the text has none.
        filters << (description.contains('(' + patterns + ')') ? description
                                                               : description + " (" + patterns + ")");
    }
    return filters.join(";;");
}

std::optional<std::string> QtFileChooser::OpenFile(const FileDialogOptions& options)
{
    QFileDialog dialog(m_owner);
    Prepare(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return First(Run(dialog));
}

std::vector<std::string> QtFileChooser::OpenFiles(const FileDialogOptions& options)
{
    QFileDialog dialog(m_owner);
    Prepare(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return Run(dialog);
}

std::optional<std::string> QtFileChooser::SaveFile(const FileDialogOptions& options)
{
    QFileDialog dialog(m_owner);
    Prepare(dialog, options);
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before overwriting
    dialog.setFileMode(QFileDialog::AnyFile);
    return First(Run(dialog));
}

std::optional<std::string> QtFileChooser::ChooseFolder(const std::string& title,
                                                       const std::string& initialFolder)
{
    QFileDialog dialog(m_owner);
    dialog.setObjectName("folderDialog");
    dialog.setWindowTitle(QString::fromStdString(title.empty() ? kFolderDialogTitle : title));
    if (!initialFolder.empty()) {
        dialog.setDirectory(QString::fromStdString(initialFolder));
    }
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return First(Run(dialog));
}
