#include "job/ListDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QAction>
#include <QTableView>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "job/DentakuDlg.h"
#include "job/ListEditor.h"

QDialogButtonBox* AddOkCancel(QDialog* dialog)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->button(QDialogButtonBox::Ok)->setObjectName("okButton");
    box->button(QDialogButtonBox::Cancel)->setObjectName("cancelButton");
    box->button(QDialogButtonBox::Cancel)->setText("キャンセル");
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QPushButton* CalculatorButton(QLineEdit* field, const char* name, const char* caption, Prompt& prompt,
                              QWidget* parent)
{
    field->setInputMethodHints(Qt::ImhFormattedNumbersOnly | Qt::ImhNoPredictiveText);
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->setAlignment(Qt::AlignRight);
    field->setMaximumWidth(120);
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setToolTip("電卓");
    AttachDentaku(button, field, prompt);
    return button;
}

namespace {

struct ListButton {
    const char* Name;
    const char* Caption;
    void (ListEditing::*Action)();
    bool Move;  // only in the board list
};

constexpr ListButton kButtons[] = {
    {"addButton", "追加", &ListEditing::Add, false},
    {"editButton", "編集", &ListEditing::Edit, false},
    {"deleteButton", "削除", &ListEditing::Delete, false},
    {"upButton", "↑", &ListEditing::MoveUp, true},
    {"downButton", "↓", &ListEditing::MoveDown, true},
    {"deleteAllButton", "全削除", &ListEditing::DeleteAll, false},
    {"loadButton", "読み込み", &ListEditing::Load, false},
    {"loadMoreButton", "追加読み込み", &ListEditing::LoadMore, false},
    {"saveButton", "書き込み", &ListEditing::Save, false},
};

constexpr int kVisibleRows = 16;

// One button's change of the list: the list before and after it.
class ListChange final : public QUndoCommand {
public:
    ListChange(const QString& text, ListEditing& editor, std::unique_ptr<ListState> before,
               std::unique_ptr<ListState> after, std::function<void()> shown)
        : QUndoCommand(text),
          m_editor(editor),
          m_before(std::move(before)),
          m_after(std::move(after)),
          m_shown(std::move(shown))
    {
    }
    void undo() override
    {
        m_editor.Return(*m_before);
        m_shown();
    }
    void redo() override
    {
        if (m_done) {  // pushed after the button did it
            m_editor.Return(*m_after);
            m_shown();
        }
        m_done = true;
    }

private:
    ListEditing& m_editor;
    std::unique_ptr<ListState> m_before;
    std::unique_ptr<ListState> m_after;
    std::function<void()> m_shown;
    bool m_done = false;
};

}  // namespace

