#pragma once

#include <QDialog>
#include <array>

#include "job/Edge.h"
#include "job/ListDlg.h"

class QComboBox;
class QLineEdit;

// The input dialog エッジ材: one band's code, name, thickness, height, price per metre and
// allowance; OK checks them (a code another band has is refused) and stores them.
class CEdgeInDlg : public QDialog {
    Q_OBJECT
public:
    // `list` and `self` (the band's row, -1 for a new one) for the code's check.
    CEdgeInDlg(CEdge& edge, const CEdgeList& list, int self, Prompt& prompt, QWidget* parent = nullptr);

public slots:
    void accept() override;

private:
    CEdge& m_edge;
    const CEdgeList& m_list;
    int m_self;
    Prompt& m_prompt;
    std::array<QLineEdit*, 6> m_edits{};  // code, name, thickness, height, price, allowance
};

// The band list dialog エッジ材設定 on the list, modal. 1 when it changed the list.
int EditList(CEdgeList& list, const JobDialogContext& context);

// A part's bands as the parts list shows them: "A·A·B·-" (上·下·左·右), "" without any.
std::string EdgeCellText(const CBuzai& part);

// Four band selectors of the part dialog: "なし" first, then every band of the table; a code the
// table lacks stays selectable as it is ("Z（エッジ材にありません）").
void FillEdgeChoices(QComboBox* combo, const CEdgeList* edges, const std::string& code);
