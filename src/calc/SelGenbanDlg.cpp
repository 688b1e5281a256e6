#include "calc/SelGenbanDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "job/GenbanDlg.h"
#include "job/ListDlg.h"
#include "platform/qt/TextTable.h"

namespace {

struct CheckRow {
    const char* Caption;
    const char* Name;
    int SelGenbanForm::*Value;
};

// In the order of m_checks.
constexpr CheckRow kChecks[] = {
    {"端材部分へ２次部材を配置する", "useYBuzaiCheck", &SelGenbanForm::UseYBuzai},
    {"原板「単価」を配置条件から外す", "noRateCheck", &SelGenbanForm::NoRateFlg},
    {"原板「優先度」を配置条件から外す", "noUsenCheck", &SelGenbanForm::NoUsenFlg},
    {"ブロックの中に異なる部材を含める", "useCal3Check", &SelGenbanForm::UseCal3},
    {"大きな部材を考慮する", "useCal4Check", &SelGenbanForm::UseCal4},
    {"端材部分を少なくする", "use2ko1Check", &SelGenbanForm::Use2ko1},
    {"パターンを少なくする", "useSmallPatCheck", &SelGenbanForm::UseSmallPat},
    {"優先する部材を変えて試す", "useMenCalCheck", &SelGenbanForm::UseMenCal},
    {"さらに探索する（時間がかかります）", "useSearchCheck", &SelGenbanForm::UseSearch},
    {"同じ寸法の部材をまとめて速く計算する", "mergeRowsCheck", &SelGenbanForm::MergeRows},
    {"同じ価格なら切断の少ない方", "fewerCutsOnTieCheck", &SelGenbanForm::FewerCutsOnTie},
};
enum {
    kUseYBuzai,
    kNoRate,
    kNoUsen,
    kUseCal3,
    kUseCal4,
    kUse2ko1,
    kUseSmallPat,
    kUseMenCal,
    kUseSearch,
    kMergeRows,
    kFewerCutsOnTie
};

}  // namespace

