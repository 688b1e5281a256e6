#pragma once

#include <QDialog>
#include <array>

#include "job/Buzai.h"
#include "job/JobInput.h"
#include "job/ListDlg.h"

class CEdgeList;
class QCheckBox;
class QComboBox;
class QLineEdit;

// The input dialog 部材: one part's values; OK checks them and stores them into the part.
class CBuzaiInDlg : public QDialog {
    Q_OBJECT
public:
    // `edges`: the band table the four band selectors offer (none: only なし).
    CBuzaiInDlg(CBuzai& part, Prompt& prompt, QWidget* parent = nullptr, const CEdgeList* edges = nullptr);

public slots:
    void accept() override;

private:
    QLineEdit* AddEdit(const char* name, const std::string& text);

    CBuzai& m_part;
    Prompt& m_prompt;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_kind = nullptr;
    QLineEdit* m_width = nullptr;
    QLineEdit* m_height = nullptr;
    QLineEdit* m_thickness = nullptr;
    QLineEdit* m_count = nullptr;
    QCheckBox* m_noTurn = nullptr;
    QLineEdit* m_remark = nullptr;
    std::array<QComboBox*, 4> m_edges{};  // 上, 下, 左, 右
};

// The parts list dialog 部材設定 / ２次部材設定 on the list, modal. 1 when it changed the list.
int EditList(CBuzaiList& list, const JobDialogContext& context);

// The cell texts of the parts list dialog (nine columns).
std::string BuzaiCellText(const CBuzai& part, int column);
const std::vector<TextColumn>& BuzaiColumns();
