#include "job/BuzaiDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Settings.h"
#include "job/FieldCheck.h"
#include "job/EdgeDlg.h"
#include "job/ImportDlg.h"
#include "job/ListEditor.h"

CBuzaiInDlg::CBuzaiInDlg(CBuzai& part, Prompt& prompt, QWidget* parent, const CEdgeList* edges)
    : QDialog(parent), m_part(part), m_prompt(prompt)
{
    setObjectName("partInputDialog");
    setWindowTitle("部材");
    const BuzaiInput input = BuzaiInput::From(part);

    auto* grid = new QGridLayout;
    m_name = AddEdit("nameEdit", input.Name);
    m_kind = AddEdit("kindEdit", input.Kind);
    m_width = AddEdit("widthEdit", input.Width);
    m_height = AddEdit("heightEdit", input.Height);
    m_thickness = AddEdit("thicknessEdit", input.Thickness);
    m_count = AddEdit("countEdit", input.Count);
    m_remark = AddEdit("remarkEdit", input.Remark);
    m_noTurn = new QCheckBox("横置きしない", this);
    m_noTurn->setObjectName("noTurnCheck");
    m_noTurn->setChecked(input.NoTurn);

    grid->addWidget(new QLabel("部材名", this), 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);
    grid->addWidget(new QLabel("種類", this), 1, 0);
    grid->addWidget(m_kind, 1, 1, 1, 2);
    struct NumberRow {
        const char* Button;
        const char* Caption;
        QLineEdit* Edit;
        const char* Unit;
    };
    const NumberRow numbers[] = {
        {"widthButton", "横幅", m_width, "mm"},
        {"heightButton", "縦幅", m_height, "mm"},
        {"thicknessButton", "厚さ", m_thickness, "mm"},
        {"countButton", "枚数", m_count, "枚"},
    };
    int row = 2;
    for (const NumberRow& number : numbers) {
        grid->addWidget(CalculatorButton(number.Edit, number.Button, number.Caption, m_prompt, this), row, 0);
        grid->addWidget(number.Edit, row, 1);
        grid->addWidget(new QLabel(number.Unit, this), row, 2);
        ++row;
    }
    grid->addWidget(m_noTurn, row++, 1, 1, 2);
    grid->addWidget(new QLabel("備考", this), row, 0);
    grid->addWidget(m_remark, row, 1, 1, 2);
    ++row;
    // The bands of the four edges: 上 and 下 run along 横幅, 左 and 右 along 縦幅.
    static const char* const kSides[4][2] = {{"edgeTopCombo", "エッジ上"},
                                             {"edgeBottomCombo", "エッジ下"},
                                             {"edgeLeftCombo", "エッジ左"},
                                             {"edgeRightCombo", "エッジ右"}};
    const std::array<const std::string*, 4> codes = PartEdges(part);
    for (std::size_t side = 0; side < 4; ++side) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(kSides[side][0]);
        FillEdgeChoices(combo, edges, *codes[side]);
        grid->addWidget(new QLabel(kSides[side][1], this), row, 0);
        grid->addWidget(combo, row, 1, 1, 2);
        m_edges[side] = combo;
        ++row;
    }
    grid->setColumnMinimumWidth(1, 120);

    QDialogButtonBox* box = AddOkCancel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_name->setMinimumWidth(QFontMetrics(m_name->font()).horizontalAdvance("12345678901234567890") + 12);

    // The fields first, then the calculator buttons: typing goes field to field with Tab.
    QWidget* order[] = {m_name,
                        m_kind,
                        m_width,
                        m_height,
                        m_thickness,
                        m_count,
                        m_noTurn,
                        m_remark,
                        m_edges[0],
                        m_edges[1],
                        m_edges[2],
                        m_edges[3],
                        box->button(QDialogButtonBox::Ok),
                        box->button(QDialogButtonBox::Cancel)};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    m_name->setFocus();
}

QLineEdit* CBuzaiInDlg::AddEdit(const char* name, const std::string& text)
{
    auto* edit = new QLineEdit(QString::fromStdString(text), this);
    edit->setObjectName(name);
    return edit;
}

void CBuzaiInDlg::accept()
{
    BuzaiInput input;
    input.Name = m_name->text().toStdString();
    input.Kind = m_kind->text().toStdString();
    input.Width = m_width->text().toStdString();
    input.Height = m_height->text().toStdString();
    input.Thickness = m_thickness->text().toStdString();
    input.Count = m_count->text().toStdString();
    input.NoTurn = m_noTurn->isChecked();
    input.Remark = m_remark->text().toStdString();
    QLineEdit* const fields[] = {m_name, m_kind, m_width, m_height, m_thickness, m_count, m_remark};
    const BuzaiField refused = input.Apply(m_part, m_prompt);
    if (refused != BuzaiField::None) {
        QLineEdit* field = fields[static_cast<int>(refused)];
        field->setFocus();
        field->selectAll();
        return;
    }
    std::string* codes[4] = {&m_part.EdgeTop, &m_part.EdgeBottom, &m_part.EdgeLeft, &m_part.EdgeRight};
    for (std::size_t side = 0; side < 4; ++side) {
        *codes[side] = m_edges[side]->currentData().toString().toStdString();
    }
    QDialog::accept();
}

