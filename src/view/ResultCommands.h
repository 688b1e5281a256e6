#pragma once

#include <QFont>
#include <functional>
#include <string>

class CNestrixDoc;
class CNestrixView;
class FileChooser;
class Prompt;
class QWidget;
struct Settings;

// What the result commands work on: the document, the settings, the program's message boxes
// and file dialogs, the list font, the view that shows the result and the main window.
struct ResultCommandContext {
    CNestrixDoc& Doc;
    Settings& AppSettings;
    Prompt& AppPrompt;
    FileChooser& Chooser;
    QFont ListFont;
    CNestrixView& View;
    QWidget* MainWindow = nullptr;
    std::function<void()> CommandsChanged;  // the tool bar follows the document's state
};

// 配置計算実行: board selection, the calculation with its progress dialog, the result into the
// document and onto the view, then 配置結果. Does nothing without parts or boards.
void OnLayoutCalculation(const ResultCommandContext& context);
// 配置結果: the results dialog for the document's result.
void OnShowResults(const ResultCommandContext& context);
// 切断データ出力: the cut data file of the document's result, with the job's information.
void OnCutDataOutput(const ResultCommandContext& context);
// 物件情報: the job's name, customer, due date and comment in their dialog.
void OnJobInfo(const ResultCommandContext& context);
// DXF出力: a folder chosen in the folder dialog receives one DXF drawing per pattern.
void OnDxfOutput(const ResultCommandContext& context);
// Excel出力: the result as a workbook, under a name chosen in the save dialog.
void OnXlsxOutput(const ResultCommandContext& context);
// 新規: an empty job, after asking about unsaved work.
void OnNewJob(const ResultCommandContext& context);
// 物件を開く: the job file `path`, or one chosen in the open dialog when it is "".
void OnOpenJob(const ResultCommandContext& context, const std::string& path = "");
// 物件を保存 (chooseFile: under a new name).
void OnSaveJob(const ResultCommandContext& context, bool chooseFile);
