#pragma once

#include <QDialog>
#include <cstddef>
#include <vector>

class CRetData;
class FileChooser;
class Prompt;
class QFont;
struct Settings;

// 配置結果: the boards used, the secondary parts placed and the parts left unplaced of a
// result, its yield and cost. ファイル出力 writes the unplaced parts as a parts file; the
// result is only read.
class CEdgeList;
struct ResultPlan;
class QTableView;

class CRetDlg : public QDialog {
    Q_OBJECT
public:
    // `edges`: the band table of a result with bands (its metres and cost are shown). `plans`:
    // the 配置候補 to compare, `chosen` the one that is the result; 採用 ends the dialog with
    // kPlanTaken and TakenPlan() for the caller to make it the result.
    CRetDlg(const CRetData& ret, const Settings& settings, Prompt& prompt, FileChooser& chooser,
            const QFont& listFont, QWidget* parent = nullptr, const CEdgeList* edges = nullptr,
            const std::vector<ResultPlan>* plans = nullptr, std::size_t chosen = 0);

    static constexpr int kPlanTaken = 2;
    std::size_t TakenPlan() const { return m_taken; }

private:
    void OnFileOutput();
    void OnTakePlan();

    const CRetData& m_ret;
    const Settings& m_settings;
    Prompt& m_prompt;
    FileChooser& m_chooser;
    QTableView* m_plansTable = nullptr;
    std::size_t m_chosen = 0;
    std::size_t m_taken = 0;
};
