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
#include <QTableView>
#include <QVBoxLayout>
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

ListTableModel::ListTableModel(const std::vector<ListColumn>& columns, ListCellText cell,
                               const ListEditing& editor, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns), m_cell(std::move(cell)), m_editor(editor)
{
}

int ListTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_editor.RowCount();
}

int ListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_editor.RowCount() - 1) {
        return {};  // the empty last row
    }
    return QString::fromStdString(m_cell(index.row(), index.column()));
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(m_columns.size())) {
        return {};
    }
    return QString(m_columns[section].Title);
}

void ListTableModel::Refresh()
{
    beginResetModel();
    endResetModel();
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

}  // namespace

CListDlg::CListDlg(const QString& title, const std::vector<ListColumn>& columns, ListCellText cell,
                   ListEditing& editor, bool moveButtons, const QFont& listFont, QWidget* parent)
    : QDialog(parent), m_editor(editor)
{
    setObjectName("listDialog");
    setWindowTitle(title);

    m_model = new ListTableModel(columns, std::move(cell), editor, this);
    m_table = new QTableView(this);
    m_table->setObjectName("listTable");
    m_table->setModel(m_model);
    m_table->setFont(listFont);
    m_table->setShowGrid(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setSectionsClickable(false);
    const QFontMetrics metrics(listFont);
    m_table->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    const int padding = 2 * m_table->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, m_table) + 2;
    const QFontMetrics headerMetrics(m_table->horizontalHeader()->font());
    int tableWidth = 2 * m_table->frameWidth() + m_table->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const int width = std::max(metrics.horizontalAdvance(QString(columns[i].Sample)),
                                   headerMetrics.horizontalAdvance(QString(columns[i].Title))) +
                          padding;
        m_table->setColumnWidth(i, width);
        tableWidth += width;
    }
    const QScreen* screen = parent != nullptr && parent->screen() != nullptr
                                ? parent->screen()
                                : QGuiApplication::primaryScreen();
    const int available = screen != nullptr ? screen->availableGeometry().width() - 60 : tableWidth;
    m_table->setMinimumWidth(std::min(tableWidth, available));
    m_table->setMinimumHeight(m_table->horizontalHeader()->sizeHint().height() +
                              kVisibleRows * m_table->verticalHeader()->defaultSectionSize() +
                              2 * m_table->frameWidth());
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
    try {
        (m_editor.*action)();
    } catch (const std::out_of_range&) {
        // An index outside the list: the button is abandoned, the list stays as it is.
    }
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