const std::vector<TextColumn>& BuzaiColumns()
{
    static const std::vector<TextColumn> columns = {
        {"No.", "9999  "},          {"部材名", "12345678901234567890  "},
        {"種類", "１２３４５６  "}, {"枚数", "9999  "},
        {"横幅", "99999.9  "},      {"縦幅", "99999.9  "},
        {"厚さ", "9999.9  "},       {"横置き", "横置き  "},
        {"備考", "１２３４５６  "}, {"エッジ", "AAAA·AAAA·  "},
    };
    return columns;
}

std::string BuzaiCellText(const CBuzai& part, int column)
{
    switch (column) {
        case 0: return FormatCell("%3d", part.Index + 1);
        case 1: return part.Name;
        case 2: return part.Kind;
        case 3: return FormatCell("%4d", part.Count);
        case 4: return FormatCell("%7.1f", part.Width / 10.0);
        case 5: return FormatCell("%7.1f", part.Height / 10.0);
        case 6: return FormatCell("%6.1f", part.Thickness / 10.0);
        case 7: return part.NoTurn ? "不" : "可";
        case 8: return part.Remark;
        case 9: return EdgeCellText(part);
        default: return "";
    }
}

namespace {

// The preview of a sheet; the parts the user takes, and the mapping remembered for its titles.
void PreviewAndInsert(const CBuzaiList& list, const JobDialogContext& context, BuzaiListEditor& editor,
                      const QString& source, ImportSheet sheet, CImportDlg::SheetMaker makeSheet = {},
                      bool header = true)
{
    static const std::vector<std::string> none;
    const ImportMapping mapping = StartingMapping(context.ImportMaps ? *context.ImportMaps : none, sheet);
    CImportDlg preview(QString(list.KindWord()) + "の取り込み", source, std::move(sheet), mapping,
                       QApplication::activeModalWidget(), std::move(makeSheet), header, context.Edges);
    if (preview.exec() != QDialog::Accepted || preview.Imported().Parts.empty()) {
        return;
    }
    if (context.ImportMaps != nullptr) {
        RememberMapping(*context.ImportMaps, SheetTitles(preview.Sheet()), preview.Mapping());
    }
    editor.Insert(preview.Imported().Parts);
}

void ImportFile(const CBuzaiList& list, const JobDialogContext& context, BuzaiListEditor& editor)
{
    FileDialogOptions options{"表計算のデータ (*.csv *.txt *.tsv)|*.csv;*.txt;*.tsv|すべてのファイル (*)|*||",
                              "csv",
                              list.IsSecondary ? context.AppSettings.YBuzaiFol : context.AppSettings.BuzaiFol,
                              std::string(list.KindWord()) + "の取り込み"};
    options.Kind = list.IsSecondary ? FileKind::SecondaryParts : FileKind::Parts;
    const std::optional<std::string> path = context.Chooser.OpenFile(options);
    if (!path) {
        return;
    }
    ImportSheet sheet;
    if (const TableProblem problem = ReadImportFile(*path, sheet); problem.Error != TableError::None) {
        context.AppPrompt.ShowError(list.KindWord() + ReadErrorText(problem));
        return;
    }
    const char* encoding = sheet.Encoding == TextReader::Encoding::Cp932 ? "Shift-JIS" : "UTF-8";
    const QString source =
        QString("ファイル: %1（%2、%3区切り）")
            .arg(QString::fromStdString(*path), encoding, sheet.Separator == '\t' ? "タブ" : "カンマ");
    PreviewAndInsert(list, context, editor, source, std::move(sheet));
}

// Cells copied from a spreadsheet: a first row whose titles give the width and the length is
// taken for the header.
void PasteCells(const CBuzaiList& list, const JobDialogContext& context, BuzaiListEditor& editor)
{
    const std::string text = QApplication::clipboard()->text().toStdString();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return;
    }
    const ImportSheet titled = SheetFromCells(text, true);
    const ImportMapping guess = GuessMapping(titled.Header);
    const bool header = guess[ImportField::Width] >= 0 && guess[ImportField::Length] >= 0;
    PreviewAndInsert(
        list, context, editor, "貼り付けたセル", SheetFromCells(text, header),
        [text](bool withHeader) { return SheetFromCells(text, withHeader); }, header);
}

}  // namespace

int EditList(CBuzaiList& list, const JobDialogContext& context)
{
    QWidget* parent = context.Parent;
    Prompt& prompt = context.AppPrompt;
    BuzaiListEditor editor(
        list, context.AppSettings, prompt, context.Chooser, [&prompt, &context](CBuzai& part) {
            CBuzaiInDlg input(part, prompt, QApplication::activeModalWidget(), context.Edges);
            return input.exec() == QDialog::Accepted;
        });
    std::vector<ListExtraButton> extras = {
        {"importButton", "取り込み...", [&] { ImportFile(list, context, editor); }},
        {"pasteButton", "貼り付け", [&] { PasteCells(list, context, editor); }, QKeySequence::Paste},
    };
    CListDlg dialog(
        list.IsSecondary ? "２次部材設定" : "部材設定", BuzaiColumns(),
        [&list](int row, int column) { return BuzaiCellText(list.Items.at(row), column); }, editor, false,
        context.ListFont, parent, std::move(extras));
    dialog.setObjectName(list.IsSecondary ? "secondaryPartsListDialog" : "partsListDialog");
    dialog.exec();
    return editor.Changed();
}
