#include "job/GenbanDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "job/FieldCheck.h"
#include "job/ListEditor.h"

namespace {

struct NumberField {
    int Field;  // GenbanField
    const char* Edit;
    const char* Button;
    const char* Caption;
    const char* Unit;
};

constexpr NumberField kSizes[] = {
    {static_cast<int>(GenbanField::Width), "widthEdit", "widthButton", "横幅", "mm"},
    {static_cast<int>(GenbanField::Height), "heightEdit", "heightButton", "縦幅", "mm"},
    {static_cast<int>(GenbanField::Thickness), "thicknessEdit", "thicknessButton", "厚さ", "mm"},
    {static_cast<int>(GenbanField::Price), "priceEdit", "priceButton", "単価", "円"},
    {static_cast<int>(GenbanField::Count), "countEdit", "countButton", "枚数", "枚"},
};

constexpr NumberField kTrims[] = {
    {static_cast<int>(GenbanField::TrimTop), "trimTopEdit", "trimTopButton", "上", "mm"},
    {static_cast<int>(GenbanField::TrimBottom), "trimBottomEdit", "trimBottomButton", "下", "mm"},
    {static_cast<int>(GenbanField::TrimLeft), "trimLeftEdit", "trimLeftButton", "左", "mm"},
    {static_cast<int>(GenbanField::TrimRight), "trimRightEdit", "trimRightButton", "右", "mm"},
};

}  // namespace