CListDlg::CListDlg(const QString& title, const std::vector<TextColumn>& columns, ListCellText cell,
                   ListEditing& editor, bool moveButtons, const QFont& listFont, QWidget* parent,
                   std::vector<ListExtraButton> extras)
    : QDialog(parent), m_editor(editor), m_extras(std::move(extras))
{
    setObjectName("listDialog");
    setWindowTitle(title);

    // The records and one empty row at the end.
    m_model = new TextTableModel(
        columns, [&editor] { return editor.RowCount(); },
        [&editor, cell = std::move(cell)](int row, int column) {
            return row < editor.RowCount() - 1 ? cell(row, column) : std::string();
        },
        this);
    m_table = new QTableView(this);
    m_table->setObjectName("listTable");
    m_table->setModel(m_model);
    SetUpTextTable(m_table, listFont, kVisibleRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setSectionsClickable(false);
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_editor.Select(index.row());
        Run(&ListEditing::Edit);
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CListDlg::OnSelectionChanged);

    auto* buttons = new QHBoxLayout;
    for (const ListButton& entry : kButtons) {
        if (entry.Move && !moveButtons) {
            continue;
        }
        auto* button = new QPushButton(entry.Caption, this);
        button->setObjectName(entry.Name);
        const auto action = entry.Action;
        connect(button, &QPushButton::clicked, this, [this, action] { Run(action); });
        buttons->addWidget(button);
        if (action == &ListEditing::LoadMore) {
            for (const ListExtraButton& extra : m_extras) {
                auto* extraButton = new QPushButton(extra.Caption, this);
                extraButton->setObjectName(extra.Name);
                connect(extraButton, &QPushButton::clicked, this,
                        [this, caption = QString(extra.Caption), run = extra.Action] { Run(caption, run); });
                buttons->addWidget(extraButton);
            }
        }
    }
    m_undo = new QUndoStack(this);
    struct UndoButton {
        const char* Name;
        const char* Caption;
        QList<QKeySequence> Keys;
        bool Redo;
    };
    const UndoButton undoButtons[] = {
        {"undoButton", "元に戻す", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, false},
        {"redoButton", "やり直し", {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}, true},
    };
    for (const UndoButton& entry : undoButtons) {
        auto* button = new QPushButton(entry.Caption, this);
        button->setObjectName(entry.Name);
        button->setAutoDefault(false);
        button->setEnabled(false);
        auto* action = new QAction(entry.Caption, this);
        action->setShortcuts(entry.Keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        const bool redo = entry.Redo;
        const auto step = [this, redo] {
            redo ? m_undo->redo() : m_undo->undo();
            m_table->setFocus();
        };
        connect(action, &QAction::triggered, this, step);
        connect(button, &QPushButton::clicked, this, step);
        connect(m_undo, redo ? &QUndoStack::canRedoChanged : &QUndoStack::canUndoChanged, button,
                &QPushButton::setEnabled);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* close = new QPushButton("閉じる", this);
    close->setObjectName("closeButton");
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

    ShowSelection();
    m_table->setFocus();
}

void CListDlg::Run(void (ListEditing::*action)())
{
    const auto found = std::find_if(std::begin(kButtons), std::end(kButtons),
                                    [action](const ListButton& b) { return b.Action == action; });
    Run(found != std::end(kButtons) ? QString(found->Caption) : QString("編集"),
        [this, action] { (m_editor.*action)(); });
}

void CListDlg::Run(const QString& caption, const std::function<void()>& action)
{
    std::unique_ptr<ListState> before = m_editor.Keep();
    try {
        action();
    } catch (const std::out_of_range&) {
        // An index outside the list: the button is abandoned, the list stays as it is.
    }
    std::unique_ptr<ListState> after = m_editor.Keep();
    if (!after->SameList(*before)) {
        m_undo->push(
            new ListChange(caption, m_editor, std::move(before), std::move(after), [this] { Refresh(); }));
    }
    Refresh();
}

void CListDlg::Refresh()
{
    m_model->Refresh();
    ShowSelection();
    m_table->setFocus();
}

void CListDlg::ShowSelection()
{
    m_showing = true;
    const int row = m_editor.Selected();
    QItemSelectionModel* selection = m_table->selectionModel();
    if (row >= 0) {
        const QModelIndex index = m_model->index(row, 0);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selection->clearSelection();
    }
    m_table->scrollTo(m_model->index(std::max(0, m_editor.ScrollRow()), 0));
    m_showing = false;
}

void CListDlg::OnSelectionChanged()
{
    if (m_showing) {
        return;
    }
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    m_editor.Select(rows.isEmpty() ? -1 : rows.first().row());
}

bool CListDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The keys act only while the table has the focus; on a button Enter presses that button.
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        for (const ListExtraButton& extra : m_extras) {
            if (extra.Key != QKeySequence::UnknownKey && key->matches(extra.Key)) {
                Run(QString(extra.Caption), extra.Action);
                return true;
            }
        }
        if (key->modifiers() & ~Qt::KeypadModifier) {
            return QDialog::eventFilter(watched, event);
        }
        switch (key->key()) {
            case Qt::Key_Insert: Run(&ListEditing::Add); return true;
            case Qt::Key_Delete: Run(&ListEditing::Delete); return true;
            case Qt::Key_Return:
            case Qt::Key_Enter: Run(&ListEditing::Edit); return true;
            default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
