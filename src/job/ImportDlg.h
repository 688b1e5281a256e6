#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "job/PartsImport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// 部材の取り込み: the first rows of a sheet, a column chosen for every field of a part (guessed or
// remembered, changed by the user), the columns left out and the rows that cannot be taken with
// their line and reason. 取り込む takes the good rows; キャンセル takes none.
class CImportDlg : public QDialog {
    Q_OBJECT
public:
    // Cells pasted: makeSheet(header) gives the sheet with or without a header row, and the
    // dialog offers the choice ("1行目は見出し").
    using SheetMaker = std::function<ImportSheet(bool header)>;

    CImportDlg(const QString& title, const QString& source, ImportSheet sheet, const ImportMapping& mapping,
               QWidget* parent = nullptr, SheetMaker makeSheet = {}, bool header = true,
               const CEdgeList* edges = nullptr);

    const ImportSheet& Sheet() const { return m_sheet; }
    const ImportMapping& Mapping() const { return m_mapping; }
    // The good rows of the sheet through the mapping.
    const ImportedParts& Imported() const { return m_imported; }
    bool HeaderRow() const { return m_header; }

    static constexpr int kPreviewRows = 20;

private:
    void FillColumnChoices();
    void TakeChoices();
    void Update();

    ImportSheet m_sheet;
    ImportMapping m_mapping;
    ImportedParts m_imported;
    SheetMaker m_makeSheet;
    const CEdgeList* m_edges;  // the codes the band columns may name
    bool m_header = true;
    bool m_filling = false;

    std::array<QComboBox*, kImportFields> m_columns{};
    QComboBox* m_grainReading = nullptr;
    QLineEdit* m_thickness = nullptr;
    QLineEdit* m_kind = nullptr;
    QCheckBox* m_headerCheck = nullptr;
    QTableWidget* m_preview = nullptr;
    QLabel* m_note = nullptr;
    QLabel* m_summary = nullptr;
    QPlainTextEdit* m_errors = nullptr;
    QPushButton* m_ok = nullptr;
};