CGenbanInDlg::CGenbanInDlg(CGenban& board, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_board(board), m_prompt(prompt)
{
    setObjectName("boardInputDialog");
    setWindowTitle("原板");
    const GenbanInput input = GenbanInput::From(board);
    const std::string* texts[] = {&input.Name,     &input.Width,    &input.Height,   &input.Thickness,
                                  &input.Price,    &input.Count,    &input.Trims[0], &input.Trims[1],
                                  &input.Trims[2], &input.Trims[3], &input.Kind,     &input.Remark};
    for (std::size_t i = 0; i < m_edits.size(); ++i) {
        m_edits[i] = new QLineEdit(QString::fromStdString(*texts[i]), this);
    }
    QLineEdit* name = m_edits[static_cast<int>(GenbanField::Name)];
    QLineEdit* kind = m_edits[static_cast<int>(GenbanField::Kind)];
    QLineEdit* remark = m_edits[static_cast<int>(GenbanField::Remark)];
    name->setObjectName("nameEdit");
    kind->setObjectName("kindEdit");
    remark->setObjectName("remarkEdit");
    name->setMinimumWidth(QFontMetrics(name->font()).horizontalAdvance("12345678901234567890") + 12);

    // A number row: the calculator button with the field's caption, the field, the unit.
    auto addNumber = [this](QGridLayout* grid, const NumberField& field, int row, int column) {
        QLineEdit* edit = m_edits[field.Field];
        edit->setObjectName(field.Edit);
        grid->addWidget(CalculatorButton(edit, field.Button, field.Caption, m_prompt, this), row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(new QLabel(field.Unit, this), row, column + 2);
    };

    auto* top = new QGridLayout;
    top->addWidget(new QLabel("原板名", this), 0, 0);
    top->addWidget(name, 0, 1, 1, 5);
    addNumber(top, kSizes[0], 1, 0);
    addNumber(top, kSizes[1], 2, 0);
    addNumber(top, kSizes[2], 3, 0);
    addNumber(top, kSizes[3], 1, 3);
    addNumber(top, kSizes[4], 2, 3);

    auto* trimBox = new QGroupBox("トリミング量", this);
    auto* trims = new QGridLayout(trimBox);
    addNumber(trims, kTrims[0], 0, 0);
    addNumber(trims, kTrims[1], 1, 0);
    addNumber(trims, kTrims[2], 0, 3);
    addNumber(trims, kTrims[3], 1, 3);

    auto* texts2 = new QGridLayout;
    texts2->addWidget(new QLabel("種類", this), 0, 0);
    texts2->addWidget(kind, 0, 1);
    texts2->addWidget(new QLabel("備考", this), 1, 0);
    texts2->addWidget(remark, 1, 1);

    auto* priorityBox = new QGroupBox("使用優先度", this);
    auto* priorities = new QHBoxLayout(priorityBox);
    const char* const captions[] = {"標準", "優先", "最優先"};
    const char* const names[] = {"standardRadio", "preferredRadio", "mostPreferredRadio"};
    for (int i = 0; i < 3; ++i) {
        m_priority[i] = new QRadioButton(captions[i], priorityBox);
        m_priority[i]->setObjectName(names[i]);
        priorities->addWidget(m_priority[i]);
    }
    m_priority[input.Priority >= 0 && input.Priority <= 2 ? input.Priority : 0]->setChecked(true);

    QDialogButtonBox* box = AddOkCancel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(trimBox);
    layout->addLayout(texts2);
    layout->addWidget(priorityBox);
    layout->addWidget(box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Field to field with Tab in the order of the checks; the calculator buttons come last.
    std::vector<QWidget*> order(m_edits.begin(), m_edits.end());
    order.push_back(m_priority[0]);
    order.push_back(box->button(QDialogButtonBox::Ok));
    order.push_back(box->button(QDialogButtonBox::Cancel));
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    name->setFocus();
}

void CGenbanInDlg::accept()
{
    GenbanInput input;
    std::string* texts[] = {&input.Name,     &input.Width,    &input.Height,   &input.Thickness,
                            &input.Price,    &input.Count,    &input.Trims[0], &input.Trims[1],
                            &input.Trims[2], &input.Trims[3], &input.Kind,     &input.Remark};
    for (std::size_t i = 0; i < m_edits.size(); ++i) {
        *texts[i] = m_edits[i]->text().toStdString();
    }
    input.Priority = m_priority[2]->isChecked() ? 2 : m_priority[1]->isChecked() ? 1 : 0;
    const GenbanField refused = input.Apply(m_board, m_prompt);
    if (refused != GenbanField::None) {
        QLineEdit* field = m_edits[static_cast<int>(refused)];
        field->setFocus();
        field->selectAll();
        return;
    }
    QDialog::accept();
}

const std::vector<TextColumn>& GenbanColumns()
{
    static const std::vector<TextColumn> columns = {
        {"No.", "9999  "},          {"原板名", "12345678901234567890  "},
        {"種類", "１２３４５６  "}, {"枚数", "9999  "},
        {"横幅", "99999.9  "},      {"縦幅", "99999.9  "},
        {"厚さ", "9999.9  "},       {"単価", "999,999  "},
        {"優先", "しない  "},       {"上ﾄﾘﾑ", "99999.9  "},
        {"下ﾄﾘﾑ", "99999.9  "},     {"左ﾄﾘﾑ", "99999.9  "},
        {"右ﾄﾘﾑ", "99999.9  "},     {"備考", "１２３４５６  "},
    };
    return columns;
}

std::string GenbanCellText(const CGenban& board, int column)
{
    switch (column) {
        case 0: return FormatCell("%3d", board.Index + 1);
        case 1: return board.Name;
        case 2: return board.Kind;
        case 3: return FormatCell("%4d", board.Count);
        case 4: return FormatCell("%7.1f", board.Width / 10.0);
        case 5: return FormatCell("%7.1f", board.Height / 10.0);
        case 6: return FormatCell("%6.1f", board.Thickness / 10.0);
        case 7: return FormatCell("%6d", board.Price);
        case 8: return board.Priority == 0 ? " 標準" : board.Priority == 2 ? "最優先" : " 優先";
        case 9: return FormatCell("%7.1f", board.TrimTop / 10.0);
        case 10: return FormatCell("%7.1f", board.TrimBottom / 10.0);
        case 11: return FormatCell("%7.1f", board.TrimLeft / 10.0);
        case 12: return FormatCell("%7.1f", board.TrimRight / 10.0);
        case 13: return board.Remark;
        default: return "";
    }
}

int EditList(CGenbanList& list, const JobDialogContext& context)
{
    Prompt& prompt = context.AppPrompt;
    GenbanListEditor editor(list, context.AppSettings, prompt, context.Chooser, [&prompt](CGenban& board) {
        CGenbanInDlg input(board, prompt, QApplication::activeModalWidget());
        return input.exec() == QDialog::Accepted;
    });
    CListDlg dialog(
        "原板設定", GenbanColumns(),
        [&list](int row, int column) { return GenbanCellText(list.Items.at(row), column); }, editor, true,
        context.ListFont, context.Parent);
    dialog.setObjectName("boardsListDialog");
    dialog.exec();
    return editor.Changed();
}
