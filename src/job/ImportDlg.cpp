#include "job/ImportDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/CsvLine.h"
#include "job/FieldCheck.h"

namespace {

struct FieldRow {
    ImportField Field;
    const char* Name;     // object name of its column choice
    const char* Caption;  // with its mnemonic
};

constexpr FieldRow kFieldRows[kImportFields] = {
    {ImportField::Name, "nameColumn", "部材名(&N)"},
    {ImportField::Width, "widthColumn", "幅(&W)"},
    {ImportField::Length, "lengthColumn", "長さ(&L)"},
    {ImportField::Thickness, "thicknessColumn", "厚み(&T)"},
    {ImportField::Count, "countColumn", "数量(&Q)"},
    {ImportField::Grain, "grainColumn", "木目(&G)"},
    {ImportField::Kind, "kindColumn", "種類(&K)"},
    {ImportField::Remark, "remarkColumn", "備考(&R)"},  {ImportField::EdgeTop, "edgeTopColumn", "エッジ上(&1)"},
    {ImportField::EdgeBottom, "edgeBottomColumn", "エッジ下(&2)"},
    {ImportField::EdgeLeft, "edgeLeftColumn", "エッジ左(&3)"},
    {ImportField::EdgeRight, "edgeRightColumn", "エッジ右(&4)"},
};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

CImportDlg::CImportDlg(const QString& title, const QString& source, ImportSheet sheet,
                       const ImportMapping& mapping, QWidget* parent, SheetMaker makeSheet, bool header,
                       const CEdgeList* edges)
    : QDialog(parent),
      m_sheet(std::move(sheet)),
      m_mapping(mapping),
      m_makeSheet(std::move(makeSheet)),
      m_edges(edges),
      m_header(header)
{
    setObjectName("importDialog");
    setWindowTitle(title);

    auto* layout = new QVBoxLayout(this);
    auto* sourceLabel = new QLabel(source, this);
    sourceLabel->setObjectName("sourceLabel");
    layout->addWidget(sourceLabel);
    if (m_makeSheet) {
        m_headerCheck = new QCheckBox("1行目は見出し(&H)", this);
        m_headerCheck->setObjectName("headerCheck");
        m_headerCheck->setChecked(m_header);
        connect(m_headerCheck, &QCheckBox::toggled, this, [this](bool checked) {
            m_header = checked;
            m_sheet = m_makeSheet(checked);
            // Titles change with the header row: a guess from them, or nothing for untitled cells.
            m_mapping = GuessMapping(m_sheet.Header);
            FillColumnChoices();
            Update();
        });
        layout->addWidget(m_headerCheck);
    }

    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < kImportFields; ++i) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(kFieldRows[i].Name);
        auto* label = new QLabel(kFieldRows[i].Caption, this);
        label->setBuddy(combo);
        const int row = static_cast<int>(i % 4);
        const int column = static_cast<int>(i / 4) * 2;
        grid->addWidget(label, row, column);
        grid->addWidget(combo, row, column + 1);
        connect(combo, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling) {
                TakeChoices();
                Update();
            }
        });
        m_columns[i] = combo;
    }
    m_grainReading = new QComboBox(this);
    m_grainReading->setObjectName("grainReading");
    m_grainReading->addItems(
        {"はい・○・1 = 横置きしない（木目あり）", "はい・○・1 = 横置きしてよい（回転可）"});
    auto* grainLabel = new QLabel("木目の読み方(&Y)", this);
    grainLabel->setBuddy(m_grainReading);
    grid->addWidget(grainLabel, 4, 0);
    grid->addWidget(m_grainReading, 4, 1, 1, 3);
    m_thickness = new QLineEdit(this);
    m_thickness->setObjectName("defaultThickness");
    m_thickness->setMaximumWidth(100);
    m_thickness->setAlignment(Qt::AlignRight);
    auto* thicknessLabel = new QLabel("厚みの列がないときの厚み(&D)", this);
    thicknessLabel->setBuddy(m_thickness);
    auto* thicknessRow = new QHBoxLayout;
    thicknessRow->addWidget(m_thickness);
    thicknessRow->addWidget(new QLabel("mm", this));
    thicknessRow->addStretch();
    grid->addWidget(thicknessLabel, 5, 0, 1, 2);
    grid->addLayout(thicknessRow, 5, 2, 1, 2);
    m_kind = new QLineEdit(this);
    m_kind->setObjectName("defaultKind");
    m_kind->setMaximumWidth(200);
    auto* kindLabel = new QLabel("種類の列がないときの種類(&M)", this);
    kindLabel->setBuddy(m_kind);
    grid->addWidget(kindLabel, 6, 0, 1, 2);
    grid->addWidget(m_kind, 6, 2, 1, 2);
    connect(m_grainReading, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling) {
            TakeChoices();
            Update();
        }
    });
    for (QLineEdit* edit : {m_thickness, m_kind}) {
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (!m_filling) {
                TakeChoices();
                Update();
            }
        });
    }
    layout->addLayout(grid);

    m_preview = new QTableWidget(this);
    m_preview->setObjectName("previewTable");
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->setMinimumSize(720, 260);
    layout->addWidget(m_preview);

    m_note = new QLabel(this);
    m_note->setObjectName("noteLabel");
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    m_summary = new QLabel(this);
    m_summary->setObjectName("summaryLabel");
    layout->addWidget(m_summary);
    m_errors = new QPlainTextEdit(this);
    m_errors->setObjectName("errorList");
    m_errors->setReadOnly(true);
    m_errors->setMaximumHeight(110);
    m_errors->setTabChangesFocus(true);
    layout->addWidget(m_errors);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton("取り込む", QDialogButtonBox::AcceptRole);
    m_ok->setObjectName("okButton");
    auto* cancel = buttons->addButton("キャンセル", QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    FillColumnChoices();
    Update();
    m_columns[0]->setFocus();
}

