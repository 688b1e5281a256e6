#include "job/EdgeDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/CsvLine.h"
#include "base/Format.h"
#include "job/FieldCheck.h"
#include "job/ListEditor.h"
#include "platform/Prompt.h"

namespace {

constexpr NumberRule kEdgeLength{false, 0.0, 9999.9, "0", "9999.9"};
constexpr NumberRule kEdgePrice{true, 0, 999999, "0", "999999"};

struct EdgeField {
    const char* Name;
    const char* Caption;
    const NumberRule* Rule;  // null: text
    std::int32_t CEdge::*Number;
    const char* Unit;
};
const EdgeField kFields[6] = {
    {"codeEdit", "記号(&C)", nullptr, nullptr, ""},
    {"nameEdit", "名前(&N)", nullptr, nullptr, ""},
    {"thicknessEdit", "厚さ(&T)", &kEdgeLength, &CEdge::Thickness, "mm"},
    {"heightEdit", "高さ(&H)", &kEdgeLength, &CEdge::Height, "mm"},
    {"priceEdit", "単価(&P)", &kEdgePrice, &CEdge::Price, "円/m"},
    {"allowanceEdit", "足し長さ(&A)", &kEdgeLength, &CEdge::Allowance, "mm（辺ごと）"},
};

const std::vector<TextColumn>& EdgeColumns()
{
    static const std::vector<TextColumn> columns = {
        {"No.", "9999  "},    {"記号", "記号  "},   {"名前", "12345678901234567890  "}, {"厚さ", "9999.9  "},
        {"高さ", "9999.9  "}, {"単価", "999999  "}, {"足し長さ", "足し長さ  "},
    };
    return columns;
}

std::string EdgeCell(const CEdge& edge, int column)
{
    switch (column) {
        case 0: return FormatCell("%3d", edge.Index + 1);
        case 1: return edge.Code;
        case 2: return edge.Name;
        case 3: return FormatCell("%6.1f", edge.Thickness / 10.0);
        case 4: return FormatCell("%6.1f", edge.Height / 10.0);
        case 5: return FormatCell("%6d", edge.Price);
        case 6: return FormatCell("%6.1f", edge.Allowance / 10.0);
        default: return "";
    }
}

}  // namespace

CEdgeInDlg::CEdgeInDlg(CEdge& edge, const CEdgeList& list, int self, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_edge(edge), m_list(list), m_self(self), m_prompt(prompt)
{
    setObjectName("edgeInputDialog");
    setWindowTitle("エッジ材");
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        const EdgeField& field = kFields[i];
        const std::string text = field.Number == nullptr ? (i == 0 ? edge.Code : edge.Name)
                                 : field.Rule->Integer   ? std::to_string(edge.*field.Number)
                                                         : TenthsToFieldText(edge.*field.Number);
        auto* edit = new QLineEdit(QString::fromStdString(text), this);
        edit->setObjectName(field.Name);
        auto* label = new QLabel(field.Caption, this);
        label->setBuddy(edit);
        grid->addWidget(label, static_cast<int>(i), 0);
        grid->addWidget(edit, static_cast<int>(i), 1);
        grid->addWidget(new QLabel(field.Unit, this), static_cast<int>(i), 2);
        if (field.Rule != nullptr) {
            edit->setAlignment(Qt::AlignRight);
            edit->setMaximumWidth(120);
        }
        m_edits[i] = edit;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(AddOkCancel(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_edits[0]->setFocus();
}

void CEdgeInDlg::accept()
{
    CEdge entered = m_edge;
    entered.Code = m_edits[0]->text().trimmed().toStdString();
    entered.Name = m_edits[1]->text().toStdString();
    const auto refuse = [this](std::size_t field, const std::string& message) {
        m_prompt.ShowError(message);
        m_edits[field]->setFocus();
        m_edits[field]->selectAll();
    };
    for (std::size_t i = 2; i < std::size(kFields); ++i) {
        double value = 0.0;
        const std::string message = CheckNumber(*kFields[i].Rule, m_edits[i]->text().toStdString(), value);
        if (!message.empty()) {
            return refuse(i, message);
        }
        entered.*kFields[i].Number =
            kFields[i].Rule->Integer ? static_cast<std::int32_t>(value) : MillimetresToTenths(value);
    }
    if (const std::string message = CheckFileText("名前", entered.Name); !message.empty()) {
        return refuse(1, message);
    }
    if (const std::string wrong = m_list.CheckRecord(entered, m_self); !wrong.empty()) {
        return refuse(0, wrong + "。");
    }
    m_edge = entered;
    QDialog::accept();
}

int EditList(CEdgeList& list, const JobDialogContext& context)
{
    Prompt& prompt = context.AppPrompt;
    // A band being edited has its row as Index; a new one, a copy of the template, has -1.
    list.Template.Index = -1;
    EdgeListEditor editor(list, context.AppSettings, prompt, context.Chooser, [&](CEdge& edge) {
        CEdgeInDlg input(edge, list, edge.Index, prompt, QApplication::activeModalWidget());
        return input.exec() == QDialog::Accepted;
    });
    CListDlg dialog(
        "エッジ材設定", EdgeColumns(),
        [&list](int row, int column) { return EdgeCell(list.Items.at(row), column); }, editor, true,
        context.ListFont, context.Parent);
    dialog.setObjectName("edgeListDialog");
    dialog.exec();
    return editor.Changed();
}

std::string EdgeCellText(const CBuzai& part)
{
    const std::array<const std::string*, 4> codes = PartEdges(part);
    if (codes[0]->empty() && codes[1]->empty() && codes[2]->empty() && codes[3]->empty()) {
        return "";
    }
    std::string text;
    for (std::size_t side = 0; side < 4; ++side) {
        text += (side > 0 ? "·" : "") + (codes[side]->empty() ? std::string("-") : *codes[side]);
    }
    return text;
}

void FillEdgeChoices(QComboBox* combo, const CEdgeList* edges, const std::string& code)
{
    combo->clear();
    combo->addItem("なし", QString());
    if (edges != nullptr) {
        for (const CEdge& edge : edges->Items) {
            combo->addItem(QString::fromStdString(edge.Code + ": " + edge.Name),
                           QString::fromStdString(edge.Code));
        }
    }
    const QString wanted = QString::fromStdString(code);
    int index = combo->findData(wanted);
    if (index < 0) {
        combo->addItem(QString::fromStdString(code + "（エッジ材にありません）"), wanted);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}
