#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

class QFont;
class QTableView;

// A column of a result or selection list: its title and the widest text it shows.
struct TextColumn {
    const char* Title;
    const char* Sample;
};

// Rows of texts produced on demand ("owner data"): nothing is copied, the texts come from the
// records each time a cell is drawn.
class TextTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using RowCount = std::function<int()>;
    using CellText = std::function<std::string(int row, int column)>;

    TextTableModel(std::vector<TextColumn> columns, RowCount rows, CellText cell, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Header data role of a column's sample text.
    static constexpr int kSampleRole = Qt::UserRole;

    // After the rows or their order changed.
    void Refresh();

private:
    std::vector<TextColumn> m_columns;
    RowCount m_rows;
    CellText m_cell;
};

// A list as the dialogs show theirs: the list font, full-row selection, grid lines, no editing,
// each column as wide as its sample text (or its title) and the table no wider than the screen,
// `visibleRows` rows high. The table's model is set first.
void SetUpTextTable(QTableView* table, const QFont& listFont, int visibleRows);