void CImportDlg::FillColumnChoices()
{
    m_filling = true;
    for (std::size_t i = 0; i < kImportFields; ++i) {
        QComboBox* combo = m_columns[i];
        combo->clear();
        combo->addItem("（なし）", -1);
        for (std::size_t column = 0; column < m_sheet.ColumnCount(); ++column) {
            combo->addItem(QString("%1: %2").arg(column + 1).arg(Text(m_sheet.ColumnTitle(column))),
                           static_cast<int>(column));
        }
        combo->setCurrentIndex(std::max(0, combo->findData(m_mapping.Column[i])));
    }
    m_grainReading->setCurrentIndex(m_mapping.GrainIsRotation ? 1 : 0);
    m_thickness->setText(m_mapping.Thickness > 0 ? Text(TenthsToFieldText(m_mapping.Thickness)) : QString());
    m_kind->setText(Text(m_mapping.Kind));
    m_filling = false;
}

void CImportDlg::TakeChoices()
{
    for (std::size_t i = 0; i < kImportFields; ++i) {
        m_mapping.Column[i] = m_columns[i]->currentData().toInt();
    }
    m_mapping.GrainIsRotation = m_grainReading->currentIndex() == 1;
    std::int32_t thickness = 0;
    const std::string text = m_thickness->text().toStdString();
    m_mapping.Thickness =
        ReadTenths(text, thickness) == NumberText::Ok && thickness > 0 && thickness <= kMaxLengthTenths
            ? thickness
            : 0;
    m_mapping.Kind = m_kind->text().trimmed().toStdString();
}

void CImportDlg::Update()
{
    const bool thicknessColumn = m_mapping[ImportField::Thickness] >= 0;
    m_thickness->setEnabled(!thicknessColumn);
    m_kind->setEnabled(m_mapping[ImportField::Kind] < 0);
    m_grainReading->setEnabled(m_mapping[ImportField::Grain] >= 0);

    // The preview: each column titled with the field it gives.
    const std::size_t columns = m_sheet.ColumnCount();
    const std::size_t rows = std::min<std::size_t>(m_sheet.Rows.size(), kPreviewRows);
    m_preview->clear();
    m_preview->setColumnCount(static_cast<int>(columns));
    m_preview->setRowCount(static_cast<int>(rows));
    QStringList titles;
    for (std::size_t column = 0; column < columns; ++column) {
        const auto field =
            std::find(m_mapping.Column.begin(), m_mapping.Column.end(), static_cast<int>(column));
        const QString target =
            field == m_mapping.Column.end()
                ? QString("（取り込まない）")
                : QString("→ ") +
                      ImportFieldTitle(static_cast<ImportField>(field - m_mapping.Column.begin()));
        titles << Text(m_sheet.ColumnTitle(column)) + "\n" + target;
    }
    m_preview->setHorizontalHeaderLabels(titles);
    QStringList lines;
    for (std::size_t row = 0; row < rows; ++row) {
        const ImportSheet::Row& sheetRow = m_sheet.Rows[row];
        lines << QString::number(sheetRow.Line);
        for (std::size_t column = 0; column < sheetRow.Cells.size(); ++column) {
            auto* item = new QTableWidgetItem(Text(sheetRow.Cells[column]));
            if (std::find(m_mapping.Column.begin(), m_mapping.Column.end(), static_cast<int>(column)) ==
                m_mapping.Column.end()) {
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            }
            m_preview->setItem(static_cast<int>(row), static_cast<int>(column), item);
        }
    }
    m_preview->setVerticalHeaderLabels(lines);
    m_preview->resizeColumnsToContents();

    const std::string missing = MissingFields(m_mapping);
    m_note->setText(Text(ImportNote(m_sheet, m_mapping)));
    m_imported = missing.empty() ? ImportRows(m_sheet, m_mapping, m_edges) : ImportedParts{};
    QString errors;
    for (const ImportRowError& error : m_imported.Errors) {
        errors += QString("%1行目: %2\n").arg(error.Line).arg(Text(error.Reason));
    }
    m_errors->setPlainText(errors.trimmed());
    m_errors->setVisible(!m_imported.Errors.empty());
    if (!missing.empty()) {
        m_summary->setText(Text(missing + " の列を選んでください。" +
                                (missing.find("厚み") != std::string::npos
                                     ? "厚みは列の代わりに、すべての部材の厚さを入れることもできます。"
                                     : "")));
    } else if (m_sheet.Rows.empty()) {
        m_summary->setText("取り込む行がありません");
    } else {
        m_summary->setText(QString("取り込める行: %1（%2 枚）、取り込めない行: %3")
                               .arg(m_imported.Parts.size())
                               .arg(m_imported.Pieces)
                               .arg(m_imported.Errors.size()));
    }
    m_ok->setEnabled(!m_imported.Parts.empty());
    m_ok->setText(m_imported.Errors.empty() ? "取り込む" : "正しい行だけ取り込む");
}
