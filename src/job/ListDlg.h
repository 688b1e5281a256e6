#pragma once

#include <QDialog>
#include <QFont>
#include <QKeySequence>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/TextTable.h"

class CEdgeList;
class FileChooser;
class ListEditing;
class Prompt;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QUndoStack;
struct Settings;

// What the job dialogs need from the program: the settings (file folders), message boxes,
// file dialogs and the list font.
struct JobDialogContext {
    const Settings& AppSettings;
    Prompt& AppPrompt;
    FileChooser& Chooser;
    QFont ListFont;
    QWidget* Parent = nullptr;
    // The column mappings 部材の取り込み remembers (the settings'); none kept when null.
    std::vector<std::string>* ImportMaps = nullptr;
    // The band table the part dialog offers; only なし when null.
    const CEdgeList* Edges = nullptr;
};

// Cell text of a record row (row below the record count) and column.
using ListCellText = std::function<std::string(int row, int column)>;

// The OK and キャンセル buttons of an input dialog, joined to accept and reject.
QDialogButtonBox* AddOkCancel(QDialog* dialog);

// A number field of an input dialog: no input method conversion, and the button with the field's
// caption beside it that opens the calculator for it.
QPushButton* CalculatorButton(QLineEdit* field, const char* name, const char* caption, Prompt& prompt,
                              QWidget* parent);

// A button a list dialog has beyond the editor's own, and the key that presses it while the table
// has the focus. Its change of the list can be undone like the others'.
struct ListExtraButton {
    const char* Name;
    const char* Caption;
    std::function<void()> Action;
    QKeySequence::StandardKey Key = QKeySequence::UnknownKey;
};

// The list dialog of parts and boards: a table of the records and one empty row, the buttons
// of the editor, Insert / Delete / Enter on the table, double click = 編集. The rules are the
// editor's; this only binds them. Every button that changes the list can be undone and redone
// while the dialog is open (元に戻す Ctrl+Z, やり直し Ctrl+Y or Ctrl+Shift+Z).
class CListDlg : public QDialog {
    Q_OBJECT
public:
    CListDlg(const QString& title, const std::vector<TextColumn>& columns, ListCellText cell,
             ListEditing& editor, bool moveButtons, const QFont& listFont, QWidget* parent = nullptr,
             std::vector<ListExtraButton> extras = {});

    QTableView* Table() const { return m_table; }
    QUndoStack* UndoStack() const { return m_undo; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Run(void (ListEditing::*action)());
    void Run(const QString& caption, const std::function<void()>& action);
    void Refresh();
    void ShowSelection();
    void OnSelectionChanged();

    ListEditing& m_editor;
    TextTableModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QUndoStack* m_undo = nullptr;
    std::vector<ListExtraButton> m_extras;
    bool m_showing = false;  // the selection is being set from the editor
};
