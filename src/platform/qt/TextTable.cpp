#include "platform/qt/TextTable.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <algorithm>

TextTableModel::TextTableModel(std::vector<TextColumn> columns, RowCount rows, CellText cell, QObject* parent)
    : QAbstractTableModel(parent),
      m_columns(std::move(columns)),
      m_rows(std::move(rows)),
      m_cell(std::move(cell))
{
}

int TextTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows();
}

int TextTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= columnCount()) {
        return {};
    }
    return QString::fromStdString(m_cell(index.row(), index.column()));
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    const TextColumn& column = m_columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) {
        return QString(column.Title);
    }
    return role == kSampleRole ? QString(column.Sample) : QVariant();
}

void TextTableModel::Refresh()
{
    beginResetModel();
    endResetModel();
}

void SetUpTextTable(QTableView* table, const QFont& listFont, int visibleRows)
{
    table->setFont(listFont);
    table->setShowGrid(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setHighlightSections(false);
    const QFontMetrics metrics(listFont);
    table->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    const QFontMetrics headerMetrics(table->horizontalHeader()->font());
    const int padding = 2 * table->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, table) + 2;
    const auto* model = table->model();
    int width = 2 * table->frameWidth() + table->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int i = 0; model != nullptr && i < model->columnCount(); ++i) {
        const QString title = model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        const QString sample = model->headerData(i, Qt::Horizontal, TextTableModel::kSampleRole).toString();
        const int column =
            std::max(metrics.horizontalAdvance(sample), headerMetrics.horizontalAdvance(title)) + padding;
        table->setColumnWidth(i, column);
        width += column;
    }
    const QWidget* window = table->window();
    const QScreen* screen = window != nullptr && window->screen() != nullptr ? window->screen()
                                                                            : QGuiApplication::primaryScreen();
    const int available = screen != nullptr ? screen->availableGeometry().width() - 60 : width;
    table->setMinimumWidth(std::min(width, available));
    // A table narrower than its columns scrolls sideways: its scroll bar must not hide a row.
    const int scrollBar = width > available ? table->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() +
                            visibleRows * table->verticalHeader()->defaultSectionSize() +
                            2 * table->frameWidth() + scrollBar);
}