CSelGenbanDlg::CSelGenbanDlg(SelGenbanForm& form, Prompt& prompt, const QFont& listFont, QWidget* parent)
    : QDialog(parent), m_form(form), m_prompt(prompt)
{
    setObjectName("selGenbanDialog");
    setWindowTitle("使用原板選択");

    m_model = new TextTableModel(
        GenbanColumns(), [this] { return static_cast<int>(m_form.RowCount()); },
        [this](int row, int column) {
            return GenbanCellText(m_form.RowBoard(static_cast<std::size_t>(row)), column);
        },
        this);
    m_table = new QTableView(this);
    m_table->setObjectName("boardsTable");
    m_table->setModel(m_model);
    SetUpTextTable(m_table, listFont, 10);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->horizontalHeader()->setSectionsClickable(true);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_form.SortByColumn(column, SelectedRows());
        m_model->Refresh();
        ShowSelection();
    });
    auto* selectAll = new QPushButton("全選択", this);
    selectAll->setObjectName("selectAllButton");
    selectAll->setAutoDefault(false);
    connect(selectAll, &QPushButton::clicked, this, [this] {
        m_form.SelectAll();
        ShowSelection();
        m_table->setFocus();
    });

    for (std::size_t i = 0; i < m_checks.size(); ++i) {
        m_checks[i] = new QCheckBox(kChecks[i].Caption, this);
        m_checks[i]->setObjectName(kChecks[i].Name);
        m_checks[i]->setChecked(m_form.*kChecks[i].Value != 0);
    }
    m_checks[kMergeRows]->setToolTip(
        "寸法と横置きの同じ部材の行を一つにまとめて計算します。行の多い一覧では速くなりますが、"
        "配置は行ごとに計算したときと異なることがあります。");
    m_checks[kFewerCutsOnTie]->setToolTip(
        "金額と歩留まりの同じ配置が複数あるとき、切断回数の少ない方を結果にします。");
    m_kerf = new QLineEdit(QString::fromStdString(m_form.NokoHabaText), this);
    m_kerf->setObjectName("kerfEdit");
    m_limit = new QLineEdit(QString::fromStdString(m_form.MaxCutSizeText), this);
    m_limit->setObjectName("cutLimitEdit");
    QPushButton* kerfButton = CalculatorButton(m_kerf, "kerfCalculatorButton", "切れ幅", m_prompt, this);
    QPushButton* limitButton =
        CalculatorButton(m_limit, "cutLimitCalculatorButton", "切断限界", m_prompt, this);
    m_method = new QComboBox(this);
    m_method->setObjectName("methodCombo");
    for (const char* method : kMethods) {
        m_method->addItem(method);
    }
    m_method->setCurrentIndex(m_form.CutLV);
    connect(m_checks[kUseYBuzai], &QCheckBox::toggled, this, &CSelGenbanDlg::ApplyEnableRules);
    connect(m_method, &QComboBox::currentIndexChanged, this, &CSelGenbanDlg::ApplyEnableRules);

    auto* conditions = new QGroupBox("配置条件", this);
    auto* conditionGrid = new QGridLayout(conditions);
    conditionGrid->addWidget(m_checks[kUseYBuzai], 0, 0, 1, 4);
    conditionGrid->addWidget(m_checks[kNoRate], 1, 0, 1, 4);
    conditionGrid->addWidget(m_checks[kNoUsen], 2, 0, 1, 4);
    conditionGrid->addWidget(m_checks[kFewerCutsOnTie], 3, 0, 1, 4);
    conditionGrid->addWidget(kerfButton, 4, 0);
    conditionGrid->addWidget(m_kerf, 4, 1);
    conditionGrid->addWidget(new QLabel("mm", conditions), 4, 2);
    conditionGrid->addWidget(limitButton, 5, 0);
    conditionGrid->addWidget(m_limit, 5, 1);
    conditionGrid->addWidget(new QLabel("mm", conditions), 5, 2);
    conditionGrid->addWidget(new QLabel("加工方法", conditions), 6, 0);
    conditionGrid->addWidget(m_method, 6, 1, 1, 2);
    conditionGrid->setColumnStretch(3, 1);

    auto* extra = new QGroupBox("追加計算", this);
    auto* extraLayout = new QVBoxLayout(extra);
    for (const int i : {kUseCal3, kUseCal4, kUse2ko1, kUseSmallPat, kUseMenCal, kUseSearch, kMergeRows}) {
        extraLayout->addWidget(m_checks[static_cast<std::size_t>(i)]);
    }
    extraLayout->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* run = buttons->addButton("配置実行", QDialogButtonBox::AcceptRole);
    run->setObjectName("runButton");
    run->setDefault(true);
    QPushButton* cancel = buttons->addButton("キャンセル", QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelGenbanDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSelGenbanDlg::reject);

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(selectAll);
    listRow->addStretch();
    auto* options = new QHBoxLayout;
    options->addWidget(conditions);
    options->addWidget(extra);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("使用する原板を選択してください（複数選択可）", this));
    layout->addWidget(m_table);
    layout->addLayout(listRow);
    layout->addLayout(options);
    layout->addWidget(buttons);

    ShowSelection();
    ApplyEnableRules();
    m_table->setFocus();
}

std::vector<std::size_t> CSelGenbanDlg::SelectedRows() const
{
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CSelGenbanDlg::ShowSelection()
{
    QItemSelection selection;
    for (const std::size_t row : m_form.SelectedRows()) {
        const int r = static_cast<int>(row);
        selection.select(m_model->index(r, 0), m_model->index(r, m_model->columnCount() - 1));
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void CSelGenbanDlg::ApplyEnableRules()
{
    ReadControls();
    m_checks[kUse2ko1]->setEnabled(m_form.FewerOffcutsEnabled());
    m_checks[kUseCal3]->setEnabled(m_form.MixedBlocksEnabled());
}

void CSelGenbanDlg::ReadControls()
{
    for (std::size_t i = 0; i < m_checks.size(); ++i) {
        m_form.*kChecks[i].Value = m_checks[i]->isChecked() ? 1 : 0;
    }
    m_form.CutLV = m_method->currentIndex();
    m_form.NokoHabaText = m_kerf->text().toStdString();
    m_form.MaxCutSizeText = m_limit->text().toStdString();
}

void CSelGenbanDlg::accept()
{
    ReadControls();
    switch (m_form.Accept(SelectedRows(), m_prompt)) {
        case SelGenbanForm::Field::None: QDialog::accept(); return;
        case SelGenbanForm::Field::Boards: m_table->setFocus(); return;
        case SelGenbanForm::Field::NokoHaba:
            m_kerf->setFocus();
            m_kerf->selectAll();
            return;
        case SelGenbanForm::Field::MaxCutSize:
            m_limit->setFocus();
            m_limit->selectAll();
            return;
    }
}
