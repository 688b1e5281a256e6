#include "result/RetDlg.h"

#include <QDialogButtonBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "base/CalcError.h"
#include "base/Settings.h"
#include "job/BuzaiDlg.h"
#include "job/Edge.h"
#include "job/GenbanDlg.h"
#include "result/EdgeTotals.h"
#include "result/LowerBound.h"
#include "result/Offcuts.h"
#include "result/PlanChoice.h"
#include "result/RetData.h"
#include "result/RetSummary.h"
#include "platform/qt/TextTable.h"
#include "result/UnplacedParts.h"

namespace {

// A row of the used boards: the board's record with the sheets cut in place of its count.
std::string UsedBoardCell(const CRetData& ret, int row, int column)
{
    const RET_GENBAN& entry = CheckedAt(ret.UsedBoards, row, "used board");
    CGenban board = ret.Board(entry.Number);
    board.Index = entry.Number;
    board.Count = entry.Sheets;
    return GenbanCellText(board, column);
}

// A row of a parts list: the part's record with the entry's count.
std::string PartEntryCell(const CRetData& ret, const std::vector<CAL_BUZAI>& entries, int row, int column)
{
    const CAL_BUZAI& entry = CheckedAt(entries, row, "part entry");
    const CBuzaiList* list = entry.Flag == 1 ? ret.YBuzaiList : ret.BuzaiList;
    if (list == nullptr) {
        throw CalcError("result without its parts list");
    }
    CBuzai part = CheckedAt(list->Items, entry.Number, "part");
    part.Index = entry.Number;
    part.Count = entry.Count;
    return BuzaiCellText(part, column);
}

// A list of the dialog, `rows` rows high at its first size.
// The used boards of a typical job (up to about 12) are seen without scrolling.
constexpr int kUsedBoardRows = 12;
constexpr int kPartRows = 5;

QTableView* AddList(QDialog* dialog, QVBoxLayout* layout, const char* caption, const char* name,
                    TextTableModel* model, const QFont& listFont, int rows)
{
    layout->addWidget(new QLabel(caption, dialog));
    auto* table = new QTableView(dialog);
    table->setObjectName(name);
    table->setModel(model);
    SetUpTextTable(table, listFont, rows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(table);
    return table;
}

}  // namespace

CRetDlg::CRetDlg(const CRetData& ret, const Settings& settings, Prompt& prompt, FileChooser& chooser,
                 const QFont& listFont, QWidget* parent, const CEdgeList* edges,
                 const std::vector<ResultPlan>* plans, std::size_t chosen)
    : QDialog(parent),
      m_ret(ret),
      m_settings(settings),
      m_prompt(prompt),
      m_chooser(chooser),
      m_chosen(chosen)
{
    setObjectName("retDialog");
    setWindowTitle("配置結果");

    auto* layout = new QVBoxLayout(this);
    if (ret.StoppedEarly) {
        QString text = "計算を途中で確定した結果です（終わった計算のうち最良のもの）。";
        for (const std::string& line : GroupProgressLines(ret)) {
            text += "\n" + QString::fromStdString(line);
        }
        auto* early = new QLabel(text, this);
        early->setObjectName("stoppedEarlyText");
        layout->addWidget(early);
    }
    auto* boards = new TextTableModel(
        GenbanColumns(), [this] { return static_cast<int>(m_ret.UsedBoards.size()); },
        [this](int row, int column) { return UsedBoardCell(m_ret, row, column); }, this);
    AddList(this, layout, "使用された原板", "usedBoardsTable", boards, listFont, kUsedBoardRows);
    auto* secondary = new TextTableModel(
        BuzaiColumns(), [this] { return static_cast<int>(m_ret.PlacedSecondary.size()); },
        [this](int row, int column) { return PartEntryCell(m_ret, m_ret.PlacedSecondary, row, column); },
        this);
    AddList(this, layout, "配置された２次部材", "placedSecondaryTable", secondary, listFont, kPartRows);
    auto* unplaced = new TextTableModel(
        BuzaiColumns(), [this] { return static_cast<int>(m_ret.Unplaced.size()); },
        [this](int row, int column) { return PartEntryCell(m_ret, m_ret.Unplaced, row, column); }, this);
    AddList(this, layout, "配置できなかった部材", "unplacedTable", unplaced, listFont, kPartRows);

    std::string cuts;
    if (ret.BuzaiList != nullptr && ret.YBuzaiList != nullptr && ret.GenbanList != nullptr) {
        cuts = CutTotalsText(JobCutTotals(ret, SawingOf(ret, settings.NokoHaba, MinOffcut(settings))));
    }
    std::vector<std::pair<std::string, std::string>> lines = {{"yieldText", YieldText(ret)},
                                                              {"boardCostText", BoardCostText(ret)},
                                                              {"partsCostText", PartsCostText(ret)},
                                                              {"cutText", cuts},
                                                              {"boundText", BoundText(ret)}};
    // The bands: metres and cost of each, their cost and boards and bands together.
    if (edges != nullptr && !edges->Items.empty()) {
        const std::vector<std::string> bandLines = EdgeTotalsLines(CountEdges(ret, *edges), ret);
        for (std::size_t i = 0; i < bandLines.size(); ++i) {
            lines.push_back({"edgeText" + std::to_string(i + 1), bandLines[i]});
        }
    }
    for (const auto& [name, text] : lines) {
        auto* label = new QLabel(QString::fromStdString(text), this);
        label->setObjectName(QString::fromStdString(name));
        label->setFont(listFont);
        layout->addWidget(label);
    }

    QPushButton* take = nullptr;
    if (plans != nullptr) {
        const bool noRate = settings.NoRateFlg != 0;
        const std::vector<TextColumn> columns = {
            {"採用", "●  "},
            {"候補", "パターン最少  "},
            {"原板", "9999 枚  "},
            {"金額", "99,999,999円  "},
            {"歩留まり", "99.9%(99.9%)  "},
            {"パターン", "999  "},
            {"切断回数", "99999 回  "},
            {"切断長", "9999.9 m  "},
        };
        auto* model = new TextTableModel(
            columns, [plans] { return static_cast<int>(plans->size()); },
            [this, plans, noRate](int row, int column) {
                return PlanCellText(CheckedAt(*plans, row, "plan"), column, noRate,
                                    static_cast<std::size_t>(row) == m_chosen);
            },
            this);
        m_plansTable = AddList(this, layout, PlansHeading(settings.PlanTolerance, noRate).c_str(),
                               "plansTable", model, listFont, static_cast<int>(plans->size()));
        m_plansTable->selectRow(static_cast<int>(chosen));
        take = new QPushButton("この候補を採用", this);
        take->setObjectName("takePlanButton");
        take->setAutoDefault(false);
        connect(take, &QPushButton::clicked, this, &CRetDlg::OnTakePlan);
        connect(m_plansTable, &QTableView::doubleClicked, this, &CRetDlg::OnTakePlan);
    }

    auto* buttons = new QDialogButtonBox(this);
    if (take != nullptr) {
        buttons->addButton(take, QDialogButtonBox::ActionRole);
    }
    QPushButton* output = buttons->addButton("ファイル出力", QDialogButtonBox::ActionRole);
    output->setObjectName("fileOutputButton");
    output->setAutoDefault(false);
    QPushButton* close = buttons->addButton("閉じる", QDialogButtonBox::RejectRole);
    close->setObjectName("closeButton");
    close->setDefault(true);
    connect(output, &QPushButton::clicked, this, &CRetDlg::OnFileOutput);
    connect(buttons, &QDialogButtonBox::rejected, this, &CRetDlg::reject);
    layout->addWidget(buttons);
}

void CRetDlg::OnTakePlan()
{
    const QModelIndexList rows = m_plansTable->selectionModel()->selectedRows();
    if (rows.isEmpty() || static_cast<std::size_t>(rows.front().row()) == m_chosen) {
        return;  // the result already
    }
    m_taken = static_cast<std::size_t>(rows.front().row());
    done(kPlanTaken);
}

void CRetDlg::OnFileOutput()
{
    CBuzaiList unplaced = UnplacedPartsList(m_ret);
    unplaced.SaveAs(m_settings, m_prompt, m_chooser);
}
