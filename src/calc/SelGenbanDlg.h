#pragma once

#include <QDialog>
#include <array>

#include "calc/SelGenbanForm.h"

class Prompt;
class QCheckBox;
class QComboBox;
class QFont;
class QLineEdit;
class QTableView;
class TextTableModel;

// 使用原板選択: the boards to use and the run options. The rules are SelGenbanForm's; this binds
// them to the controls. Accepted only when the form accepts 配置実行.
class CSelGenbanDlg : public QDialog {
    Q_OBJECT
public:
    CSelGenbanDlg(SelGenbanForm& form, Prompt& prompt, const QFont& listFont, QWidget* parent = nullptr);

public slots:
    void accept() override;

private:
    std::vector<std::size_t> SelectedRows() const;
    void ShowSelection();
    void ApplyEnableRules();
    void ReadControls();

    // The form, the prompt and the controls, as every input dialog keeps them (CBuzaiInDlg in
    // job/BuzaiDlg.h looks the same and has nothing else in common).
    SelGenbanForm& m_form;
    Prompt& m_prompt;
    TextTableModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_kerf = nullptr;
    QLineEdit* m_limit = nullptr;
    QComboBox* m_method = nullptr;
    // useYBuzai, noRate, noUsen, useCal3, useCal4, use2ko1, useSmallPat, useMenCal, useSearch,
    // mergeRows
    std::array<QCheckBox*, 11> m_checks{};
};
